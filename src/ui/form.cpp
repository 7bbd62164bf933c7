#include "ui/form.h"

#include <algorithm>

namespace zel::ui {

bool RegisterFormClass(const FormClass& cls) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  if (::GetClassInfoExW(instance, cls.name, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = cls.proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = cls.icon;
  wc.hbrBackground = cls.background;
  wc.lpszClassName = cls.name;
  return ::RegisterClassExW(&wc) != 0;
}

int CentredWithin(int ownerStart, int ownerEnd, int size, int screen) {
  const int centred = ownerStart + (ownerEnd - ownerStart - size) / 2;
  return std::max(0, std::min(centred, screen - size));
}

void PlaceForm(HWND window, HWND owner, int clientWidth, int clientHeight) {
  RECT r = {0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int screenW = ::GetSystemMetrics(SM_CXSCREEN), screenH = ::GetSystemMetrics(SM_CYSCREEN);
  RECT around = {0, 0, screenW, screenH};
  if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &around);
  ::MoveWindow(window, CentredWithin(around.left, around.right, w, screenW),
               CentredWithin(around.top, around.bottom, h, screenH), w, h, FALSE);
}

win32::Window CreateForm(const FormSetup& setup) {
  if (!RegisterFormClass(setup.cls)) return win32::Window();
  win32::Window window(::CreateWindowExW(setup.exStyle, setup.cls.name, setup.title, setup.style, 0, 0, 100, 100,
                                         setup.owner, nullptr, ::GetModuleHandleW(nullptr), nullptr));
  if (!window) return window;
  if (setup.state) ::SetWindowLongPtrW(window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(setup.state));
  if (setup.clientWidth > 0 && setup.clientHeight > 0) {
    PlaceForm(window.Get(), setup.owner, Scale(setup.clientWidth), Scale(setup.clientHeight));
  }
  return window;
}

HWND AddControl(HWND parent, HFONT font, const ControlSetup& c, Units units) {
  auto u = [units](int length) { return units == Units::Dpi96 ? Scale(length) : length; };
  HWND child = ::CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, u(c.x), u(c.y), u(c.w),
                                 u(c.h), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

void AddControls(HWND parent, HFONT font, std::span<const ControlSetup> table, Units units) {
  for (const ControlSetup& c : table) AddControl(parent, font, c, units);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(std::max(0, ::GetWindowTextLengthW(window))) + 1, L'\0');
  const int got = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(0, got)));
  return text;
}

std::wstring ListItemText(HWND list, int index) {
  const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

}  // namespace zel::ui
