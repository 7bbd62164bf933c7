// Top-level windows and other programs: what the run monitor, the wash and
// the registry export need of the desktop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

using WindowHandle = std::intptr_t;

struct TopWindow {
  WindowHandle handle = 0;
  std::wstring title;
  std::wstring className;
  std::uint32_t style = 0;
  bool visible = false;
  std::uint32_t processId = 0;  // the process that made the window
};

enum class ShowMode { Normal, Minimized };

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The top-level windows, first to last in the window order.
  virtual std::vector<TopWindow> TopLevelWindows() = 0;
  virtual bool WindowExists(WindowHandle window) = 0;
  // 0 when no window has this class (empty: any) and title (empty: any).
  virtual WindowHandle FindTopLevel(std::wstring_view className, std::wstring_view title) = 0;
  virtual bool BringToTop(WindowHandle window) = 0;
  // Asks that one window to close (as its close box would); false when it is
  // gone. Nothing is sent to whatever else has the keyboard.
  virtual bool PostClose(WindowHandle window) = 0;

  // The shell's default action on a file; the platform's result (above 32 is success).
  virtual std::intptr_t ShellOpen(std::wstring_view file, std::wstring_view workFolder) = 0;
  // Plays a sound file without waiting for it.
  virtual bool PlaySoundFile(std::wstring_view path) = 0;
  // Starts a program by command line; false when it could not be started.
  virtual bool StartProgram(std::wstring_view commandLine, std::wstring_view workFolder, ShowMode show) = 0;
};

}  // namespace zel
