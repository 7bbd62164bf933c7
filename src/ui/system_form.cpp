#include "ui/system_form.h"

#include <memory>

#include "platform/frontend.h"
#include "system/backup_set.h"
#include "system/system_compare.h"
#include "system/system_restore.h"
#include "system/system_save.h"
#include "ui/box_front_end.h"
#include "ui/control_ids.h"
#include "ui/folder_form.h"
#include "ui/message_box.h"
#include "ui/form.h"

namespace zel::ui {
namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 486;
const wchar_t kChooserTitle[] = L"システム保存フォルダーの選択";

// The front end of the window: CONLST for the console (filled in batches, a
// text box redraws slowly line by line), DIRDSP for the folder at work, the
// program's message box owned by the window.
class FormFrontEnd : public FrontEnd {
 public:
  explicit FormFrontEnd(HWND window) : window_(window) {}

  void Clear() {
    text_.clear();
    shown_ = 0;
    ::SetDlgItemTextW(window_, kIdSystemList, L"");
  }
  void Flush() {
    if (shown_ == text_.size()) return;
    ::SetDlgItemTextW(window_, kIdSystemList, text_.c_str());
    shown_ = text_.size();
    HWND list = ::GetDlgItem(window_, kIdSystemList);
    ::SendMessageW(list, EM_LINESCROLL, 0, ::SendMessageW(list, EM_GETLINECOUNT, 0, 0));
  }

  void AppendConsole(std::wstring_view line) override {
    text_ += line;
    text_ += L"\r\n";
    if (::GetTickCount() - lastFlush_ > 250) {
      lastFlush_ = ::GetTickCount();
      Flush();
    }
  }
  // The folder at work, shown at most ten times a second (a walk passes
  // thousands of folders); an empty text at once.
  void SetStatus(std::wstring_view text) override {
    status_ = std::wstring(text);
    if (status_.empty() || ::GetTickCount() - lastStatus_ >= 100) ShowStatus();
  }
  void Busy() override {
    if (status_ != shownStatus_ && ::GetTickCount() - lastStatus_ >= 100) ShowStatus();
    PumpMessages();
  }
  int Ask(std::wstring_view text, int style, std::wstring_view title) override {
    Flush();
    return MsgBoxEx(text, style, title, window_);
  }
  int AskPlatform(std::wstring_view text, int style, std::wstring_view title) override {
    Flush();
    return PlatformMsgBox(text, style, title, window_);
  }
  std::wstring Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) override {
    return InputBoxEx(prompt, title, initial, window_);
  }
  void Beep() override { ::MessageBeep(MB_OK); }

 private:
  void ShowStatus() {
    lastStatus_ = ::GetTickCount();
    if (status_ == shownStatus_) return;
    shownStatus_ = status_;
    ::SetDlgItemTextW(window_, kIdFolderDisplay, shownStatus_.c_str());
  }

  HWND window_;
  std::wstring text_;
  size_t shown_ = 0;
  std::wstring status_, shownStatus_;
  DWORD lastFlush_ = 0, lastStatus_ = 0;
};

struct Form {
  Form(Machine& m, Settings& s, const Environment& e) : machine(m), settings(s), env(e) {}
  Machine& machine;
  Settings& settings;
  const Environment& env;
  std::wstring set;
  HWND window = nullptr;
  win32::Font font;
  std::unique_ptr<FormFrontEnd> fe;
  int busy = 0;
  int result = 0;
};

std::wstring Choose(Form& f, HWND owner, FrontEnd& fe, const std::wstring& initial) {
  return ChooseSetFolder(f.machine, fe, f.env, initial,
                         [&](const std::wstring& offer) { return ChooseFolder(owner, f.machine.fs, offer, kChooserTitle); });
}

void ShowSet(Form& f) {
  ::SetDlgItemTextW(f.window, kIdSystemSetDisplay, (L"【保存場所】" + f.set).c_str());
  ::SetDlgItemTextW(f.window, kIdSystemDate, ReadRecoveryDate(f.machine.fs, f.set).c_str());
}

// The window's own state around an action: busy (the pointer an hourglass,
// clicks ignored), the window disabled; both come back afterwards.
class Action {
 public:
  explicit Action(Form& f) : f_(f) {
    ++f_.busy;
    ::EnableWindow(f_.window, FALSE);
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  }
  ~Action() {
    f_.fe->Flush();
    f_.fe->SetStatus(L"");
    ::EnableWindow(f_.window, TRUE);
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    --f_.busy;
    ::SetActiveWindow(f_.window);
  }

 private:
  Form& f_;
};

void Save(Form& f) {
  f.fe->Clear();
  if (!ConfirmSave(*f.fe)) return;
  {
    Action action(f);
    SaveSystem(f.machine, *f.fe, f.env, f.settings, f.set);
  }
  ShowSet(f);
}

void Compare(Form& f) {
  Action action(f);
  f.fe->Clear();
  RunCompare(f.machine, *f.fe, f.env, f.set);
}

// The windows of the program, from the form up to the main window.
std::vector<HWND> OwnerChain(HWND window) {
  std::vector<HWND> chain;
  for (HWND w = window; w; w = ::GetWindow(w, GW_OWNER)) chain.push_back(w);
  return chain;
}

void ShowAll(const std::vector<HWND>& windows, int how) {
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) ::ShowWindow(*it, how);
}

// Asks Windows to restart; true when it accepted.
bool RestartWindows() {
  HANDLE token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid)) {
      ::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    }
    ::CloseHandle(token);
  }
  return ::ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != FALSE;
}

void Restore(Form& f) {
  RestoreResult r;
  {
    Action action(f);
    f.fe->Clear();
    r = RestoreSystem(f.machine, *f.fe, f.env, f.set);
  }
  if (r.outcome != RestoreOutcome::RestartNeeded) return;
  for (const std::wstring& line : r.notRestored) f.fe->AppendConsole(line);

  const std::vector<HWND> windows = OwnerChain(f.window);
  ShowAll(windows, SW_HIDE);
  auto back = [&](std::wstring_view message, const std::vector<std::wstring>& lines) {
    ShowAll(windows, SW_SHOW);
    for (const std::wstring& line : lines) f.fe->AppendConsole(line);
    f.fe->Flush();
    MsgBoxEx(message, MB_OK | MB_ICONEXCLAMATION, L"", f.window);
  };
  if (!ShowRebootForm(r.notRestored)) {
    DiscardRestartWork(f.machine, r.work);
    back(L"再起動を取り消しました|保存された状態に戻っていないファイルがあります", {});
    return;
  }
  std::vector<std::wstring> failed;
  if (!ApplyRestartWork(f.machine, f.env, r.work, failed)) {
    DiscardRestartWork(f.machine, r.work);
    back(L"起動時の処理を書き込めませんでした|保存された状態に戻っていないファイルがあります", failed);
    return;
  }
  if (!RestartWindows()) {
    back(L"Windowsを再起動できませんでした|Windowsを再起動すると、復元が完了します", failed);
    return;
  }
  // Windows restarts: the program ends as it does when Windows ends.
  HWND main = windows.back();
  if (main != f.window) ::SendMessageW(main, WM_ENDSESSION, TRUE, 0);
  ::PostQuitMessage(0);
  f.result = 2;
}

void ChangeSet(Form& f) {
  std::wstring chosen = Choose(f, f.window, *f.fe, f.set);
  if (chosen.empty()) return;
  f.set = chosen;
  f.fe->Clear();
  ShowSet(f);
}

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* f = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!f) return ::DefWindowProcW(window, msg, wp, lp);
  switch (msg) {
    case WM_SETCURSOR:
      if (f->busy > 0) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // The read-only text box reads as a list, on white.
      if (reinterpret_cast<HWND>(lp) == ::GetDlgItem(window, kIdSystemList)) {
        ::SetBkColor(reinterpret_cast<HDC>(wp), ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_COMMAND: {
      if (HIWORD(wp) != BN_CLICKED || f->busy > 0) break;
      switch (LOWORD(wp)) {
        case kIdSystemSaveButton: Save(*f); return 0;
        case kIdSystemCompareButton: Compare(*f); return 0;
        case kIdSystemRestoreButton: Restore(*f); return 0;
        case kIdSystemChangeButton: ChangeSet(*f); return 0;
        case kIdSystemCloseButton: f->result = 1; return 0;
      }
      break;
    }
    case WM_CLOSE:
      if (f->busy == 0) f->result = 2;
      return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

struct Reboot {
  int result = 0;
};

LRESULT CALLBACK RebootProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* r = reinterpret_cast<Reboot*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!r) return ::DefWindowProcW(window, msg, wp, lp);
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
    if (LOWORD(wp) == IDOK) r->result = 1;
    if (LOWORD(wp) == IDCANCEL) r->result = 2;
    return 0;
  }
  if (msg == WM_CLOSE) {
    r->result = 2;
    return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

}  // namespace

bool ShowRebootForm(const std::vector<std::wstring>& notes) {
  Reboot r;
  const win32::Font font = CreateUiFont(false);
  const int height = notes.empty() ? 110 : 250;
  const win32::Window form = CreateForm({.cls = {kRebootFormClass, RebootProc},
                                         .title = L"Windowsの再起動",
                                         .clientWidth = 440,
                                         .clientHeight = height,
                                         .exStyle = WS_EX_TOPMOST,
                                         .state = &r});
  if (!form) return false;
  HWND window = form.Get();
  AddControl(window, font.Get(), {L"STATIC", L"これから、Windowsを再起動します", SS_LEFT, kIdRebootText, 20, 20, 400, 20});
  if (!notes.empty()) {
    std::wstring text = L"次のファイルは復元されません：\r\n";
    for (const std::wstring& line : notes) text += line + L"\r\n";
    AddControl(window, font.Get(),
               {L"EDIT", text.c_str(), ES_MULTILINE | ES_READONLY | WS_VSCROLL | ES_AUTOVSCROLL, kIdRebootNotes, 20, 50,
                400, 140, WS_EX_CLIENTEDGE});
  }
  const ControlSetup buttons[] = {
      {L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 224, height - 40, 90, 28},
      {L"BUTTON", L"ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 330, height - 40, 90, 28},
  };
  AddControls(window, font.Get(), buttons);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(::GetDlgItem(window, IDOK));
  const int answer = RunModal(window, nullptr, &r.result, [](UINT vk) {
    if (vk == VK_ESCAPE) return 2;
    if (vk == VK_RETURN) return 1;
    return 0;
  });
  return answer == 1;
}

namespace {

// The window's controls in tab order.
const ControlSetup kSystemControls[] = {
    {L"STATIC", L"", SS_LEFT | SS_PATHELLIPSIS, kIdSystemSetDisplay, 12, 14, 470, 20},
    {L"BUTTON", L"保存場所の変更", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemChangeButton, 500, 8, 128, 28},
    {L"STATIC", L"最後に保存した日付", SS_LEFT, kIdSystemDateLabel, 12, 48, 130, 20},
    {L"STATIC", L"", SS_LEFT | SS_SUNKEN, kIdSystemDate, 150, 46, 200, 22},
    {L"BUTTON", L"現在のシステムを保存する", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemSaveButton, 12, 80, 200, 30},
    {L"BUTTON", L"変更部分を確認", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemCompareButton, 222, 80, 180, 30},
    {L"BUTTON", L"保存された状態に戻す", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemRestoreButton, 412, 80, 216, 30},
    {L"STATIC", L"", SS_LEFT | SS_PATHELLIPSIS, kIdFolderDisplay, 12, 120, 616, 20},
    {L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL, kIdSystemList,
     12, 144, 616, 290, WS_EX_CLIENTEDGE},
    {L"BUTTON", L"閉じる", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemCloseButton, 528, 446, 100, 30},
};

}  // namespace

void ShowSystemForm(HWND owner, Machine& machine, Settings& settings, const Environment& env) {
  auto f = std::make_unique<Form>(machine, settings, env);
  {
    BoxFrontEnd fe(owner);
    f->set = Choose(*f, owner, fe, CurrentSetFolder(settings, env));
  }
  if (f->set.empty()) return;

  f->font = CreateUiFont(false);
  const win32::Window form = CreateForm({.cls = {kSystemFormClass, FormProc},
                                         .title = L"システムの保存と復元",
                                         .owner = owner,
                                         .clientWidth = kClientWidth,
                                         .clientHeight = kClientHeight});
  if (!form) return;
  HWND window = form.Get();
  f->window = window;
  f->fe = std::make_unique<FormFrontEnd>(window);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(f.get()));
  AddControls(window, f->font.Get(), kSystemControls);
  // Long lines of the compare: the text box keeps up to a few megabytes.
  ::SendMessageW(::GetDlgItem(window, kIdSystemList), EM_SETLIMITTEXT, 0, 0);
  ShowSet(*f);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(::GetDlgItem(window, kIdSystemSaveButton));

  RunModal(window, owner, &f->result, [&](UINT vk) {
    if (vk == VK_ESCAPE && f->busy == 0) return 2;
    return 0;
  });
}

}  // namespace zel::ui
