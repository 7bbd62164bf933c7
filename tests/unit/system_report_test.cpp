#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/text.h"
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

// One representative of every line, byte for byte, and the file written from
// them: an old report replaced, the logs appended after it.
TEST_F(SystemReport, EveryLineOfAnXpMachineInOrderAndTheFile) {
  x.fs.AddDrive(L'D', DriveType::CdRom);
  // Rounded to the nearest megabyte, as "#,0" does; wider than its field, all its digits.
  x.fs.AddDrive(L'F', DriveType::Fixed, 1536 * kMega + kMega / 2, 12345678 * kMega + kMega / 2 - 1);
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
      L"・Drive F:   (HDD) 全容量：12,345,678Mバイト　　空容量：   1,537Mバイト",
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

  const std::wstring path = L"C:\\Zel32\\報告書.txt";
  x.fs.AddFile(path, "an old report that must go\r\n");
  WriteSystemReport(x.machine, env, options);
  ReportLog(x.fs, ReportPath(env.ProgramDir)).Line(L"確認の記録");
  std::wstring text;
  for (const std::wstring& line : expected) text += line + L"\r\n";
  EXPECT_EQ(x.fs.Content(path), ToCp932(text + L"確認の記録\r\n"));
  // A report that cannot be written is given up quietly.
  IgnoreError(x.fs.RemoveFile(path));
  x.fs.AddFolder(path);
  WriteSystemReport(x.machine, env, options);
  EXPECT_TRUE(x.fs.Find(path)->IsFolder());
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
  x.fs.AddFile(env.WorkDir + L"\\追加と削除.reg", "REGEDIT4", kMay1st);
  x.fs.AddFile(env.WorkDir + L"\\RegClear.dat", "", kMay1st);
  env.HasRegEdit = false;
  options.SaveAllSys = true;
  options.CheckLevel = 2;
  // Folders of the record that went away after the start: the report still completes.
  env.PersonalDir = L"C:\\My Documents";
  env.ProgramFilesDir.clear();

  const std::vector<std::wstring> lines = SystemReportLines(x.machine, env, options);
  EXPECT_EQ(lines[1], L"使用ＯＳ：     Windows-98（4.10.2222）");
  for (const wchar_t* line : {L"・Drive A:   (FDD)", L"・Drive B:   (Removable)",
                              L"System   Dir： C:\\windows\\System", L"Program  Dir：  （DIR無）",
                              L"Document Dir： C:\\My Documents （DIR無）",
                              L"Swap File #1： C:\\windows\\WIN386.SWP",
                              L"Original System Registry： C:\\windows\\system.dat",
                              L"Original User   Registry： C:\\windows\\user.dat",
                              L"Backup   User   Registry： C:\\Zel32\\Win98\\Backup\\user.dat （ファイル無）",
                              L"CanUseRegEdit＝False", L"追加と削除ファイル記録    ： 有り",
                              L"全システムファイル復元    ： 有り", L"レジストリ復元設定必要    ： Yes",
                              L"監視レベル：　　　　　　　： ３：全フォルダーの下位レベルまで"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << ToUtf8(line);
  }
  for (const wchar_t* absent : {L"ＣＰＵ", L"マザーボード", L"Settings", L"Swap File #2"}) {
    const auto starts = [&](const std::wstring& line) { return line.starts_with(absent); };
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), starts)) << ToUtf8(absent);
  }
}

}  // namespace
}  // namespace zel
