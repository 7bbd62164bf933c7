#include "ui/main_window.h"

#include "snapshot/prepare.h"
#include "startup/startup.h"
#include "ui/control_ids.h"
#include "ui/message_box.h"
#include "ui/modal.h"
#include "ui/option_form.h"

namespace zel::ui {
namespace {

constexpr UINT kLoadMessage = WM_APP + 1;
constexpr int kStatusHeight = 26;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 72;

}  // namespace

MainWindow::MainWindow(win32::Win32Machine& machine, Environment& env, Settings& settings, RunningOptions& options)
    : machine_(machine), env_(env), settings_(settings), options_(options) {}

MainWindow::~MainWindow() {
  if (font_) ::DeleteObject(font_);
  if (background_) ::DeleteObject(background_);
}

bool MainWindow::Create(HINSTANCE instance, int show) {
  background_ = ::CreateSolidBrush(static_cast<COLORREF>(options_.ZelBackColor4));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = background_;
  wc.lpszClassName = kMainWindowClass;
  if (!::RegisterClassExW(&wc)) return false;

  window_ = ::CreateWindowExW(0, kMainWindowClass, kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 720, 540, nullptr, nullptr, instance, this);
  if (!window_) return false;

  font_ = CreateUiFont(false);
  status_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"準備中", WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE, 0, 0, 0, 0,
                              window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdRunDisplay)), instance, nullptr);
  console_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"CONSOL",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, 0, 0, 0, 0,
                               window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdConsole)), instance, nullptr);
  optionsButton_ = ::CreateWindowExW(0, L"BUTTON", L"設定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0, window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdOptionsButton)), instance, nullptr);
  for (HWND child : {status_, console_, optionsButton_}) {
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  Layout();
  ::ShowWindow(window_, show);
  ::UpdateWindow(window_);
  ::PostMessageW(window_, kLoadMessage, 0, 0);
  return true;
}

void MainWindow::Layout() {
  RECT rc;
  ::GetClientRect(window_, &rc);
  int width = rc.right - 2 * kMargin;
  ::MoveWindow(status_, kMargin, kMargin, width - kButtonWidth - kMargin, kStatusHeight, TRUE);
  ::MoveWindow(optionsButton_, rc.right - kMargin - kButtonWidth, kMargin, kButtonWidth, kStatusHeight, TRUE);
  int top = kMargin * 2 + kStatusHeight;
  ::MoveWindow(console_, kMargin, top, width, rc.bottom - top - kMargin, TRUE);
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

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kLoadMessage:
      Load();
      return 0;
    case WM_SIZE:
      if (status_) Layout();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdOptionsButton && HIWORD(wp) == BN_CLICKED) {
        OpenOptions();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetBkColor(dc, RGB(0xE1, 0xF0, 0xFB));
      static HBRUSH statusBrush = ::CreateSolidBrush(RGB(0xE1, 0xF0, 0xFB));
      return reinterpret_cast<LRESULT>(statusBrush);
    }
    case WM_CLOSE:
      // Nothing ends while a long operation runs inside this window.
      if (busy_) {
        Beep();
        return 0;
      }
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
  }
  return ::DefWindowProcW(window_, msg, wp, lp);
}

void MainWindow::Load() {
  busy_ = true;
  Machine& m = machine_.machine;
  Outcome outcome = LoadEnvironment(m, *this, env_, settings_, options_);
  if (outcome == Outcome::Continue) {
    mainFolders_ = BuildMainFolderList(m.fs, env_, options_.CheckLevel);
    outcome = ConfirmRegistryNotice(*this, env_, settings_);
  }
  if (outcome == Outcome::Continue) {
    Preparation prep{m, *this, env_, options_, mainFolders_};
    outcome = PrepareSnapshot(prep, snapshot_);
  }
  busy_ = false;
  if (outcome == Outcome::End) {
    ::DestroyWindow(window_);
    return;
  }
  SetStatus(L"ファイルを選択して下さい");
}

void MainWindow::OpenOptions() {
  // Nothing starts while another action runs.
  if (busy_) {
    Beep();
    return;
  }
  busy_ = true;
  OptionFormContext ctx{
      .settings = settings_,
      .running = options_,
      .env = env_,
      .fs = machine_.fs,
      .testPending = testPending_,
      .previewBackColour = [this](std::int32_t colour) { SetBackColour(colour); },
      .applied =
          [this](const AppliedOptions& applied) {
            if (applied.backColorChanged) SetBackColour(options_.ZelBackColor4);
          },
  };
  ShowOptionForm(window_, ctx);
  busy_ = false;
}

void MainWindow::SetBackColour(std::int32_t colour) {
  HBRUSH brush = ::CreateSolidBrush(static_cast<COLORREF>(colour));
  ::SetClassLongPtrW(window_, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush));
  if (background_) ::DeleteObject(background_);
  background_ = brush;
  ::InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::AppendConsole(std::wstring_view line) {
  std::wstring text(line);
  LRESULT index = ::SendMessageW(console_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index >= 0) ::SendMessageW(console_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

void MainWindow::SetStatus(std::wstring_view text) {
  std::wstring t(text);
  ::SetWindowTextW(status_, t.c_str());
}

void MainWindow::Busy() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

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

}  // namespace zel::ui
