// The main window's check (確認) and wash (洗浄): the window's own steps
// around the walks, the registry and the programs that remove themselves.
#include "base/path.h"
#include "base/text.h"
#include "check/check.h"
#include "drive/drive_protection.h"
#include "records/wash_records.h"
#include "registry/registry_check.h"
#include "registry/registry_wash.h"
#include "registry/restart_batch.h"
#include "registry/value_check.h"
#include "registry/value_wash.h"
#include "snapshot/prepare.h"
#include "snapshot/store.h"
#include "startup/file_helpers.h"
#include "ui/control_ids.h"
#include "ui/main_controls.h"
#include "ui/modal.h"
#include "ui/reg_wash_form.h"
#include "wash/removal.h"
#include "wash/wash.h"

namespace zel::ui {

std::vector<std::wstring> MainWindow::ConsoleLines() const {
  std::vector<std::wstring> lines;
  const LRESULT count = ::SendMessageW(c_->console, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = ::SendMessageW(c_->console, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring line(length > 0 ? static_cast<size_t>(length) : 0, L'\0');
    if (length > 0) {
      std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
      ::SendMessageW(c_->console, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
      line.assign(buffer.data(), static_cast<size_t>(length));
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

void MainWindow::DisableActions() {
  for (HWND button : {c_->wash, c_->check, c_->extract, c_->test}) ::EnableWindow(button, FALSE);
}

// Ends the check or the wash: the prompt, the file list's focus, the beep.
void MainWindow::FinishCheckOrWash(const std::wstring& prompt, bool checking, bool store, const std::wstring& program) {
  // The wash list is the console as the walks left it; the hint comes after.
  // The latest list is the one of the last check or wash of a test.
  const std::wstring washList = WashListText(ConsoleLines());
  if (store) SaveLatestWashList(machine_.machine, env_, washList, program);
  lastWashList_ = washList;
  if (AnyDriveRecord(machine_.fs, env_)) {
    for (const std::wstring& line : checking ? DriveCheckHintLines() : DriveWashHintLines()) AppendConsole(line);
  }
  EnableActions();
  ShowStatus(prompt, Look::Idle);
  ::SetFocus(c_->files);
  Beep();
}

void MainWindow::RunCheckAction() {
  if (!BeginAction()) return;
  ShowConsole();
  ClearConsole();
  DisableActions();
  // The selection goes: the test button waits for a file to be picked again.
  ::SendMessageW(c_->files, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);

  Machine& m = machine_.machine;
  CheckRequest request{snapshot_, record_, {}};
  request.compareIniAndRegistry = [&] {
    const LRESULT before = ::SendMessageW(c_->console, LB_GETCOUNT, 0, 0);
    lastRegistryCheck_ = CheckIniAndRegistry(services_, snapshot_, FixHivePaths(m.fs, env_));
    if (snapshot_.registry) CheckRegistryValues(m.reg, *this, *snapshot_.registry);
    return static_cast<int>(::SendMessageW(c_->console, LB_GETCOUNT, 0, 0) - before);
  };
  CheckResult result = RunCheck(services_, request);
  lastCheckOfTest_ = record_.testDone;
  Busy();
  EndAction();
  FinishCheckOrWash(result.prompt, true, record_.testDone, record_.program);
}

// The registry step: a notice when a restore already waits, else the
// choice of RegWashForm, and what the choice does. With the registry record
// (the present-day kind) "洗浄する" undoes what the record's check lists.
int MainWindow::WashRegistry(const std::optional<RegExportDiff>& diff, bool* putBack) {
  *putBack = false;
  Machine& m = machine_.machine;
  if (snapshot_.registry) {
    RegWashOffer offer;
    offer.repair = !CompareRegistry(m.reg, *snapshot_.registry, this).empty();
    if (!offer.repair) {
      *putBack = true;
      return 0;
    }
    if (ShowRegWashForm(window_, offer) != RegWashChoice::Repair) return 0;
    const int failures = WashRegistryValues(m.reg, *this, *snapshot_.registry).failures;
    *putBack = failures == 0;
    return failures;
  }
  const HivePaths hives = FixHivePaths(m.fs, env_);
  const bool changed = RegistryChanged(m.fs, snapshot_, hives, diff ? &*diff : nullptr);
  RegistryStepPlan plan = PlanRegistryStep(m.fs, env_, options_, hives, changed, diff ? &*diff : nullptr);
  switch (plan.kind) {
    case RegistryStepKind::Nothing:
      return 0;
    case RegistryStepKind::Notice:
      Ask(plan.notice, plan.noticeStyle, L"");
      return 0;
    case RegistryStepKind::Choose:
      break;
  }
  switch (ShowRegWashForm(window_, plan.offer)) {
    case RegWashChoice::Ignore:
      return 0;
    case RegWashChoice::Repair: {
      if (!diff) return 0;
      const int failures = static_cast<int>(DeletableKeys(*diff).size()) - DeleteAddedKeys(m, *this, *diff);
      *putBack = failures == 0;  // back when every added key went
      return failures;
    }
    case RegWashChoice::Restore: {
      RestoreSetUpResult r = SetUpRegistryRestore(m, *this, env_, options_, hives);
      if (r.outcome == RestoreSetUp::Done) {
        ShowRestartNotice(true);
        Ask(r.message, mb::kOk | mb::kIconInformation, L"");
      }
      return 0;
    }
  }
  return 0;
}

void MainWindow::RunWashAction() {
  if (!BeginAction()) return;
  Wash();
  EndAction();
  EnableActions();
}

void MainWindow::Wash() {
  DisableActions();
  Machine& m = machine_.machine;

  // Step 1: a CD-ROM's browser is closed first, or the wash waits.
  if (record_.testDone && record_.fromCdRom && !CloseBrowserWindows(services_)) return;
  Busy();
  // Step 2: the uninstallers the test added, when the registry changed; the
  // check's comparison counts only when the check came after the test.
  const RegistryCheck* lastCheck = lastCheckOfTest_ && lastRegistryCheck_ ? &*lastRegistryCheck_ : nullptr;
  if (record_.testDone && RegistryChangedForWash(services_, snapshot_, FixHivePaths(m.fs, env_), lastCheck)) {
    for (const std::wstring& uninstaller : FindUninstallers(services_, snapshot_, record_)) LaunchUninstaller(services_, uninstaller);
  }
  ClearConsole();
  int registryFailures = 0;
  if (record_.testDone) {
    // Step 4: what registered itself for removal is offered in the control
    // panel; step 5: the registry.
    std::optional<RegExportDiff> diff = CompareUninstallExports(services_, snapshot_);
    bool goOn = true;
    if (diff && !diff->added.empty()) goOn = RunApplicationRemoval(services_, diff->displayName);
    if (goOn) {
      bool putBack = false;
      registryFailures = WashRegistry(diff, &putBack);
      if (putBack) SetLamp(2, false);
    }
    Busy();
  }

  // Steps 7 to 9: the files.
  ShowConsole();
  DisableActions();
  for (const std::wstring& folder : record_.temporaryFolders) {
    if (IsSameOrBelow(folder_, folder)) ChangeFolder(ParentFolder(folder));  // the browser leaves it first
  }
  WashRequest request{snapshot_, record_, {}};
  request.restoreIniFiles = [&] {
    RestoreIniFiles(m, *this, env_, snapshot_);
    // What still differs from its copy could not be put back.
    return static_cast<int>(ChangedIniFiles(m.fs, env_, snapshot_).size());
  };
  const bool tested = record_.testDone;
  const std::wstring program = record_.program;
  WashResult result = RunWash(services_, request);
  result.failures += registryFailures;
  Busy();
  if (tested) {  // what was put back no longer lights its lamp
    bool winIni = false, systemIni = false;
    for (const SavedFile& f : ChangedIniFiles(m.fs, env_, snapshot_)) {
      winIni = winIni || EqualsNoCase(f.name, L"WIN.INI");
      systemIni = systemIni || EqualsNoCase(f.name, L"SYSTEM.INI");
    }
    if (!winIni) SetLamp(0, false);
    if (!systemIni) SetLamp(1, false);
  }

  // Step 10: the free space is measured again for the display. A wash in
  // which everything was deleted and put back completes: its snapshot is
  // spent. One that left something keeps the snapshot, so the check and the
  // wash can be run again once the cause is gone.
  for (int i = 0; i < 26; ++i) {
    if (env_.DriveTypes[i] != DriveType::Fixed || snapshot_.driveRoots[i].empty()) continue;
    std::optional<DiskSpace> space = m.fs.SpaceOf(std::wstring{static_cast<wchar_t>(L'A' + i), L':', L'\\'}, true);
    if (space) currentFree_[i] = space->freeBytes;
  }
  UpdateFreeSpace();
  if (result.failures + registryFailures == 0) {
    CompleteWash(tested);
  } else {
    checkEnabled_ = true;
    washEnabled_ = true;
    SaveRunRecord();
  }
  // The check's list of this test is the latest list; a wash without a
  // check stores its own lines. Either goes into the records.
  const bool checked = lastCheckOfTest_;
  lastCheckOfTest_ = false;
  FinishCheckOrWash(L"ファイルを選択して下さい", false, !checked && (tested || result.lines > 0), program);
  if (tested || result.lines > 0) AppendLatestQuietly(m, env_);
}

void MainWindow::CompleteWash(bool tested) {
  Machine& m = machine_.machine;
  if (tested && !folderBeforeTest_.empty() && FolderExists(m.fs, folderBeforeTest_)) ChangeFolder(folderBeforeTest_);
  folderBeforeTest_.clear();
  // The snapshot is spent: nothing is ever washed against it again, and
  // the next test takes a new one first.
  DeleteSnapshotFiles(m, env_);
  KillFile(m, SnapshotFilesIn(env_.WorkDir).run);
  snapshotSpent_ = tested || snapshotSpent_;
  lastRegistryCheck_.reset();
  record_ = RunRecord();
  savedRecord_ = record_;
  testPending_ = false;
  checkEnabled_ = true;
  washEnabled_ = false;
}

bool MainWindow::RenewSpentSnapshot() {
  if (!snapshotSpent_) return true;
  ShowConsole();
  ClearConsole();
  mainFolders_ = BuildMainFolderList(machine_.fs, env_, options_.CheckLevel);  // the level may have changed
  Snapshot fresh;
  if (PrepareSnapshot(services_, mainFolders_, fresh) != Outcome::Continue) return false;
  snapshot_ = std::move(fresh);
  snapshotSpent_ = false;
  return true;
}

void MainWindow::ShowRestartNotice(bool shown) {
  ::ShowWindow(c_->restartNotice, shown ? SW_SHOW : SW_HIDE);
  Layout();
}

}  // namespace zel::ui
