#include "ui/modal.h"


namespace zel::ui {
namespace {
int g_waiting = 0;
}  // namespace

bool MessageBoxWaiting() { return g_waiting > 0; }

int RunModal(HWND window, HWND owner, int* result, const KeyAnswer& keys) {
  HCURSOR cursor = ::GetCursor();
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  const bool ownerEnabled = owner && ::IsWindowEnabled(owner);
  if (owner) ::EnableWindow(owner, FALSE);

  const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW;  // 0x43
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
  ::ShowWindow(window, SW_SHOW);
  ::MessageBeep(MB_OK);

  *result = 0;
  ++g_waiting;
  MSG msg;
  while (*result == 0) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {  // the program is ending: leave the quit for the main loop
      ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);
      *result = 2;
      break;
    }
    const bool ours = msg.hwnd == window || ::IsChild(window, msg.hwnd);
    if (ours && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)) {
      int answer = keys(static_cast<UINT>(msg.wParam));
      if (answer != 0) {
        *result = answer;
        break;
      }
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  --g_waiting;
  ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  ::ShowWindow(window, SW_HIDE);
  ::SetCursor(cursor);
  if (owner) {
    ::EnableWindow(owner, ownerEnabled ? TRUE : FALSE);
    ::ShowWindow(owner, SW_SHOW);
    ::SetActiveWindow(owner);
  }
  return *result;
}

win32::Font CreateUiFont(bool bold) {
  win32::WindowDc dc(nullptr);
  int height = -::MulDiv(9, ::GetDeviceCaps(dc.Get(), LOGPIXELSY), 72);
  auto make = [&](const wchar_t* face) {
    return ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  };
  win32::Font font(make(dialog::kPreferredFace));
  wchar_t face[LF_FACESIZE] = {};
  {
    win32::SelectGuard selected(dc.Get(), font.Get());
    ::GetTextFaceW(dc.Get(), LF_FACESIZE, face);
  }
  if (dialog::ChooseFace(face) != dialog::kPreferredFace) font.Reset(make(dialog::kFallbackFace));
  return font;
}

int ScreenDpi() {
  static const int dpi = [] {
    win32::WindowDc dc(nullptr);
    const int d = dc.Get() ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
    return d > 0 ? d : 96;
  }();
  return dpi;
}

int Scale(int length) { return ::MulDiv(length, ScreenDpi(), 96); }

Twips ScreenTwips() {
  win32::WindowDc dc(nullptr);
  Twips t;
  int dpiX = ::GetDeviceCaps(dc.Get(), LOGPIXELSX), dpiY = ::GetDeviceCaps(dc.Get(), LOGPIXELSY);
  if (dpiX > 0) t.x = 1440 / dpiX;
  if (dpiY > 0) t.y = 1440 / dpiY;
  return t;
}

SIZE MeasureText(HDC dc, HFONT font, const std::wstring& text) {
  win32::SelectGuard selected(dc, font);
  SIZE size = {0, 0};
  if (text.empty()) {
    ::GetTextExtentPoint32W(dc, L"A", 1, &size);
    size.cx = 0;
  } else {
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  }
  return size;
}

void DrawMarkup(HDC dc, const std::vector<std::wstring>& lines, int left, int top, int lineHeight,
                std::int64_t colours, HFONT normal, HFONT bold) {
  ::SetBkMode(dc, TRANSPARENT);
  size_t line = static_cast<size_t>(-1);
  int x = left;
  for (const dialog::TextRun& run : dialog::DrawRuns(lines)) {
    if (run.line != line) {
      line = run.line;
      x = left;
    }
    win32::SelectGuard selected(dc, run.bold ? bold : normal);
    ::SetTextColor(dc, static_cast<COLORREF>(dialog::PaletteColour(colours, run.colour)));
    int y = top + static_cast<int>(run.line) * lineHeight;
    ::TextOutW(dc, x, y, run.text.c_str(), static_cast<int>(run.text.size()));
    SIZE size;
    ::GetTextExtentPoint32W(dc, run.text.c_str(), static_cast<int>(run.text.size()), &size);
    x += size.cx;
  }
}

void PumpMessages() {
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

}  // namespace zel::ui
