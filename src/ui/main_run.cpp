// The main window during and after a test: the run monitor's ticks, the end
// of a run, the free-space display and the washing the window does itself.
#include "base/path.h"
#include "startup/file_helpers.h"
#include "testrun/console_text.h"
#include "ui/control_ids.h"
#include "ui/doc_form.h"
#include "ui/main_controls.h"
#include "ui/modal.h"
#include "records/test_history.h"
#include "registry/registry_check.h"
#include "snapshot/registry_snapshot.h"
#include "snapshot/store.h"
#include "testrun/launch.h"

namespace zel::ui {

void MainWindow::OnTimer() {
  if (!run_.running && run_.endCountdown == 0 && !run_.fontRun) {
    ::KillTimer(window_, kRunTimer);
    return;
  }
  // While another action runs or a box waits, the tick asks nothing and the
  // run does not end: the end comes on the first tick after.
  const bool free = busy_ == 0 && !MessageBoxWaiting();
  TickInput in{machine_.desktop, machine_.fs, {}, {}, false, free, timerMs_};
  in.endAllowed = free;
  in.ownProcess = ::GetCurrentProcessId();
  if (run_.running) {
    in.registryChanged =
        WatchRegistry(machine_.machine, env_, session_.snapshot(), FixHivePaths(machine_.fs, env_), registryWatch_);
  }
  in.ownWindows.push_back(reinterpret_cast<WindowHandle>(window_));
  if (docForm_ && docForm_->Handle()) in.ownWindows.push_back(reinterpret_cast<WindowHandle>(docForm_->Handle()));
  if (::SendMessageW(c_->console, LB_GETCOUNT, 0, 0) > 4) {
    wchar_t line[512] = {};
    if (::SendMessageW(c_->console, LB_GETTEXTLEN, 4, 0) < 512) {
      ::SendMessageW(c_->console, LB_GETTEXT, 4, reinterpret_cast<LPARAM>(line));
    }
    in.consoleLine4 = line;
  }
  TickResult result = MonitorTick(run_, in);
  if (result.flash) FlashStatus();
  for (const std::wstring& line : result.consoleLines) AppendConsole(line);
  if (result.iniChecked) {
    SetLamp(0, result.winIniChanged);
    SetLamp(1, result.systemIniChanged);
    if (in.registryChanged) SetLamp(2, true);
  }
  if (result.freeSpaceChanged) {
    for (int i = 0; i < 26; ++i) {
      if (run_.drives[i].watched) currentFree_[i] = run_.drives[i].lastFree;
    }
    UpdateFreeSpace();
  }
  if (result.askRegistry) {
    if (Ask(kRegistryQuestion, mb::kYesNo | mb::kIconQuestion, L"") == mb::kResultNo) result.endRun = true;
  }
  if (result.nextIntervalMs > 0 && result.nextIntervalMs != timerMs_) {
    timerMs_ = result.nextIntervalMs;
    ::SetTimer(window_, kRunTimer, static_cast<UINT>(timerMs_), nullptr);
  }
  if (result.endRun) EndRun();
}

void MainWindow::EndRun() {
  ::KillTimer(window_, kRunTimer);
  if (run_.fontRun) {  // the font viewer showed it: it leaves the system again
    IgnoreError(machine_.fs.SetAttributes(run_.fontFile, attr::kNormal));
    machine_.sys.RemoveFont(run_.fontFile);
  }
  const bool installer = run_.installer;
  const std::wstring name = run_.programName;
  run_.running = false;
  run_.fontRun = false;
  run_.endCountdown = 0;
  ShowStatus(L"実行 終了", Look::Idle);
  for (const std::wstring& line : EndOfRunLines(name)) AppendConsole(line);
  ::SetWindowTextW(c_->test, L"テスト");
  session_.RunEnded();
  EnableActions();
  if (installer) Ask(kInstallerEndMessage, mb::kOk | mb::kIconInformation, L"");
}

bool MainWindow::FreeSpaceDecreased() const {
  for (int i = 0; i < 26; ++i) {
    if (run_.drives[i].watched && currentFree_[i] < run_.drives[i].startFree) return true;
  }
  return false;
}

void MainWindow::UpdateFreeSpace() {
  const Snapshot& snapshot = session_.snapshot();
  std::wstring text;
  for (int i = 0; i < 26; ++i) {
    if (env_.DriveTypes[i] != DriveType::Fixed || snapshot.driveRoots[i].empty()) continue;
    const DriveWatch& d = run_.drives[i];
    const std::uint64_t start = d.watched ? d.startFree : snapshot.freeSpace[i];
    const std::uint64_t shown = showStartFree_ ? start : currentFree_[i];
    if (!text.empty()) text += L"  ";
    text += std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L": " + FreeSpaceText(shown);
    if (!showStartFree_ && d.watched) {
      text += L" (" + FreeSpaceChangeText(static_cast<std::int64_t>(currentFree_[i]) - static_cast<std::int64_t>(start)) +
              L")";
    }
  }
  ::SetWindowTextW(c_->freeSpace, text.c_str());
  ::InvalidateRect(c_->freeLamp, nullptr, TRUE);
}

void MainWindow::StartTest() {
  if (run_.running) {  // the button reads "中止"
    EndRun();
    return;
  }
  const std::wstring path = SelectedPath();
  if (path.empty()) return;
  {
    Action action(*this);
    if (!action || !session_.RenewSpentSnapshot(mainFolders_, *this)) return;
    ::SetFocus(c_->files);
    LaunchRequest request;
    request.path = path;
    request.picturePaneVisible = ::IsWindowVisible(c_->picture) != FALSE;
    const LaunchResult result = session_.Launch(request, folder_);
    if (result.outcome == LaunchOutcome::Picture) ShowPicture(path);
    if (result.outcome == LaunchOutcome::Started) {
      run_ = result.run;
      registryWatch_ = RegistryWatch();
      // Quick ticks while the program opens its window, its drive's after.
      timerMs_ = 1000;
      ::SetTimer(window_, kRunTimer, static_cast<UINT>(timerMs_), nullptr);
      ::SetWindowTextW(c_->test, L"中止");
      ShowStatus(L"   実行中", Look::Running);
    }
  }
  EnableActions();
}

}  // namespace zel::ui
