#include "ui/message_box.h"

#include <memory>

#include "dialog/message_layout.h"
#include "platform/frontend.h"
#include "platform/win32/handles.h"
#include "ui/control_ids.h"
#include "ui/modal.h"

namespace zel::ui {

int PlatformMsgBox(std::wstring_view text, int style, std::wstring_view title, HWND owner) {
  std::wstring clean = PlainMessageText(text);
  std::wstring caption = title.empty() ? std::wstring(kAppTitle) : std::wstring(title);
  return ::MessageBoxW(owner, clean.c_str(), caption.c_str(), static_cast<UINT>(style));
}

namespace {

constexpr int kButtonHeightTwips = 375;
constexpr int kButtonMinWidthTwips = 1215;

const wchar_t* Caption(dialog::Button b) {
  switch (b) {
    case dialog::Button::Ok: return L"OK";
    case dialog::Button::Cancel: return L"キャンセル";
    case dialog::Button::Yes: return L"はい(&Y)";
    case dialog::Button::No: return L"いいえ(&N)";
  }
  return L"OK";
}

int ButtonId(dialog::Button b) {
  switch (b) {
    case dialog::Button::Ok: return IDOK;
    case dialog::Button::Cancel: return IDCANCEL;
    case dialog::Button::Yes: return IDYES;
    case dialog::Button::No: return IDNO;
  }
  return IDOK;
}

// Fonts, lines and palette of one box, shared by its painting and layout.
struct MarkupText {
  std::vector<std::wstring> lines;
  HFONT normal = CreateUiFont(false);
  HFONT bold = CreateUiFont(true);
  std::int64_t colours = 1 << 24;
  int lineHeight = 0;  // pixels
  int left = 0, top = 0;
  ~MarkupText() {
    ::DeleteObject(normal);
    ::DeleteObject(bold);
  }
};

std::int64_t DisplayColours() {
  win32::WindowDc dc(nullptr);
  int bits = ::GetDeviceCaps(dc.Get(), BITSPIXEL);
  int planes = ::GetDeviceCaps(dc.Get(), PLANES);
  if (bits > 24) bits = 24;
  return (1LL << bits) * (planes > 0 ? planes : 1);
}

// The marked-up text of a box, painted where its layout put it.
void PaintMarkup(HWND window, const MarkupText* text) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(window, &ps);
  if (text)
    DrawMarkup(dc, text->lines, text->left, text->top, text->lineHeight, text->colours, text->normal, text->bold);
  ::EndPaint(window, &ps);
}

// --- the message box ------------------------------------------------------------

// A box of either kind: its text and the button that answered (0 while it waits).
struct BoxForm {
  MarkupText text;
  int result = 0;
};

LRESULT CALLBACK MessageProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* form = reinterpret_cast<BoxForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (msg) {
    case WM_PAINT:
      PaintMarkup(window, form ? &form->text : nullptr);
      return 0;
    case WM_COMMAND:
      if (form && HIWORD(wp) == BN_CLICKED) {
        switch (LOWORD(wp)) {
          case IDOK: form->result = 1; return 0;
          case IDCANCEL: form->result = 2; return 0;
          case IDYES: form->result = 6; return 0;
          case IDNO: form->result = 7; return 0;
        }
      }
      break;
    case WM_CLOSE:
      // Closing the window counts as Escape: only where Cancel or OK is shown.
      if (form && ::IsWindowVisible(::GetDlgItem(window, IDCANCEL))) form->result = 2;
      else if (form && ::IsWindowVisible(::GetDlgItem(window, IDOK))) form->result = 2;
      return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

bool RegisterOnce(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc = {};
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), name, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return ::RegisterClassExW(&wc) != 0;
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, HFONT font) {
  HWND child = ::CreateWindowExW(0, cls, text, WS_CHILD | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

// The box itself; 0 when it could not be made (the caller falls back).
int ShowMessageForm(std::wstring_view text, int style, std::wstring_view title, HWND owner) {
  if (!RegisterOnce(kMessageBoxClass, MessageProc)) return 0;
  auto form = std::make_unique<BoxForm>();
  const std::wstring caption = title.empty() ? std::wstring(kAppTitle) : std::wstring(title);
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  const DWORD winStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  HWND window = ::CreateWindowExW(exStyle, kMessageBoxClass, caption.c_str(), winStyle, 0, 0, 100, 100, owner,
                                  nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!window) return 0;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form.get()));

  const Twips tpp = ScreenTwips();
  const std::wstring normalized = dialog::NormalizeMarkup(text);
  form->text.lines = dialog::SplitLines(normalized);
  form->text.colours = DisplayColours();
  const bool bold = dialog::HasBold(normalized);
  const dialog::ButtonSet buttons = dialog::ButtonsFor(style);

  dialog::LayoutInput in;
  {
    win32::WindowDc dc(window);
    HFONT measureFont = bold ? form->text.bold : form->text.normal;
    for (const std::wstring& line : form->text.lines) in.lineWidths.push_back(MeasureText(dc.Get(), measureFont, line).cx * tpp.x);
    in.textHeightOfA = MeasureText(dc.Get(), form->text.normal, L"A").cy * tpp.y;
    for (dialog::Button b : buttons.shown) {
      int width = MeasureText(dc.Get(), form->text.normal, Caption(b)).cx * tpp.x + 480;
      in.buttonWidths.push_back(width < kButtonMinWidthTwips ? kButtonMinWidthTwips : width);
    }
  }
  RECT frame = {0, 0, 100, 100};
  ::AdjustWindowRectEx(&frame, winStyle, FALSE, exStyle);
  in.frameWidth = (frame.right - frame.left - 100) * tpp.x;
  in.frameHeight = (frame.bottom - frame.top - 100) * tpp.y;
  in.buttonHeight = kButtonHeightTwips;
  RECT ownerRect = {-32000, -32000, -32000, -32000};
  if (owner && !::IsIconic(owner)) ::GetWindowRect(owner, &ownerRect);
  in.owner = {ownerRect.left * tpp.x, ownerRect.top * tpp.y, (ownerRect.right - ownerRect.left) * tpp.x,
              (ownerRect.bottom - ownerRect.top) * tpp.y};
  in.screenWidth = ::GetSystemMetrics(SM_CXSCREEN) * tpp.x;
  in.screenHeight = ::GetSystemMetrics(SM_CYSCREEN) * tpp.y;
  in.twipsPerPixelY = tpp.y;
  const dialog::LayoutResult layout = dialog::LayoutMessageBox(in);

  form->text.lineHeight = layout.lineHeight / tpp.y;
  form->text.left = layout.textLeft / tpp.x;
  form->text.top = layout.textTop(0) / tpp.y;
  ::MoveWindow(window, layout.window.left / tpp.x, layout.window.top / tpp.y, layout.window.width / tpp.x,
               layout.window.height / tpp.y, FALSE);

  HWND icon = Child(window, L"STATIC", L"", WS_VISIBLE | SS_ICON, kIdMessageIcon, form->text.normal);
  ::SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_INFORMATION)), 0);
  ::MoveWindow(icon, 180 / tpp.x, layout.iconTop / tpp.y, 32, 32, FALSE);
  // The plain text, for readers that cannot see the drawing (and for tests).
  Child(window, L"STATIC", dialog::PlainText(text).c_str(), 0, kIdMessageText, form->text.normal);

  HWND focus = nullptr;
  for (size_t i = 0; i < buttons.shown.size(); ++i) {
    dialog::Button b = buttons.shown[i];
    DWORD bstyle = WS_VISIBLE | WS_TABSTOP | (b == buttons.focus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = Child(window, L"BUTTON", Caption(b), bstyle, ButtonId(b), form->text.normal);
    ::MoveWindow(button, layout.buttonLefts[i] / tpp.x, layout.buttonTop / tpp.y, in.buttonWidths[i] / tpp.x,
                 kButtonHeightTwips / tpp.y, FALSE);
    if (b == buttons.focus) focus = button;
  }
  ::ShowWindow(window, SW_SHOW);
  if (focus) ::SetFocus(focus);

  const dialog::ButtonSet keysFor = buttons;
  int answer = RunModal(window, owner, &form->result, [&](UINT vk) {
    if (vk == VK_RETURN) {
      HWND focused = ::GetFocus();
      int id = focused && ::GetParent(focused) == window ? ::GetDlgCtrlID(focused) : ButtonId(keysFor.focus);
      switch (id) {
        case IDOK: return 1;
        case IDCANCEL: return 2;
        case IDYES: return 6;
        case IDNO: return 7;
        default: return dialog::ResultOf(keysFor.focus);
      }
    }
    if (vk == VK_ESCAPE) return dialog::KeyResult(keysFor, 27);
    if (vk == 'Y' || vk == 'N') return dialog::KeyResult(keysFor, static_cast<wchar_t>(vk));
    return 0;
  });
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
  return answer;
}

}  // namespace

int MsgBoxEx(std::wstring_view text, int style, std::wstring_view title, HWND owner) {
  int answer = ShowMessageForm(text, style, title, owner);
  if (answer != 0) return answer;
  // The box could not be made: the platform's box, with the markup cleaned.
  if (style == 0) return PlatformMsgBox(text, MB_OK, L"", owner);
  return PlatformMsgBox(text, style, L"", owner);
}

int MsgBoxEx(std::wstring_view text, int style, std::wstring_view title) {
  return MsgBoxEx(text, style, title, ::GetActiveWindow());
}

// --- the input box ------------------------------------------------------------

namespace {

LRESULT CALLBACK InputProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* form = reinterpret_cast<BoxForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (msg) {
    case WM_PAINT:
      PaintMarkup(window, form ? &form->text : nullptr);
      return 0;
    case WM_COMMAND:
      if (form && HIWORD(wp) == BN_CLICKED) {
        if (LOWORD(wp) == IDOK) form->result = 1;
        if (LOWORD(wp) == IDCANCEL) form->result = 2;
        return 0;
      }
      break;
    case WM_CLOSE:
      if (form) form->result = 2;
      return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

}  // namespace

std::wstring InputBoxEx(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial, HWND owner) {
  if (!RegisterOnce(kInputBoxClass, InputProc)) return std::wstring();
  auto form = std::make_unique<BoxForm>();
  const std::wstring caption = title.empty() ? std::wstring(kAppTitle) : std::wstring(title);
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  const DWORD winStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  HWND window = ::CreateWindowExW(exStyle, kInputBoxClass, caption.c_str(), winStyle, 0, 0, 100, 100, owner, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
  if (!window) return std::wstring();
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form.get()));
  form->text.lines = dialog::SplitLines(dialog::NormalizeMarkup(prompt));
  form->text.colours = DisplayColours();

  // Prompt lines at the top, the field below them, OK and Cancel at the right.
  int widest = 0, lineHeight = 0;
  {
    win32::WindowDc dc(window);
    for (const std::wstring& line : form->text.lines) {
      SIZE s = MeasureText(dc.Get(), form->text.bold, line);
      widest = std::max<int>(widest, s.cx);
    }
    lineHeight = MeasureText(dc.Get(), form->text.normal, L"A").cy + 2;
  }
  const int margin = Scale(12), buttonW = Scale(84), buttonH = Scale(25), gap = Scale(8);
  const int fieldH = std::max(Scale(22), lineHeight + Scale(6));
  const int clientW = std::max(widest + 2 * margin, Scale(360));
  const int linesH = static_cast<int>(form->text.lines.size()) * lineHeight;
  const int clientH = margin + linesH + gap + fieldH + Scale(12) + buttonH + margin;
  form->text.left = margin;
  form->text.top = margin;
  form->text.lineHeight = lineHeight;
  RECT r = {0, 0, clientW, clientH};
  ::AdjustWindowRectEx(&r, winStyle, FALSE, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;
  RECT ownerRect;
  int x, y;
  if (owner && !::IsIconic(owner) && ::GetWindowRect(owner, &ownerRect)) {
    x = ownerRect.left + ((ownerRect.right - ownerRect.left) - w) / 2;
    y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - h) / 2;
  } else {
    x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    y = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  }
  x = std::max(0, std::min(x, ::GetSystemMetrics(SM_CXSCREEN) - w));
  y = std::max(0, std::min(y, ::GetSystemMetrics(SM_CYSCREEN) - h));
  ::MoveWindow(window, x, y, w, h, FALSE);

  Child(window, L"STATIC", dialog::PlainText(prompt).c_str(), 0, kIdMessageText, form->text.normal);
  HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", std::wstring(initial).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, margin, margin + linesH + gap,
                                clientW - 2 * margin, fieldH, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdInputLine)), ::GetModuleHandleW(nullptr),
                                nullptr);
  ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(form->text.normal), FALSE);
  const int buttonsTop = clientH - margin - buttonH;
  HWND ok = Child(window, L"BUTTON", L"OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, form->text.normal);
  ::MoveWindow(ok, clientW - margin - 2 * buttonW - gap, buttonsTop, buttonW, buttonH, FALSE);
  HWND cancel = Child(window, L"BUTTON", L"キャンセル", WS_VISIBLE | WS_TABSTOP, IDCANCEL, form->text.normal);
  ::MoveWindow(cancel, clientW - margin - buttonW, buttonsTop, buttonW, buttonH, FALSE);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);

  int answer = RunModal(window, owner, &form->result, [&](UINT vk) {
    if (vk == VK_RETURN) return ::GetFocus() == cancel ? 2 : 1;
    if (vk == VK_ESCAPE) return 2;
    return 0;
  });
  std::wstring result;
  if (answer == 1) {
    int n = ::GetWindowTextLengthW(edit);
    result.assign(static_cast<size_t>(n) + 1, L'\0');
    ::GetWindowTextW(edit, result.data(), n + 1);
    result.resize(static_cast<size_t>(n));
  }
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
  return result;
}

}  // namespace zel::ui
