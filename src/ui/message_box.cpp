#include "ui/message_box.h"

#include <memory>

#include "dialog/message_layout.h"
#include "platform/frontend.h"
#include "platform/win32/handles.h"
#include "ui/control_ids.h"
#include "ui/form.h"

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
  win32::Font normal = CreateUiFont(false);
  win32::Font bold = CreateUiFont(true);
  std::int64_t colours = 1 << 24;
  int lineHeight = 0;  // pixels
  int left = 0, top = 0;
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
    DrawMarkup(dc, text->lines, text->left, text->top, text->lineHeight, text->colours, text->normal.Get(),
               text->bold.Get());
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

// A control the layout places afterwards.
HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, HFONT font) {
  return AddControl(parent, font, {cls, text, style, id, 0, 0, 0, 0}, Units::Pixels);
}

// The plain text, hidden, for readers that cannot see the drawing (and for tests).
void AddPlainText(HWND parent, std::wstring_view text, HFONT font) {
  ::ShowWindow(Child(parent, L"STATIC", dialog::PlainText(text).c_str(), 0, kIdMessageText, font), SW_HIDE);
}

win32::Window CreateBox(const wchar_t* className, WNDPROC proc, std::wstring_view title, HWND owner, BoxForm* form) {
  const std::wstring caption = title.empty() ? std::wstring(kAppTitle) : std::wstring(title);
  return CreateForm({.cls = {className, proc}, .title = caption.c_str(), .owner = owner, .state = form});
}

// The box itself; 0 when it could not be made (the caller falls back).
int ShowMessageForm(std::wstring_view text, int style, std::wstring_view title, HWND owner) {
  auto form = std::make_unique<BoxForm>();
  const win32::Window box = CreateBox(kMessageBoxClass, MessageProc, title, owner, form.get());
  if (!box) return 0;
  HWND window = box.Get();

  const Twips tpp = ScreenTwips();
  const std::wstring normalized = dialog::NormalizeMarkup(text);
  form->text.lines = dialog::SplitLines(normalized);
  form->text.colours = DisplayColours();
  const bool bold = dialog::HasBold(normalized);
  const dialog::ButtonSet buttons = dialog::ButtonsFor(style);

  dialog::LayoutInput in;
  {
    win32::WindowDc dc(window);
    HFONT normal = form->text.normal.Get();
    HFONT measureFont = bold ? form->text.bold.Get() : normal;
    for (const std::wstring& line : form->text.lines) in.lineWidths.push_back(MeasureText(dc.Get(), measureFont, line).cx * tpp.x);
    in.textHeightOfA = MeasureText(dc.Get(), normal, L"A").cy * tpp.y;
    for (dialog::Button b : buttons.shown) {
      int width = MeasureText(dc.Get(), normal, Caption(b)).cx * tpp.x + 480;
      in.buttonWidths.push_back(width < kButtonMinWidthTwips ? kButtonMinWidthTwips : width);
    }
  }
  RECT frame = {0, 0, 100, 100};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
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

  HFONT font = form->text.normal.Get();
  HWND icon = Child(window, L"STATIC", L"", SS_ICON, kIdMessageIcon, font);
  ::SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_INFORMATION)), 0);
  ::MoveWindow(icon, 180 / tpp.x, layout.iconTop / tpp.y, 32, 32, FALSE);
  AddPlainText(window, text, font);

  HWND focus = nullptr;
  for (size_t i = 0; i < buttons.shown.size(); ++i) {
    dialog::Button b = buttons.shown[i];
    DWORD bstyle = WS_TABSTOP | (b == buttons.focus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = Child(window, L"BUTTON", Caption(b), bstyle, ButtonId(b), font);
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
  auto form = std::make_unique<BoxForm>();
  const win32::Window box = CreateBox(kInputBoxClass, InputProc, title, owner, form.get());
  if (!box) return std::wstring();
  HWND window = box.Get();
  HFONT font = form->text.normal.Get();
  form->text.lines = dialog::SplitLines(dialog::NormalizeMarkup(prompt));
  form->text.colours = DisplayColours();

  // Prompt lines at the top, the field below them, OK and Cancel at the right.
  int widest = 0, lineHeight = 0;
  {
    win32::WindowDc dc(window);
    for (const std::wstring& line : form->text.lines) {
      SIZE s = MeasureText(dc.Get(), form->text.bold.Get(), line);
      widest = std::max<int>(widest, s.cx);
    }
    lineHeight = MeasureText(dc.Get(), font, L"A").cy + 2;
  }
  const int margin = Scale(12), buttonW = Scale(84), buttonH = Scale(25), gap = Scale(8);
  const int fieldH = std::max(Scale(22), lineHeight + Scale(6));
  const int clientW = std::max(widest + 2 * margin, Scale(360));
  const int linesH = static_cast<int>(form->text.lines.size()) * lineHeight;
  const int clientH = margin + linesH + gap + fieldH + Scale(12) + buttonH + margin;
  form->text.left = margin;
  form->text.top = margin;
  form->text.lineHeight = lineHeight;
  PlaceForm(window, owner, clientW, clientH);

  AddPlainText(window, prompt, font);
  const std::wstring initialText(initial);
  HWND edit = AddControl(window, font,
                         {L"EDIT", initialText.c_str(), WS_TABSTOP | ES_AUTOHSCROLL, kIdInputLine, margin,
                          margin + linesH + gap, clientW - 2 * margin, fieldH, WS_EX_CLIENTEDGE},
                         Units::Pixels);
  const int buttonsTop = clientH - margin - buttonH;
  AddControl(window, font,
             {L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, clientW - margin - 2 * buttonW - gap, buttonsTop,
              buttonW, buttonH},
             Units::Pixels);
  HWND cancel = AddControl(
      window, font, {L"BUTTON", L"キャンセル", WS_TABSTOP, IDCANCEL, clientW - margin - buttonW, buttonsTop, buttonW, buttonH},
      Units::Pixels);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);

  int answer = RunModal(window, owner, &form->result, [&](UINT vk) {
    if (vk == VK_RETURN) return ::GetFocus() == cancel ? 2 : 1;
    if (vk == VK_ESCAPE) return 2;
    return 0;
  });
  return answer == 1 ? WindowText(edit) : std::wstring();
}

}  // namespace zel::ui
