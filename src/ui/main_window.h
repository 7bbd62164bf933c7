// The main window "ゼルカ": hosts the console and the status line, runs the
// loading of the environment and the snapshot preparation, and is the front
// end the core reports to.
#pragma once

#include <windows.h>

#include "platform/frontend.h"
#include "platform/win32/win32_machine.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel::ui {

class MainWindow : public FrontEnd {
 public:
  MainWindow(win32::Win32Machine& machine, Environment& env, Settings& settings, RunningOptions& options);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  bool Create(HINSTANCE instance, int show);
  HWND Handle() const { return window_; }

  void AppendConsole(std::wstring_view line) override;
  void SetStatus(std::wstring_view text) override;
  void Busy() override;
  int Ask(std::wstring_view text, int style, std::wstring_view title) override;
  int AskPlatform(std::wstring_view text, int style, std::wstring_view title) override;
  std::wstring Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) override;
  void Beep() override;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  void Layout();
  // The environment, the main folder list and the snapshot, in this order.
  void Load();
  void OpenOptions();
  void SetBackColour(std::int32_t colour);

  win32::Win32Machine& machine_;
  Environment& env_;
  Settings& settings_;
  RunningOptions& options_;
  MainFolderList mainFolders_;
  Snapshot snapshot_;

  HWND window_ = nullptr;
  HWND console_ = nullptr;
  HWND status_ = nullptr;
  HWND optionsButton_ = nullptr;
  HFONT font_ = nullptr;
  HBRUSH background_ = nullptr;
  bool busy_ = false;
  // A test has run and has not been washed yet.
  bool testPending_ = false;
};

}  // namespace zel::ui
