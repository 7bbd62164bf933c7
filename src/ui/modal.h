// What the program's own modal windows share: the wait that keeps window
// events (and so timers) running while the owner is disabled, the UI font,
// and drawing text with the message markup.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "dialog/message_layout.h"
#include "platform/win32/handles.h"

namespace zel::ui {

// Keys of the modal window: returns the answer a key gives, 0 to let the key
// go on to the window.
using KeyAnswer = std::function<int(UINT vk)>;

// Shows window modally to owner: the owner is disabled, the mouse pointer is
// the arrow, window is topmost while it waits; window events are processed
// until *result is not 0 (the window's buttons set it). The owner's enabled
// state and the pointer come back afterwards. Returns *result, or 2 when the
// program is ending.
int RunModal(HWND window, HWND owner, int* result, const KeyAnswer& keys);

// True while one of the program's modal windows waits for an answer.
bool MessageBoxWaiting();

// The program's UI font: "MS UI Gothic", or "ＭＳ Ｐゴシック" when the system
// gives another face for it. 9 points; bold on request.
win32::Font CreateUiFont(bool bold);

// The display's real DPI (96 when the display does not say), read once: the
// program is DPI-aware, so the platform does not scale its windows.
int ScreenDpi();
// A length laid out for 96 DPI, in the display's pixels.
int Scale(int length);

struct Twips {
  int x = 15, y = 15;  // twips per pixel
};
Twips ScreenTwips();

// Draws lines of marked-up text: colour and weight carry on from line to line.
void DrawMarkup(HDC dc, const std::vector<std::wstring>& lines, int left, int top, int lineHeight,
                std::int64_t colours, HFONT normal, HFONT bold);

// Lets the window process what waits for it (the busy indicator's part);
// a quit message is put back for the main loop.
void PumpMessages();
// Width and height of a text in the font, pixels.
SIZE MeasureText(HDC dc, HFONT font, const std::wstring& text);

}  // namespace zel::ui
