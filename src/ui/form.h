// One way to make the program's windows: a class registered once, a window
// centred on its owner and kept on the screen on every side, child controls
// from a table, a control's text read whole. RunModal (modal.h) shows it.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "platform/win32/handles.h"
#include "ui/modal.h"

namespace zel::ui {

// A window class, registered on first use (the same name is registered once).
struct FormClass {
  const wchar_t* name;
  WNDPROC proc;
  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  HICON icon = nullptr;
};
bool RegisterFormClass(const FormClass& cls);

// A form's window, not yet shown.
struct FormSetup {
  FormClass cls;
  const wchar_t* title = L"";
  HWND owner = nullptr;
  // The client size laid out for 96 DPI and scaled to the display; zero
  // leaves the window unplaced for a later PlaceForm.
  int clientWidth = 0, clientHeight = 0;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  DWORD exStyle = WS_EX_DLGMODALFRAME;
  void* state = nullptr;  // GWLP_USERDATA, for the window's procedure
};
win32::Window CreateForm(const FormSetup& setup);

// Gives the window the client size (pixels) and places it centred on owner,
// or on the screen when the owner is absent, hidden or minimised; a window
// larger than the screen stands at its top left, any other lies wholly on it.
void PlaceForm(HWND window, HWND owner, int clientWidth, int clientHeight);

// The left or top of a window of length size centred on an owner spanning
// ownerStart to ownerEnd, kept within a screen of length screen.
int CentredWithin(int ownerStart, int ownerEnd, int size, int screen);

// A child control; x, y, w and h in the table's units.
struct ControlSetup {
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  int id;
  int x, y, w, h;
  DWORD exStyle = 0;
};
enum class Units { Dpi96, Pixels };

// A visible child control in the font.
HWND AddControl(HWND parent, HFONT font, const ControlSetup& setup, Units units = Units::Dpi96);
void AddControls(HWND parent, HFONT font, std::span<const ControlSetup> table, Units units = Units::Dpi96);

// The whole text of a window or control, however long.
std::wstring WindowText(HWND window);
// The text of a list box's line; empty when there is no such line.
std::wstring ListItemText(HWND list, int index);

// Where a drawn picture goes: its top-left corner in the display's pixels.
// The pictures are written at 96 DPI in their own coordinates; X and Y scale
// them, so that they grow with the display as the controls do.
struct Canvas {
  HDC dc;
  int x, y;
  int X(int v) const { return x + Scale(v); }
  int Y(int v) const { return y + Scale(v); }
};

}  // namespace zel::ui
