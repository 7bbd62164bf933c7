// The run monitor: one tick of the timer that follows the program under
// test. It finds the program's window, notices when it is gone, and watches
// the drives' free space and the times of WIN.INI and SYSTEM.INI. A tick
// only decides; the main window carries out what it returns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/filesystem.h"

namespace zel {

constexpr WindowHandle kNoProgramWindow = -1;

struct DriveWatch {
  bool watched = false;
  std::uint64_t startFree = 0;
  std::uint64_t lastFree = 0;
};

struct RunState {
  std::wstring programName;
  bool running = false;       // the status line reads "実行中"
  WindowHandle programWindow = 0;  // 0 not found yet, a handle, or kNoProgramWindow
  int endCountdown = 0;
  bool extendedWait = false;  // dialog-style windows are taken, and the end waits three ticks
  bool installer = false;
  bool attention = false;     // the status line flashes
  int tickParity = 0;
  bool iniTick = false;       // alternates: drive checks, then INI checks
  std::uint64_t elapsedMs = 0;  // since the start, in ticks' time
  int intervalMs = 3000;        // the interval once the window is known (by the program's drive)
  std::array<DriveWatch, 26> drives;
  std::wstring winIniPath, systemIniPath;
  std::uint64_t winIniTime = 0, systemIniTime = 0;  // at the start
  std::vector<std::wstring> windowsBefore;          // titles of the visible windows before the start
  // A font shown by the font viewer: the status line flashes while it runs,
  // and the font leaves the system at the end of the run.
  bool fontRun = false;
  std::wstring fontFile;
  bool registryAsked = false;
};

struct TickInput {
  Desktop& desktop;
  FileSystem& fs;
  // Windows of this program (the main window, its viewers, its boxes).
  std::vector<WindowHandle> ownWindows;
  std::wstring consoleLine4;  // the fifth console line, for the automatic-installation note
  bool registryChanged = false;
  bool questionAllowed = true;  // no message box is waiting
  int tickMs = 3000;            // the interval this tick came after
  bool endAllowed = true;       // no other action runs and no box waits: the run may end now
  // This program's process: no window it made (options, chooser, boxes) is
  // ever the program under test's.
  std::uint32_t ownProcess = 0;
};

struct TickResult {
  bool endRun = false;
  bool flash = false;
  bool askRegistry = false;  // ask whether the program still runs
  bool freeSpaceChanged = false;
  bool winIniChanged = false, systemIniChanged = false;
  bool iniChecked = false;
  std::vector<std::wstring> consoleLines;
  int nextIntervalMs = 0;  // 0: unchanged
};

// The time a program has to open its window before the run counts as one
// without a window.
constexpr std::uint64_t kWindowGraceMs = 10000;
extern const wchar_t kPressAbortLine[];
extern const wchar_t kRegistryQuestion[];

// Whether a window of this style is dialog-style (caption and system menu,
// no sizing frame, no minimise or maximise box).
bool IsDialogStyle(std::uint32_t style);

TickResult MonitorTick(RunState& run, const TickInput& in);

}  // namespace zel
