#include "session/test_session.h"

#include "base/path.h"
#include "base/text.h"
#include "check/check.h"
#include "drive/drive_protection.h"
#include "records/wash_records.h"
#include "registry/value_check.h"
#include "registry/value_wash.h"
#include "snapshot/prepare.h"
#include "snapshot/store.h"
#include "startup/file_helpers.h"
#include "wash/removal.h"
#include "wash/wash.h"

namespace zel {

TestStage NextStage(TestStage stage, SessionEvent event) {
  using S = TestStage;
  const bool running = stage == S::Running || stage == S::RunningWithChanges;
  const bool clean = stage == S::Fresh || stage == S::Washed;
  switch (event) {
    case SessionEvent::Resumed:
    case SessionEvent::StartFailed:
      return S::Tested;
    case SessionEvent::Extracted:
      return clean ? S::Prepared : stage;
    case SessionEvent::Started:
      return clean ? S::Running : S::RunningWithChanges;
    case SessionEvent::StartedWithLibraries:
      return S::RunningWithChanges;
    case SessionEvent::RunEnded:
      return running ? S::Tested : stage;
    case SessionEvent::WashCompleted:
      return S::Washed;
    case SessionEvent::WashLeftSome:
      // What is left stays the wash's; a test stays a test.
      return running || stage == S::Tested ? S::Tested : S::Prepared;
  }
  return stage;
}

bool CanCheck(TestStage stage) {
  return stage == TestStage::Prepared || stage == TestStage::Tested || stage == TestStage::Washed;
}

bool CanWash(TestStage stage) {
  return stage == TestStage::Prepared || stage == TestStage::Tested || stage == TestStage::RunningWithChanges;
}

bool TestPending(TestStage stage) {
  return stage == TestStage::Running || stage == TestStage::RunningWithChanges || stage == TestStage::Tested;
}

std::vector<WashStep> WashSteps(bool tested, bool fromCdRom) {
  std::vector<WashStep> steps;
  if (tested && fromCdRom) steps.push_back(WashStep::CloseBrowser);
  if (tested) steps.push_back(WashStep::Uninstallers);
  steps.push_back(WashStep::ClearConsole);
  if (tested) steps.push_back(WashStep::ApplicationRemoval);
  steps.push_back(WashStep::Files);
  steps.push_back(WashStep::Settle);
  return steps;
}

bool TestSession::Resume() {
  // The record of the test goes with the snapshot: a damaged one ends the
  // program like a damaged snapshot, a missing one leaves a test without
  // its program's details.
  RunRecord record;
  if (ReadRunRecord(s_.m.fs, SnapshotFilesIn(s_.env.WorkDir).run, record) == RunRecordRead::Damaged) {
    s_.fe.Ask(kDamagedSnapshotMessage, mb::kOk | mb::kIconError, L"");
    DeleteSnapshotFiles(s_.m, s_.env);
    KillFile(s_.m, SnapshotFilesIn(s_.env.WorkDir).run);
    return false;
  }
  record_ = savedRecord_ = record;
  Apply(SessionEvent::Resumed);
  return true;
}

bool TestSession::RenewSpentSnapshot(MainFolderList& mainFolders, SessionView& view) {
  if (!spent_) return true;
  view.ShowConsole();
  view.ClearConsole();
  mainFolders = BuildMainFolderList(s_.m.fs, s_.env, s_.options.CheckLevel);  // the level may have changed
  Snapshot fresh;
  if (PrepareSnapshot(s_, mainFolders, fresh) != Outcome::Continue) return false;
  snapshot_ = std::move(fresh);
  spent_ = false;
  return true;
}

LaunchResult TestSession::Launch(const LaunchRequest& request, const std::wstring& browserFolder) {
  if (!record_.testDone) folderBeforeTest_ = browserFolder;
  LaunchResult result = LaunchProgram(s_, record_, warningsShown_, request);
  switch (result.outcome) {
    case LaunchOutcome::Started:
      Apply(result.librariesCopied ? SessionEvent::StartedWithLibraries : SessionEvent::Started);
      // The program as it is now goes into the test history at the end.
      if (std::optional<TestedProgram> tested = DescribeProgram(s_.m, request.path, record_.dateStamp)) {
        tested_.push_back(*tested);
      }
      // A check before this test no longer tells what the test changed.
      checkedThisTest_ = false;
      lastRegistryCheck_.reset();
      break;
    case LaunchOutcome::Failed:
      // Whatever the start copied is still the wash's.
      Apply(SessionEvent::StartFailed);
      break;
    default:
      break;
  }
  SaveRecord();
  return result;
}

void TestSession::RunEnded() { Apply(SessionEvent::RunEnded); }

void TestSession::Extracted(const std::wstring& temporaryFolder, bool batchAllowed) {
  if (!temporaryFolder.empty()) {
    // Held until the wash deletes it, also after a failure that left files.
    record_.temporaryFolders.push_back(temporaryFolder);
    Apply(SessionEvent::Extracted);
  }
  if (batchAllowed) record_.batchAllowed = true;
  SaveRecord();
}

void TestSession::SaveRecord() {
  if (record_ == savedRecord_) return;
  const std::wstring path = SnapshotFilesIn(s_.env.WorkDir).run;
  if (record_ == RunRecord()) {
    KillFile(s_.m, path);
  } else if (WriteRunRecord(s_.m.fs, path, record_) != FsError::None) {
    s_.fe.Ask(L"テストの記録を書き込めません||場所＝Zel32.dir", mb::kOk | mb::kIconError, L"");
    return;
  }
  savedRecord_ = record_;
}

// Ends the check or the wash. The wash list is the console as the walks left
// it; the drive hint comes after. The latest list is the one of the last check
// or wash of a test.
void TestSession::FinishCheckOrWash(const std::wstring& prompt, bool checking, bool store, const std::wstring& program,
                                    SessionView& view) {
  if (store) SaveLatestWashList(s_.m, s_.env, WashListText(view.ConsoleLines()), program);
  if (AnyDriveRecord(s_.m.fs, s_.env)) {
    for (const std::wstring& line : checking ? DriveCheckHintLines() : DriveWashHintLines()) s_.fe.AppendConsole(line);
  }
  view.Finished(prompt);
}

void TestSession::Check(SessionView& view) {
  view.ShowConsole();
  view.ClearConsole();
  view.ShowStage(true);
  Machine& m = s_.m;
  CheckRequest request{snapshot_, record_, {}};
  request.compareIniAndRegistry = [&] {
    const size_t before = view.ConsoleLines().size();
    lastRegistryCheck_ = CheckIniAndRegistry(s_, snapshot_, FixHivePaths(m.fs, s_.env));
    if (snapshot_.registry) CheckRegistryValues(m.reg, s_.fe, *snapshot_.registry);
    return static_cast<int>(view.ConsoleLines().size() - before);
  };
  CheckResult result = RunCheck(s_, request);
  checkedThisTest_ = record_.testDone;
  s_.fe.Busy();
  FinishCheckOrWash(result.prompt, true, record_.testDone, record_.program, view);
}

// The registry step: with the registry record (the present-day kind) "洗浄する"
// undoes what the record's check lists; else a notice when a restore already
// waits, or the choice and what it does. Returns what could not be undone.
int TestSession::WashRegistry(const std::optional<RegExportDiff>& diff, SessionView& view, bool* putBack) {
  *putBack = false;
  Machine& m = s_.m;
  if (snapshot_.registry) {
    // The comparison that decides the offer is the one washed.
    const std::vector<RegFinding> findings = CompareRegistry(m.reg, *snapshot_.registry, &s_.fe);
    RegWashOffer offer;
    offer.repair = !findings.empty();
    if (!offer.repair) {
      *putBack = true;
      return 0;
    }
    if (view.ChooseRegistryWash(offer) != RegWashChoice::Repair) return 0;
    const int failures = WashRegistryFindings(m.reg, s_.fe, *snapshot_.registry, findings).failures;
    *putBack = failures == 0;
    return failures;
  }
  const HivePaths hives = FixHivePaths(m.fs, s_.env);
  const RegExportDiff* d = diff ? &*diff : nullptr;
  const bool changed = RegistryChanged(m.fs, snapshot_, hives, d);
  RegistryStepPlan plan = PlanRegistryStep(m.fs, s_.env, s_.options, hives, changed, d);
  switch (plan.kind) {
    case RegistryStepKind::Nothing:
      return 0;
    case RegistryStepKind::Notice:
      s_.fe.Ask(plan.notice, plan.noticeStyle, L"");
      return 0;
    case RegistryStepKind::Choose:
      break;
  }
  switch (view.ChooseRegistryWash(plan.offer)) {
    case RegWashChoice::Ignore:
      return 0;
    case RegWashChoice::Repair: {
      if (!diff) return 0;
      const int failures = static_cast<int>(DeletableKeys(*diff).size()) - DeleteAddedKeys(m, s_.fe, *diff);
      *putBack = failures == 0;  // back when every added key went
      return failures;
    }
    case RegWashChoice::Restore: {
      RestoreSetUpResult r = SetUpRegistryRestore(m, s_.fe, s_.env, s_.options, hives);
      if (r.outcome == RestoreSetUp::Done) {
        view.ShowRestartNotice();
        s_.fe.Ask(r.message, mb::kOk | mb::kIconInformation, L"");
      }
      return 0;
    }
  }
  return 0;
}

void TestSession::Wash(SessionView& view) {
  view.ShowStage(true);
  Machine& m = s_.m;
  const bool tested = record_.testDone;
  const std::wstring program = record_.program;
  int registryFailures = 0;
  WashResult result;
  for (WashStep step : WashSteps(tested, record_.fromCdRom)) {
    switch (step) {
      case WashStep::CloseBrowser:
        if (!CloseBrowserWindows(s_)) return;  // the user said No: the wash waits
        break;
      case WashStep::Uninstallers: {
        // Only when the registry changed; the check's comparison counts only
        // when the check came after the test.
        const RegistryCheck* lastCheck = checkedThisTest_ && lastRegistryCheck_ ? &*lastRegistryCheck_ : nullptr;
        s_.fe.Busy();
        if (RegistryChangedForWash(s_, snapshot_, FixHivePaths(m.fs, s_.env), lastCheck)) {
          for (const std::wstring& uninstaller : FindUninstallers(s_, snapshot_, record_)) {
            LaunchUninstaller(s_, uninstaller);
          }
        }
        break;
      }
      case WashStep::ClearConsole:
        view.ClearConsole();
        break;
      case WashStep::ApplicationRemoval: {
        // What registered itself for removal is offered in the control panel,
        // then the registry.
        std::optional<RegExportDiff> diff = CompareUninstallExports(s_, snapshot_);
        if (!diff || diff->added.empty() || RunApplicationRemoval(s_, diff->displayName)) {
          bool putBack = false;
          registryFailures = WashRegistry(diff, view, &putBack);
          if (putBack) view.LampOff(2);
        }
        s_.fe.Busy();
        break;
      }
      case WashStep::Files: {
        view.ShowConsole();
        view.ShowStage(true);
        for (const std::wstring& folder : record_.temporaryFolders) view.LeaveFolder(folder);
        WashRequest request{snapshot_, record_, {}};
        request.restoreIniFiles = [&] {
          RestoreIniFiles(m, s_.fe, s_.env, snapshot_);
          // What still differs from its copy could not be put back.
          return static_cast<int>(ChangedIniFiles(m.fs, s_.env, snapshot_).size());
        };
        result = RunWash(s_, request);
        result.failures += registryFailures;
        s_.fe.Busy();
        break;
      }
      case WashStep::Settle: {
        if (tested) {  // what was put back no longer lights its lamp
          bool winIni = false, systemIni = false;
          for (const SavedFile& f : ChangedIniFiles(m.fs, s_.env, snapshot_)) {
            winIni = winIni || EqualsNoCase(f.name, L"WIN.INI");
            systemIni = systemIni || EqualsNoCase(f.name, L"SYSTEM.INI");
          }
          if (!winIni) view.LampOff(0);
          if (!systemIni) view.LampOff(1);
        }
        std::array<std::optional<std::uint64_t>, 26> space{};
        for (int i = 0; i < 26; ++i) {
          if (s_.env.DriveTypes[i] != DriveType::Fixed || snapshot_.driveRoots[i].empty()) continue;
          std::optional<DiskSpace> d =
              m.fs.SpaceOf(std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'}, true);
          if (d) space[i] = d->freeBytes;
        }
        view.ShowFreeSpace(space);
        // A wash in which everything was deleted and put back completes: its
        // snapshot is spent. One that left something keeps the snapshot, so
        // the check and the wash can be run again once the cause is gone.
        if (result.failures == 0) {
          CompleteWash(tested, view);
        } else {
          Apply(SessionEvent::WashLeftSome);
          SaveRecord();
        }
        // The check's list of this test is the latest list; a wash without a
        // check stores its own lines. Either goes into the records.
        const bool checked = checkedThisTest_;
        checkedThisTest_ = false;
        FinishCheckOrWash(L"ファイルを選択して下さい", false, !checked && (tested || result.lines > 0), program, view);
        if (tested || result.lines > 0) AppendLatestQuietly(m, s_.env);
        break;
      }
    }
  }
}

void TestSession::CompleteWash(bool tested, SessionView& view) {
  if (tested && !folderBeforeTest_.empty() && FolderExists(s_.m.fs, folderBeforeTest_)) {
    view.GoToFolder(folderBeforeTest_);
  }
  folderBeforeTest_.clear();
  // The snapshot is spent: nothing is ever washed against it again, and the
  // next test takes a new one first.
  DeleteSnapshotFiles(s_.m, s_.env);
  KillFile(s_.m, SnapshotFilesIn(s_.env.WorkDir).run);
  spent_ = tested || spent_;
  lastRegistryCheck_.reset();
  record_ = savedRecord_ = RunRecord();
  Apply(SessionEvent::WashCompleted);
}

bool TestSession::AskAtEnd(bool windowsEnding, bool* wash) {
  *wash = !windowsEnding && CanWash(stage_);
  if (!*wash) return true;
  int answer = s_.fe.Ask(std::wstring(L"終了する前に、") + markup::kDarkRed + L"追加ファイルや 臨時フォルダーを|" +
                             markup::kBlack + L"削除していいですか？",
                         mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"");
  if (answer == mb::kResultYes) return true;
  answer = s_.fe.Ask(std::wstring(1, markup::kDarkRed) + L"削除せずに" + markup::kBlack + L" 終了します",
                     mb::kOkCancel | mb::kIconExclamation | mb::kDefault2, L"");
  *wash = false;
  return answer == mb::kResultOk;
}

void TestSession::DeleteIniCopies() {
  // The copies of the watched INI files (all "*.INI") in the backup folder.
  std::vector<std::wstring> names;
  IgnoreError(s_.m.fs.Enumerate(s_.env.BackupDir + L"\\*.INI", [&](const FileEntry& e) {
    if (!e.IsFolder()) names.push_back(e.name);
  }));
  for (const std::wstring& name : names) KillFile(s_.m, s_.env.BackupDir + L"\\" + name);
}

void TestSession::End(bool windowsEnding, bool wash, SessionView& view) {
  Machine& m = s_.m;
  const bool keep = KeepForResume(windowsEnding);
  if (!windowsEnding && wash) Wash(view);
  if (!keep) {
    DeleteSnapshotFiles(m, s_.env);
    KillFile(m, SnapshotFilesIn(s_.env.WorkDir).run);
  }
  // What was added to the drives with a record is offered for deletion;
  // while Windows ends nothing is asked and the records stay.
  if (!windowsEnding) {
    OfferDriveDeletionsAtEnd(s_);
  }
  if (!keep) {
    for (int i = 0; i < 26; ++i) {
      if (snapshot_.driveRoots[i].empty()) continue;
      const wchar_t letter = static_cast<wchar_t>(L'A' + i);
      KillFile(m, s_.env.BackupDir + L"\\config." + letter);
      KillFile(m, s_.env.BackupDir + L"\\autoexec." + letter);
    }
  }
  for (const TestedProgram& tested : tested_) RecordTestedProgram(m, s_.env, tested);
  tested_.clear();
  if (!keep) DeleteIniCopies();
  // Windows Me puts the registry back through System Restore, once this
  // program has let go of everything.
  if (!windowsEnding) StartSystemRestoreAtEnd(m, s_.env);
}

}  // namespace zel
