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

using testing::Has;
using testing::XpMachine;
using Lines = std::vector<std::wstring>;

// A started machine: process start and loading done, as the main window has
// them before its folder lists.
class Started : public testing::Started {
 protected:
  std::string Record(int level) {
    MainFolderList main = BuildMainFolderList(x.fs, env, level);
    SubfolderListing ctx{main, level, nullptr, &lossy};
    SubfolderRecord record;
    EXPECT_TRUE(ListupSub(sv, ctx, record, &stop));
    unentered = record.unentered;
    return record.text;
  }
  bool List(const std::wstring& folder) { return ListFiles(x.fs, fe, folder, files, &lossy, &stop); }
  std::vector<std::wstring> lossy;
  std::string unentered;
  FileList files;
  ListingStop stop;
};

TEST_F(Started, MainFoldersWithKindDigitsAndAtLevelZeroTheWindowsSubfoldersOnce) {
  for (const wchar_t* folder : {L"C:\\windows\\SendTo", L"C:\\users\\All Users\\Documents",
                                L"C:\\windows\\Media", L"C:\\windows\\Help", L"C:\\windows\\タスク"}) {
    x.fs.AddFolder(folder);
  }
  const Lines paths = BuildMainFolderList(x.fs, env, 1).Entries();
  ASSERT_GE(paths.size(), 6u);
  EXPECT_EQ(Lines(paths.begin(), paths.begin() + 5),
            (Lines{L"0C:\\windows\\Temp", L"0C:\\Program Files", L"2C:\\windows\\Fonts",
                   L"1C:\\windows\\SendTo",
                   L"1C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"}));
  // Documents is kind 0; the All Users documents folder comes from the NT list.
  EXPECT_TRUE(Has(paths, L"0C:\\users\\root\\Documents"));
  EXPECT_TRUE(Has(paths, L"1C:\\users\\All Users\\Documents"));

  const MainFolderList zero = BuildMainFolderList(x.fs, env, 0);
  EXPECT_EQ(std::count(zero.Entries().begin(), zero.Entries().end(), L"0C:\\windows\\Media"), 1);
  EXPECT_TRUE(Has(zero.Entries(), L"0C:\\windows\\タスク"));
  EXPECT_NE(zero.Membership().find(L"|C:\\WINDOWS\\MEDIA|"), std::wstring::npos);
}

TEST_F(Started, AMainFolderEntersOnceIfItExistsAndIsNotTheProgramsOwnUpToAHundred) {
  MainFolderList list;
  EXPECT_TRUE(list.AddMainFolder(x.fs, env, L"C:\\windows\\Temp", L'0'));
  EXPECT_FALSE(list.AddMainFolder(x.fs, env, L"C:\\WINDOWS\\TEMP", L'1'));  // another letter case
  EXPECT_FALSE(list.AddMainFolder(x.fs, env, L"C:\\windows\\NoSuch", L'0'));
  for (const std::wstring& own : {env.WorkDir, env.BackupDir, env.ProgramDir}) {
    EXPECT_FALSE(list.AddMainFolder(x.fs, env, own, L'0')) << own;
  }
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
  ASSERT_TRUE(List(L"C:\\data"));
  EXPECT_EQ(files.text, "01D0F3A2B4C5D6E7/a.txt|0000000000000010/" + ToCp932(L"漢字.dll") +
                           "|0000000000000001/caf?.txt|0000000100000002/sub|");
  EXPECT_EQ(lossy, std::vector<std::wstring>{L"C:\\data\\caf\u00e9.txt"});

  // Empty and missing folders list empty, unreadable ones are unknown.
  x.fs.AddFolder(L"C:\\empty");
  x.fs.AddFile(L"C:\\locked\\a.txt", "x");
  x.fs.SetUnreadable(L"C:\\locked");
  for (const wchar_t* folder : {L"C:\\empty", L"C:\\missing", L"C:\\locked"}) {
    ASSERT_TRUE(List(folder)) << ToUtf8(folder);
    EXPECT_TRUE(files.text.empty()) << ToUtf8(folder);
    EXPECT_EQ(files.failed, folder == std::wstring(L"C:\\locked")) << ToUtf8(folder);
  }
}

TEST_F(Started, ANameLongerThan255CharactersStopsTheListing) {
  x.fs.AddFile(L"C:\\data\\" + std::wstring(256, L'a'), "x");
  EXPECT_FALSE(List(L"C:\\data"));
  EXPECT_EQ(ListingStopMessage(stop).rfind(L"場所＝Listup Files|Files: The filename or extension is too long.||", 0), 0u);
  x.fs.AddFile(L"C:\\ok\\" + std::wstring(255, L'b'), "x");
  EXPECT_TRUE(List(L"C:\\ok"));
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
  EXPECT_EQ(unentered, "|SYSTEM32\\DRIVERS/|INF\\DEEP/|IME/|HELP\\SPOOL/|");
}

// At level two the whole tree is listed but the skip list, links, the
// program's own folders and unreadable folders: those are named, never entered.
TEST_F(Started, SubfolderRecordAtLevelTwoEntersAllButTheSkipListLinksOwnAndUnreadableFolders) {
  PlantWindowsTree(x);
  x.fs.AddFile(L"C:\\elsewhere\\precious.doc", "x");
  x.fs.AddLink(L"C:\\windows\\linked", L"C:\\elsewhere");
  x.InstallProgram(L"C:\\windows\\Zel");
  env.ProgramDir = L"C:\\windows\\Zel";
  env.WorkDir = L"C:\\windows\\Zel\\WinXP";
  env.BackupDir = env.WorkDir + L"\\Backup";
  x.fs.AddFile(env.WorkDir + L"\\Zel32.INI", "x");
  x.fs.AddFile(L"C:\\windows\\secret\\a.txt", "x");
  x.fs.SetUnreadable(L"C:\\windows\\secret");
  const std::string record = Record(2);
  for (const char* listed : {"|INF\\DEEP\\B.PNF|", "|INF\\DEEP\\DEEPER/|INF\\DEEP\\DEEPER\\C.PNF|", "|IME/|",
                             "|SYSTEM32\\DRIVERS/|", "|LINKED/|", "|ZEL/|", "|SECRET/|"}) {
    EXPECT_NE(record.find(listed), std::string::npos) << listed;
  }
  // X.SYS: a system folder has its own list.
  for (const char* never : {"DICT.DIC", "JOB.SPL", "X.SYS", "PRECIOUS", "ZEL\\"}) {
    EXPECT_EQ(record.find(never), std::string::npos) << never;
  }
  EXPECT_EQ(unentered, "|IME/|HELP\\SPOOL/|LINKED/|ZEL/|SECRET/|");
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
  // As on disk, in the drive's order; the first and the last name are found
  // by "/" + name + "/" as well as the middle ones.
  EXPECT_EQ(snap.driveRoots[2], "/windows/Program Files/users/Zel32/");
}

TEST_F(Drives, AFixedDriveWithoutFoldersEndsTheProgram) {
  x.fs.AddDrive(L'E', DriveType::Fixed);
  x.fs.AddFile(L"E:\\only.txt", "x");
  env.DriveTypes[4] = DriveType::Fixed;
  EXPECT_EQ(Prepare(), Outcome::End);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_NE(fe.questions[0].text.find(L"※上記のドライブにフォルダーが１個もない場合は"), std::wstring::npos);
}

TEST_F(Drives, StartupFilesAreCopiedAndDriveRecordsDeleted) {
  x.fs.AddFile(L"C:\\config.sys", "FILES=40\r\n");
  x.fs.AddFile(env.WorkDir + L"\\DrvList.C", "old");
  ASSERT_EQ(Prepare(), Outcome::Continue);
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\config.C"), "FILES=40\r\n");
  EXPECT_FALSE(x.fs.Exists(env.WorkDir + L"\\DrvList.C"));
  // While the program's block is in autoexec.bat, the saved original is copied.
  x.fs.AddFile(L"C:\\autoexec.bat", ToCp932(L"@echo off\r\nrem ---これ以下は、Zel32自動挿入---\r\nC:\\Zel.BAT\r\n"));
  x.fs.AddFile(L"C:\\autoexec.Zel", "@echo on\r\n");
  ASSERT_EQ(Prepare(), Outcome::Continue);
  EXPECT_EQ(x.fs.Content(env.BackupDir + L"\\autoexec.C"), "@echo on\r\n");
}

TEST_F(Drives, TheWholePreparationFillsEveryListAndReportsEachFolder) {
  PlantWindowsTree(x);
  x.fs.AddFile(L"C:\\windows\\system32\\a.dll", "x", 0x1234);
  x.fs.AddFile(L"C:\\windows\\Temp\\t.tmp", "x", 0x99);
  options.Report = true;
  main = BuildMainFolderList(x.fs, env, 1);
  ASSERT_EQ(PrepareSnapshot(sv, main, snap), Outcome::Continue);
  EXPECT_NE(snap.windows.text.find("/win.ini|"), std::string::npos);
  EXPECT_NE(snap.system[3].text.find("0000000000001234/a.dll|"), std::string::npos);
  ASSERT_EQ(snap.main.size(), main.Count());
  EXPECT_EQ(snap.main[0].list.text, "0000000000000099/t.tmp|");
  EXPECT_NE(snap.deeper.text.find("|SYSTEM32/|"), std::string::npos);
  const std::wstring report = FromCp932(x.fs.Content(L"C:\\Zel32\\報告書.txt"));
  EXPECT_NE(report.find(L"準備中 [10:30:00] C:\\windows\\inf（2個）\r\n"), std::wstring::npos);
}

}  // namespace
}  // namespace zel
