// Shows the program's message box or input box as a test asks, and reports
// the answer: the exit code is the box's result; the input box's text is
// written to C:\zeltest\input-result.txt (UTF-8).
//
//   msgbox_probe box STYLE TEXT                ownerless
//   msgbox_probe minimised STYLE TEXT          owned by a minimised window
//   msgbox_probe input PROMPT TITLE INITIAL
//
// In TEXT and PROMPT, "{0}" to "{8}" stand for the markup codes.
#include <windows.h>

#include <string>

#include "ui/message_box.h"

namespace {

std::wstring Unescape(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'{' && i + 2 < s.size() && s[i + 1] >= L'0' && s[i + 1] <= L'8' && s[i + 2] == L'}') {
      out += static_cast<wchar_t>(s[i + 1] - L'0');
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

HWND MinimisedOwner() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"ZelProbeOwner";
  ::RegisterClassW(&wc);
  HWND w = ::CreateWindowW(L"ZelProbeOwner", L"probe owner", WS_OVERLAPPEDWINDOW, 100, 100, 500, 400, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ::ShowWindow(w, SW_MINIMIZE);
  return w;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 100;
  std::wstring mode = argv[1];
  if (mode == L"input" && argc >= 5) {
    std::wstring text = zel::ui::InputBoxEx(Unescape(argv[2]), argv[3], argv[4], nullptr);
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    HANDLE f = ::CreateFileW(L"C:\\zeltest\\input-result.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote;
    ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    ::CloseHandle(f);
    return text.empty() ? 2 : 1;
  }
  if (argc < 4) return 100;
  int style = _wtoi(argv[2]);
  std::wstring text = Unescape(argv[3]);
  if (mode == L"box") return zel::ui::MsgBoxEx(text, style, L"", nullptr);
  if (mode == L"minimised") return zel::ui::MsgBoxEx(text, style, L"", MinimisedOwner());
  return 100;
}
