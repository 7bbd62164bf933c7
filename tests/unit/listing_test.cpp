#include <gtest/gtest.h>

#include <algorithm>

#include "base/cp932.h"
#include "base/text.h"
#include "snapshot/entries.h"
#include "snapshot/listing.h"
#include "snapshot/main_folders.h"
#include "snapshot/prepare.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using testing::XpMachine;

// A started machine: process start and loading done, as the main window has
// them before its folder lists.
class Started : public testing::Started {
 protected:
  std::vector<std::wstring> Paths(const MainFolderList& list) {
    std::vector<std::wstring> paths;
    for (const std::wstring& e : list.Entries()) paths.push_back(e);
    return paths;
  }
  std::string Record(int level) {
    MainFolderList main = BuildMainFolderList(x.fs, env, level);
    SubfolderListing ctx{main, level, nullptr, &lossy};
    SubfolderRecord record;
    ListingStop stop;
    EXPECT_TRUE(ListupSub(sv, ctx, record, &stop));
    unentered = record.unentered;
    return record.text;
  }
  std::vector<std::wstring> lossy;
  std::string unentered;
};

TEST_F(Started, MainFoldersAtLevelOneWithKindDigits) {
  x.fs.AddFolder(L"C:\\windows\\SendTo");
  x.fs.AddFolder(L"C:\\users\\All Users\\Documents");
  MainFolderList list = BuildMainFolderList(x.fs, env, 1);
  std::vector<std::wstring> paths = Paths(list);
  ASSERT_GE(paths.size(), 6u);
  EXPECT_EQ(paths[0], L"0C:\\windows\\Temp");
  EXPECT_EQ(paths[1], L"0C:\\Program Files");
  EXPECT_EQ(paths[2], L"2C:\\windows\\Fonts");
  EXPECT_EQ(paths[3], L"1C:\\windows\\SendTo");
  EXPECT_EQ(paths[4], L"1C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
  // Documents is kind 0; the All Users documents folder comes from the NT list.
  EXPECT_NE(std::find(paths.begin(), paths.end(), L"0C:\\users\\root\\Documents"), paths.end());
  EXPECT_NE(std::find(paths.begin(), paths.end(), L"1C:\\users\\All Users\\Documents"), paths.end());
  EXPECT_EQ(std::find(paths.begin(), paths.end(), L"0C:\\windows\\Sysbckup"), paths.end());  // missing: left out
}

TEST_F(Started, MainFoldersAtLevelZeroCoverTheWindowsSubfoldersOnce) {
  x.fs.AddFolder(L"C:\\windows\\Media");
  x.fs.AddFolder(L"C:\\windows\\Help");
  x.fs.AddFolder(L"C:\\windows\\タスク");
  MainFolderList list = BuildMainFolderList(x.fs, env, 0);
  std::vector<std::wstring> paths = Paths(list);
  EXPECT_EQ(std::count(paths.begin(), paths.end(), L"0C:\\windows\\Media"), 1);
  EXPECT_NE(std::find(paths.begin(), paths.end(), L"0C:\\windows\\タスク"), paths.end());
  EXPECT_NE(std::find(paths.begin(), paths.end(), L"0C:\\windows\\Help"), paths.end());
  EXPECT_TRUE(list.Contains(L"c:\\WINDOWS\\media"));
  EXPECT_NE(list.Membership().find(L"|C:\\WINDOWS\\MEDIA|"), std::wstring::npos);
}

TEST_F(Started, AMainFolderEntersOnceIfItExistsAndIsNotTheProgramsOwnUpToAHundred) {
  MainFolderList list;
  EXPECT_TRUE(list.AddMainFolder(x.fs, env, L"C:\\windows\\Temp", L'0'));
  EXPECT_FALSE(list.AddMainFolder(x.fs, env, L"C:\\WINDOWS\\TEMP", L'1'));  // another letter case
  EXPECT_FALSE(list.AddMainFolder(x.fs, env, L"C:\\windows\\NoSuch", L'0'));
  for (const std::wstring& own : {env.WorkDir, env.BackupDir, env.ProgramDir}) {
    EXPECT_FALSE(list.AddMainFolder(x.fs, env, own, L'0')) << own;
  }
  EXPECT_EQ(list.Count(), 1u);
  for (int i = 0; i < 105; ++i) {
    std::wstring path = L"C:\\many\\f" + std::to_wstring(i);
    x.fs.AddFolder(path);
    list.AddMainFolder(x.fs, env, path, L'0');
  }
  EXPECT_EQ(list.Count(), 100u);
}

TEST_F(Started, FileListTextByteForByte) {
  x.fs.AddFolder(L"C:\\data");
  x.fs.AddFile(L"C:\\data\\a.txt", "x", 0x01D0F3A2B4C5D6E7ULL);
  x.fs.AddFile(L"C:\\data\\.hidden", "x", 5);
  x.fs.AddFile(L"C:\\data\\漢字.dll", "x", 0x10ULL);
  x.fs.AddFile(L"C:\\data\\caf\u00e9.txt", "x", 1);  // no code page form: a mark, and remembered
  x.fs.AddFolder(L"C:\\data\\sub", 0x0000000100000002ULL);
  FileList list;
  ListingStop stop;
  ASSERT_TRUE(ListFiles(x.fs, fe, L"C:\\data", list, &lossy, &stop));
  EXPECT_FALSE(list.failed);
  EXPECT_EQ(list.text, "01D0F3A2B4C5D6E7/a.txt|0000000000000010/" + ToCp932(L"漢字.dll") +
                           "|0000000000000001/caf?.txt|0000000100000002/sub|");
  EXPECT_EQ(lossy, std::vector<std::wstring>{L"C:\\data\\caf\u00e9.txt"});

  // Empty and missing folders list empty, unreadable ones are unknown.
  x.fs.AddFolder(L"C:\\empty");
  x.fs.AddFile(L"C:\\locked\\a.txt", "x");
  x.fs.SetUnreadable(L"C:\\locked");
  for (const wchar_t* folder : {L"C:\\empty", L"C:\\missing", L"C:\\locked"}) {
    ASSERT_TRUE(ListFiles(x.fs, fe, folder, list, nullptr, &stop)) << ToUtf8(folder);
    EXPECT_TRUE(list.text.empty()) << ToUtf8(folder);
    EXPECT_EQ(list.failed, folder == std::wstring(L"C:\\locked")) << ToUtf8(folder);
  }
}

TEST_F(Started, ANameLongerThan255CharactersStopsTheListing) {
  x.fs.AddFile(L"C:\\data\\" + std::wstring(256, L'a'), "x");
  FileList list;
  ListingStop stop;
  EXPECT_FALSE(ListFiles(x.fs, fe, L"C:\\data", list, nullptr, &stop));
  EXPECT_EQ(stop.place, L"Listup Files");
  EXPECT_EQ(ListingStopMessage(stop).rfind(L"場所＝Listup Files|Files: The filename or extension is too long.||", 0), 0u);
  x.fs.AddFile(L"C:\\ok\\" + std::wstring(255, L'b'), "x");
  EXPECT_TRUE(ListFiles(x.fs, fe, L"C:\\ok", list, nullptr, &stop));

  // The same inside the Windows folder's subfolders.
  x.fs.AddFile(L"C:\\windows\\deep\\" + std::wstring(256, L'c'), "x");
  MainFolderList main = BuildMainFolderList(x.fs, env, 2);
  SubfolderListing ctx{main, 2, nullptr, nullptr};
  SubfolderRecord record;
  EXPECT_FALSE(ListupSub(sv, ctx, record, &stop));
  EXPECT_EQ(ListingStopMessage(stop).rfind(L"場所＝Listup Sub|SubFile: The filename or extension is too long.||", 0), 0u);
}

TEST_F(Started, ManyFilesLetTheWindowProcessEventsEvery120) {
  for (int i = 0; i < 250; ++i) x.fs.AddFile(L"C:\\big\\f" + std::to_wstring(i), "", 1);
  FileList list;
  ListingStop stop;
  ASSERT_TRUE(ListFiles(x.fs, fe, L"C:\\big", list, nullptr, &stop));
  EXPECT_EQ(CountFileEntries(list.text), 250u);
  EXPECT_EQ(fe.busyCalls, 2);
}

// The Windows folder of the subfolder tests: files in the folder itself and in
// a system folder are not recorded; one and two levels below are.
void PlantWindowsTree(XpMachine& x) {
  x.fs.AddFile(L"C:\\windows\\notepad.exe", "x");
  x.fs.AddFile(L"C:\\windows\\system32\\drivers\\x.sys", "x");
  x.fs.AddFile(L"C:\\windows\\inf\\a.inf", "x");
  x.fs.AddFile(L"C:\\windows\\inf\\deep\\b.pnf", "x");
  x.fs.AddFile(L"C:\\windows\\inf\\deep\\deeper\\c.pnf", "x");
  x.fs.AddFile(L"C:\\windows\\IME\\dict.dic", "x");
  x.fs.AddFile(L"C:\\windows\\help\\spool\\job.spl", "x");
}

TEST_F(Started, SubfolderRecordAtLevelOneNamesTheSecondLevelWithoutItsFiles) {
  PlantWindowsTree(x);
  std::string record = Record(1);
  // The main folders (Temp, Fonts) are not recorded; system32 is, without
  // files; "inf" one level down with files; "deep" named, not entered.
  EXPECT_EQ(record,
            "|SYSTEM32/|PIF/|INF/|IME/|HELP/|"
            "SYSTEM32\\DRIVERS/|PIF\\LHA.PIF|PIF\\ZEL32.BAT|INF\\A.INF|INF\\DEEP/|HELP\\SPOOL/|");
  // What was named but not listed is known as such.
  EXPECT_NE(unentered.find("|INF\\DEEP/|"), std::string::npos);
  EXPECT_NE(unentered.find("|IME/|"), std::string::npos);
  EXPECT_NE(unentered.find("|HELP\\SPOOL/|"), std::string::npos);
  EXPECT_NE(unentered.find("|SYSTEM32\\DRIVERS/|"), std::string::npos);
}

TEST_F(Started, SubfolderRecordAtLevelTwoCoversTheWholeTreeButTheSkipList) {
  PlantWindowsTree(x);
  std::string record = Record(2);
  EXPECT_NE(record.find("|INF\\DEEP\\B.PNF|"), std::string::npos);
  EXPECT_NE(record.find("|INF\\DEEP\\DEEPER/|INF\\DEEP\\DEEPER\\C.PNF|"), std::string::npos);
  EXPECT_NE(record.find("|IME/|"), std::string::npos);              // named by its parent
  EXPECT_EQ(record.find("DICT.DIC"), std::string::npos);            // never entered
  EXPECT_EQ(record.find("JOB.SPL"), std::string::npos);
  EXPECT_NE(record.find("|SYSTEM32\\DRIVERS/|"), std::string::npos);
  EXPECT_EQ(record.find("X.SYS"), std::string::npos);  // a system folder: its own list
  EXPECT_EQ(unentered, "|IME/|HELP\\SPOOL/|");
}

TEST_F(Started, SubfolderListingNeverEntersLinksTheProgramsFoldersOrUnreadableOnes) {
  x.fs.AddFile(L"C:\\elsewhere\\precious.doc", "x");
  x.fs.AddLink(L"C:\\windows\\linked", L"C:\\elsewhere");
  x.InstallProgram(L"C:\\windows\\Zel");
  Environment inside = env;
  inside.ProgramDir = L"C:\\windows\\Zel";
  inside.WorkDir = L"C:\\windows\\Zel\\WinXP";
  inside.BackupDir = inside.WorkDir + L"\\Backup";
  x.fs.AddFile(inside.WorkDir + L"\\Zel32.INI", "x");
  x.fs.AddFile(L"C:\\windows\\secret\\a.txt", "x");
  x.fs.SetUnreadable(L"C:\\windows\\secret");  // known, never listed
  env = inside;
  std::string record = Record(2);
  EXPECT_NE(record.find("|LINKED/|"), std::string::npos);
  EXPECT_EQ(record.find("PRECIOUS"), std::string::npos);
  EXPECT_NE(record.find("|ZEL/|"), std::string::npos);
  EXPECT_EQ(record.find("ZEL\\"), std::string::npos);
  EXPECT_NE(unentered.find("|LINKED/|"), std::string::npos);
  EXPECT_NE(unentered.find("|ZEL/|"), std::string::npos);
  EXPECT_NE(record.find("|SECRET/|"), std::string::npos);
  EXPECT_NE(unentered.find("|SECRET/|"), std::string::npos);
}

TEST_F(Started, ReportLinesForEachListedFolder) {
  PlantWindowsTree(x);
  MainFolderList main = BuildMainFolderList(x.fs, env, 1);
  ReportLog report(x.fs, ReportPath(env.ProgramDir));
  SubfolderListing ctx{main, 1, &report, nullptr};
  SubfolderRecord record;
  ListingStop stop;
  ASSERT_TRUE(ListupSub(sv, ctx, record, &stop));
  report.Flush();
  std::wstring text = FromCp932(x.fs.Content(L"C:\\Zel32\\報告書.txt"));
  EXPECT_NE(text.find(L"準備中 [10:30:00] C:\\windows\\inf（2個）\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"準備中 [10:30:00] C:\\windows（"), std::wstring::npos);
  EXPECT_NE(std::find(fe.statuses.begin(), fe.statuses.end(), L"準備中： C:\\windows\\inf"), fe.statuses.end());
}

class Drives : public Started {
 protected:
  Outcome Prepare() {
    main = BuildMainFolderList(x.fs, env, options.CheckLevel);
    return PrepareDrives(sv, snap);
  }
  MainFolderList main;
  Snapshot snap;
};

TEST_F(Drives, RootFolderNamesKeepASlashOnBothSides) {
  // Removable and empty drives are not listed; an unreadable root is unknown
  // rather than empty.
  x.fs.AddDrive(L'A', DriveType::Removable);
  env.DriveTypes[0] = DriveType::Removable;
  x.fs.AddDrive(L'F', DriveType::Fixed, 0, 0);
  env.DriveTypes[5] = DriveType::Fixed;
  x.fs.AddDrive(L'E', DriveType::Fixed);
  x.fs.AddFolder(L"E:\\data");
  x.fs.SetUnreadable(L"E:\\");
  env.DriveTypes[4] = DriveType::Fixed;
  ASSERT_EQ(Prepare(), Outcome::Continue);
  EXPECT_TRUE(snap.driveRoots[0].empty());
  EXPECT_TRUE(snap.driveRoots[5].empty());
  EXPECT_TRUE(snap.driveRootFailed[4]);
  EXPECT_FALSE(snap.driveRootFailed[2]);
  // C: holds Program Files, users, windows, Zel32: the first and the last
  // name are found by "/" + name + "/" as well as the middle ones.
  EXPECT_EQ(snap.driveRoots[2], "/windows/Program Files/users/Zel32/");  // as on disk, in the drive's order
  EXPECT_TRUE(snap.driveRoots[3].empty());
  EXPECT_EQ(snap.freeSpace[2], 8ULL << 30);
  EXPECT_NE(std::find(fe.statuses.begin(), fe.statuses.end(), L"準備中： ドライブ C:\\"), fe.statuses.end());
}

TEST_F(Drives, AFixedDriveWithoutFoldersEndsTheProgram) {
  x.fs.AddDrive(L'E', DriveType::Fixed);
  x.fs.AddFile(L"E:\\only.txt", "x");
  env.DriveTypes[4] = DriveType::Fixed;
  EXPECT_EQ(Prepare(), Outcome::End);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text.rfind(L"_Root: E:\\", 0), 0u);
  EXPECT_NE(fe.questions[0].text.find(L"※上記のドライブにフォルダーが１個もない場合は"), std::wstring::npos);
}

TEST_F(Drives, StartupFilesAreCopiedAndDriveRecordsDeleted) {
  x.fs.AddFile(L"C:\\config.sys", "FILES=40\r\n");
  x.fs.AddFile(L"C:\\autoexec.bat", "@echo off\r\n");
  x.fs.AddFile(env.WorkDir + L"\\DrvList.C", "old");
  ASSERT_EQ(Prepare(), Outcome::Continue);
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\config.C"), "FILES=40\r\n");
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\autoexec.C"), "@echo off\r\n");
  EXPECT_FALSE(x.fs.Exists(env.WorkDir + L"\\DrvList.C"));
  // While the program's block is in autoexec.bat, the saved original is copied.
  x.fs.AddFile(L"C:\\autoexec.bat", ToCp932(L"@echo off\r\nrem ---これ以下は、Zel32自動挿入---\r\nC:\\Zel.BAT\r\n"));
  x.fs.AddFile(L"C:\\autoexec.Zel", "@echo on\r\n");
  ASSERT_EQ(Prepare(), Outcome::Continue);
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\autoexec.C"), "@echo on\r\n");
}

TEST_F(Drives, TheWholePreparationFillsEveryList) {
  x.fs.AddFile(L"C:\\windows\\system32\\a.dll", "x", 0x1234);
  x.fs.AddFile(L"C:\\windows\\Temp\\t.tmp", "x", 0x99);
  options.Report = true;
  main = BuildMainFolderList(x.fs, env, 1);
  ASSERT_EQ(PrepareSnapshot(sv, main, snap), Outcome::Continue);
  EXPECT_EQ(snap.date, L"2026/12/06");
  EXPECT_EQ(snap.checkLevel, 1);
  EXPECT_NE(snap.windows.text.find("/win.ini|"), std::string::npos);
  EXPECT_NE(snap.system[3].text.find("0000000000001234/a.dll|"), std::string::npos);
  EXPECT_TRUE(snap.system[0].text.empty());  // C:\windows\System is missing
  ASSERT_EQ(snap.main.size(), main.Count());
  EXPECT_EQ(snap.main[0].entry, L"0C:\\windows\\Temp");
  EXPECT_EQ(snap.main[0].list.text, "0000000000000099/t.tmp|");
  EXPECT_EQ(snap.deeper.level, 1);
  EXPECT_NE(snap.deeper.text.find("|SYSTEM32/|"), std::string::npos);
  std::wstring report = FromCp932(x.fs.Content(L"C:\\Zel32\\報告書.txt"));
  EXPECT_NE(report.find(L"] C:\\windows\\Temp（1個）"), std::wstring::npos);
  // At level 0 there is no subfolder record.
  main = BuildMainFolderList(x.fs, env, 0);
  options.CheckLevel = 0;
  ASSERT_EQ(PrepareSnapshot(sv, main, snap), Outcome::Continue);
  EXPECT_TRUE(snap.deeper.text.empty());
  EXPECT_EQ(snap.deeper.level, 0);
}


}  // namespace
}  // namespace zel
