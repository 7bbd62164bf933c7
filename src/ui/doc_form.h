// The text viewer window (DocForm): a read-only view of a text file.
#pragma once

#include <windows.h>

#include <string>

#include "platform/filesystem.h"
#include "platform/win32/handles.h"

namespace zel::ui {

class DocForm {
 public:
  explicit DocForm(FileSystem& fs) : fs_(fs) {}
  ~DocForm();
  DocForm(const DocForm&) = delete;
  DocForm& operator=(const DocForm&) = delete;

  // Shows the file (code page 932, or UTF-8 / UTF-16 with their byte-order
  // marks), opening the window when needed.
  void Show(HWND owner, const std::wstring& path);
  // Shows a text (CR LF lines) under a name.
  void ShowText(HWND owner, const std::wstring& name, const std::wstring& text);
  void Close();
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  FileSystem& fs_;
  // The window ends with its owner as well as here: its WM_DESTROY forgets it.
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  win32::Font font_;
};

}  // namespace zel::ui
