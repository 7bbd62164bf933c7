#include <gtest/gtest.h>

#include <tuple>

#include "support/xp_machine.h"
#include "testrun/monitor.h"

namespace zel {
namespace {

constexpr std::uint32_t kWindowStyle = 0x14CF0000, kDialogStyle = 0x94C80000;

// A run that has started, with two windows already open before it.
struct RunningProgram {
  RunningProgram() {
    run.running = true;
    run.windowsBefore = {L"ゼルカ", L"Explorer"};
    x.desktop.windows = {{1, L"ゼルカ", L"ZelForm", kWindowStyle, true},
                         {2, L"Explorer", L"X", kWindowStyle, true}};
  }
  TickResult Tick(int tickMs = 3000) {
    in.tickMs = tickMs;
    return MonitorTick(run, in);
  }
  void Open(WindowHandle h, const wchar_t* title, std::uint32_t style, std::uint32_t process = 0) {
    x.desktop.windows.push_back({h, title, L"Prog", style, true, process});
  }
  void Close(WindowHandle h) {
    std::erase_if(x.desktop.windows, [h](const TopWindow& w) { return w.handle == h; });
  }
  testing::XpMachine x;
  RunState run;
  TickInput in{x.desktop, x.fs, {1}, L""};
};

class Monitor : public ::testing::Test, public RunningProgram {};

TEST(MonitorEnd, AnAdoptedWindowEndsTheRunItsTicksAfterItClosesNeverInsideAnAction) {
  const struct {
    const char* name;
    bool extendedWait;
    std::uint32_t style;
    int ticksToEnd;  // after the one that sees the window gone
    int busyTicks;   // then ticks while a wash or a box of this program is open
  } cases[] = {
      {"an ordinary window", false, kWindowStyle, 1, 0},
      {"a dialog-style window with the extended wait", true, kDialogStyle, 3, 0},
      {"an ordinary window closed during an action", false, kWindowStyle, 1, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningProgram m;
    m.run.extendedWait = c.extendedWait;
    m.Open(7, L"Tool", c.style);
    EXPECT_EQ(m.Tick(1000).nextIntervalMs, 3000);  // found: the interval of the program's drive
    m.Close(7);
    for (int i = 0; i < c.ticksToEnd; ++i) EXPECT_FALSE(m.Tick().endRun) << i;
    m.in.endAllowed = false;
    for (int i = 0; i < c.busyTicks; ++i) EXPECT_FALSE(m.Tick().endRun) << i;
    m.in.endAllowed = true;
    EXPECT_TRUE(m.Tick().endRun);
  }
}

TEST_F(Monitor, NeitherADialogStyleWindowNorOneOfThisProgramIsAdopted) {
  // Without the extended wait a dialog-style window is not adopted, and while
  // it stands first in the window order nothing after it is taken; nor is a
  // window of this program (options, a chooser).
  in.ownProcess = 4242;
  Open(7, L"確認", kDialogStyle);
  Open(5, L"オプション設定", kWindowStyle, 4242);
  Open(8, L"Tool", kWindowStyle);
  for (int i = 0; i < 6; ++i) Tick();
  EXPECT_EQ(run.programWindow, 0);
  Close(7);
  Tick();
  EXPECT_EQ(run.programWindow, 8);
}

TEST_F(Monitor, AProgramWithoutAWindowLeavesTheEndToTheUserAndIsAskedAboutOnce) {
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(run.programWindow, 0);  // 9 seconds: still within the time to open one
  EXPECT_EQ(Tick().consoleLines.size(), 1u);  // the hint to end it by hand; it never ends by itself
  EXPECT_EQ(run.programWindow, kNoProgramWindow);
  // Whether it still runs is asked once the registry changed, and never over
  // a message box.
  in.registryChanged = true;
  for (auto [allowed, asked] : {std::pair{false, false}, {true, true}, {true, false}}) {
    in.questionAllowed = allowed;
    run.iniTick = true;
    EXPECT_EQ(Tick().askRegistry, asked) << allowed;
  }
}

TEST_F(Monitor, DrivesAndIniFilesAreWatchedOnAlternateTicks) {
  run.winIniPath = L"C:\\windows\\win.ini";
  run.winIniTime = x.fs.Stat(run.winIniPath)->lastWrite;
  run.drives[2].watched = true;
  run.drives[2].startFree = run.drives[2].lastFree = 8ULL << 30;
  x.fs.SetFreeSpace(L'C', (8ULL << 30) - 4096);
  x.fs.AddFile(L"C:\\windows\\win.ini", "[changed]");
  auto seen = [](const TickResult& r) {
    return std::tuple{r.freeSpaceChanged, r.iniChecked, r.winIniChanged, r.systemIniChanged};
  };
  EXPECT_EQ(seen(Tick()), std::tuple(true, false, false, false));  // drives, parity 1
  EXPECT_EQ(seen(Tick()), std::tuple(false, true, true, false));   // INI files
}

}  // namespace
}  // namespace zel
