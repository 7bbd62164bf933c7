// The main window's check (確認) and wash (洗浄): the session runs them; the
// window clears and reads its console, shows the registry choice, the lamps,
// the free space and the prompt at the end.
#include "base/path.h"
#include "ui/control_ids.h"
#include "ui/main_controls.h"
#include "ui/modal.h"
#include "ui/reg_wash_form.h"

namespace zel::ui {

std::vector<std::wstring> MainWindow::ConsoleLines() {
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

void MainWindow::ShowStage(bool busy) {
  if (busy) {
    DisableActions();
  } else {
    EnableActions();
  }
}

RegWashChoice MainWindow::ChooseRegistryWash(const RegWashOffer& offer) { return ShowRegWashForm(window_, offer); }

void MainWindow::LeaveFolder(const std::wstring& folder) {
  if (IsSameOrBelow(folder_, folder)) ChangeFolder(ParentFolder(folder));
}

void MainWindow::ShowFreeSpace(const std::array<std::optional<std::uint64_t>, 26>& freeBytes) {
  for (int i = 0; i < 26; ++i) {
    if (freeBytes[i]) currentFree_[i] = *freeBytes[i];
  }
  UpdateFreeSpace();
}

// The end of the check or the wash: the buttons, the prompt, the file list's focus, the beep.
void MainWindow::Finished(const std::wstring& prompt) {
  EnableActions();
  ShowStatus(prompt, Look::Idle);
  ::SetFocus(c_->files);
  Beep();
}

void MainWindow::RunCheckAction() {
  {
    Action action(*this);
    if (!action) return;
    // The selection goes: the test button waits for a file to be picked again.
    ::SendMessageW(c_->files, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    session_.Check(*this);
  }
  EnableActions();
}

void MainWindow::RunWashAction() {
  {
    Action action(*this);
    if (!action) return;
    session_.Wash(*this);
  }
  EnableActions();
}

void MainWindow::ShowRestartNotice(bool shown) {
  ::ShowWindow(c_->restartNotice, shown ? SW_SHOW : SW_HIDE);
  Layout();
}

}  // namespace zel::ui
