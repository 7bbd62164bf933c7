#include <gtest/gtest.h>

#include "support/started_machine.h"
#include "testrun/launch.h"
#include "testrun/library_copy.h"
#include "testrun/run_record.h"

namespace zel {
namespace {

using testing::ExeHeader;
using testing::XpMachine;

class Launch : public testing::Started {
 protected:
  void SetUp() override {
    Start();
    options.UseWarning = false;
  }
  LaunchResult Run(const std::wstring& path) {
    LaunchRequest request;
    request.path = path;
    return LaunchProgram(sv, record, warnings, request);
  }
  RunRecord record;
  int warnings = 0;
};

TEST(LaunchPlanTable, RoutesGatesAndStarts) {
  using R = LaunchRoute;
  using G = LaunchGate;
  using H = HandForm;
  using S = StartForm;
  constexpr auto kNone = std::nullopt;
  struct Row {
    const wchar_t* name;
    std::optional<ExeKind> kind;
    bool pane, batchAllowed, warningDue;
    R route;
    G gate;
    H hand;
    S start;
    bool installer, extendedWait, extractFirst, askSaver, warn;
  };
  const Row rows[] = {
      {L"tool.exe", ExeKind::Windows, false, false, true, R::Start, G::None, H::Open, S::Shell, 0, 0, 0, 0, 1},
      {L"tool.exe", kNone, false, false, false, R::Start, G::Unreadable, H::Open, S::Shell, 0, 0, 0, 0, 0},
      {L"old.exe", ExeKind::Dos, false, false, false, R::Start, G::AskDos, H::Open, S::Shell, 0, 0, 0, 0, 0},
      {L"sfx.exe", ExeKind::SfxZip, false, false, false, R::Start, G::RefuseSelfExtracting, H::Open, S::Shell, 0, 0, 0, 0, 0},
      {L"pack.exe", ExeKind::WinSfxLzh, false, false, false, R::Start, G::None, H::Open, S::Shell, 0, 1, 1, 0, 0},
      {L"setupsaver.scr", kNone, false, false, true, R::Start, G::None, H::Open, S::ScreenSaver, 1, 1, 0, 1, 1},
      {L"a&b.ttf", kNone, false, false, false, R::Start, G::None, H::Open, S::FontViewer, 0, 0, 0, 0, 0},
      {L"go.bat", kNone, false, false, false, R::Start, G::BatchRefused, H::Open, S::Shell, 0, 0, 0, 0, 0},
      {L"go.pif", kNone, false, true, false, R::Start, G::None, H::Open, S::Shell, 0, 0, 0, 0, 0},
      {L"photo.JEPG", kNone, true, false, true, R::Picture, G::None, H::Open, S::Shell, 0, 0, 0, 0, 0},
      {L"song.wav", kNone, true, false, true, R::HandOver, G::None, H::Play, S::Shell, 0, 0, 0, 0, 0},
      {L"setup.txt", kNone, false, false, false, R::HandOver, G::None, H::AskOnce, S::Shell, 0, 0, 0, 0, 0},
  };
  for (const Row& row : rows) {
    LaunchRequest request;
    request.path = std::wstring(L"C:\\dl\\") + row.name;
    request.picturePaneVisible = row.pane;
    const LaunchPlan p = PlanLaunch(LaunchExtension(row.name), row.kind, request, {row.batchAllowed, row.warningDue});
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.name)));
    EXPECT_EQ(p.route, row.route);
    EXPECT_EQ(p.gate, row.gate);
    if (p.route == R::HandOver) {
      EXPECT_EQ(p.hand, row.hand);
    }
    if (p.route == R::Start) {
      EXPECT_EQ(p.start, row.start);
    }
    EXPECT_EQ(p.installer, row.installer);
    EXPECT_EQ(p.extendedWait, row.extendedWait);
    EXPECT_EQ(p.extractFirst, row.extractFirst);
    EXPECT_EQ(p.askScreenSaver, row.askSaver);
    EXPECT_EQ(p.warn, row.warn);
  }
}

// A gate ends the launch before the record is touched; a batch file passes
// once an extraction left a temporary folder.
TEST_F(Launch, AGateLeavesTheTestUntouched) {
  x.fs.AddFile(L"C:\\dl\\go.bat", "echo");
  EXPECT_EQ(Run(L"C:\\dl\\go.bat").outcome, LaunchOutcome::Cancelled);
  EXPECT_EQ(record, RunRecord());
  record.temporaryFolders.push_back(L"C:\\tmp\\ZEL0001");
  EXPECT_EQ(Run(L"C:\\dl\\go.bat").outcome, LaunchOutcome::Started);
  EXPECT_TRUE(record.testDone);
}

TEST_F(Launch, OtherFilesAreHandedToTheirApplicationAskedOnce) {
  x.fs.AddFile(L"C:\\dl\\notes.txt", "x");
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(Run(L"C:\\dl\\notes.txt").outcome, LaunchOutcome::Handed);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"『 notes.txt 』 を開きますか？");
  EXPECT_EQ(x.desktop.opened.back(), L"C:\\dl\\notes.txt");
  Run(L"C:\\dl\\notes.txt");
  EXPECT_EQ(fe.questions.size(), 1u);  // remembered
  EXPECT_FALSE(record.testDone);       // nothing was tested
}

// A font goes to the viewer as one quoted argument; the warning comes once
// per start of the program; an installer's name marks the record.
TEST_F(Launch, StartsAsPlanned) {
  x.fs.AddFile(L"C:\\dl\\a&b.ttf", "font");
  LaunchResult r = Run(L"C:\\dl\\a&b.ttf");
  ASSERT_EQ(r.outcome, LaunchOutcome::Started);
  EXPECT_EQ(x.desktop.started.back(), L"FontView.exe \"C:\\dl\\a&b.ttf\"");
  EXPECT_TRUE(r.run.fontRun);

  options.UseWarning = true;
  x.fs.AddFile(L"C:\\dl\\setup.exe", ExeHeader());
  Run(L"C:\\dl\\setup.exe");
  Run(L"C:\\dl\\setup.exe");
  int warned = 0;
  for (const auto& q : fe.questions) warned += q.text.find(L"を起動します。") != std::wstring::npos;
  EXPECT_EQ(warned, 1);
  EXPECT_TRUE(record.installer);
}

class Libraries : public Launch {
 protected:
  LibraryCopy Copy() { return LibraryCopy{sv, record.attached, LibrarySaveFolder(env)}; }
};

// Compressed names are expanded under their full name; a control's type cache (.oca) keeps
// its own. (That a read-only copy comes out writable is checked end to end.)
TEST_F(Libraries, NewLibrariesAreCopiedAndTheSystemsOnesSaved) {
  x.fs.AddFile(L"C:\\dl\\new.dll", "MZ", 0x01D5000000000000ULL);
  x.fs.AddFile(L"C:\\dl\\kernel32.dll", "MZ");  // the system has one
  x.fs.AddFile(L"C:\\windows\\shared.dll", "MZ");
  x.fs.AddFile(L"C:\\dl\\SHARED.DLL", "MZ");     // in the Windows folder: not copied either
  x.fs.AddFile(L"C:\\dl\\ctl.oc_", "SZDD");
  x.fs.AddFile(L"C:\\dl\\grid.oca", "OCA");
  const std::wstring saved = LibrarySaveFolder(env) + L"\\kernel32.dll";
  x.fs.AddFile(saved, "MZ from an earlier test", 0x100);
  x.fs.AddFile(L"C:\\windows\\System32\\kernel32.dll", "MZ", 0x200);
  LibraryCopy copy = Copy();
  CopyLibraries(copy, L"C:\\dl");
  EXPECT_FALSE(x.fs.Exists(L"C:\\windows\\System32\\SHARED.DLL"));
  for (const wchar_t* name : {L"new.dll", L"ctl.ocx", L"grid.oca"}) {
    EXPECT_TRUE(x.fs.Exists(std::wstring(L"C:\\windows\\System32\\") + name)) << name;
  }
  for (const wchar_t* name : {L"/NEW.DLL|", L"/KERNEL32.DLL|", L"/SHARED.DLL|", L"/CTL.OCX|"}) {
    EXPECT_NE(record.attached.find(name), std::wstring::npos) << name;
  }
  // The system's libraries of those names are saved first, over an earlier test's.
  EXPECT_TRUE(x.fs.Exists(L"C:\\Zel32\\WinXP\\Library\\shared.dll"));
  EXPECT_EQ(x.fs.Content(saved), "MZ");
  EXPECT_EQ(x.fs.Stat(saved)->lastWrite, 0x200u);
  // The program overwrote it; a second launch of the same test keeps the copy.
  x.fs.AddFile(L"C:\\windows\\System32\\kernel32.dll", "MZ theirs", 0x300);
  CopyLibraries(copy, L"C:\\dl");
  EXPECT_EQ(x.fs.Content(saved), "MZ");
}

TEST_F(Libraries, AProgramInTheSystemFoldersBringsNoLibraries) {
  x.fs.AddFile(L"C:\\windows\\System32\\ctl.ocx", "MZ");
  x.fs.AddFile(L"C:\\windows\\System32\\saver.scr", "MZ");
  LibraryCopy copy = Copy();
  for (const wchar_t* folder : {L"C:\\windows\\System32", L"C:\\windows"}) {
    CopyLibraries(copy, folder);
    CopyModules(copy, folder, L"SCR");
  }
  EXPECT_TRUE(fe.console.empty());
  EXPECT_EQ(record.attached, L"");
  EXPECT_FALSE(x.fs.Exists(LibrarySaveFolder(env) + L"\\kernel32.dll"));
}

// A library that could not be set aside may be overwritten: the user hears of it first.
TEST_F(Libraries, ALibraryThatCannotBeSetAsideIsTold) {
  x.fs.AddFile(L"C:\\dl\\kernel32.dll", "MZ");
  x.fs.FailCreationBelow(LibrarySaveFolder(env));
  LibraryCopy copy = Copy();
  CopyLibraries(copy, L"C:\\dl");
  EXPECT_TRUE(fe.AskedAbout(L"『C:\\windows\\System32\\kernel32.dll』を保存できません"));
}

TEST(RunRecordFile, RoundTripAndDamage) {
  RunRecord r;
  r.program = L"C:\\dl\\セットアップ.exe";
  r.testDone = true;
  r.attached = L"/A.DLL|/B.OCX|";
  r.temporaryFolders = {L"C:\\tmp\\ZEL0001", L"C:\\tmp\\ZEL0002"};
  r.batchAllowed = true;
  r.dateStamp = L"2026/12/06";
  r.programFolderList = std::string("0000000000000001/\x83\x7C|", 21);
  std::string text = EncodeRunRecord(r);
  RunRecord back;
  ASSERT_TRUE(DecodeRunRecord(text, back));
  EXPECT_EQ(back, r);
  for (size_t cut = 0; cut < text.size(); cut += 7) {
    RunRecord partial;
    EXPECT_FALSE(DecodeRunRecord(text.substr(0, cut), partial)) << cut;
  }
  std::string changed = text;
  changed[20] ^= 1;
  EXPECT_FALSE(DecodeRunRecord(changed, back));
  XpMachine x;
  EXPECT_EQ(WriteRunRecord(x.fs, L"C:\\Zel32\\Zel32.dir", r), FsError::None);
  EXPECT_EQ(ReadRunRecord(x.fs, L"C:\\Zel32\\Zel32.dir", back), RunRecordRead::Read);
  EXPECT_EQ(ReadRunRecord(x.fs, L"C:\\Zel32\\none.dir", back), RunRecordRead::Missing);
  x.fs.AddFile(L"C:\\Zel32\\bad.dir", "garbage");
  EXPECT_EQ(ReadRunRecord(x.fs, L"C:\\Zel32\\bad.dir", back), RunRecordRead::Damaged);
}

}  // namespace
}  // namespace zel
