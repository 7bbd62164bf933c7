#include <gtest/gtest.h>

#include "support/xp_machine.h"
#include "testrun/monitor.h"

namespace zel {
namespace {

// A run that has started, with two windows already open before it.
struct RunningProgram {
  RunningProgram() {
    run.running = true;
    run.windowsBefore = {L"ゼルカ", L"Explorer"};
    x.desktop.windows = {{1, L"ゼルカ", L"ZelForm", 0x14CF0000, true}, {2, L"Explorer", L"X", 0x14CF0000, true}};
  }
  TickResult Tick(int tickMs = 3000) {
    TickInput in{x.desktop, x.fs, {1}, consoleLine4, false, true, tickMs};
    return MonitorTick(run, in);
  }
  void Open(WindowHandle h, const wchar_t* title, std::uint32_t style) {
    x.desktop.windows.push_back({h, title, L"Prog", style, true});
  }
  void Close(WindowHandle h) {
    std::erase_if(x.desktop.windows, [h](const TopWindow& w) { return w.handle == h; });
  }
  testing::XpMachine x;
  RunState run;
  std::wstring consoleLine4;
};

class Monitor : public ::testing::Test, public RunningProgram {};

TEST(MonitorEnd, AnAdoptedWindowEndsTheRunItsTicksAfterItCloses) {
  const struct {
    const char* name;
    bool extendedWait, fontRun;
    std::uint32_t style;
    int ticksToEnd;  // after the one that sees the window gone
  } cases[] = {
      {"an ordinary window", false, false, 0x14CF0000, 1},
      {"a dialog-style window with the extended wait", true, false, 0x94C80000, 3},
      {"a font's viewer", false, true, 0x14CF0000, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunningProgram m;
    m.run.extendedWait = c.extendedWait;
    m.run.fontRun = c.fontRun;
    m.Tick(1000);
    EXPECT_EQ(m.run.programWindow, 0);  // nothing new yet, still looking
    m.Open(7, L"Tool", c.style);
    TickResult r = m.Tick(1000);
    EXPECT_EQ(m.run.programWindow, 7);
    EXPECT_EQ(r.nextIntervalMs, 3000);  // found: the interval of the program's drive
    EXPECT_EQ(r.flash, c.fontRun);      // a font run flashes the status
    m.Close(7);
    EXPECT_FALSE(m.Tick().endRun);
    for (int i = 1; i < c.ticksToEnd; ++i) EXPECT_FALSE(m.Tick().endRun) << i;
    EXPECT_TRUE(m.Tick().endRun);
  }
}

TEST_F(Monitor, ADialogStyleWindowIsNotTakenWithoutTheExtendedWait) {
  EXPECT_TRUE(IsDialogStyle(0x94C80000));
  EXPECT_FALSE(IsDialogStyle(0x14CF0000));
  Open(7, L"確認", 0x94C80000);
  for (int i = 0; i < 6; ++i) Tick();
  EXPECT_EQ(run.programWindow, 0);  // neither adopted nor given up
  Open(8, L"Tool", 0x14CF0000);
  Tick();
  EXPECT_EQ(run.programWindow, 0);  // the dialog stands first in the window order
  Close(7);
  Tick();
  EXPECT_EQ(run.programWindow, 8);
}

TEST_F(Monitor, AProgramWithoutAWindowLeavesTheEndToTheUser) {
  TickResult r;
  for (int i = 0; i < 3; ++i) r = Tick();
  EXPECT_EQ(run.programWindow, 0);  // 9 seconds: still within the time to open one
  r = Tick();
  EXPECT_EQ(run.programWindow, kNoProgramWindow);
  ASSERT_EQ(r.consoleLines.size(), 1u);
  EXPECT_EQ(r.consoleLines[0], L"実行が終了したら、中止ボタンを押して下さい");
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(Tick().endRun);  // never ends by itself
  // After the automatic installation note no prompt is added.
  RunningProgram noted;
  noted.consoleLine4 = L"●自動インストールが開始されたら、";
  for (int i = 0; i < 3; ++i) noted.Tick();
  EXPECT_TRUE(noted.Tick().consoleLines.empty());
  EXPECT_EQ(noted.run.programWindow, kNoProgramWindow);
}

TEST_F(Monitor, DrivesAndIniFilesAreWatchedOnAlternateTicks) {
  x.fs.AddFile(L"C:\\windows\\system.ini", "x", 5);
  run.winIniPath = L"C:\\windows\\win.ini";
  run.systemIniPath = L"C:\\windows\\system.ini";
  run.winIniTime = x.fs.Stat(run.winIniPath)->lastWrite;
  run.systemIniTime = 5;
  run.drives[2].watched = true;
  run.drives[2].startFree = run.drives[2].lastFree = 8ULL << 30;
  Open(7, L"Tool", 0x14CF0000);
  x.fs.SetFreeSpace(L'C', (8ULL << 30) - 4096);
  x.fs.AddFile(L"C:\\windows\\win.ini", "[changed]");
  TickResult a = Tick();  // drives, parity 1
  EXPECT_TRUE(a.freeSpaceChanged);
  EXPECT_FALSE(a.iniChecked);
  TickResult b = Tick();  // INI files
  EXPECT_TRUE(b.iniChecked);
  EXPECT_TRUE(b.winIniChanged);
  EXPECT_FALSE(b.systemIniChanged);
  x.fs.SetFreeSpace(L'C', 1);
  EXPECT_FALSE(Tick().freeSpaceChanged);  // parity 0: drives not read
  Tick();
  EXPECT_TRUE(Tick().freeSpaceChanged);
}

TEST_F(Monitor, TheRegistryQuestionWaitsForNoMessageBoxAndComesOnce) {
  run.programWindow = kNoProgramWindow;
  run.iniTick = true;
  TickInput in{x.desktop, x.fs, {1}, L"", true, false, 3000};
  EXPECT_FALSE(MonitorTick(run, in).askRegistry);  // a box is waiting
  in.questionAllowed = true;
  run.iniTick = true;
  EXPECT_TRUE(MonitorTick(run, in).askRegistry);
  run.iniTick = true;
  EXPECT_FALSE(MonitorTick(run, in).askRegistry);
}

TEST_F(Monitor, NoWindowOfThisProgramIsAdoptedAndTheEndWaitsForTheActionOfTheMoment) {
  // The options dialog or a chooser of this program, new since the start and
  // of an ordinary style: never the program under test's window.
  x.desktop.windows.push_back({5, L"オプション設定", L"ZelOption", 0x14CF0000, true, 4242});
  TickInput in{x.desktop, x.fs, {1}, L"", false, true, 1000};
  in.ownProcess = 4242;
  MonitorTick(run, in);
  EXPECT_EQ(run.programWindow, 0);
  x.desktop.windows.push_back({7, L"Tool", L"Prog", 0x14CF0000, true, 77});
  MonitorTick(run, in);
  EXPECT_EQ(run.programWindow, 7);

  // The program's window goes while a wash or a box of this program is open:
  // the run ends on the first tick after it, never inside it.
  Close(7);
  MonitorTick(run, in);
  EXPECT_EQ(run.endCountdown, 1);
  in.endAllowed = false;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(MonitorTick(run, in).endRun);
  in.endAllowed = true;
  EXPECT_TRUE(MonitorTick(run, in).endRun);
}

}  // namespace
}  // namespace zel
