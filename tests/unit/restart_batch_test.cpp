#include <gtest/gtest.h>

#include <algorithm>

#include "base/cp932.h"
#include "registry/registry_wash.h"
#include "registry/restart_batch.h"
#include "snapshot/registry_snapshot.h"
#include "support/crashing_file_system.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using testing::Crash;
using testing::CrashingFileSystem;
using testing::XpMachine;

constexpr std::uint32_t kHiveAttributes = attr::kReadOnly | attr::kHidden | attr::kSystem;
const std::string kUserAutoexec = "@echo off\r\nPATH C:\\DOS;C:\\windows\r\n";

std::string Bytes(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const std::wstring& l : lines) out += ToCp932(l) + "\r\n";
  return out;
}

std::string Block() { return ToCp932(kAutoexecMarker) + "\r\nC:\\Zel.BAT\r\n"; }

class RestartBatchTest : public ::testing::Test, public testing::StartedMachine {
 protected:
  // A Windows 98 machine with the program in C:\Program Files\Zel32, whose
  // short form is C:\PROGRA~1\Zel32.
  void SetUp() override {
    x.MakeWin98();
    x.fs.AddFolder(L"C:\\Program Files");
    x.fs.SetShortName(L"C:\\Program Files", L"PROGRA~1");
    x.InstallProgram(L"C:\\Program Files\\Zel32");
    Start();
    x.fs.AddFile(L"C:\\windows\\system.dat", "system-now", 0x500).attributes |= kHiveAttributes;
    x.fs.AddFile(L"C:\\windows\\user.dat", "user-now", 0x600).attributes |= kHiveAttributes;
    hives = FixHivePaths(x.fs, env);
    x.fs.AddFile(hives.systemCopy, "system-before", 0x100).attributes |= kHiveAttributes;
    x.fs.AddFile(hives.userCopy, "user-before", 0x200).attributes |= kHiveAttributes;
  }
  RestartBatchPlan HivePlan() const {
    RestartBatchPlan plan;
    plan.hives = {{hives.system, hives.systemCopy}, {hives.user, hives.userCopy}};
    return plan;
  }
  std::wstring Content(const std::wstring& path) { return FromCp932(x.fs.Content(path)); }

  HivePaths hives;
};

TEST_F(RestartBatchTest, TheHiveRestoreWritesZelBatByteForByteWithShortFormsAndGuardedDeletions) {
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec, 0x42);
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  ASSERT_EQ(result.outcome, RestoreSetUp::Done);
  EXPECT_EQ(result.message,
            L"システム･レジストリは、 Windows の動作中は 勝手に変更できないため、次回の Windows 起動時に 元に戻るように "
            L"設定されました。");
  EXPECT_EQ(x.fs.Content(L"C:\\Zel.BAT"),
            "attrib -h -r -s C:\\windows\\system.dat\r\n"
            "attrib -h -r -s C:\\PROGRA~1\\Zel32\\Win98\\Backup\\system.dat\r\n"
            "if exist C:\\PROGRA~1\\Zel32\\Win98\\Backup\\system.dat del C:\\windows\\system.dat\r\n"
            "copy C:\\PROGRA~1\\Zel32\\Win98\\Backup\\system.dat C:\\windows\r\n"
            "attrib -h -r -s C:\\windows\\user.dat\r\n"
            "attrib -h -r -s C:\\PROGRA~1\\Zel32\\Win98\\Backup\\user.dat\r\n"
            "if exist C:\\PROGRA~1\\Zel32\\Win98\\Backup\\user.dat del C:\\windows\\user.dat\r\n"
            "copy C:\\PROGRA~1\\Zel32\\Win98\\Backup\\user.dat C:\\windows\r\n"
            "del C:\\autoexec.bat\r\n"
            "ren C:\\autoexec.Zel autoexec.bat\r\n");
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), kUserAutoexec);
  EXPECT_EQ(x.fs.Stat(L"C:\\autoexec.Zel")->lastWrite, 0x42u);  // the very file, time and all
  EXPECT_TRUE(fe.console.empty());
  // The restore now waits: the notice, the kept hive copies and the batch at
  // the next start of the program.
  EXPECT_TRUE(RegistryRestorePending(x.fs, env));
  RegistryStepPlan plan = PlanRegistryStep(x.fs, env, options, hives, true, nullptr);
  EXPECT_EQ(plan.kind, RegistryStepKind::Notice);
  EXPECT_EQ(plan.notice, L"レジストリは、次回の Windows起動時に復元されます");
  ASSERT_EQ(LoadEnvironment(x.machine, fe, env, settings, options), Outcome::Continue);
  EXPECT_TRUE(x.fs.Exists(L"C:\\Zel.BAT"));
}

TEST_F(RestartBatchTest, SystemRestoreListsBecomeCopyAndDelLinesInTheirOrder) {
  x.fs.AddDrive(L'D', DriveType::Fixed);
  x.fs.AddFile(L"D:\\SysSave\\Windows\\system.ini", "[boot]", 0x10);
  x.fs.AddFile(L"D:\\SysSave\\Windows\\テスト.DLL", "old", 0x10);  // two-byte name, no unsafe byte
  x.fs.AddFile(L"C:\\windows\\テスト.DLL", "new");
  // The set's copy and the live file got different short names.
  x.fs.AddFile(L"D:\\SysSave\\Windows\\LongLibrary.dll", "old", 0x10);
  x.fs.SetShortName(L"D:\\SysSave\\Windows\\LongLibrary.dll", L"LONGLI~1.DLL");
  x.fs.AddFile(L"C:\\windows\\LongLibrary.dll", "new");
  x.fs.SetShortName(L"C:\\windows\\LongLibrary.dll", L"LONGLI~2.DLL");
  x.fs.AddFile(L"C:\\windows\\added.exe", "x");
  x.fs.AddFile(L"C:\\windows\\system.ini", "[boot] new");

  RestartBatchPlan plan;
  plan.hives = {{L"C:\\windows\\system.ini", L"D:\\SysSave\\Windows\\system.ini"}};
  plan.copies = {{L"D:\\SysSave\\Windows\\テスト.DLL", L"C:\\windows"},
                 {L"D:\\SysSave\\Windows\\LongLibrary.dll", L"C:\\windows"}};
  plan.deletions = {L"C:\\windows\\added.exe"};
  RestartBatch batch = BuildRestartBatch(x.fs, env, plan);
  EXPECT_TRUE(batch.refused.empty());
  ASSERT_TRUE(InstallRestartBatch(x.machine, env, batch.lines));
  EXPECT_EQ(x.fs.Content(L"C:\\Zel.BAT"),
            "attrib -h -r -s C:\\windows\\system.ini\r\n"
            "attrib -h -r -s D:\\SysSave\\Windows\\system.ini\r\n"
            "if exist D:\\SysSave\\Windows\\system.ini del C:\\windows\\system.ini\r\n"
            "copy D:\\SysSave\\Windows\\system.ini C:\\windows\r\n" +
                ToCp932(L"COPY D:\\SysSave\\Windows\\テスト.DLL C:\\windows/Y\r\n") +
                // Into the live file's own short name, not a new LONGLI~1.DLL.
                "COPY D:\\SysSave\\Windows\\LONGLI~1.DLL C:\\windows\\LONGLI~2.DLL/Y\r\n"
                "del C:\\windows\\added.exe\r\n"
                "del C:\\autoexec.bat\r\n"
                "ren C:\\autoexec.Zel autoexec.bat\r\n");
  // No autoexec.bat before: the block alone, nothing saved.
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), Block());
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.Zel"));
}

TEST_F(RestartBatchTest, UnsafePathsAreLeftOutAndReportedNeverWritten) {
  x.fs.AddDrive(L'A', DriveType::Removable);
  x.fs.AddDrive(L'D', DriveType::Fixed);
  const std::wstring set = L"D:\\SET";
  x.fs.AddFile(set + L"\\A&B.DLL", "x");               // a short name holding "&"
  x.fs.AddFile(set + L"\\ポ.DLL", "x");                // 83 7C: a "|" as trail byte
  x.fs.AddFile(set + L"\\caf\u00e9.dll", "x");         // outside code page 932
  x.fs.AddFile(set + L"\\Long Name Library.dll", "x");  // no short name
  x.fs.AddFile(L"A:\\FLOPPY.DLL", "x");                 // a copy on a removable disk
  x.fs.AddFile(set + L"\\GONE.DLL", "x");
  x.fs.AddFile(set + L"\\NEWLONG.DLL", "x");
  std::wstring deep = L"C:\\windows";  // a line of more than 127 characters
  for (int i = 1; i <= 12; ++i) deep += L"\\DEEPDI" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i);
  x.fs.AddFolder(deep);
  x.fs.AddFile(set + L"\\OK.DLL", "x");
  x.fs.AddFile(L"C:\\windows\\x|y.dll", "x");
  x.fs.AddFile(L"C:\\windows\\in%PATH%.dll", "x");

  RestartBatchPlan plan;
  plan.copies = {{set + L"\\A&B.DLL", L"C:\\windows"},
                 {set + L"\\ポ.DLL", L"C:\\windows"},
                 {set + L"\\caf\u00e9.dll", L"C:\\windows"},
                 {set + L"\\Long Name Library.dll", L"C:\\windows"},
                 {L"A:\\FLOPPY.DLL", L"C:\\windows"},
                 {set + L"\\MISSING.DLL", L"C:\\windows"},
                 {set + L"\\GONE.DLL", L"C:\\windows\\GONEDIR"},
                 {set + L"\\OK.DLL", deep},
                 {set + L"\\OK.DLL", L"C:\\windows"}};
  plan.deletions = {L"C:\\windows\\x|y.dll", L"C:\\windows\\in%PATH%.dll"};
  RestartBatch batch = BuildRestartBatch(x.fs, env, plan);
  const std::vector<BatchRefusal> expected = {
      {set + L"\\A&B.DLL", BatchRefusalReason::Unsafe},
      {set + L"\\ポ.DLL", BatchRefusalReason::Unsafe},
      {set + L"\\caf\u00e9.dll", BatchRefusalReason::Unsafe},
      {set + L"\\Long Name Library.dll", BatchRefusalReason::NoShortForm},
      {L"A:\\FLOPPY.DLL", BatchRefusalReason::NotOnFixedDisk},
      {set + L"\\MISSING.DLL", BatchRefusalReason::Missing},
      {L"C:\\windows\\GONEDIR", BatchRefusalReason::Missing},
      {set + L"\\OK.DLL", BatchRefusalReason::TooLong},
      {L"C:\\windows\\x|y.dll", BatchRefusalReason::Unsafe},
      {L"C:\\windows\\in%PATH%.dll", BatchRefusalReason::Unsafe},
  };
  ASSERT_EQ(batch.refused.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(batch.refused[i].path, expected[i].path) << i;
    EXPECT_EQ(batch.refused[i].reason, expected[i].reason) << i;
  }
  EXPECT_EQ(batch.lines, (std::vector<std::wstring>{L"COPY D:\\SET\\OK.DLL C:\\windows/Y", L"del C:\\autoexec.bat",
                                                   L"ren C:\\autoexec.Zel autoexec.bat"}));
  // No refused name reaches the file, not even as the bytes of a two-byte
  // character.
  ASSERT_TRUE(InstallRestartBatch(x.machine, env, batch.lines));
  const std::string written = x.fs.Content(L"C:\\Zel.BAT");
  for (const char* part : {"&", "|", "%", "Long", "FLOPPY", "MISSING", "GONE", "DEEPDI"}) {
    EXPECT_EQ(written.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(written.find(ToCp932(L"ポ")), std::string::npos);

  EXPECT_EQ(RefusalLine(batch.refused[0]), L"●『D:\\SET\\A&B.DLL』はバッチ･ファイルに書けない文字を含むため、起動時の処理から除外しました");
  EXPECT_EQ(RefusalLine(batch.refused[3]),
            L"●『D:\\SET\\Long Name Library.dll』には短い名前（8.3形式）がないため、起動時の処理から除外しました");
  EXPECT_EQ(RefusalLine(batch.refused[4]), L"●『A:\\FLOPPY.DLL』が固定ディスク上にないため、起動時の処理から除外しました");
}

TEST_F(RestartBatchTest, AHiveRestoreWithARefusedPathIsNotSetUpAtAll) {
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec);
  // The backup folder's short form holds a batch metacharacter.
  x.fs.SetShortName(L"C:\\Program Files\\Zel32", L"ZEL&32");
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  EXPECT_EQ(result.outcome, RestoreSetUp::Refused);
  EXPECT_TRUE(result.message.empty());
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.Zel"));
  EXPECT_EQ(fe.console,
            (std::vector<std::wstring>{
                RefusalLine({hives.systemCopy, BatchRefusalReason::Unsafe}),
                RefusalLine({hives.userCopy, BatchRefusalReason::Unsafe}),
                L"●レジストリの復元を設定できませんでした",
            }));

  // A boot drive setting that is no drive root writes nothing either.
  fe.console.clear();
  x.fs.SetShortName(L"C:\\Program Files\\Zel32", L"");
  env.BootDrive = L"C:\\&x\\";
  EXPECT_EQ(SetUpRegistryRestore(x.machine, fe, env, options, hives).outcome, RestoreSetUp::Refused);
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\&x\\Zel.BAT"));
}

TEST_F(RestartBatchTest, TheInsertionKeepsTheUsersAutoexecAndItsUndoPutsItBack) {
  auto& user = x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec, 0x77);
  user.attributes |= attr::kReadOnly;
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_TRUE(HoldsRestartBlock(x.fs, L"C:\\autoexec.bat"));
  // A second insertion (another restore before the restart) builds on the
  // user's file, not on the block.
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), kUserAutoexec);

  x.fs.AddFile(L"C:\\Zel.BAT", "del C:\\autoexec.bat\r\n");
  ASSERT_TRUE(CancelRestartBatch(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
  std::optional<FileEntry> back = x.fs.Stat(L"C:\\autoexec.bat");
  EXPECT_EQ(back->lastWrite, 0x77u);
  EXPECT_TRUE(back->attributes & attr::kReadOnly);
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.Zel"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.bat.new"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.Zel.new"));
  // Nothing to undo twice.
  EXPECT_TRUE(CancelRestartBatch(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
}

TEST_F(RestartBatchTest, TheInsertionCutsAnOldBlockAndReadsOnPastAnEndOfFileMark) {
  // A block without its autoexec.Zel: the file is cut before the marker.
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec + Block() + "C:\\OLD.BAT\r\n");
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), kUserAutoexec);
  ASSERT_TRUE(RemoveRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);

  // The interpreter stops at an end-of-file character: the block goes before
  // it would be read, the saved file keeps it.
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.Zel"));
  x.fs.AddFile(L"C:\\autoexec.bat", "@echo off\x1A");
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), "@echo off\r\n" + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), "@echo off\x1A");
  ASSERT_TRUE(RemoveRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), "@echo off\x1A");

  // A user without autoexec.bat gets none back.
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.bat"));
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), Block());
  ASSERT_TRUE(RemoveRestartBlock(x.machine, env));
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.bat"));

  // The batch stopped between its "del" and its "ren": autoexec.Zel is the
  // user's file, never deleted, and comes back.
  x.fs.AddFile(L"C:\\autoexec.Zel", kUserAutoexec);
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), kUserAutoexec);
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.bat"));
  ASSERT_TRUE(RemoveRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
}


TEST_F(RestartBatchTest, ACrashAtAnyStepNeverLosesTheUsersAutoexec) {
  RestartBatch batch = BuildRestartBatch(x.fs, env, HivePlan());
  ASSERT_TRUE(batch.refused.empty());
  const std::string kOldBatch = "del C:\\autoexec.bat\r\nren C:\\autoexec.Zel autoexec.bat\r\n";
  // Three starting points: the user's file alone, the user's file under an
  // earlier block (with its autoexec.Zel), and no file at all.
  struct Start {
    const char* name;
    std::optional<std::string> bat, zel;
    std::optional<std::string> user;  // what the user's autoexec.bat is
  };
  const std::vector<Start> starts = {
      {"plain", kUserAutoexec, std::nullopt, kUserAutoexec},
      {"earlier block", kUserAutoexec + Block(), kUserAutoexec, kUserAutoexec},
      {"none", std::nullopt, std::nullopt, std::nullopt},
  };
  auto prepare = [&](const Start& s) {
    for (const wchar_t* f : {L"C:\\autoexec.bat", L"C:\\autoexec.Zel", L"C:\\Zel.BAT", L"C:\\autoexec.bat.new",
                             L"C:\\autoexec.Zel.new", L"C:\\Zel.BAT.new"}) {
      if (x.fs.Exists(f)) IgnoreError(x.fs.RemoveFile(f));
    }
    if (s.bat) x.fs.AddFile(L"C:\\autoexec.bat", *s.bat);
    if (s.zel) {
      x.fs.AddFile(L"C:\\autoexec.Zel", *s.zel);
      x.fs.AddFile(L"C:\\Zel.BAT", kOldBatch);
    }
  };
  auto userBack = [&](const Start& s, int at, const char* what) {
    if (s.user) {
      EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), *s.user) << s.name << " " << what << " crash at " << at;
    } else {
      EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.bat")) << s.name << " " << what << " crash at " << at;
    }
  };
  for (const Start& s : starts) {
    prepare(s);
    CrashingFileSystem counting(x.fs, 1000);
    Machine countingMachine{counting, x.reg, x.ini, x.sys, x.desktop};
    ASSERT_TRUE(InstallRestartBatch(countingMachine, env, batch.lines)) << s.name;
    const int installSteps = counting.changes;
    ASSERT_GE(installSteps, 3) << s.name;
    CrashingFileSystem countingUndo(x.fs, 1000);
    Machine undoMachine{countingUndo, x.reg, x.ini, x.sys, x.desktop};
    ASSERT_TRUE(CancelRestartBatch(undoMachine, env)) << s.name;
    userBack(s, -1, "cancel");
    const int undoSteps = countingUndo.changes;

    for (int at = 0; at <= installSteps; ++at) {
      prepare(s);
      CrashingFileSystem crashing(x.fs, at);
      Machine m{crashing, x.reg, x.ini, x.sys, x.desktop};
      try {
        InstallRestartBatch(m, env, batch.lines);
      } catch (const Crash&) {
      }
      // Whatever the crash left: the block (if any) calls a whole batch, and
      // the undo brings the user's file back.
      if (HoldsRestartBlock(x.fs, L"C:\\autoexec.bat")) {
        const std::string now = x.fs.Content(L"C:\\Zel.BAT");
        EXPECT_TRUE(now == Bytes(batch.lines) || (s.zel && now == kOldBatch)) << s.name << " crash at " << at;
        if (s.user) {
          EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), *s.user) << s.name << " crash at " << at;
        }
      }
      ASSERT_TRUE(CancelRestartBatch(x.machine, env)) << s.name << " crash at " << at;
      userBack(s, at, "install");
    }
    for (int at = 0; at <= undoSteps; ++at) {
      prepare(s);
      ASSERT_TRUE(InstallRestartBatch(x.machine, env, batch.lines));
      CrashingFileSystem crashing(x.fs, at);
      Machine m{crashing, x.reg, x.ini, x.sys, x.desktop};
      try {
        CancelRestartBatch(m, env);
      } catch (const Crash&) {
      }
      ASSERT_TRUE(CancelRestartBatch(x.machine, env)) << s.name << " crash at " << at;
      userBack(s, at, "cancel");
    }
  }
}

TEST_F(RestartBatchTest, AFailedInsertionLeavesNoBatchBehind) {
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec);
  x.fs.AddFolder(L"C:\\autoexec.Zel.new");  // the user's file cannot be saved
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  EXPECT_EQ(result.outcome, RestoreSetUp::Failed);
  EXPECT_EQ(fe.console, std::vector<std::wstring>{L"●レジストリの復元を設定できませんでした"});
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
  EXPECT_FALSE(RegistryRestorePending(x.fs, env));
}

}  // namespace
}  // namespace zel
