#include <gtest/gtest.h>

#include "base/cp932.h"
#include "startup/options.h"
#include "support/started_machine.h"

namespace zel {
namespace {

// The running options are the started machine's options.
class Options : public testing::Started {
 protected:
  RunningOptions& running = options;
};

TEST_F(Options, OkWritesEveryValueAndTakesTheRunningOnes) {
  OptionValues picked = CurrentOptions(running, env);
  picked.UseMouseHelp = false;
  picked.CheckLevel = 2;
  picked.ExtractDos = true;
  picked.Report = true;
  AppliedOptions applied = ApplyOptions(picked, settings, running, env, fe);
  EXPECT_FALSE(running.UseMouseHelp);
  EXPECT_EQ(running.CheckLevel, 2);
  EXPECT_TRUE(running.ExtractDos);
  EXPECT_TRUE(running.Report);
  EXPECT_EQ(settings.GetOptionNum(L"UseMouseHelp", -1), 0);
  EXPECT_EQ(settings.GetOptionNum(L"CheckLevel", 1), 2);
  EXPECT_EQ(settings.GetOptionNum(L"Report", 0), -1);
  EXPECT_FALSE(applied.backColorChanged);
  EXPECT_FALSE(applied.consoleSchemeChanged);
  EXPECT_EQ(settings.GetOption(L"ZelBackColor4", L"none"), L"none");  // unchanged values are not written
  EXPECT_TRUE(fe.questions.empty());
}

TEST_F(Options, TheRestoreSettingWaitsForTheNextStartAndSaysSoOncePerOk) {
  OptionValues picked = CurrentOptions(running, env);
  picked.SaveAllSys = true;
  ApplyOptions(picked, settings, running, env, fe);
  EXPECT_FALSE(running.SaveAllSys);  // this run keeps its start-up value
  EXPECT_EQ(settings.GetOptionNum(L"SaveAllSys", 0), -1);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"復元設定のオン･オフ切り替えは、次回の起動時から有効になります。");
  ApplyOptions(picked, settings, running, env, fe);  // still different from the running value
  EXPECT_EQ(fe.questions.size(), 2u);
  picked.SaveAllSys = false;
  ApplyOptions(picked, settings, running, env, fe);  // back to the running value: no notice
  EXPECT_EQ(fe.questions.size(), 2u);
}

TEST_F(Options, ColourAndConsoleSchemeAreWrittenOnlyWhenChanged) {
  OptionValues picked = CurrentOptions(running, env);
  picked.BackColor = 0x00FF00;
  picked.ConsoleScheme = kOrangeOnBlack;
  AppliedOptions applied = ApplyOptions(picked, settings, running, env, fe);
  EXPECT_TRUE(applied.backColorChanged);
  EXPECT_TRUE(applied.consoleSchemeChanged);
  EXPECT_EQ(settings.GetOptionNum(L"ZelBackColor4", 0), 0x00FF00);
  EXPECT_EQ(settings.GetOptionNum(L"ZelConColType", 0), 2);
  EXPECT_EQ(running.ZelConColType, 2);
}

TEST_F(Options, Fat32StaysOnWhereWindowsAlwaysHandlesIt) {
  OptionValues picked = CurrentOptions(running, env);
  EXPECT_TRUE(picked.CanUseFAT32);
  picked.CanUseFAT32 = false;
  ApplyOptions(picked, settings, running, env, fe);
  EXPECT_TRUE(env.CanUseFAT32);
  EXPECT_EQ(settings.GetOptionNum(L"CanUseFAT32", -1), 0);
}

TEST_F(Options, WindowsInstallationsFromBootIniAndMsdosSys) {
  x.fs.AddFile(L"C:\\boot.ini", ToCp932(L"[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
                                        L"[operating systems]\r\n"
                                        L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
                                        L"C:\\CMDCONS\\BOOTSECT.DAT=\"回復コンソール\" /cmdcons\r\n"));
  x.fs.AddFile(L"C:\\MSDOS.SYS", "[Paths]\r\nWinDir=C:\\WIN98\r\nWinBootDir=C:\\WIN98\r\nHostWinBootDrv=C\r\n");
  std::vector<std::wstring> found = FindWindowsInstallations(x.fs, L"C:\\");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], L"multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect");
  EXPECT_EQ(found[1], L"MSDOS.SYS: WinDir=C:\\WIN98");
  EXPECT_EQ(found[2], L"MSDOS.SYS: WinBootDir=C:\\WIN98");
  IgnoreError(x.fs.RemoveFile(L"C:\\boot.ini"));
  IgnoreError(x.fs.RemoveFile(L"C:\\MSDOS.SYS"));
  EXPECT_TRUE(FindWindowsInstallations(x.fs, L"C:\\").empty());
}

}  // namespace
}  // namespace zel
