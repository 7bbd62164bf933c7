#include <gtest/gtest.h>

#include "base/cp932.h"
#include "startup/options.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using Options = testing::Started;

// OK takes the running values (the settings file it writes is checked end
// to end); the colour and the console scheme count only when they changed.
// FAT32 stays on where Windows always handles it, whatever is written.
TEST_F(Options, OkTakesTheRunningValuesButFat32StaysOnWhereWindowsHandlesIt) {
  OptionValues picked = CurrentOptions(options, env);
  picked.CheckLevel = 2;
  picked.Report = true;
  picked.ExtractDos = true;
  picked.CanUseFAT32 = false;
  AppliedOptions applied = ApplyOptions(picked, settings, options, env, fe);
  EXPECT_EQ(options.CheckLevel, 2);
  EXPECT_TRUE(options.ExtractDos && options.Report);
  EXPECT_EQ(settings.GetOptionNum(L"ExtractDos", 0), -1);
  EXPECT_EQ(settings.GetOptionNum(L"ZelBackColor4", 7), 7);  // unchanged: not written
  EXPECT_TRUE(env.CanUseFAT32);
  EXPECT_EQ(settings.GetOptionNum(L"CanUseFAT32", -1), 0);
  EXPECT_FALSE(applied.backColorChanged || applied.consoleSchemeChanged);
  EXPECT_TRUE(fe.questions.empty());

  picked.BackColor = 0x00FF00;
  picked.ConsoleScheme = kOrangeOnBlack;
  applied = ApplyOptions(picked, settings, options, env, fe);
  EXPECT_TRUE(applied.backColorChanged && applied.consoleSchemeChanged);
  EXPECT_EQ(options.ZelBackColor4, 0x00FF00);
  EXPECT_EQ(settings.GetOptionNum(L"ZelBackColor4", 7), 0x00FF00);
  EXPECT_EQ(options.ZelConColType, 2);
}

TEST_F(Options, TheRestoreSettingWaitsForTheNextStartAndSaysSoOncePerOk) {
  OptionValues picked = CurrentOptions(options, env);
  picked.SaveAllSys = true;
  ApplyOptions(picked, settings, options, env, fe);
  EXPECT_FALSE(options.SaveAllSys);  // this run keeps its start-up value
  EXPECT_EQ(fe.questions.size(), 1u);  // its text is checked end to end
  ApplyOptions(picked, settings, options, env, fe);  // still different from the running value
  EXPECT_EQ(fe.questions.size(), 2u);
  picked.SaveAllSys = false;
  ApplyOptions(picked, settings, options, env, fe);  // back to the running value: no notice
  EXPECT_EQ(fe.questions.size(), 2u);
}

TEST_F(Options, WindowsInstallationsFromBootIniAndMsdosSys) {
  EXPECT_TRUE(FindWindowsInstallations(x.fs, L"C:\\").empty());  // a boot.ini without systems
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
}

}  // namespace
}  // namespace zel
