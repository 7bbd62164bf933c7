#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/text.h"
#include "registry/reg_export.h"
#include "registry/registry_check.h"
#include "registry/registry_wash.h"
#include "registry/restart_batch.h"
#include "support/snapshot_cycle.h"

namespace zel {
namespace {

const std::wstring kKey = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Text as the editor of the NT family writes it: UTF-16LE after its mark.
std::string Utf16(const std::wstring& text) {
  std::string out = "\xFF\xFE";
  for (wchar_t c : text) {
    const std::uint32_t v = static_cast<std::uint32_t>(c), high = 0xD800 + ((v - 0x10000) >> 10);
    for (std::uint32_t u : v < 0x10000 ? std::vector{v} : std::vector{high, 0xDC00 + (v & 0x3FF)}) {
      out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    }
  }
  return out;
}

std::wstring Export(const std::wstring& body) { return L"Windows Registry Editor Version 5.00\r\n\r\n" + body; }
std::string Exported(const std::wstring& body) { return Utf16(Export(body)); }

// A key below the exported one with its value lines ("" for the exported key itself).
std::wstring Key(const std::wstring& below, const std::wstring& values = L"") {
  return L"[" + kKey + below + L"]\r\n" + values + L"\r\n";
}
std::wstring Named(const std::wstring& name) { return L"\"DisplayName\"=\"" + name + L"\"\r\n"; }

RegExport Parsed(const std::wstring& body) {
  std::optional<RegExport> e = ParseRegExport(Exported(body));
  EXPECT_TRUE(e.has_value());
  return e.value_or(RegExport{});
}

TEST(RegExportFile, BothEncodingsAreReadWithTheirContinuedLines) {
  std::optional<RegExport> nt = ParseRegExport(Exported(
      Key(L"") + Key(L"\\Zel \U00020BB7 App", L"\"DisplayName\"=\"Zel \\\"Test\\\" App\"\r\n"
                                                L"\"Blob\"=hex:01,02,\\\r\n  03,04\r\n")));
  ASSERT_TRUE(nt.has_value());
  EXPECT_TRUE(nt->unicode);
  ASSERT_EQ(nt->keys.size(), 2u);
  EXPECT_EQ(nt->keys[1].path, kKey + L"\\Zel \U00020BB7 App");
  EXPECT_EQ(nt->keys[1].values,
            (std::vector<std::wstring>{L"\"DisplayName\"=\"Zel \\\"Test\\\" App\"", L"\"Blob\"=hex:01,02,03,04"}));

  // Windows 9x: code page 932, where "ソ" ends in the byte of "\" and "ポ" in
  // the byte of "|": the text is decoded before lines are joined.
  std::optional<RegExport> ansi = ParseRegExport(ToCp932(
      L"REGEDIT4\r\n\r\n[" + kKey + L"\\ソフト]\r\n; メモ：ソ\r\n\"DisplayName\"=\"ポータル\"\r\n"
      L"\"UninstallString\"=\"C:\\\\Program Files\\\\ソフト\\\\uninst.exe\"\r\n\r\n"));
  ASSERT_TRUE(ansi.has_value());
  EXPECT_FALSE(ansi->unicode);
  ASSERT_EQ(ansi->keys.size(), 1u);
  EXPECT_EQ(ansi->keys[0].path, kKey + L"\\ソフト");
  ASSERT_EQ(ansi->keys[0].values.size(), 2u);
  EXPECT_EQ(DisplayNameOf(ansi->keys[0].values[0]), L"ポータル");

  // Not an export, or one cut off while it was written.
  const std::string whole = Exported(L"[" + kKey + L"]\r\n");
  EXPECT_TRUE(ParseRegExport(whole).has_value());
  EXPECT_FALSE(ParseRegExport(whole.substr(0, whole.size() - 2)).has_value());
  EXPECT_FALSE(ParseRegExport(ToUtf8(Export(L"[" + kKey + L"]\r\n"))).has_value());
}

TEST(RegExportFile, DisplayNameIsTheQuotedTextOfAStringValue) {
  EXPECT_EQ(DisplayNameOf(L"\"DisplayName\"=\"C:\\\\x \\\"y\\\"\""), L"C:\\x \"y\"");
  // Colour codes of the message box never come through.
  EXPECT_EQ(DisplayNameOf(L"\"DisplayName\"=\"a\x01" L"b\x08" L"c\""), L"abc");
  EXPECT_FALSE(DisplayNameOf(L"\"DisplayName\"=hex(2):41,00,00,00").has_value());
}

TEST(RegExportFile, TheComparisonListsAddedDeletedAndModifiedKeys) {
  const std::wstring kept = Key(L"\\Kept", L"\"A\"=\"1\"\r\n\"B\"=\"2\"\r\n");
  const std::wstring gone = Key(L"\\Gone", Named(L"Gone"));
  const std::wstring changed = Key(L"\\Changed", L"\"Version\"=\"2\"\r\n" + Named(L"Changed Tool"));
  const RegExport before = Parsed(kept + gone + Key(L"\\Changed", L"\"Version\"=\"1\"\r\n"));
  const RegExport after =
      Parsed(Key(L"\\KEPT", L"\"B\"=\"2\"\r\n\"A\"=\"1\"\r\n") +  // other case and order: the same key
             changed + Key(L"\\ZelSetup", Named(L"Zel Setup Tool")) + Key(L"\\ZelSetup\\Parts") +
             Key(L"\\Other", L"\"UninstallString\"=\"x\"\r\n"));
  RegExportDiff diff = CompareRegExports(before, after);
  EXPECT_EQ(diff.displayName, L"Zel Setup Tool");
  const std::wstring k = L"　" + kKey;
  EXPECT_EQ(RegExportLines(diff), (std::vector<std::wstring>{
                                      L"●以下のレジストリが追加されています",
                                      k + L"\\ZelSetup",
                                      k + L"\\ZelSetup\\Parts",
                                      k + L"\\Other",
                                      L"●以下のレジストリが削除されています",
                                      k + L"\\Gone",
                                      L"●以下のレジストリが修正されています",
                                      k + L"\\Changed",
                                  }));
  EXPECT_TRUE(RegExportLines(CompareRegExports(before, before)).empty());  // no heading without keys
}

class RegistryCompare : public ::testing::Test, public testing::SnapshotCycle {
 protected:
  void Start() {
    StartedMachine::Start();
    hives = FixHivePaths(x.fs, env);
    fe.questions.clear();
  }

  HivePaths hives;
};

TEST_F(RegistryCompare, TheCheckListsChangedIniFilesAndGroupsAndTheWashPutsThemBack) {
  Start();
  x.fs.AddFile(L"C:\\windows\\system.ini", "[boot]\r\n");
  x.fs.AddFile(L"C:\\windows\\main.grp", "GRP 1");
  // Copies an earlier snapshot left behind, of files not there at this one.
  x.fs.AddFile(env.BackupDir + L"\\CONTROL.INI", "[old]", 0x5);
  x.fs.AddFile(env.BackupDir + L"\\old.grp", "old", 0x5);
  const Snapshot snap = Prepare();
  fe.console.clear();

  x.fs.AddFile(L"C:\\windows\\win.ini", "[windows]\r\nload=zel\r\n");
  x.fs.AddFile(L"C:\\windows\\main.grp", "GRP 2");
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\system.ini"));
  x.fs.AddFile(L"C:\\windows\\control.ini", "[new]");
  x.fs.AddFile(L"C:\\windows\\old.grp", "new");

  // WIN.INI and the group; neither the files made nor the one removed.
  CheckIniAndRegistry(sv, snap, hives);
  ASSERT_EQ(fe.console.size(), 2u);
  EXPECT_NE(fe.console[1].find(L"『main.grp』"), std::wstring::npos);

  EXPECT_EQ(RestoreIniFiles(x.machine, fe, env, snap), 2);
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\win.ini"), "[windows]\r\n");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\main.grp"), "GRP 1");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\control.ini"), "[new]");  // the folder wash's: an added file
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\old.grp"), "new");
  EXPECT_FALSE(x.fs.Exists(L"C:\\windows\\system.ini"));
  EXPECT_TRUE(ChangedIniFiles(x.fs, env, snap).empty());

  // A file in use is reported; a read-only one does not stop the copy.
  x.fs.AddFile(L"C:\\windows\\main.grp", "GRP 3").attributes |= attr::kReadOnly;
  x.fs.AddFile(L"C:\\windows\\win.ini", "[windows]\r\nrun=zel\r\n");
  x.fs.SetInUse(L"C:\\windows\\win.ini");
  fe.console.clear();
  EXPECT_EQ(RestoreIniFiles(x.machine, fe, env, snap), 1);
  EXPECT_EQ(fe.console.at(0), L"●『WIN.INI』は元に戻せません");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\main.grp"), "GRP 1");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\win.ini"), "[windows]\r\nrun=zel\r\n");

  // Nothing is known of the Windows folder: nothing is put back.
  Snapshot unknown = snap;
  unknown.windows.failed = true;
  x.fs.SetInUse(L"C:\\windows\\win.ini", false);
  fe.console.clear();
  EXPECT_EQ(RestoreIniFiles(x.machine, fe, env, unknown), 0);
  EXPECT_TRUE(fe.console.empty());
}

TEST_F(RegistryCompare, HiveTimesCountOnlyForHivesThereAtBothTimes) {
  x.MakeWin98();
  Start();
  x.fs.AddFile(hives.user, "u", 0x100);
  Snapshot snap;
  snap.userHiveTime = 0x100;
  snap.systemHiveTime = 0x200;  // the system hive is gone now
  EXPECT_FALSE(HivesChanged(x.fs, snap, hives));
  x.fs.AddFile(hives.system, "s", 0x300);
  EXPECT_TRUE(HivesChanged(x.fs, snap, hives));
  Snapshot unrecorded = snap;
  unrecorded.systemHiveTime = 0;  // not there at the snapshot
  EXPECT_FALSE(HivesChanged(x.fs, unrecorded, hives));

  // The check's line; no export was taken at the snapshot, so none is run.
  CheckIniAndRegistry(sv, snap, hives);
  EXPECT_EQ(fe.console, std::vector<std::wstring>{L"●ｼｽﾃﾑ･ﾚｼﾞｽﾄﾘが変更されています"});
  EXPECT_TRUE(x.desktop.started.empty());
}

TEST_F(RegistryCompare, TheUninstallExportAtTheCheckTheWashAndTheRun) {
  Start();
  options.RegScanInst = true;
  // The editor's export at the check is cut inside "[...\\New]".
  const std::string after = Exported(Key(L"") + Key(L"\\New"));
  x.desktop.onStart = [&](std::wstring_view command) {
    const bool later = command.find(L"AfterIns.reg") != std::wstring_view::npos;
    IgnoreError(x.fs.WriteBytes(env.WorkDir + (later ? L"\\AfterIns.reg" : L"\\追加と削除.reg"),
                                later ? after.substr(0, after.size() - 12) : Exported(Key(L""))));
  };
  const Snapshot snap = Prepare();
  fe.console.clear();
  EXPECT_FALSE(CheckIniAndRegistry(sv, snap, hives).exportDiff.has_value());
  EXPECT_TRUE(fe.console.empty());

  // After a check, the wash takes the check's word and starts no export.
  x.desktop.started.clear();
  RegistryCheck checked;
  checked.exportDiff = RegExportDiff();
  EXPECT_FALSE(RegistryChangedForWash(sv, snap, hives, &checked));
  EXPECT_TRUE(x.desktop.started.empty());

  // The run is watched through exports that are never waited for: one is
  // compared once its size held for a step, then the next one starts.
  const std::string unchanged = Exported(Key(L""));
  x.desktop.onStart = [&](std::wstring_view command) {
    if (command.find(L"RunCheck.reg") != std::wstring_view::npos) {
      IgnoreError(x.fs.WriteBytes(env.WorkDir + L"\\RunCheck.reg", unchanged));
    }
  };
  fe.questions.clear();
  RegistryWatch watch;
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(WatchRegistry(x.machine, env, snap, hives, watch));
  EXPECT_EQ(x.desktop.started.size(), 2u);
  EXPECT_TRUE(fe.questions.empty());
}

TEST_F(RegistryCompare, TheWashDeletesOnlyKeysAddedBelowTheUninstallKey) {
  Start();
  MemoryRegistry reg;
  Machine m{x.fs, reg, x.ini, x.sys, x.desktop};
  const std::wstring below = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  for (const std::wstring& k : {below + L"\\Old", below + L"\\New", below + L"\\New\\Parts", below + L"\\Locked",
                                std::wstring(L"Software\\Other\\Added"), below + L"X\\Near"}) {
    reg.Set(RegRoot::LocalMachine, k, L"v", L"1");
  }
  reg.Find(RegRoot::LocalMachine, RegView::Bits64, below + L"\\Locked")->readOnly = true;  // held by another program
  const std::wstring old = Key(L"") + Key(L"\\Old");
  const RegExport before = Parsed(old);
  const RegExport after = Parsed(
      old + Key(L"\\New") + Key(L"\\New\\Parts") + Key(L"\\Locked") + Key(L"\\Vanished") +
      // Never below the exported key: a neighbour that shares its start, another
      // key, the exported key itself, another root, an empty part.
      Key(L"X\\Near") + L"[HKEY_LOCAL_MACHINE\\Software\\Other\\Added]\r\n\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\User]\r\n\r\n" +
      Key(L"\\Part\\\\Empty"));
  RegExportDiff diff = CompareRegExports(before, after);
  diff.added.insert(diff.added.begin(), RegKey{kKey, {}});  // as a doctored file could have it
  EXPECT_EQ(DeletableKeys(diff),
            (std::vector<std::wstring>{kKey + L"\\New", kKey + L"\\Locked", kKey + L"\\Vanished"}));

  EXPECT_EQ(DeleteAddedKeys(m, fe, diff), 1);
  ASSERT_EQ(fe.console.size(), 3u);
  EXPECT_EQ(fe.console[1], L"●レジストリ『" + kKey + L"\\Locked』は削除できません");
  EXPECT_EQ(fe.console[2], L"●レジストリ『" + kKey + L"\\Vanished』は見つかりません");  // gone before the wash
  EXPECT_FALSE(reg.HasKey(RegRoot::LocalMachine, below + L"\\New"));
  EXPECT_FALSE(reg.HasKey(RegRoot::LocalMachine, below + L"\\New\\Parts"));
  for (const std::wstring& k : {below + L"\\Old", below + L"\\Locked", std::wstring(L"Software\\Other\\Added"),
                                below + L"X\\Near"}) {
    EXPECT_TRUE(reg.HasKey(RegRoot::LocalMachine, k)) << ToUtf8(k);
  }
}

TEST_F(RegistryCompare, TheRegistryStepOffersWhatEachWindowsKindCanDoAndMeStartsSystemRestoreAtTheEnd) {
  Start();  // the NT family: no hive restore, ever
  RegExportDiff added = CompareRegExports(Parsed(Key(L"")), Parsed(Key(L"") + Key(L"\\New")));
  RegExportDiff modifiedOnly;
  modifiedOnly.modified.push_back(kKey + L"\\Old");
  x.fs.AddFile(L"C:\\autoexec.bat", ToCp932(kAutoexecMarker) + "\r\nC:\\Zel.BAT\r\n");
  EXPECT_FALSE(PlanRegistryStep(x.fs, env, options, hives, true, &added).offer.restore);
  EXPECT_EQ(PlanRegistryStep(x.fs, env, options, hives, true, &modifiedOnly).kind, RegistryStepKind::Nothing);
  EXPECT_EQ(SetUpRegistryRestore(x.machine, fe, env, options, hives).outcome, RestoreSetUp::Refused);
  IgnoreError(x.fs.RemoveFile(L"C:\\autoexec.bat"));

  // Windows 98: the restore needs the hives and their copies.
  x.MakeWin98();
  Start();
  for (const std::wstring& f : {hives.user, hives.system, hives.userCopy, hives.systemCopy}) x.fs.AddFile(f, "x");
  EXPECT_TRUE(PlanRegistryStep(x.fs, env, options, hives, true, &modifiedOnly).offer.restore);
  IgnoreError(x.fs.RemoveFile(hives.systemCopy));
  EXPECT_FALSE(PlanRegistryStep(x.fs, env, options, hives, true, &added).offer.restore);

  // Windows Me: System Restore, when it is on and its program is there.
  env.WinKind = WinKind::WinMe;
  x.fs.AddFile(L"C:\\windows\\RESTORE\\RSTRUI.EXE", "MZ");
  EXPECT_TRUE(PlanRegistryStep(x.fs, env, options, hives, true, nullptr).offer.restore);
  options.ForceMe = 6;  // the user went on without System Restore
  EXPECT_FALSE(PlanRegistryStep(x.fs, env, options, hives, true, nullptr).offer.restore);
  EXPECT_EQ(SetUpRegistryRestore(x.machine, fe, env, options, hives).outcome, RestoreSetUp::Refused);
  EXPECT_FALSE(x.fs.Exists(env.RegClearPath));

  // With System Restore on, it is started when the program ends.
  options.ForceMe = -1;
  RestoreSetUpResult result = SetUpRegistryRestore(x.machine, fe, env, options, hives);
  ASSERT_EQ(result.outcome, RestoreSetUp::Done);
  const std::wstring& meMessage = result.message;
  EXPECT_NE(meMessage.find(L"自動的に『システムの復元』が起動されます"), std::wstring::npos);
  EXPECT_FALSE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_TRUE(SystemRestoreDue(x.fs, env));

  // The next wash tells, and offers nothing.
  const RegistryStepPlan plan = PlanRegistryStep(x.fs, env, options, hives, true, nullptr);
  EXPECT_EQ(plan.kind, RegistryStepKind::Notice);
  EXPECT_EQ(plan.notice, meMessage);
  x.desktop.started.clear();
  EXPECT_TRUE(StartSystemRestoreAtEnd(x.machine, env));
  EXPECT_EQ(x.desktop.started, std::vector<std::wstring>{L"\"C:\\windows\\RESTORE\\RSTRUI.EXE\" /RESTORE"});
  EXPECT_FALSE(SystemRestoreDue(x.fs, env));
}

}  // namespace
}  // namespace zel
