// zeldrv: does in the sandboxed machine what a person does with the program's
// windows, through Win32 messages. One command per run; text goes out as
// UTF-8, one item per line. Exit code 0 on success, 1 when the window or
// control was not found in time, 2 on a usage error.
//
//   zeldrv windows                          every top-level window: handle, class, visible, title
//   zeldrv find TITLE [MS]                  waits for a visible window titled TITLE
//   zeldrv gone TITLE [MS]                  waits until no window is titled TITLE
//   zeldrv text TITLE [CONTROL]             the text of the window or of one control
//   zeldrv items TITLE CONTROL              the items of a list box
//   zeldrv select TITLE CONTROL INDEX       selects a list-box item (as a click)
//   zeldrv click TITLE CAPTION              presses the button with that caption
//   zeldrv key TITLE KEY                    posts a key (F1..F12, ENTER, ESC, A..Z, 0..9) to the window
//   zeldrv settext TITLE CONTROL TEXT       types a text into an edit field
//   zeldrv close TITLE                      asks the window to close
//   zeldrv msgbox [MS]                      the message box of the moment: title, text, buttons
//   zeldrv answer CAPTION [MS]              presses CAPTION on the message box of the moment
//   zeldrv attrib PATH                      the file attributes of PATH, in hexadecimal
//   zeldrv lock PATH READY MS               holds PATH open for reading only (no other writer,
//                                           no deletion) for MS, after creating the file READY
//   zeldrv activate TITLE CONTROL INDEX      opens a list-box item (as a double click)
//   zeldrv rclick TITLE CAPTION             clicks a button with the right mouse button
//   zeldrv chord TITLE CTRL+C|ALT+D         presses a key with Ctrl or Alt held, as the keyboard does
//   zeldrv press TITLE KEY                  presses one key as the keyboard does (to the focused control)
//   zeldrv visible TITLE CONTROL            1 when the control is visible, else 0
//   zeldrv enabled TITLE CAPTION            1 when the button is enabled, else 0
//   zeldrv lit TITLE LAMP                   1 when the lamp (INIDSP1..3) is lit, else 0
//   zeldrv drive LETTER                     the drive's type (2 removable, 3 fixed, 5 CD-ROM) and
//                                           volume serial in hexadecimal, as the platform gives them
//   zeldrv post TITLE MESSAGE WPARAM        posts a message number to the window
//   zeldrv xwindow TITLE                    the X window that shows the window under Wine
//   zeldrv rect TITLE [CONTROL]             the window's (or control's) left, top, right and bottom, and the screen's size
//   zeldrv checked TITLE CAPTION            1 when the check box or option button is checked, else 0
//   zeldrv layout TITLE                     the display's DPI and the client size, then one line per visible
//                                           child: id, class, left, top, right, bottom (client coordinates),
//                                           the width its one-line text needs in its font (0 where the text
//                                           may wrap or be shortened), the text
//
// Line breaks inside a text are printed as U+2029, so that every item is one
// output line. TITLE may be written CLASS:TITLE to pick a window class as well. CONTROL is a
// control name of the program (CONSOL, RUNDSP...) or a number.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui/control_ids.h"

namespace {

std::string Utf8(const std::wstring& s) {
  if (s.empty()) return std::string();
  int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void Print(const std::wstring& line) {
  std::string bytes = Utf8(line) + "\n";
  DWORD wrote;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
}

// The title of a top-level window, read without sending it a message: a
// window of a busy or hung program must never stop the driver.
std::wstring TitleOf(HWND window) {
  wchar_t text[1024];
  int n = ::GetWindowTextW(window, text, 1024);
  return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// Exit codes beyond success and a plain "no" (1), so that the caller can
// tell a window that is not there from one that is only slow to answer.
constexpr int kNoWindow = 2;
constexpr int kNoControl = 3;
constexpr int kUnanswered = 4;

// Set when a window did not answer a message in time: whatever was read
// after that is not to be trusted, and the command ends with kUnanswered.
bool g_unanswered = false;

void Complain(const std::wstring& line) {
  std::string bytes = Utf8(line) + "\n";
  DWORD wrote;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
}

LRESULT Ask(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  // No early give-up on a "hung" window: with two machines at work on two cores a busy
  // main thread can pass for hung while it is only slow.
  if (!::SendMessageTimeoutW(window, msg, wp, lp, SMTO_NORMAL, 15000, &result)) {
    g_unanswered = true;
    return -1;
  }
  return static_cast<LRESULT>(result);
}

// The text of a control, asked of its window with a time limit.
// A text as one output line: its own line breaks become U+2029.
std::wstring OneLine(const std::wstring& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' || text[i] == L'\n') {
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      out += L'\x2029';
    } else {
      out += text[i];
    }
  }
  return out;
}

std::wstring TextOf(HWND window) {
  LRESULT n = Ask(window, WM_GETTEXTLENGTH, 0, 0);
  if (n <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  int n = ::GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// A caption compared the way a person reads it: without "&" and without an
// accelerator in brackets ("はい(&Y)" reads "はい").
std::wstring Readable(const std::wstring& caption) {
  std::wstring out;
  for (wchar_t c : caption) {
    if (c != L'&') out += c;
  }
  size_t bracket = out.find(L'(');
  if (bracket != std::wstring::npos && bracket > 0 && out.back() == L')' && out.size() - bracket <= 4) {
    out.resize(bracket);
  }
  while (!out.empty() && out.back() == L' ') out.pop_back();
  return out;
}

struct Target {
  std::wstring className;
  std::wstring title;
};

Target ParseTarget(const std::wstring& which) {
  size_t colon = which.find(L':');
  if (colon != std::wstring::npos && colon > 0) return {which.substr(0, colon), which.substr(colon + 1)};
  return {L"", which};
}

struct Search {
  Target target;
  HWND found = nullptr;
  bool visibleOnly = true;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  if (s->visibleOnly && !::IsWindowVisible(window)) return TRUE;
  if (!s->target.className.empty() && ClassOf(window) != s->target.className) return TRUE;
  if (TitleOf(window) != s->target.title) return TRUE;
  s->found = window;
  return FALSE;
}

HWND FindTop(const std::wstring& which, bool visibleOnly = true) {
  Search s{ParseTarget(which), nullptr, visibleOnly};
  ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitTop(const std::wstring& which, int ms) {
  DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND w = FindTop(which)) return w;
    if (static_cast<int>(::GetTickCount() - start) >= ms) return nullptr;
    ::Sleep(50);
  }
}

int ControlId(const std::wstring& name) {
  std::string n = Utf8(name);
  for (const auto& c : zel::ui::kNamedControls) {
    if (n == c.name) return c.id;
  }
  return _wtoi(name.c_str());
}

HWND Control(HWND window, const std::wstring& name) { return ::GetDlgItem(window, ControlId(name)); }

struct ChildSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchButton(HWND child, LPARAM param) {
  auto* s = reinterpret_cast<ChildSearch*>(param);
  if (!::IsWindowVisible(child)) return TRUE;
  std::wstring cls = ClassOf(child);
  if (cls != L"Button" && cls != L"BUTTON" && cls.find(L"Button") == std::wstring::npos) return TRUE;
  if (Readable(TextOf(child)) != Readable(s->caption)) return TRUE;
  s->found = child;
  return FALSE;
}

HWND FindButton(HWND window, const std::wstring& caption) {
  ChildSearch s{caption, nullptr};
  ::EnumChildWindows(window, MatchButton, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// The button of that caption in a visible window of that class and title,
// waited for up to ms: a window that has just been shown may not have its
// buttons yet, and a closing one of the same title may still come first.
HWND WaitButton(const std::wstring& which, const std::wstring& caption, int ms) {
  struct All {
    Target target;
    std::vector<HWND> found;
  } all{ParseTarget(which), {}};
  const DWORD start = ::GetTickCount();
  for (;;) {
    all.found.clear();
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* a = reinterpret_cast<All*>(param);
          if (::IsWindowVisible(window) &&
              (a->target.className.empty() || ClassOf(window) == a->target.className) &&
              TitleOf(window) == a->target.title) {
            a->found.push_back(window);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    for (HWND window : all.found) {
      if (HWND button = FindButton(window, caption)) return button;
    }
    if (static_cast<int>(::GetTickCount() - start) >= ms) break;
    ::Sleep(50);
  }
  Complain(L"no button " + caption + L" in " + std::to_wstring(all.found.size()) + L" window(s) " + which + L"; their controls:");
  for (HWND window : all.found) {
    ::EnumChildWindows(
        window,
        [](HWND child, LPARAM) -> BOOL {
          Complain(L"  " + ClassOf(child) + L"\t" + (::IsWindowVisible(child) ? L"visible\t" : L"hidden\t") + TitleOf(child));
          return TRUE;
        },
        0);
  }
  return nullptr;
}

void Press(HWND button) {
  // A click as the button itself takes it (a check box toggles, a radio
  // button is chosen); posted, not sent: the handler may open a modal box.
  ::PostMessageW(button, BM_CLICK, 0, 0);
}

// The message box of the moment: the standard dialog class or the program's
// own box, visible.
struct BoxSearch {
  HWND found = nullptr;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
  if (!::IsWindowVisible(window)) return TRUE;
  std::wstring cls = ClassOf(window);
  if (cls != L"#32770" && cls != L"ZelMsgBox" && cls != L"ZelInputBox") return TRUE;
  reinterpret_cast<BoxSearch*>(param)->found = window;
  return FALSE;
}

HWND WaitBox(int ms) {
  DWORD start = ::GetTickCount();
  for (;;) {
    BoxSearch s;
    ::EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    if (static_cast<int>(::GetTickCount() - start) >= ms) return nullptr;
    ::Sleep(50);
  }
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  std::wstring cls = ClassOf(child);
  // The program's own box keeps its plain text in a hidden label.
  const bool ownText = ::GetDlgCtrlID(child) == zel::ui::kIdMessageText;
  if (!::IsWindowVisible(child) && !ownText) return TRUE;
  std::wstring text = TextOf(child);
  if (text.empty()) return TRUE;
  if (cls == L"Button") Print(L"button\t" + Readable(text));
  else Print(L"text\t" + OneLine(text));
  return TRUE;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
  wchar_t handle[32];
  swprintf(handle, 32, L"%p", static_cast<void*>(window));
  Print(std::wstring(handle) + L"\t" + ClassOf(window) + L"\t" + (::IsWindowVisible(window) ? L"visible" : L"hidden") +
        L"\t" + TitleOf(window));
  return TRUE;
}

UINT KeyCode(const std::wstring& key) {
  if (key.size() >= 2 && key[0] == L'F' && iswdigit(key[1])) return VK_F1 + static_cast<UINT>(_wtoi(key.c_str() + 1)) - 1;
  if (key == L"ENTER") return VK_RETURN;
  if (key == L"ESC") return VK_ESCAPE;
  if (key == L"TAB") return VK_TAB;
  if (key == L"UP") return VK_UP;
  if (key == L"DOWN") return VK_DOWN;
  if (key.size() == 1 && ((key[0] >= L'A' && key[0] <= L'Z') || (key[0] >= L'0' && key[0] <= L'9'))) return key[0];
  return 0;
}

int Usage() {
  Print(L"usage: zeldrv windows|find|gone|text|items|select|click|key|settext|close|msgbox|answer ...");
  return 2;
}

int Run(const std::vector<std::wstring>& a) {
  if (a.empty()) return Usage();
  const std::wstring& cmd = a[0];
  auto ms = [&](size_t i, int dflt) { return a.size() > i ? _wtoi(a[i].c_str()) : dflt; };

  if (cmd == L"windows") {
    ::EnumWindows(PrintWindow, 0);
    return 0;
  }
  if (cmd == L"drive" && a.size() >= 2 && !a[1].empty()) {
    const std::wstring root = a[1].substr(0, 1) + L":\\";
    DWORD serial = 0;
    const BOOL known = ::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    wchar_t text[32];
    swprintf(text, 32, L"%u %x", ::GetDriveTypeW(root.c_str()), known ? serial : 0u);
    Print(text);
    return 0;
  }
  if (cmd == L"find" && a.size() >= 2) {
    HWND w = WaitTop(a[1], ms(2, 10000));
    if (!w) return 1;
    PrintWindow(w, 0);
    return 0;
  }
  if (cmd == L"gone" && a.size() >= 2) {
    DWORD start = ::GetTickCount();
    while (FindTop(a[1], false)) {
      if (static_cast<int>(::GetTickCount() - start) >= ms(2, 10000)) return 1;
      ::Sleep(50);
    }
    return 0;
  }
  if (cmd == L"msgbox") {
    HWND box = WaitBox(ms(1, 10000));
    if (!box) return 1;
    Print(L"title\t" + TitleOf(box));
    ::EnumChildWindows(box, PrintChild, 0);
    return 0;
  }
  if (cmd == L"answer" && a.size() >= 2) {
    HWND box = WaitBox(ms(2, 10000));
    if (!box) return 1;
    HWND button = FindButton(box, a[1]);
    if (!button) return 1;
    Press(button);
    return 0;
  }
  if (cmd == L"lock" && a.size() >= 4) {
    HANDLE file = ::CreateFileW(a[1].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE ready = ::CreateFileW(a[2].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) ::CloseHandle(ready);
    ::Sleep(static_cast<DWORD>(_wtoi(a[3].c_str())));
    ::CloseHandle(file);
    return 0;
  }
  if (cmd == L"attrib" && a.size() >= 2) {
    DWORD attributes = ::GetFileAttributesW(a[1].c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return 1;
    wchar_t hex[16];
    swprintf(hex, 16, L"%lx", attributes);
    Print(hex);
    return 0;
  }
  if (a.size() < 2) return Usage();
  HWND window = WaitTop(a[1], 10000);
  if (!window) {
    Complain(L"no visible window " + a[1] + L" within 10 s; the top-level windows:");
    ::EnumWindows(
        [](HWND w, LPARAM) -> BOOL {
          Complain(L"  " + ClassOf(w) + L"\t" + (::IsWindowVisible(w) ? L"visible\t" : L"hidden\t") + TitleOf(w));
          return TRUE;
        },
        0);
    return kNoWindow;
  }
  if (a.size() >= 3 && (cmd == L"text" || cmd == L"items") && !Control(window, a[2])) {
    Complain(L"no control " + a[2] + L" in " + a[1]);
    return kNoControl;
  }
  if (cmd == L"text") {
    if (a.size() < 3) {
      Print(TitleOf(window));
      return 0;
    }
    HWND target = Control(window, a[2]);
    Print(OneLine(TextOf(target)));
    return 0;
  }
  if (cmd == L"items" && a.size() >= 3) {
    HWND list = Control(window, a[2]);
    LRESULT count = Ask(list, LB_GETCOUNT, 0, 0);
    if (count < 0) return 1;
    for (LRESULT i = 0; i < count; ++i) {
      LRESULT len = Ask(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
      std::wstring item(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
      LRESULT got = Ask(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
      item.resize(got > 0 ? static_cast<size_t>(got) : 0);
      Print(OneLine(item));
    }
    return 0;
  }
  if (cmd == L"select" && a.size() >= 4) {
    HWND list = Control(window, a[2]);
    if (!list) return 1;
    int index = _wtoi(a[3].c_str());
    Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return 0;
  }
  if (cmd == L"click" && a.size() >= 3) {
    HWND button = WaitButton(a[1], a[2], 10000);
    if (!button) return kNoControl;
    Press(button);
    return 0;
  }
  if (cmd == L"key" && a.size() >= 3) {
    UINT vk = KeyCode(a[2]);
    if (!vk) return Usage();
    HWND focus = window;
    ::PostMessageW(focus, WM_KEYDOWN, vk, 1);
    ::PostMessageW(focus, WM_KEYUP, vk, 0xC0000001);
    return 0;
  }
  if (cmd == L"settext" && a.size() >= 4) {
    HWND edit = Control(window, a[2]);
    if (!edit) return 1;
    Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[3].c_str()));
    return 0;
  }
  if (cmd == L"activate" && a.size() >= 4) {
    HWND list = Control(window, a[2]);
    if (!list) return 1;
    int index = _wtoi(a[3].c_str());
    Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    return 0;
  }
  if (cmd == L"rclick" && a.size() >= 3) {
    HWND button = WaitButton(a[1], a[2], 10000);
    if (!button) return kNoControl;
    ::PostMessageW(button, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
    ::PostMessageW(button, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
    return 0;
  }
  if (cmd == L"chord" && a.size() >= 3) {
    // The real keyboard path: the window in front, then key events.
    std::wstring chord = a[2];
    size_t plus = chord.find(L'+');
    if (plus == std::wstring::npos) return Usage();
    WORD modifier = chord.substr(0, plus) == L"ALT" ? VK_MENU : VK_CONTROL;
    UINT vk = KeyCode(chord.substr(plus + 1));
    if (!vk) return Usage();
    ::SetForegroundWindow(window);
    ::Sleep(100);
    INPUT in[4] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = modifier;
    in[1].ki.wVk = static_cast<WORD>(vk);
    in[2].ki.wVk = static_cast<WORD>(vk);
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = modifier;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(4, in, sizeof(INPUT));
    return 0;
  }
  if (cmd == L"press" && a.size() >= 3) {
    // The real keyboard path, so that the key reaches the control that has
    // the focus, not the window.
    UINT vk = KeyCode(a[2]);
    if (!vk) return Usage();
    ::SetForegroundWindow(window);
    ::Sleep(100);
    INPUT in[2] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = static_cast<WORD>(vk);
    in[1].ki.wVk = static_cast<WORD>(vk);
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, in, sizeof(INPUT));
    return 0;
  }
  if (cmd == L"visible" && a.size() >= 3) {
    HWND control = Control(window, a[2]);
    if (!control) return 1;
    Print(::IsWindowVisible(control) ? L"1" : L"0");
    return 0;
  }
  if (cmd == L"lit" && a.size() >= 3) {  // a lamp of the main window
    HWND lamp = Control(window, a[2]);
    if (!lamp) return 1;
    Print(::GetPropW(lamp, zel::ui::kLitProperty) ? L"1" : L"0");
    return 0;
  }
  if (cmd == L"enabled" && a.size() >= 3) {
    HWND button = FindButton(window, a[2]);
    if (!button) return 1;
    Print(::IsWindowEnabled(button) ? L"1" : L"0");
    return 0;
  }
  if (cmd == L"xwindow") {
    // The X window Wine shows this window in, for a drop aimed at it alone: other
    // machines' windows may lie at the same place of the shared display.
    HANDLE id = ::GetPropW(window, L"__wine_x11_whole_window");
    if (!id) return 1;
    Print(std::to_wstring(reinterpret_cast<std::uintptr_t>(id)));
    return 0;
  }
  if (cmd == L"post" && a.size() >= 4) {
    ::PostMessageW(window, static_cast<UINT>(_wtoi(a[2].c_str())), static_cast<WPARAM>(_wtoi(a[3].c_str())), 0);
    return 0;
  }
  if (cmd == L"rect") {
    // The window's screen rectangle, or one control's when named.
    HWND of = a.size() >= 3 ? Control(window, a[2]) : window;
    if (!of) return 1;
    RECT r;
    ::GetWindowRect(of, &r);
    wchar_t line[96];
    swprintf(line, 96, L"%ld %ld %ld %ld %d %d", r.left, r.top, r.right, r.bottom, ::GetSystemMetrics(SM_CXSCREEN),
             ::GetSystemMetrics(SM_CYSCREEN));
    Print(line);
    return 0;
  }
  if (cmd == L"layout") {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    RECT client;
    ::GetClientRect(window, &client);
    Print(std::to_wstring(dpi) + L" " + std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom));
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      if (!::IsWindowVisible(child)) continue;
      RECT r;
      ::GetWindowRect(child, &r);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      wchar_t cls[64] = {};
      ::GetClassNameW(child, cls, 64);
      const std::wstring text = TextOf(child);
      const LONG style = ::GetWindowLongW(child, GWL_STYLE);
      const LONG type = style & 0x0F;
      // Only one-line texts that are neither wrapped nor shortened must fit whole.
      const bool button = _wcsicmp(cls, L"Button") == 0 && type != BS_GROUPBOX && type != BS_OWNERDRAW;
      const bool label = _wcsicmp(cls, L"Static") == 0 && (type == SS_LEFTNOWORDWRAP || (style & SS_CENTERIMAGE)) &&
                         !(style & SS_ELLIPSISMASK);
      int need = 0;
      if ((button || label) && !text.empty() && text.find(L'\n') == std::wstring::npos) {
        HDC dc = ::GetDC(child);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT t = {0, 0, 0, 0};
        ::DrawTextW(dc, text.c_str(), -1, &t, DT_CALCRECT | DT_SINGLELINE);
        ::SelectObject(dc, old);
        ::ReleaseDC(child, dc);
        need = t.right;
        if (button && (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE)) {
          need += ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
        }
      }
      wchar_t line[160];
      swprintf(line, 160, L"%d %ls %ld %ld %ld %ld %d ", ::GetDlgCtrlID(child), cls, r.left, r.top, r.right, r.bottom,
               need);
      Print(line + OneLine(text));
    }
    return 0;
  }
  if (cmd == L"checked" && a.size() >= 3) {
    HWND button = FindButton(window, a[2]);
    if (!button) return 1;
    Print(Ask(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"1" : L"0");
    return 0;
  }
  if (cmd == L"close") {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  return Usage();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  const int code = Run(args);
  if (g_unanswered) {
    Complain(L"a window did not answer within 15 s: busy, not gone");
    return kUnanswered;
  }
  return code;
}
