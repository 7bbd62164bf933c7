#include <gtest/gtest.h>

#include <iterator>

#include "base/text.h"
#include "report/system_report.h"
#include "startup/known_folders.h"
#include "support/snapshot_cycle.h"

namespace zel {
namespace {

const std::wstring kUser = L"C:\\users\\root";
const std::wstring kLocal = kUser + L"\\AppData\\Local";
const std::wstring kRoaming = kUser + L"\\AppData\\Roaming";
const std::wstring kMenu = kRoaming + L"\\Microsoft\\Windows\\Start Menu";
const std::wstring kCommonMenu = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu";

TEST(PresentDayKind, VersionTextsAndNames) {
  // The version texts that make this kind are rows of WinKindTable.
  EXPECT_EQ(PresentDayVersionText(L"6.1", L"", L"", L"7601"), L"6.1.7601");
  const std::pair<const wchar_t*, const wchar_t*> names[] = {
      {L"6.0.6002", L"Vista"}, {L"6.1.7601", L"7"}, {L"6.3.9600", L"8.1"},
      {L"10.0.22631", L"11"},  {L"10.0", L"10"},    {L"12.5", L"12.5"}};
  for (const auto& [version, word] : names) EXPECT_EQ(WindowsWord(WinKind::PresentDay, version), word) << version;
}

// A present-day machine; started and with a snapshot as each test needs.
class PresentDay : public ::testing::Test, public testing::SnapshotCycle {
 protected:
  void SetUp() override {
    x.MakePresentDay();
    x.fs.AddFile(kUser + L"\\Documents\\letter.doc", "mine", 0x100);
    x.fs.AddFile(L"C:\\ProgramData\\Before\\kept.dat", "mine", 0x100);
  }
  void Start() {
    StartedMachine::Start();
    main = BuildMainFolderList(x.fs, env, options.CheckLevel);
  }
};

// The monitored folders come from the known folders, with their kind digits;
// XP's work folder stays, and the report shows the real version.
TEST_F(PresentDay, MonitoredFoldersComeFromTheKnownFoldersAndXpsWorkFolderStays) {
  x.sys.knownFolders.erase(KnownFolder::LocalAppDataLow);                  // not named: left out
  x.sys.knownFolders[KnownFolder::Favorites] = kUser + L"\\NoSuchFolder";  // named but missing: left out
  x.sys.knownFolders[KnownFolder::Templates] = L"C:\\Zel32\\WinXP";         // the program's own: left out
  Start();
  EXPECT_EQ(env.WorkDir, L"C:\\Zel32\\WinXP");
  EXPECT_TRUE(testing::Has(SystemReportLines(x.machine, env, options), L"使用ＯＳ：     Windows-10（10.0.19045）"));
  const std::vector<std::wstring> expected = {
      L"0" + kRoaming, L"0" + kLocal, L"1" + kUser + L"\\Desktop", L"0" + kUser + L"\\Documents",
      L"1" + kMenu, L"1" + kMenu + L"\\Programs", L"1" + kMenu + L"\\Programs\\StartUp",
      L"1" + kRoaming + L"\\Microsoft\\Windows\\SendTo", L"0C:\\ProgramData", L"1C:\\users\\Public\\Desktop",
      L"1" + kCommonMenu, L"1" + kCommonMenu + L"\\Programs", L"1" + kCommonMenu + L"\\Programs\\StartUp",
      L"0C:\\users\\Public\\Documents", L"0C:\\Program Files", L"0C:\\Program Files (x86)",
      L"0C:\\Program Files\\Common Files", L"0C:\\Program Files (x86)\\Common Files", L"0C:\\windows\\syswow64",
      L"2C:\\windows\\Fonts"};
  EXPECT_EQ(main.Entries(), expected);
}

TEST_F(PresentDay, AnInstallersFilesAndFoldersAreListedOnceAndWashedWhole) {
  x.fs.AddFolder(L"C:\\windows\\Locked");
  x.fs.SetUnreadable(L"C:\\windows\\Locked");  // its contents unknown: its time is all there is
  Snap();
  // A few kinds of known folder; the end-to-end cycle adds to each of them.
  const std::wstring made[] = {kRoaming + L"\\Fix\\settings.ini", L"C:\\ProgramData\\Fix\\data.bin",
                               L"C:\\windows\\syswow64\\fix32.dll", L"C:\\windows\\Fonts\\fix.ttf",
                               L"C:\\windows\\system32\\fix64.dll", L"C:\\windows\\inf\\fix.inf"};
  for (const std::wstring& file : made) x.fs.AddFile(file, "x");
  // The platform gives a folder a new time when something is made in it.
  for (const wchar_t* folder : {L"syswow64", L"Fonts", L"system32", L"inf", L"Locked"}) {
    x.fs.Find(std::wstring(L"C:\\windows\\") + folder)->lastWrite = x.clock;
  }
  // One line each: no folder compared on its own listed for its time, nor what is in a new folder.
  const std::vector<std::wstring> lines = Check();
  EXPECT_EQ(lines.size(), std::size(made) + 2);
  EXPECT_TRUE(testing::Has(lines, L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\Locked』が修正されています"));

  // Washed whole; the user's files stay.
  Wash();
  EXPECT_EQ(washed.failures, 0);
  EXPECT_FALSE(x.fs.Exists(kRoaming + L"\\Fix"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\ProgramData\\Before\\kept.dat"));
  EXPECT_TRUE(x.fs.Exists(kUser + L"\\Documents\\letter.doc"));
}

TEST_F(PresentDay, WhatChangesByItselfIsNeverListedAndItsNeighboursAre) {
  Snap();
  // The machine's own churn while nothing was tested.
  const std::wstring churn[] = {
      kLocal + L"\\Temp\\~tmp1.tmp", kLocal + L"\\IconCache.db", kLocal + L"\\CrashDumps\\a.dmp",
      kLocal + L"\\D3DSCache\\s.bin", kUser + L"\\Desktop\\desktop.ini",
      L"C:\\users\\Public\\Desktop\\Thumbs.db", L"C:\\windows\\Temp\\x.log", L"C:\\windows\\Prefetch\\A.pf",
      L"C:\\windows\\Logs\\cbs.log"};
  for (const std::wstring& made : churn) x.fs.AddFile(made, "x");
  EXPECT_EQ(Check(), std::vector<std::wstring>{kNothingChanged});
  // The same names elsewhere, and other names beside them, are real changes.
  const std::wstring real[] = {kRoaming + L"\\IconCache.db", kLocal + L"\\Temp2\\t.txt",
                               L"C:\\windows\\Templog\\t.txt"};
  for (const std::wstring& made : real) x.fs.AddFile(made, "x");
  EXPECT_EQ(Check().size(), std::size(real));
  Wash();
  for (const std::wstring& made : real) EXPECT_FALSE(x.fs.Exists(made)) << ToUtf8(made);
  EXPECT_TRUE(x.fs.Exists(kLocal + L"\\IconCache.db"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\windows\\Temp\\x.log"));
}

}  // namespace
}  // namespace zel
