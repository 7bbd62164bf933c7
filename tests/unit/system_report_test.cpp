#include <gtest/gtest.h>

#include "base/cp932.h"
#include "report/report_log.h"
#include "report/system_report.h"
#include "support/started_machine.h"

namespace zel {
namespace {

constexpr std::uint64_t kMay1st = 0x1da9bc3f90a9800ULL;  // 2024/05/01 12:34:56
constexpr std::uint64_t kMega = 1048576;
const wchar_t kCpuKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";

class SystemReport : public ::testing::Test, public testing::StartedMachine {
 protected:
  void Start() {
    StartedMachine::Start();
    FindSwapFiles(x.fs, env);
  }
};

TEST_F(SystemReport, EveryLineOfAnXpMachineInOrder) {
  x.fs.AddDrive(L'D', DriveType::CdRom);
  x.fs.AddDrive(L'E', DriveType::Removable);
  x.fs.AddDrive(L'F', DriveType::Fixed, 1536 * kMega, 12345678 * kMega);
  x.fs.AddDrive(L'N', DriveType::Remote);
  x.fs.AddDrive(L'R', DriveType::RamDisk);
  x.fs.AddDrive(L'X', DriveType::NoRoot);
  x.fs.AddFile(L"C:\\pagefile.sys", "", kMay1st);
  x.fs.AddFile(L"F:\\pagefile.sys", "", kMay1st);
  x.fs.AddFile(L"C:\\windows\\system32\\ntdll.dll", std::string(1234567, 'x'), kMay1st);
  x.sys.libraries = {L"C:\\windows\\system32\\ntdll.dll", L"C:\\windows\\system32\\gone.dll"};
  x.reg.Set(RegRoot::LocalMachine, kCpuKey, L"Identifier", L"x86 Family 6 Model 15");
  x.reg.Set(RegRoot::LocalMachine, kCpuKey, L"VendorIdentifier", L"GenuineIntel");
  x.reg.Set(RegRoot::LocalMachine, kCpuKey, L"~MHz", L"2400");
  x.reg.Set(RegRoot::LocalMachine, L"HARDWARE\\DESCRIPTION\\System", L"Identifier", L"AT compatible");
  Start();
  options.RegScanInst = true;

  const std::vector<std::wstring> expected = {
      L"報告日付：     2026/12/06",
      L"使用ＯＳ：     Windows-XP（5.1）",
      L"ntdll.dll：1,234,567 （2024/05/01 12:34:56）",
      L"gone.dll：無し",
      L"ＣＰＵ：       x86 Family 6 Model 15（GenuineIntel）2400MHz",
      L"マザーボード： AT compatible",
      L"ドライブ構成",
      L"・Drive C:   (HDD) 全容量：  40,960Mバイト　　空容量：   8,192Mバイト",
      L"・Drive D:   (CD-ROM)",
      L"・Drive E:   (Removable)",
      L"・Drive F:   (HDD) 全容量：12,345,678Mバイト　　空容量：   1,536Mバイト",
      L"・Drive N:   (Remote)",
      L"・Drive R:   (RAM-DISK)",
      std::wstring(60, L'-'),
      L"",
      L"Boot Drive：   C:\\",
      L"Windows  Dir： C:\\windows",
      L"System   Dir： C:\\windows\\System32",
      L"Program  Dir： C:\\Program Files",
      L"Document Dir： C:\\users\\root\\Documents",
      L"Desktop：      C:\\users\\root\\Desktop",
      L"Settings：     C:\\users\\root",
      L"Zel Installed：C:\\Zel32",
      L"Zel Work Dir： C:\\Zel32\\WinXP",
      L"Zel BackupDir：C:\\Zel32\\WinXP\\Backup",
      L"Swap File #1： C:\\pagefile.sys",
      L"Swap File #2： F:\\pagefile.sys",
      L"Original System Registry： C:\\windows\\System32\\Config\\SYSTEM （DIR無）",
      L"Original User   Registry： C:\\users\\root\\NTUSER.DAT （ファイル無）",
      L"Backup   System Registry： C:\\Zel32\\WinXP\\Backup\\SYSTEM （ファイル無）",
      L"Backup   User   Registry： C:\\Zel32\\WinXP\\Backup\\NTUSER.DAT （ファイル無）",
      L"CanUseRegEdit＝True",
      L"UseRegEditInst＝True",
      L"追加と削除ファイル記録    ： 無し",
      L"全システムファイル復元    ： 無し",
      L"レジストリ復元設定必要    ： No",
      L"監視レベル：　　　　　　　： ２：全フォルダーの第１レベルのみ",
      std::wstring(60, L'-'),
      L"",
  };
  EXPECT_EQ(SystemReportLines(x.machine, env, options), expected);
}

TEST_F(SystemReport, A9xMachineWithFoldersGoneAndEveryFlagTurned) {
  x.MakeWin98();
  x.fs.AddFile(L"C:\\windows\\WIN386.SWP", "", kMay1st);
  x.fs.AddFile(L"C:\\windows\\system.dat", "", kMay1st);
  x.fs.AddFile(L"C:\\windows\\user.dat", "", kMay1st);
  x.fs.AddFile(L"C:\\pagefile.sys", "", kMay1st);  // not the paging file of a 9x machine
  x.fs.AddDrive(L'A', DriveType::Removable);
  x.fs.AddDrive(L'B', DriveType::Removable);
  x.reg.Set(RegRoot::LocalMachine, kCpuKey, L"VendorIdentifier", L"GenuineIntel");  // no identifier: no line
  Start();
  x.fs.AddFile(env.BackupDir + L"\\system.dat", "", kMay1st);
  x.fs.AddFile(env.WorkDir + L"\\追加と削除.reg", "REGEDIT4", kMay1st);
  x.fs.AddFile(env.WorkDir + L"\\RegClear.dat", "", kMay1st);
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\regedit.exe"));
  env.HasRegEdit = false;
  options.SaveAllSys = true;
  options.CheckLevel = 2;
  // Folders of the record that went away after the start: the report still completes.
  env.PersonalDir = L"C:\\My Documents";
  env.ProgramFilesDir.clear();

  std::vector<std::wstring> lines = SystemReportLines(x.machine, env, options);
  auto at = [&lines](std::wstring_view label) {
    for (const std::wstring& line : lines) {
      if (line.starts_with(label)) return line;
    }
    return std::wstring(L"(no line)");
  };
  EXPECT_EQ(lines[1], L"使用ＯＳ：     Windows-98（4.10.2222）");
  EXPECT_EQ(at(L"ＣＰＵ"), L"(no line)");
  EXPECT_EQ(at(L"マザーボード"), L"(no line)");
  EXPECT_EQ(at(L"・Drive A:"), L"・Drive A:   (FDD)");
  EXPECT_EQ(at(L"・Drive B:"), L"・Drive B:   (Removable)");
  EXPECT_EQ(at(L"System   Dir"), L"System   Dir： C:\\windows\\System");
  EXPECT_EQ(at(L"Program  Dir"), L"Program  Dir：  （DIR無）");
  EXPECT_EQ(at(L"Document Dir"), L"Document Dir： C:\\My Documents （DIR無）");
  EXPECT_EQ(at(L"Settings"), L"(no line)");
  EXPECT_EQ(at(L"Swap File"), L"Swap File #1： C:\\windows\\WIN386.SWP");
  EXPECT_EQ(at(L"Swap File #2"), L"(no line)");
  EXPECT_EQ(at(L"Original System"), L"Original System Registry： C:\\windows\\system.dat");
  EXPECT_EQ(at(L"Original User"), L"Original User   Registry： C:\\windows\\user.dat");
  EXPECT_EQ(at(L"Backup   System"), L"Backup   System Registry： C:\\Zel32\\Win98\\Backup\\system.dat");
  EXPECT_EQ(at(L"Backup   User"), L"Backup   User   Registry： C:\\Zel32\\Win98\\Backup\\user.dat （ファイル無）");
  EXPECT_EQ(at(L"CanUseRegEdit"), L"CanUseRegEdit＝False");
  EXPECT_EQ(at(L"UseRegEditInst"), L"UseRegEditInst＝False");
  EXPECT_EQ(at(L"追加と削除"), L"追加と削除ファイル記録    ： 有り");
  EXPECT_EQ(at(L"全システム"), L"全システムファイル復元    ： 有り");
  EXPECT_EQ(at(L"レジストリ復元"), L"レジストリ復元設定必要    ： Yes");
  EXPECT_EQ(at(L"監視レベル"), L"監視レベル：　　　　　　　： ３：全フォルダーの下位レベルまで");
  EXPECT_EQ(lines.back(), L"");
  EXPECT_EQ(lines[lines.size() - 2], std::wstring(60, L'-'));

  options.CheckLevel = 0;
  lines = SystemReportLines(x.machine, env, options);
  EXPECT_EQ(at(L"監視レベル"), L"監視レベル：　　　　　　　： １：主要フォルダーのみ");
}

TEST(SystemReportFields, MegabytesRightAlignedInEightCharacters) {
  EXPECT_EQ(MegabyteField(0), L"       0");
  EXPECT_EQ(DriveLine(L'Q', DriveType::Unknown, std::nullopt), L"");
  EXPECT_EQ(MegabyteField(kMega / 2 - 1), L"       0");
  EXPECT_EQ(MegabyteField(kMega / 2), L"       1");  // rounded, as "#,0" does
  EXPECT_EQ(MegabyteField(999 * kMega), L"     999");
  EXPECT_EQ(MegabyteField(1000 * kMega), L"   1,000");
  EXPECT_EQ(MegabyteField(99999 * kMega), L"  99,999");
  // A figure wider than the field keeps its leading digits.
  EXPECT_EQ(MegabyteField(1234567 * kMega), L"1,234,567");
}

TEST_F(SystemReport, WritingReplacesTheFileAndTheLogsAppendAfterIt) {
  Start();
  const std::wstring path = L"C:\\Zel32\\報告書.txt";
  x.fs.AddFile(path, "an old report that must go\r\n");
  WriteSystemReport(x.machine, env, options);
  {
    ReportLog log(x.fs, ReportPath(env.ProgramDir));
    log.Line(L"確認の記録");
  }
  const std::string bytes = x.fs.Content(path);
  EXPECT_EQ(bytes.find("old report"), std::string::npos);
  EXPECT_EQ(bytes.rfind(ToCp932(L"報告日付：     2026/12/06\r\n使用ＯＳ：     Windows-XP（5.1）\r\n"), 0), 0u);
  const std::string tail = std::string(60, '-') + "\r\n\r\n" + ToCp932(L"確認の記録") + "\r\n";
  ASSERT_GE(bytes.size(), tail.size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

  // A report that cannot be written is given up quietly.
  IgnoreError(x.fs.RemoveFile(path));
  x.fs.AddFolder(path);
  WriteSystemReport(x.machine, env, options);
  EXPECT_TRUE(x.fs.Find(path)->IsFolder());
}

}  // namespace
}  // namespace zel
