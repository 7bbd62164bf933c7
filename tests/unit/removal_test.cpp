#include <gtest/gtest.h>

#include "snapshot/listing.h"
#include "snapshot/prepare.h"
#include "support/started_machine.h"
#include "wash/removal.h"

namespace zel {
namespace {

using Removal = testing::Started;

TEST_F(Removal, OnlyUninstallersTheTestAddedAreFound) {
  x.fs.AddFile(L"C:\\Old\\uninst.exe", "x", 0x100);
  x.fs.AddFile(L"C:\\dl\\uninst.exe", "x", 0x100);
  x.fs.AddFile(L"C:\\dl\\setup.exe", "x", 0x100);
  Snapshot snap;
  ASSERT_EQ(PrepareSnapshot(sv, BuildMainFolderList(x.fs, env, 1), snap), Outcome::Continue);
  x.clock += 1000000;
  // The test started C:\dl\setup.exe: its folder as it was then.
  FileList list;
  ASSERT_TRUE(ListFiles(x.fs, fe, L"C:\\dl", list, nullptr, nullptr));
  RunRecord record;
  record.program = L"C:\\dl\\setup.exe";
  record.programFolder = L"C:\\dl";
  record.programFolderList = list.text;
  record.testDone = true;
  EXPECT_TRUE(FindUninstallers(sv, snap, record).empty());  // both were there before the test

  x.fs.AddFile(L"C:\\dl\\UNINST32.EXE", "x");
  x.fs.AddFile(L"C:\\NewApp\\SETUP.EXE", "x");
  x.fs.AddFile(L"C:\\NewApp\\UnInst.exe", "x");  // the first pattern wins
  // An old folder renamed during the test is not new, whatever it holds.
  IgnoreError(x.fs.MoveOne(L"C:\\Old", L"C:\\Renamed", false));
  EXPECT_EQ(FindUninstallers(sv, snap, record),
            (std::vector<std::wstring>{L"C:\\dl\\UNINST32.EXE", L"C:\\NewApp\\UnInst.exe"}));
}

TEST_F(Removal, AnUninstallerIsStartedByItsQuotedPathOrReportedWhenItCannotBe) {
  LaunchUninstaller(sv, L"C:\\New App\\uninst.exe");
  EXPECT_EQ(x.desktop.started, std::vector<std::wstring>{L"\"C:\\New App\\uninst.exe\""});
  x.desktop.startResult = false;
  LaunchUninstaller(sv, L"C:\\NewApp\\gone.exe");
  EXPECT_TRUE(fe.AskedAbout(L"を起動できません"));
}

// The wait for a control panel that never opens is checked on the real machine.
TEST_F(Removal, TheControlPanelStartedIsTheSystemsOwnNotOneOnTheSearchPath) {
  x.fs.AddFile(env.SysDir + L"\\control.exe", "MZ");
  fe.answers = {mb::kResultYes};
  EXPECT_TRUE(RunApplicationRemoval(sv, L"Fix"));
  EXPECT_EQ(x.desktop.started, std::vector<std::wstring>{L"\"" + env.SysDir + L"\\control.exe\" AppWiz.CPL"});
}

TEST_F(Removal, AControlPanelLeftOpenAsksWhetherToWaitOnThenWhetherTheWashGoesOn) {
  x.desktop.onStart = [&](std::wstring_view) {
    x.desktop.windows.push_back({77, L"アプリケーションの追加と削除", L"#32770", 0, true});
  };
  fe.answers = {mb::kResultOk, mb::kResultYes, mb::kResultNo, mb::kResultNo};
  EXPECT_FALSE(RunApplicationRemoval(sv, L"Fix Tool 1.0"));  // No: the registry step is skipped
  ASSERT_EQ(fe.questions.size(), 4u);  // the name, wait on? yes, wait on? no, go on?
  EXPECT_NE(fe.questions[1].text.find(L"まだ待ちますか？"), std::wstring::npos);
  EXPECT_GE(x.sys.TickMs(), 2 * kControlPanelAskEveryMs);
}

TEST_F(Removal, WithoutANameANoClosesOnlyTheControlPanel) {
  x.desktop.onStart = [&](std::wstring_view) {
    x.desktop.windows.push_back({77, L"プログラムの追加と削除", L"#32770", 0, true});  // as XP names it
  };
  fe.answers = {mb::kResultNo, mb::kResultYes};
  EXPECT_TRUE(RunApplicationRemoval(sv, L""));
  EXPECT_EQ(x.desktop.closeRequests, std::vector<WindowHandle>{77});
}

TEST_F(Removal, TheBrowserQuestionClosesShellWindowsOrEndsTheWash) {
  fe.answers = {mb::kResultNo};
  EXPECT_FALSE(CloseBrowserWindows(sv));
  x.desktop.windows = {{1, L"CD", L"CabinetWClass", 0, true}, {2, L"D", L"CabinetWClass", 0, true},
                       {3, L"メモ帳", L"Notepad", 0, true}};
  // A shell window that never closes does not hold the wash for good.
  x.desktop.onPostClose = [](WindowHandle h) { return h != 2; };
  fe.answers = {mb::kResultYes};
  EXPECT_TRUE(CloseBrowserWindows(sv));
  EXPECT_FALSE(x.desktop.WindowExists(1));
  EXPECT_TRUE(x.desktop.WindowExists(2));
  EXPECT_TRUE(x.desktop.WindowExists(3));
}

TEST(DisplayName, TakenFromTheFirstDisplayNameLine) {
  EXPECT_EQ(DisplayNameIn({L"[HKLM\\Fix]", L"\"DisplayName\"=\"Fix 1.0\"", L"\"DisplayName\"=\"X\""}),
            L"Fix 1.0");
}

}  // namespace
}  // namespace zel
