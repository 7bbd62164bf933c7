#include <gtest/gtest.h>

#include "base/text.h"
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

// The lines the real start cannot show (a second paging file, a missing
// library, a huge drive) on an XP machine, and a report that cannot be written.
TEST_F(SystemReport, TheLinesOfAnXpMachineAndAFileThatCannotBeWritten) {
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

  const std::vector<std::wstring> lines = SystemReportLines(x.machine, env, options);
  const std::vector<std::wstring> head = {
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
  };
  ASSERT_GT(lines.size(), head.size());
  EXPECT_EQ(std::vector<std::wstring>(lines.begin() + 1, lines.begin() + 1 + head.size()), head);
  for (const wchar_t* line : {L"Swap File #2： F:\\pagefile.sys", L"UseRegEditInst＝True",
                              L"Original User   Registry： C:\\users\\root\\NTUSER.DAT （ファイル無）",
                              L"追加と削除ファイル記録    ： 無し", L"全システムファイル復元    ： 無し",
                              L"レジストリ復元設定必要    ： No", L"監視レベル：　　　　　　　： ２：全フォルダーの第１レベルのみ"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << ToUtf8(line);
  }
  // A report that cannot be written is given up quietly.
  x.fs.AddFolder(L"C:\\Zel32\\報告書.txt");
  WriteSystemReport(x.machine, env, options);
  EXPECT_TRUE(x.fs.Find(L"C:\\Zel32\\報告書.txt")->IsFolder());
}

TEST_F(SystemReport, A9xMachineWithFoldersGoneAndEveryFlagTurned) {
  x.MakeWin98();
  x.fs.AddFile(L"C:\\windows\\WIN386.SWP", "", kMay1st);
  x.fs.AddFile(L"C:\\windows\\system.dat", "", kMay1st);
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

  const std::vector<std::wstring> lines = SystemReportLines(x.machine, env, options);
  EXPECT_EQ(lines[1], L"使用ＯＳ：     Windows-98（4.10.2222）");
  for (const wchar_t* line : {L"・Drive A:   (FDD)", L"・Drive B:   (Removable)",
                              L"System   Dir： C:\\windows\\System", L"Document Dir： C:\\My Documents （DIR無）",
                              L"Swap File #1： C:\\windows\\WIN386.SWP",
                              L"Original System Registry： C:\\windows\\system.dat",
                              L"Backup   System Registry： C:\\Zel32\\Win98\\Backup\\system.dat （ファイル無）",
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
