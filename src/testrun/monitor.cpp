#include "testrun/monitor.h"

#include <algorithm>

namespace zel {

const wchar_t kPressAbortLine[] = L"実行が終了したら、中止ボタンを押して下さい";
const wchar_t kRegistryQuestion[] = L"レジストリが変更されましたが、現在、テストしたプログラムは実行中ですか？";

bool IsDialogStyle(std::uint32_t style) { return (style & 0xFF0000u) == 0xC80000u; }

namespace {

std::uint64_t TimeOf(FileSystem& fs, const std::wstring& path) {
  if (path.empty()) return 0;
  std::optional<FileEntry> e = fs.Stat(path);
  return e ? e->lastWrite : 0;
}

// The title as the monitor compares it: at most 128 bytes were read.
std::wstring ShortTitle(const std::wstring& title) { return title.size() > 127 ? title.substr(0, 127) : title; }

void CheckDrives(RunState& run, const TickInput& in, TickResult& out) {
  run.tickParity ^= 1;
  if (run.tickParity != 1) return;
  for (int i = 0; i < 26; ++i) {
    DriveWatch& d = run.drives[i];
    if (!d.watched) continue;
    std::wstring root{static_cast<wchar_t>(L'A' + i), L':', L'\\'};
    std::optional<DiskSpace> space = in.fs.SpaceOf(root, true);
    if (space && space->freeBytes != d.lastFree) {
      d.lastFree = space->freeBytes;
      out.freeSpaceChanged = true;
    }
  }
}

void CheckIniFiles(RunState& run, const TickInput& in, TickResult& out) {
  out.iniChecked = true;
  out.winIniChanged = TimeOf(in.fs, run.winIniPath) != run.winIniTime;
  out.systemIniChanged = TimeOf(in.fs, run.systemIniPath) != run.systemIniTime;
  if (in.registryChanged && in.questionAllowed && !run.registryAsked && run.programWindow == kNoProgramWindow) {
    run.registryAsked = true;
    out.askRegistry = true;
  }
}

void FindProgramWindow(RunState& run, const TickInput& in, TickResult& out) {
  for (const TopWindow& w : in.desktop.TopLevelWindows()) {
    if (!w.visible) continue;
    if (std::find(in.ownWindows.begin(), in.ownWindows.end(), w.handle) != in.ownWindows.end()) continue;
    if (in.ownProcess != 0 && w.processId == in.ownProcess) continue;
    std::wstring title = ShortTitle(w.title);
    if (std::find(run.windowsBefore.begin(), run.windowsBefore.end(), title) != run.windowsBefore.end()) continue;
    // The first new window is the candidate; a dialog-style one waits for
    // a window of the program itself unless the run expects dialogs first.
    if (!run.extendedWait && IsDialogStyle(w.style)) return;
    run.programWindow = w.handle;
    out.nextIntervalMs = run.intervalMs;
    return;
  }
  // No new window: a program given time enough to open one has none.
  if (run.elapsedMs < kWindowGraceMs) return;
  run.programWindow = kNoProgramWindow;
  out.nextIntervalMs = run.intervalMs;
  if (in.consoleLine4.rfind(L"●自動", 0) != 0) out.consoleLines.push_back(kPressAbortLine);
}

}  // namespace

TickResult MonitorTick(RunState& run, const TickInput& in) {
  TickResult out;
  run.elapsedMs += static_cast<std::uint64_t>(in.tickMs);

  if (run.attention || run.fontRun) out.flash = true;

  if (run.iniTick) CheckIniFiles(run, in, out);
  else CheckDrives(run, in, out);
  run.iniTick = !run.iniTick;

  if (run.endCountdown != 0) {
    // The end waits for the action or the box of the moment to finish.
    if (run.endCountdown == 1 && !in.endAllowed) return out;
    if (--run.endCountdown == 0) out.endRun = true;
    return out;
  }
  if (run.running && run.programWindow == 0) FindProgramWindow(run, in, out);
  if (run.programWindow != 0 && run.programWindow != kNoProgramWindow && !in.desktop.WindowExists(run.programWindow)) {
    run.endCountdown = run.extendedWait ? 3 : 1;
  }
  return out;
}

}  // namespace zel
