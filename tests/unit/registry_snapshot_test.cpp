#include <gtest/gtest.h>

#include <algorithm>

#include "base/cp932.h"
#include "base/text.h"
#include "snapshot/registry_snapshot.h"
#include "support/snapshot_cycle.h"

namespace zel {
namespace {

constexpr std::uint32_t kHiveAttributes = attr::kReadOnly | attr::kHidden | attr::kSystem;

class RegistrySnapshot : public ::testing::Test, public testing::SnapshotCycle {
 protected:
  void Start(const std::wstring& programFolder = L"C:\\Zel32") {
    if (programFolder != L"C:\\Zel32") x.InstallProgram(programFolder);
    StartedMachine::Start();
    exportFile = env.WorkDir + L"\\追加と削除.reg";
  }
  // The registry editor: the export file appears empty appearMs after the
  // start and gets its text at fillMs (never for 0).
  void Editor(std::uint64_t appearMs, std::uint64_t fillMs) {
    x.desktop.onStart = [this](std::wstring_view) { startedAt = x.sys.TickMs(); };
    x.sys.onSleep = [this, appearMs, fillMs](std::uint64_t tick) {
      if (!startedAt) return;
      std::uint64_t since = tick - *startedAt;
      if (fillMs && since >= fillMs && x.fs.Content(exportFile).empty()) {
        IgnoreError(x.fs.WriteBytes(exportFile, "Windows Registry Editor Version 5.00\r\n"));
      } else if (appearMs && since >= appearMs && !x.fs.Exists(exportFile)) {
        IgnoreError(x.fs.WriteBytes(exportFile, ""));
      }
    };
  }
  bool Export() { return ExportRegistryKey(sv, exportFile, kUninstallKey); }

  std::wstring exportFile;
  std::optional<std::uint64_t> startedAt;
};

TEST_F(RegistrySnapshot, WatchedIniFilesAndGroupsGoToTheBackupFolder) {
  Start();
  x.fs.AddFile(L"C:\\windows\\deletefi.ini", "x");
  x.fs.AddFile(L"C:\\windows\\main.grp", "GRP");
  x.fs.AddFile(L"C:\\windows\\notes.grpx", "x");  // matched by "*.GRP" through a short name
  x.fs.AddFile(env.BackupDir + L"\\WIN.INI", "old").attributes = attr::kReadOnly;
  SaveIniFiles(x.machine, fe, env);
  SaveGroups(x.machine, fe, env);
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\WIN.INI"), "[windows]\r\n");  // a read-only old copy replaced
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\main.grp"), "GRP");
  EXPECT_FALSE(x.fs.Exists(env.BackupDir + L"\\deletefi.ini"));
  EXPECT_FALSE(x.fs.Exists(env.BackupDir + L"\\notes.grpx"));
}

TEST_F(RegistrySnapshot, Win9xHiveCopiesFollowTheLiveRegistryUntilARestoreIsPending) {
  x.MakeWin98();
  Start();
  x.fs.AddFile(L"C:\\windows\\user.dat", "user-1", 0x100).attributes |= kHiveAttributes;
  x.fs.AddFile(L"C:\\windows\\system.dat", "system-1", 0x200).attributes |= kHiveAttributes;
  const HivePaths hives = FixHivePaths(x.fs, env);
  Snapshot snap;
  SaveHives(x.machine, fe, env, hives, snap);
  EXPECT_EQ(x.fs.Content(hives.systemCopy), "system-1");

  // A test changed the registry and its restore waits for the restart: the
  // copy keeps the registry from before that test.
  x.fs.AddFile(L"C:\\autoexec.bat", "@echo off\r\n" + ToCp932(kAutoexecMarker) + "\r\nC:\\Zel.BAT\r\n");
  x.fs.AddFile(L"C:\\windows\\user.dat", "user-changed", 0x400);
  SaveHives(x.machine, fe, env, hives, snap);
  EXPECT_EQ(x.fs.Content(hives.userCopy), "user-1");
  EXPECT_EQ(snap.userHiveTime, 0x400u);
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.bat"));
  x.fs.AddFile(env.RegClearPath, "");
  SaveHives(x.machine, fe, env, hives, snap);
  EXPECT_EQ(x.fs.Content(hives.userCopy), "user-1");
  // None pending: the copies (read-only, hidden and system like the hives)
  // are replaced.
  IgnoreError(x.fs.RemoveFile(env.RegClearPath));
  SaveHives(x.machine, fe, env, hives, snap);
  EXPECT_EQ(x.fs.Content(hives.userCopy), "user-changed");
}

TEST_F(RegistrySnapshot, NtHivesAreOnlyTimed) {
  Start();
  x.fs.AddFile(L"C:\\users\\root\\NTUSER.DAT", "u", 0x500);
  x.fs.AddFile(L"C:\\windows\\System32\\Config\\SYSTEM", "s", 0x600);
  const HivePaths hives = FixHivePaths(x.fs, env);
  Snapshot snap;
  SaveHives(x.machine, fe, env, hives, snap);
  EXPECT_EQ(snap.userHiveTime, 0x500u);
  EXPECT_EQ(snap.systemHiveTime, 0x600u);
  EXPECT_FALSE(x.fs.Exists(hives.userCopy));
}

TEST_F(RegistrySnapshot, AQuickExportAsksNothingAndQuotesItsPaths) {
  Start(L"C:\\Zel 32");
  Editor(1000, 3000);
  EXPECT_TRUE(Export());
  EXPECT_EQ(x.desktop.started,
            std::vector<std::wstring>{L"\"C:\\windows\\RegEdit.exe\" /e \"C:\\Zel 32\\WinXP\\追加と削除.reg\" "
                                      L"\"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\""});
  // An editor that cannot start is reported (the quick export asked nothing).
  x.desktop.startResult = false;
  EXPECT_FALSE(Export());
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"レジストリ･エディタを起動できません");
}

TEST_F(RegistrySnapshot, ASlowExportAsksAfterTenSecondsThenEveryThirty) {
  Start();
  Editor(25000, 95000);  // appears at 25 s and stays empty until 95 s
  fe.answers = {mb::kResultYes, mb::kResultYes, mb::kResultYes};
  EXPECT_TRUE(Export());
  // At 10 s (no file yet), then at 55 and 85 s (30 s into the empty file).
  ASSERT_EQ(fe.questions.size(), 3u);
  EXPECT_EQ(fe.questions[2].text.find(L"レジストリのテキスト書き出しに時間がかかっています。|あと３０秒　待ちますか？||"), 0u);
  EXPECT_EQ(fe.questions[2].style & 0xF, mb::kYesNo);
  EXPECT_EQ(x.sys.TickMs() - *startedAt, 95000u);
}

TEST_F(RegistrySnapshot, NoAbandonsTheExportAndTurnsScanningOff) {
  Start();
  settings.SetOptionNum(L"RegScanInst", -1);
  options.RegScanInst = true;
  Editor(2000, 0);  // an empty file that never fills
  fe.answers = {mb::kResultNo};
  EXPECT_FALSE(Export());
  EXPECT_EQ(x.sys.TickMs() - *startedAt, 32000u);  // asked once the empty file had waited 30 s
  ASSERT_EQ(fe.questions.size(), 2u);
  EXPECT_EQ(fe.questions[1].text, L"レジストリ・スキャンの設定をオフにしました");
  EXPECT_EQ(settings.GetOptionNum(L"RegScanInst", -1), 0);
  EXPECT_FALSE(options.RegScanInst);
  EXPECT_FALSE(x.fs.Exists(exportFile));  // a partial export is never compared later
}

TEST_F(RegistrySnapshot, ThePreparationRunsTheStepsInOrderAndExportsOnlyWhenItCan) {
  Start();
  options.RegScanInst = true;
  Editor(1000, 1000);
  EXPECT_TRUE(Prepare().uninstallExported);
  auto at = [&](const std::wstring& s) {
    return std::find(fe.statuses.begin(), fe.statuses.end(), s) - fe.statuses.begin();
  };
  const std::vector<std::wstring> order = {L"準備中： ドライブ C:\\", L"準備中： INIファイル", L"準備中： レジストリ  ",
                                           L"準備中： Windows  ", L"準備中： System   ", L"準備中： ドライブ情報"};
  for (size_t i = 1; i < order.size(); ++i) EXPECT_LT(at(order[i - 1]), at(order[i])) << ToUtf8(order[i]);

  // With the editor gone an old export is deleted; nothing is started or asked.
  x.fs.AddFile(exportFile, "old export");
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\regedit.exe"));
  x.desktop.started.clear();
  EXPECT_FALSE(Prepare().uninstallExported);
  EXPECT_FALSE(x.fs.Exists(exportFile));
  EXPECT_TRUE(x.desktop.started.empty());
  EXPECT_TRUE(fe.questions.empty());
}

}  // namespace
}  // namespace zel
