// The program's message box. Every message and question goes through MsgBoxEx.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zel::ui {

// text: "|" breaks lines, codes 0 to 8 colour and emphasise; style: the
// classic button set, default-button and icon bits; title: the caption, or the
// application's title when empty. Returns 1 OK, 2 Cancel, 6 Yes, 7 No.
int MsgBoxEx(std::wstring_view text, int style, std::wstring_view title, HWND owner);
// The same with the active window of the program as the owner.
int MsgBoxEx(std::wstring_view text, int style, std::wstring_view title);

// The platform's standard box with the text cleaned of the markup.
int PlatformMsgBox(std::wstring_view text, int style, std::wstring_view title, HWND owner);

// A one-line input box; an empty text when cancelled.
std::wstring InputBoxEx(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial, HWND owner);

}  // namespace zel::ui
