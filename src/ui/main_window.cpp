#include <windows.h>
#include "ui/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "base/path.h"
#include "report/system_report.h"
#include "drive/drive_protection.h"
#include "registry/registry_wash.h"
#include "registry/restart_batch.h"
#include "snapshot/prepare.h"
#include "snapshot/store.h"
#include "startup/file_helpers.h"
#include "startup/startup.h"
#include "testrun/console_text.h"
#include "ui/control_ids.h"
#include "ui/doc_form.h"
#include "ui/main_controls.h"
#include "ui/message_box.h"
#include "ui/form.h"

namespace zel::ui {
namespace {

constexpr UINT kLoadMessage = WM_APP + 1;

// The smallest window, scaled to the display, within the screen.
SIZE MinimumSize() {
  return {(std::min)(Scale(kMinWidth), ::GetSystemMetrics(SM_CXSCREEN)),
          (std::min)(Scale(kMinHeight), ::GetSystemMetrics(SM_CYSCREEN))};
}

}  // namespace

MainWindow::MainWindow(win32::Win32Machine& machine, Environment& env, Settings& settings, RunningOptions& options)
    : machine_(machine),
      env_(env),
      settings_(settings),
      options_(options),
      c_(std::make_unique<Controls>()),
      services_{machine.machine, *this, env, settings, options, archives_},
      session_(services_) {}

MainWindow::~MainWindow() = default;

bool MainWindow::Create(HINSTANCE instance, int show) {
  background_.Reset(::CreateSolidBrush(static_cast<COLORREF>(options_.ZelBackColor4)));
  if (!RegisterFormClass({kMainWindowClass, Proc, background_.Get(), ::LoadIconW(nullptr, IDI_APPLICATION)})) return false;

  // The position of the last normal window, when it still fits the screen.
  int x = settings_.GetOptionNum(L"WindowSX", CW_USEDEFAULT);
  int y = settings_.GetOptionNum(L"WindowSY", CW_USEDEFAULT);
  int w = settings_.GetOptionNum(L"WindowLX", 0);
  int h = settings_.GetOptionNum(L"WindowLY", 0);
  const int screenW = ::GetSystemMetrics(SM_CXSCREEN), screenH = ::GetSystemMetrics(SM_CYSCREEN);
  const SIZE least = MinimumSize();
  if (w < least.cx || h < least.cy || x < 0 || y < 0 || x + 80 > screenW || y + 40 > screenH) {
    // The default size scaled to the display, but never more than the screen.
    x = CW_USEDEFAULT;
    y = CW_USEDEFAULT;
    w = (std::min)(Scale(kDefaultWidth), screenW);
    h = (std::min)(Scale(kDefaultHeight), screenH);
  }
  window_ = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, w, h,
                              nullptr, nullptr, instance, this);
  if (!window_) return false;
  font_ = CreateUiFont(false);
  boldFont_ = CreateUiFont(true);
  bigFont_ = CreateBigFont();
  CreateControls();
  SetConsoleScheme(options_.ZelConColType);
  ShowStatus(L"準備中", Look::Idle);
  Layout();
  ::ShowWindow(window_, show);
  ::UpdateWindow(window_);
  ::PostMessageW(window_, kLoadMessage, 0, 0);
  return true;
}

LRESULT CALLBACK MainWindow::Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  MainWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  } else {
    self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  return self ? self->OnMessage(msg, wp, lp) : ::DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::ChildProc(HWND child, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
  return reinterpret_cast<MainWindow*>(self)->OnChildMessage(child, msg, wp, lp);
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kLoadMessage:
      Load();
      return 0;
    case WM_SIZE:
      if (c_->console) Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      const SIZE least = MinimumSize();
      info->ptMinTrackSize = {least.cx, least.cy};
      return 0;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      m->itemHeight = static_cast<UINT>(Scale(kGridItemHeight));
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      return ColourControl(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_TIMER:
      if (wp == kRunTimer) OnTimer();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows is ending: a test that is not washed stays for the resume.
      if (wp) OnClose(true);
      return 0;
    case WM_CLOSE:
      if (OnClose(false)) ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::KillTimer(window_, kRunTimer);
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window_, msg, wp, lp);
}

LRESULT MainWindow::OnChildMessage(HWND child, UINT msg, WPARAM wp, LPARAM lp) {
  const int id = ::GetDlgCtrlID(child);
  switch (msg) {
    case WM_MOUSEMOVE:
      ShowMouseHelp(HelpIndexOf(id));
      break;
    case WM_RBUTTONUP:
      OnRightClick(id);
      return 0;
    case WM_DROPFILES:
      OnDrop(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_KEYDOWN:
      if (id == kIdFolderGrid && wp == VK_RETURN) {
        OnFolderActivated();
        return 0;
      }
      break;
    case WM_GETDLGCODE:
      if (id == kIdFolderGrid) return DLGC_WANTALLKEYS;
      break;
  }
  return ::DefSubclassProc(child, msg, wp, lp);
}

void MainWindow::Load() {
  Outcome outcome = LoadTest();
  if (outcome == Outcome::End) {
    ::DestroyWindow(window_);
    return;
  }
  Machine& m = machine_.machine;
  loaded_ = true;
  const Snapshot& snapshot = session_.snapshot();
  for (int i = 0; i < 26; ++i) {
    if (env_.DriveTypes[i] == DriveType::Fixed) currentFree_[i] = snapshot.freeSpace[i];
  }
  UpdateFreeSpace();
  // A registry restore set up before still waits for the next start.
  ShowRestartNotice(HoldsRestartBlock(m.fs, env_.AutoexecBat) || SystemRestoreDue(m.fs, env_));
  // The browser opens in the favourite folder, else in the program's folder.
  ChangeFolder(FolderExists(m.fs, env_.DownLoad) ? env_.DownLoad : env_.ProgramDir);
  SelectFilter(kFilterAll);
  EnableActions();
  ShowStatus(L"ファイルを選択して下さい", Look::Idle);
}

Outcome MainWindow::LoadTest() {
  Action busy(*this, true);
  Machine& m = machine_.machine;
  Outcome outcome = LoadEnvironment(m, *this, env_, settings_, options_);
  if (outcome == Outcome::Continue) {
    FindSwapFiles(m.fs, env_);
    if (options_.Report) WriteSystemReport(m, env_, options_);
    SetConsoleScheme(options_.ZelConColType);
    SetBackColour(options_.ZelBackColor4);
    mainFolders_ = BuildMainFolderList(m.fs, env_, options_.CheckLevel);
    outcome = ConfirmRegistryNotice(*this, env_, settings_);
  }
  if (outcome == Outcome::Continue) {
    for (int i = 0; i < 3; ++i) saveDirs_[i] = settings_.GetOption(L"SaveDir" + std::to_wstring(i), L"");
    ShowDrives();
    // A snapshot left by a restart in the middle of a test is offered first.
    switch (AskResume(m, *this, env_, session_.snapshot())) {
      case ResumeChoice::Damaged:
        outcome = Outcome::End;
        break;
      case ResumeChoice::Resumed:
        outcome = session_.Resume() ? Outcome::Continue : Outcome::End;
        break;
      case ResumeChoice::Fresh: {
        outcome = PrepareSnapshot(services_, mainFolders_, session_.snapshot());
        break;
      }
    }
  }
  return outcome;
}

MainWindow::Action::Action(MainWindow& w, bool forced) : w_(w), granted_(true) {
  if (!forced && (w.busy_ > 0 || !w.loaded_ || MessageBoxWaiting())) {
    w.Beep();
    granted_ = false;
    return;
  }
  ++w.busy_;
}

MainWindow::Action::~Action() {
  if (granted_) --w_.busy_;
}

// --- the front-end seam ---------------------------------------------------------

void MainWindow::AppendConsole(std::wstring_view line) {
  std::wstring text(line);
  LRESULT index = ::SendMessageW(c_->console, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index >= 0) ::SendMessageW(c_->console, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  // Long paths run past the pane: widen the scrollable extent to the widest line.
  const win32::WindowDc dc(c_->console);
  if (dc.Get()) {
    const int width = MeasureText(dc.Get(), font_.Get(), text).cx;
    if (width + 8 > consoleExtent_) {
      consoleExtent_ = width + 8;
      ::SendMessageW(c_->console, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(consoleExtent_), 0);
    }
  }
}

void MainWindow::ClearConsole() {
  ::SendMessageW(c_->console, LB_RESETCONTENT, 0, 0);
  consoleExtent_ = 0;
  ::SendMessageW(c_->console, LB_SETHORIZONTALEXTENT, 0, 0);
  mouseHelp_.Forget();
}

void MainWindow::SetStatus(std::wstring_view text) { ShowStatus(text, Look::Idle); }

void MainWindow::Busy() { PumpMessages(); }

int MainWindow::Ask(std::wstring_view text, int style, std::wstring_view title) {
  return MsgBoxEx(text, style, title, window_);
}

int MainWindow::AskPlatform(std::wstring_view text, int style, std::wstring_view title) {
  return PlatformMsgBox(text, style, title, window_);
}

std::wstring MainWindow::Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) {
  return InputBoxEx(prompt, title, initial, window_);
}

void MainWindow::Beep() { ::MessageBeep(MB_OK); }

// --- ending ---------------------------------------------------------------------

bool MainWindow::OnClose(bool windowsEnding) {
  if (!windowsEnding && (busy_ > 0 || MessageBoxWaiting())) {
    Beep();
    return false;
  }
  Action busy(*this, true);
  bool wash = false;
  if (!session_.AskAtEnd(windowsEnding, &wash)) return false;
  if (docForm_) docForm_->Close();
  if (saveDirsChanged_) {
    for (int i = 0; i < 3; ++i) {
      if (!saveDirs_[i].empty()) settings_.SetOption(L"SaveDir" + std::to_wstring(i), saveDirs_[i]);
    }
  }
  session_.End(windowsEnding, wash, *this);
  SaveWindowPlacement();
  return true;
}

void MainWindow::SaveWindowPlacement() {
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  if (!::GetWindowPlacement(window_, &wp) || wp.showCmd != SW_SHOWNORMAL || ::IsIconic(window_) || ::IsZoomed(window_)) {
    return;
  }
  RECT r;
  ::GetWindowRect(window_, &r);
  settings_.SetOptionNum(L"WindowSX", r.left);
  settings_.SetOptionNum(L"WindowSY", r.top);
  settings_.SetOptionNum(L"WindowLX", r.right - r.left);
  settings_.SetOptionNum(L"WindowLY", r.bottom - r.top);
}

}  // namespace zel::ui
