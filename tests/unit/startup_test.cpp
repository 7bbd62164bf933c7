#include <gtest/gtest.h>

#include <functional>

#include "base/cp932.h"
#include "startup/environment.h"
#include "startup/file_helpers.h"
#include "startup/settings.h"
#include "startup/startup.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using testing::RecordingFrontEnd;
using testing::StartedMachine;
using testing::XpMachine;

TEST(WinKindTable, EveryRowOfTheVersionTexts) {
  const struct {
    const wchar_t* nineX;
    const wchar_t* nt;
    const wchar_t* major;  // the present-day major number
    WinKind kind;
  } rows[] = {
      {L"4.00.950", L"", L"", WinKind::Win95},   {L"4.10.1998", L"", L"", WinKind::Win98},
      {L"4.90.3000", L"", L"", WinKind::WinMe},  {L"", L"4.0", L"", WinKind::WinNT},
      {L"", L"5.0", L"", WinKind::Win2000},      {L"", L"5.1", L"", WinKind::WinXP},
      {L"", L"6.0", L"", WinKind::PresentDay},   {L"", L"10.0", L"", WinKind::PresentDay},  // "10" after "5.1"
      {L"", L"5.1", L"10", WinKind::PresentDay},  // the major number alone decides as well
      {L"4.10.2222", L"5.1", L"10", WinKind::Win98},  // the 9x text is read first
  };
  for (const auto& r : rows) {
    std::wstring by = L"unset";
    EXPECT_EQ(DecideWinKind(r.nineX, r.nt, &by, r.major), r.kind) << r.nineX << L"|" << r.nt << L"|" << r.major;
    EXPECT_EQ(by, *r.nineX ? r.nineX : r.nt) << r.nineX << L"|" << r.nt;
  }
}

TEST(Settings, StoredFormsRoundTrip) {
  XpMachine x;
  Settings s(x.ini);
  s.SetPath(L"C:\\Zel32\\WinXP\\Zel32.INI");
  x.fs.AddFolder(L"C:\\Zel32\\WinXP");
  for (auto [key, value] : {std::pair{"Report", -1}, {"UseWarning", 0}, {"CheckLevel", 2}}) {
    s.SetOptionNum(FromCp932(key), value);
    // The platform's profile functions drop the leading blank of " 2".
    const std::string line = key + ("=" + std::to_string(value)) + "\r\n";
    EXPECT_NE(x.fs.Content(s.Path()).find(line), std::string::npos) << key;
    EXPECT_EQ(s.GetOptionNum(FromCp932(key), 7), value) << key;
  }
}

class ProcessStart : public ::testing::Test, public StartedMachine {};

TEST_F(ProcessStart, CreatesTheWorkFolderWithItsSettingsAndKeepsTheDosSupportFilesLater) {
  ASSERT_EQ(StartProcess(), Outcome::Continue);
  EXPECT_EQ(x.fs.CurrentFolder(), L"C:\\");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\PIF\\ZEL32.BAT"), "CD \\\r\n");
  // A later start keeps the DOS support files as they are, and needs no PIF to install.
  x.fs.AddFile(L"C:\\windows\\PIF\\LHA.PIF", "mine");
  x.fs.AddFile(L"C:\\windows\\PIF\\ZEL32.BAT", "CD \\TOOLS\r\n");
  IgnoreError(x.fs.RemoveFile(L"C:\\Zel32\\ZEL32.PIF"));
  ASSERT_EQ(StartProcess(), Outcome::Continue);
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\PIF\\LHA.PIF"), "mine");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\PIF\\ZEL32.BAT"), "CD \\TOOLS\r\n");
}

TEST_F(ProcessStart, NoVersionTextAtAllIsWindows95WithTheSettingsOfItsOwnFile) {
  x.reg.Set(RegRoot::LocalMachine, XpMachine::kNtVersion, L"CurrentVersion", L"");
  x.fs.AddFile(L"C:\\Zel32\\Win95\\Zel32.INI", "[Options]\r\nisMsgModal= 0\r\nCanUseFAT32=-1\r\n");
  ASSERT_EQ(StartProcess(), Outcome::Continue);
  EXPECT_EQ(env.WorkDir, L"C:\\Zel32\\Win95");
  EXPECT_EQ(env.MsgBoxStyle, 0u);
  EXPECT_TRUE(env.CanUseFAT32);
}

// In a drive root (a beep, and no work folder made) or without the PIF to
// install, the start ends and asks nothing.
TEST(ProcessStartRefusals, ADriveRootOrAMissingPifEndsAtOnce) {
  StartedMachine root, noPif;
  root.x.sys.exePath = L"C:\\Zel32.exe";
  EXPECT_EQ(root.StartProcess(), Outcome::End);
  EXPECT_EQ(root.fe.beeps, 1);
  EXPECT_FALSE(root.x.fs.Exists(L"C:\\WinXP"));
  IgnoreError(noPif.x.fs.RemoveFile(L"C:\\Zel32\\ZEL32.PIF"));
  EXPECT_EQ(noPif.StartProcess(), Outcome::End);
  EXPECT_TRUE(root.fe.questions.empty() && noPif.fe.questions.empty());
}

TEST(ProcessStartRefusals, EachEndsWithItsOwnQuestion) {
  const struct {
    const char* name;
    std::function<void(XpMachine&)> arrange;
    Outcome outcome;
    const wchar_t* asked;  // nullptr: nothing asked
  } cases[] = {
      {"exactly 2,000,000 bytes free", [](XpMachine& x) { x.fs.SetFreeSpace(L'C', 2000000); }, Outcome::Continue,
       nullptr},
      {"one byte less free", [](XpMachine& x) { x.fs.SetFreeSpace(L'C', 1999999); }, Outcome::End,
       L"空き容量が 2Ｍバイト以上あるハード・ディスク"},
      {"the Windows folder", [](XpMachine& x) { x.InstallProgram(L"C:\\WINDOWS"); }, Outcome::End,
       L"そこにこのソフトを解凍し直して下さい"},
      {"a work folder that cannot be made", [](XpMachine& x) { x.fs.FailCreationBelow(L"C:\\Zel32\\WinXP"); },
       Outcome::End, L"C:\\Zel32\\WinXP||フォルダーを作成できません"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartedMachine m;
    c.arrange(m.x);
    EXPECT_EQ(m.StartProcess(), c.outcome);
    ASSERT_EQ(m.fe.questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_TRUE(m.fe.AskedAbout(c.asked));
      EXPECT_EQ(m.fe.questions[0].style & 4096, 4096);
    }
  }
}

class Loading : public ::testing::Test, public StartedMachine {
 protected:
  void SetUp() override { ASSERT_EQ(StartProcess(), Outcome::Continue); }
};

TEST_F(Loading, FindsTheBootDriveShellFoldersAndSettings) {
  settings.SetOptionNum(L"CheckLevel", 2);
  settings.SetOptionNum(L"RegScanInst", -1);
  ASSERT_EQ(Load(), Outcome::Continue);
  EXPECT_EQ(env.ProgramFilesDir, L"C:\\Program Files");
  EXPECT_EQ(env.DesktopDir, L"C:\\users\\root\\Desktop");
  EXPECT_EQ(env.ProfileDir, L"C:\\users\\root");
  EXPECT_EQ(options.CheckLevel, 2);
  EXPECT_TRUE(options.RegScanInst);
  EXPECT_EQ(options.ZelConColType, 1);  // more than 256 colours
}

TEST(LoadingBootDrive, StoredSearchedFallenBackOrRefused) {
  const struct {
    const char* name;
    const wchar_t* stored;
    const wchar_t* bootFile;  // put on D:, or nullptr
    bool removeBootIni;
    const wchar_t* found;     // nullptr: refused
  } cases[] = {
      {"a stored drive is taken without a search", L"E:\\", nullptr, false, L"E:\\"},
      {"a boot folder without boot files falls back to C:", nullptr, nullptr, false, L"C:\\"},
      {"a boot drive with NTLDR", nullptr, L"D:\\NTLDR", false, L"D:\\"},
      {"no boot files anywhere", nullptr, nullptr, true, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartedMachine m;
    ASSERT_EQ(m.StartProcess(), Outcome::Continue);
    m.x.fs.AddDrive(L'D', DriveType::Fixed);
    m.x.sys.env[L"WINBOOTDIR"] = L"D:\\WINDOWS";
    if (c.stored) m.settings.SetOption(L"BootDrive", c.stored);
    if (c.bootFile) m.x.fs.AddFile(c.bootFile, "x");
    if (c.removeBootIni) IgnoreError(m.x.fs.RemoveFile(L"C:\\boot.ini"));
    EXPECT_EQ(m.Load(), c.found ? Outcome::Continue : Outcome::End);
    EXPECT_EQ(m.env.BootDrive, c.found ? c.found : L"");
    if (c.found) {
      EXPECT_TRUE(m.fe.questions.empty());
    } else {
      ASSERT_EQ(m.fe.questions.size(), 1u);
      EXPECT_EQ(m.fe.questions[0].text, std::wstring(L"Boot Drive") + kCannotUseHere);
      EXPECT_TRUE(m.settings.GetOption(L"BootDrive", L"").empty());
    }
  }
}

TEST_F(Loading, AMachineWithoutTheRegistryEditorOrItsProgramFilesOnC) {
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\regedit.exe"));
  settings.SetOptionNum(L"RegScanInst", -1);
  // Program Files falls back to the fixed drives.
  x.reg.Set(RegRoot::LocalMachine, XpMachine::kCurrentVersion, L"ProgramFilesDir", L"Q:\\Nowhere");
  x.fs.AddDrive(L'E', DriveType::Fixed);
  x.fs.AddFolder(L"E:\\Program Files");
  IgnoreError(x.fs.MoveOne(L"C:\\Program Files", L"C:\\Programs", false));
  env.DriveTypes[4] = DriveType::Fixed;
  // A batch that autoexec.bat no longer calls has run and goes.
  x.fs.AddFile(L"C:\\Zel.BAT", "copy\r\n");
  x.fs.AddFile(L"C:\\autoexec.bat", "@echo off\r\n");
  ASSERT_EQ(Load(), Outcome::Continue);
  EXPECT_FALSE(env.HasRegEdit);
  EXPECT_FALSE(options.RegScanInst);  // scanning stays off
  EXPECT_EQ(env.ProgramFilesDir, L"E:\\Program Files");
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
}

TEST(LoadingNt, AMissingDocumentsFolderNeedsAnAdministrator) {
  StartedMachine m;
  ASSERT_EQ(m.StartProcess(), Outcome::Continue);
  m.x.reg.Set(RegRoot::CurrentUser, XpMachine::kShellFolders, L"Personal", L"C:\\gone");
  EXPECT_EQ(m.Load(), Outcome::End);
  EXPECT_TRUE(m.fe.AskedAbout(L"Administrator権限でログオンしないと"));
}

// No to the NT family's registry notice, or to Windows Me's question, ends
// the start; Me's Yes is stored and not asked again.
TEST_F(ProcessStart, NoToTheRegistryNoticeOrMesQuestionEndsTheStart) {
  ASSERT_EQ(StartProcess(), Outcome::Continue);
  fe.answers = {mb::kResultNo};
  EXPECT_EQ(ConfirmRegistryNotice(fe, env, settings), Outcome::End);
  x.MakeWin98(L"4.90.3000");
  ASSERT_EQ(StartProcess(), Outcome::Continue);
  fe.answers = {mb::kResultNo};
  EXPECT_EQ(Load(), Outcome::End);
  fe.answers = {mb::kResultYes};
  ASSERT_EQ(Load(), Outcome::Continue);
  fe.questions.clear();
  ASSERT_EQ(Load(), Outcome::Continue);
  EXPECT_TRUE(fe.questions.empty());
}

TEST_F(ProcessStart, On98ShellFoldersFallBackToJapaneseNamesAndDocumentsIsAsked) {
  x.MakeWin98(L"4.10.2222");
  ASSERT_EQ(StartProcess(), Outcome::Continue);
  for (const wchar_t* name : {L"Desktop", L"Start Menu", L"Programs", L"Startup", L"Personal"}) {
    x.reg.Set(RegRoot::CurrentUser, XpMachine::kShellFolders, name, L"");
  }
  x.fs.AddFolder(L"C:\\windows\\ﾃﾞｽｸﾄｯﾌﾟ");
  fe.answers = {mb::kResultNo, mb::kResultNo};  // not that folder; do not end
  fe.inputs = {L"C:\\nowhere", L"D:\\Docs"};
  x.fs.AddDrive(L'D', DriveType::Fixed);
  x.fs.AddFolder(L"D:\\Docs");
  ASSERT_EQ(Load(), Outcome::Continue);
  EXPECT_EQ(env.DesktopDir, L"C:\\windows\\ﾃﾞｽｸﾄｯﾌﾟ");
  EXPECT_EQ(env.StartupDir, L"C:\\windows\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\ｽﾀｰﾄｱｯﾌﾟ");
  EXPECT_EQ(env.PersonalDir, L"D:\\Docs");
  EXPECT_TRUE(fe.AskedAbout(L"C:\\My Documents"));
  EXPECT_TRUE(fe.AskedAbout(L"C:\\nowhereは、|存在しません。"));
}

class FullRootFs : public MemoryFileSystem {
 public:
  using MemoryFileSystem::MemoryFileSystem;
  FsError CopyOne(std::wstring_view from, std::wstring_view to, bool overwrite) override {
    if (to.size() > 3 && to.find(L'\\', 3) == std::wstring_view::npos) return FsError::CannotMake;
    return MemoryFileSystem::CopyOne(from, to, overwrite);
  }
};

TEST(FileHelpers, AFullRootFolderIsExplainedWithTheFileName) {
  XpMachine x;
  FullRootFs fs(&x.clock);
  fs.AddDrive(L'C', DriveType::Fixed);
  fs.AddFile(L"C:\\a\\data.bin", "x");
  Machine m{fs, x.reg, x.ini, x.sys, x.desktop};
  RecordingFrontEnd fe;
  EXPECT_FALSE(CopyFileChecked(m, fe, L"C:\\a\\data.bin", L"C:\\data.bin"));
  EXPECT_TRUE(fe.AskedAbout(L"ルート･ディレクトリには、これ以上ファイルを追加できません"));
  EXPECT_TRUE(fe.AskedAbout(L"ファイル：　data.bin"));
}

}  // namespace
}  // namespace zel
