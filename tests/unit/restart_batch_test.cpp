#include <gtest/gtest.h>

#include <optional>

#include "base/cp932.h"
#include "registry/registry_wash.h"
#include "registry/restart_batch.h"
#include "support/crashing_file_system.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using testing::Crash;
using testing::CrashingFileSystem;

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

  HivePaths hives;
};

TEST_F(RestartBatchTest, TheHiveRestoreWaitsInZelBatWithShortFormsAndItsUndoPutsTheUsersAutoexecBack) {
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec, 0x42).attributes |= attr::kReadOnly;
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  ASSERT_EQ(result.outcome, RestoreSetUp::Done);
  EXPECT_NE(result.message.find(L"次回の Windows 起動時に 元に戻るように"), std::wstring::npos);
  const std::string batch = x.fs.Content(L"C:\\Zel.BAT");
  EXPECT_NE(batch.find("\nif exist C:\\PROGRA~1\\Zel32\\Win98\\Backup\\user.dat del C:\\windows\\user.dat\r\n"
                       "copy C:\\PROGRA~1\\Zel32\\Win98\\Backup\\user.dat C:\\windows\r\n"),
            std::string::npos);
  EXPECT_EQ(x.fs.Stat(L"C:\\autoexec.Zel")->lastWrite, 0x42u);  // the user's very file, saved
  // The restore now waits, and the next start of the program keeps its batch.
  RegistryStepPlan plan = PlanRegistryStep(x.fs, env, options, hives, true, nullptr);
  EXPECT_EQ(plan.kind, RegistryStepKind::Notice);
  EXPECT_EQ(plan.notice, L"レジストリは、次回の Windows起動時に復元されます");
  ASSERT_EQ(LoadEnvironment(x.machine, fe, env, settings, options), Outcome::Continue);
  EXPECT_TRUE(x.fs.Exists(L"C:\\Zel.BAT"));

  // The undo puts back the very file, time and attributes, and leaves nothing.
  ASSERT_TRUE(CancelRestartBatch(x.machine, env));
  EXPECT_EQ(x.fs.Stat(L"C:\\autoexec.bat")->lastWrite, 0x42u);
  EXPECT_TRUE(x.fs.Stat(L"C:\\autoexec.bat")->attributes & attr::kReadOnly);
  for (const wchar_t* gone :
       {L"C:\\autoexec.Zel", L"C:\\Zel.BAT", L"C:\\autoexec.bat.new", L"C:\\autoexec.Zel.new"}) {
    EXPECT_FALSE(x.fs.Exists(gone)) << gone;
  }
}

TEST_F(RestartBatchTest, CopiesAndDeletionsBecomeLinesInTheirOrderAndUnsafePathsAreLeftOutAndReported) {
  x.fs.AddDrive(L'A', DriveType::Removable);
  x.fs.AddDrive(L'D', DriveType::Fixed);
  std::wstring deep = L"C:\\windows";  // a line of more than 127 characters
  for (int i = 1; i <= 12; ++i) deep += L"\\DEEPDI" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i);
  x.fs.AddFolder(deep);
  const struct {
    std::wstring from, to;  // no target: a deletion
    BatchRefusalReason reason;
    const wchar_t* refused = nullptr;  // when not the source
  } rows[] = {
      {L"D:\\SET\\A&B.DLL", L"C:\\windows", BatchRefusalReason::Unsafe},  // a short name holding "&"
      {L"D:\\SET\\ポ.DLL", L"C:\\windows", BatchRefusalReason::Unsafe},   // 83 7C: a "|" as trail byte
      {L"D:\\SET\\Long Name Library.dll", L"C:\\windows", BatchRefusalReason::NoShortForm},
      {L"A:\\FLOPPY.DLL", L"C:\\windows", BatchRefusalReason::NotOnFixedDisk},
      {L"D:\\SET\\GONE.DLL", L"C:\\windows\\GONEDIR", BatchRefusalReason::Missing, L"C:\\windows\\GONEDIR"},
      {L"D:\\SET\\OK.DLL", deep, BatchRefusalReason::TooLong},
      {L"C:\\windows\\in%PATH%.dll", L"", BatchRefusalReason::Unsafe},
  };
  RestartBatchPlan plan;
  for (const auto& r : rows) {
    x.fs.AddFile(r.from, "x");
    if (r.to.empty()) {
      plan.deletions.push_back(r.from);
    } else {
      plan.copies.push_back({r.from, r.to});
    }
  }
  x.fs.AddFile(L"D:\\SET\\テスト.DLL", "old");  // two-byte name, no unsafe byte
  // The set's copy and the live file got different short names.
  x.fs.AddFile(L"D:\\SET\\LongLibrary.dll", "old");
  x.fs.SetShortName(L"D:\\SET\\LongLibrary.dll", L"LONGLI~1.DLL");
  x.fs.AddFile(L"C:\\windows\\LongLibrary.dll", "new");
  x.fs.SetShortName(L"C:\\windows\\LongLibrary.dll", L"LONGLI~2.DLL");
  x.fs.AddFile(L"C:\\windows\\added.exe", "x");
  plan.copies.push_back({L"D:\\SET\\テスト.DLL", L"C:\\windows"});
  plan.copies.push_back({L"D:\\SET\\LongLibrary.dll", L"C:\\windows"});
  plan.deletions.push_back(L"C:\\windows\\added.exe");
  RestartBatch batch = BuildRestartBatch(x.fs, env, plan);
  ASSERT_EQ(batch.refused.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(batch.refused[i].path, rows[i].refused ? rows[i].refused : rows[i].from) << i;
    EXPECT_EQ(batch.refused[i].reason, rows[i].reason) << i;
  }
  ASSERT_TRUE(InstallRestartBatch(x.machine, env, batch.lines));
  EXPECT_EQ(x.fs.Content(L"C:\\Zel.BAT"),
            ToCp932(L"COPY D:\\SET\\テスト.DLL C:\\windows/Y\r\n") +
                // Into the live file's own short name, not a new LONGLI~1.DLL.
                "COPY D:\\SET\\LONGLI~1.DLL C:\\windows\\LONGLI~2.DLL/Y\r\n"
                "del C:\\windows\\added.exe\r\n"
                "del C:\\autoexec.bat\r\n"
                "ren C:\\autoexec.Zel autoexec.bat\r\n");
  EXPECT_EQ(RefusalLine(batch.refused[0]), L"●『D:\\SET\\A&B.DLL』はバッチ･ファイルに書けない文字を含むため、起動時の処理から除外しました");
  EXPECT_EQ(RefusalLine(batch.refused[2]),
            L"●『D:\\SET\\Long Name Library.dll』には短い名前（8.3形式）がないため、起動時の処理から除外しました");
  EXPECT_EQ(RefusalLine(batch.refused[3]), L"●『A:\\FLOPPY.DLL』が固定ディスク上にないため、起動時の処理から除外しました");
}

TEST_F(RestartBatchTest, AHiveRestoreWithARefusedPathIsNotSetUpAtAll) {
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec);
  // The backup folder's short form holds a batch metacharacter.
  x.fs.SetShortName(L"C:\\Program Files\\Zel32", L"ZEL&32");
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  EXPECT_EQ(result.outcome, RestoreSetUp::Refused);
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
  EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.Zel"));
  ASSERT_EQ(fe.console.size(), 3u);  // each hive copy, then the failure
  EXPECT_EQ(fe.console.back(), L"●レジストリの復元を設定できませんでした");

  // A boot drive setting that is no drive root writes nothing either.
  x.fs.SetShortName(L"C:\\Program Files\\Zel32", L"");
  env.BootDrive = L"C:\\&x\\";
  EXPECT_EQ(SetUpRegistryRestore(x.machine, fe, env, options, hives).outcome, RestoreSetUp::Refused);
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\&x\\Zel.BAT"));
}

TEST_F(RestartBatchTest, TheInsertionCutsAnOldBlockAndKeepsAnAutoexecZelLeftByAStoppedBatch) {
  // A block without its autoexec.Zel: the file is cut before the marker.
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec + Block() + "C:\\OLD.BAT\r\n");
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), kUserAutoexec);
  ASSERT_TRUE(RemoveRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);

  // The batch stopped between its "del" and its "ren": autoexec.Zel is the
  // user's file, never deleted, and comes back.
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.bat"));
  x.fs.AddFile(L"C:\\autoexec.Zel", kUserAutoexec);
  ASSERT_TRUE(InsertRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec + Block());
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), kUserAutoexec);
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.bat"));
  ASSERT_TRUE(RemoveRestartBlock(x.machine, env));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
}

TEST_F(RestartBatchTest, ACrashAtAnyStepNeverLosesTheUsersAutoexec) {
  RestartBatchPlan plan;
  plan.hives = {{hives.system, hives.systemCopy}, {hives.user, hives.userCopy}};
  RestartBatch batch = BuildRestartBatch(x.fs, env, plan);
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
  for (const Start& s : starts) {
    for (bool inCancel : {false, true}) {
      // A crash before each change the step makes in turn, until one run
      // reaches the end of the step without a crash.
      bool crashed = true;
      for (int at = 0; crashed; ++at) {
        SCOPED_TRACE(::testing::Message() << s.name << (inCancel ? " cancel" : " install") << " crash at "
                                          << at);
        for (const wchar_t* f : {L"C:\\autoexec.bat", L"C:\\autoexec.Zel", L"C:\\Zel.BAT",
                                 L"C:\\autoexec.bat.new", L"C:\\autoexec.Zel.new", L"C:\\Zel.BAT.new"}) {
          if (x.fs.Exists(f)) IgnoreError(x.fs.RemoveFile(f));
        }
        if (s.bat) x.fs.AddFile(L"C:\\autoexec.bat", *s.bat);
        if (s.zel) {
          x.fs.AddFile(L"C:\\autoexec.Zel", *s.zel);
          x.fs.AddFile(L"C:\\Zel.BAT", kOldBatch);
        }
        if (inCancel) {
          ASSERT_TRUE(InstallRestartBatch(x.machine, env, batch.lines));
        }
        CrashingFileSystem crashing(x.fs, at);
        Machine m{crashing, x.reg, x.ini, x.sys, x.desktop};
        try {
          EXPECT_TRUE(inCancel ? CancelRestartBatch(m, env) : InstallRestartBatch(m, env, batch.lines));
          crashed = false;
          EXPECT_GE(at, inCancel ? 1 : 3);  // each is more than one step: the crashes were real
        } catch (const Crash&) {
        }
        // Whatever the crash left: the block (if any) calls a whole batch, and
        // the undo brings the user's file back.
        if (!inCancel && HoldsRestartBlock(x.fs, L"C:\\autoexec.bat")) {
          const std::string now = x.fs.Content(L"C:\\Zel.BAT");
          EXPECT_TRUE(now == Bytes(batch.lines) || (s.zel && now == kOldBatch));
          EXPECT_EQ(x.fs.Content(L"C:\\autoexec.Zel"), s.user.value_or(""));
        }
        ASSERT_TRUE(CancelRestartBatch(x.machine, env));
        if (s.user) {
          EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), *s.user);
        } else {
          EXPECT_FALSE(x.fs.Exists(L"C:\\autoexec.bat"));
        }
      }
    }
  }
}

TEST_F(RestartBatchTest, AFailedInsertionLeavesNoBatchBehind) {
  x.fs.AddFile(L"C:\\autoexec.bat", kUserAutoexec);
  x.fs.AddFolder(L"C:\\autoexec.Zel.new");  // the user's file cannot be saved
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  EXPECT_EQ(result.outcome, RestoreSetUp::Failed);
  EXPECT_EQ(fe.console.size(), 1u);  // the failure, as worded in the refusal test
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_EQ(x.fs.Content(L"C:\\autoexec.bat"), kUserAutoexec);
  EXPECT_FALSE(RegistryRestorePending(x.fs, env));
}

}  // namespace
}  // namespace zel
