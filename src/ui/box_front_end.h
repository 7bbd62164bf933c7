// A front end for windows that only ask: questions go to the program's
// message box owned by one window, progress goes nowhere.
#pragma once

#include <windows.h>

#include "platform/frontend.h"
#include "ui/message_box.h"

namespace zel::ui {

class BoxFrontEnd : public FrontEnd {
 public:
  explicit BoxFrontEnd(HWND owner) : owner_(owner) {}
  void AppendConsole(std::wstring_view) override {}
  void SetStatus(std::wstring_view) override {}
  void Busy() override {}
  int Ask(std::wstring_view text, int style, std::wstring_view title) override {
    return MsgBoxEx(text, style, title, owner_);
  }
  int AskPlatform(std::wstring_view text, int style, std::wstring_view title) override {
    return PlatformMsgBox(text, style, title, owner_);
  }
  std::wstring Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) override {
    return InputBoxEx(prompt, title, initial, owner_);
  }
  void Beep() override { ::MessageBeep(MB_OK); }

 private:
  HWND owner_;
};

}  // namespace zel::ui
