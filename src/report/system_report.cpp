#include "report/system_report.h"

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "report/report_log.h"
#include "startup/file_helpers.h"
#include "startup/restart_marks.h"

namespace zel {
namespace {

const wchar_t kCpuKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
const wchar_t kSystemKey[] = L"HARDWARE\\DESCRIPTION\\System";

std::wstring Rule() { return std::wstring(60, L'-'); }

const wchar_t* YesNoText(bool yes, const wchar_t* on, const wchar_t* off) { return yes ? on : off; }

const wchar_t* LevelText(int level) {
  switch (level) {
    case 0: return L"１：主要フォルダーのみ";
    case 2: return L"３：全フォルダーの下位レベルまで";
    default: return L"２：全フォルダーの第１レベルのみ";
  }
}

// "KERNEL32.DLL：1,234,567 （2024/05/01 12:00:00）", or "：無し" for a
// library that is not there.
std::wstring LibraryLine(Machine& m, const std::wstring& path) {
  const std::wstring name = LastComponent(path);
  std::optional<FileEntry> e = m.fs.Stat(path);
  if (!e || e->IsFolder()) return name + L"：無し";
  const LocalTime t = m.sys.LocalTimeOf(e->lastWrite);
  return name + L"：" + Grouped(static_cast<long long>(e->size)) + L" （" + DateText(t) + L" " + ClockText(t) +
         L"）";
}

}  // namespace

std::wstring FolderValue(FileSystem& fs, const std::wstring& path) {
  return FolderExists(fs, path) ? path : path + L" （DIR無）";
}

std::wstring FileValue(FileSystem& fs, const std::wstring& path) {
  if (!FolderExists(fs, ParentFolder(path))) return path + L" （DIR無）";
  if (!FileExists(fs, path)) return path + L" （ファイル無）";
  return path;
}

std::wstring MegabyteField(std::uint64_t bytes) {
  constexpr std::uint64_t kMega = 1048576;
  const std::uint64_t megabytes = bytes / kMega + (bytes % kMega >= kMega / 2 ? 1 : 0);
  std::wstring text = Grouped(static_cast<long long>(megabytes));
  if (text.size() >= 8) return text;
  return std::wstring(8 - text.size(), L' ') + text;
}

std::wstring DriveLine(wchar_t letter, DriveType type, const std::optional<DiskSpace>& space) {
  std::wstring line = L"・Drive " + std::wstring(1, letter) + L":   ";
  switch (type) {
    case DriveType::Removable:
      return line + (letter == L'A' ? L"(FDD)" : L"(Removable)");
    case DriveType::Fixed: {
      const DiskSpace s = space.value_or(DiskSpace{});
      return line + L"(HDD) 全容量：" + MegabyteField(s.totalBytes) + L"Mバイト　　空容量：" +
             MegabyteField(s.freeBytes) + L"Mバイト";
    }
    case DriveType::Remote: return line + L"(Remote)";
    case DriveType::CdRom: return line + L"(CD-ROM)";
    case DriveType::RamDisk: return line + L"(RAM-DISK)";
    default: return std::wstring();
  }
}

std::vector<std::wstring> SystemReportLines(Machine& m, const Environment& env, const RunningOptions& options) {
  std::vector<std::wstring> out;
  out.push_back(L"報告日付：     " + DateText(m.sys.Now()));
  out.push_back(L"使用ＯＳ：     " + env.WindowsName() + L"（" + env.VersionText + L"）");

  // The program brings no libraries of its own: the system's libraries it
  // runs on stand for its runtime.
  for (const std::wstring& path : m.sys.LoadedLibraries()) out.push_back(LibraryLine(m, path));

  const std::wstring cpu = m.reg.ReadText(RegRoot::LocalMachine, kCpuKey, L"Identifier");
  if (!cpu.empty()) {
    out.push_back(L"ＣＰＵ：       " + cpu + L"（" + m.reg.ReadText(RegRoot::LocalMachine, kCpuKey, L"VendorIdentifier") +
                  L"）" + m.reg.ReadText(RegRoot::LocalMachine, kCpuKey, L"~MHz") + L"MHz");
  }
  const std::wstring board = m.reg.ReadText(RegRoot::LocalMachine, kSystemKey, L"Identifier");
  if (!board.empty()) out.push_back(L"マザーボード： " + board);

  out.push_back(L"ドライブ構成");
  for (int i = 0; i < 26; ++i) {
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const DriveType type = env.DriveTypes[i];
    std::optional<DiskSpace> space;
    if (type == DriveType::Fixed) space = m.fs.SpaceOf(std::wstring(1, letter) + L":\\", env.CanUseFAT32);
    std::wstring line = DriveLine(letter, type, space);
    if (!line.empty()) out.push_back(line);
  }
  out.push_back(Rule());
  out.push_back(L"");

  out.push_back(L"Boot Drive：   " + env.BootDrive);
  out.push_back(L"Windows  Dir： " + FolderValue(m.fs, env.WinDir));
  out.push_back(L"System   Dir： " + FolderValue(m.fs, env.SysDir));
  out.push_back(L"Program  Dir： " + FolderValue(m.fs, env.ProgramFilesDir));
  out.push_back(L"Document Dir： " + FolderValue(m.fs, env.PersonalDir));
  out.push_back(L"Desktop：      " + FolderValue(m.fs, env.DesktopDir));
  if (!env.ProfileDir.empty()) out.push_back(L"Settings：     " + FolderValue(m.fs, env.ProfileDir));
  out.push_back(L"Zel Installed：" + FolderValue(m.fs, env.ProgramDir));
  out.push_back(L"Zel Work Dir： " + FolderValue(m.fs, env.WorkDir));
  out.push_back(L"Zel BackupDir：" + FolderValue(m.fs, env.BackupDir));

  int swapNumber = 0;
  for (const std::wstring& swap : env.SwapFiles) {
    if (!swap.empty()) out.push_back(L"Swap File #" + std::to_wstring(++swapNumber) + L"： " + swap);
  }

  const HivePaths hives = FixHivePaths(m.fs, env);
  out.push_back(L"Original System Registry： " + FileValue(m.fs, hives.system));
  out.push_back(L"Original User   Registry： " + FileValue(m.fs, hives.user));
  out.push_back(L"Backup   System Registry： " + FileValue(m.fs, hives.systemCopy));
  out.push_back(L"Backup   User   Registry： " + FileValue(m.fs, hives.userCopy));

  out.push_back(std::wstring(L"CanUseRegEdit＝") + YesNoText(env.HasRegEdit, L"True", L"False"));
  out.push_back(std::wstring(L"UseRegEditInst＝") + YesNoText(options.RegScanInst, L"True", L"False"));
  const bool uninstallRecord = FileExists(m.fs, JoinPath(env.WorkDir, kUninstallExportName));
  out.push_back(std::wstring(L"追加と削除ファイル記録    ： ") + YesNoText(uninstallRecord, L"有り", L"無し"));
  out.push_back(std::wstring(L"全システムファイル復元    ： ") + YesNoText(options.SaveAllSys, L"有り", L"無し"));
  out.push_back(std::wstring(L"レジストリ復元設定必要    ： ") +
                YesNoText(RegistryRestorePending(m.fs, env), L"Yes", L"No"));
  out.push_back(std::wstring(L"監視レベル：　　　　　　　： ") + LevelText(options.CheckLevel));
  out.push_back(Rule());
  out.push_back(L"");
  return out;
}

void WriteSystemReport(Machine& m, const Environment& env, const RunningOptions& options) {
  std::string bytes;
  for (const std::wstring& line : SystemReportLines(m, env, options)) {
    AppendCp932(line, bytes);
    bytes += "\r\n";
  }
  const std::wstring path = ReportPath(env.ProgramDir);
  IgnoreError(m.fs.RemoveFile(path));
  IgnoreError(m.fs.WriteBytes(path, bytes));
}

}  // namespace zel
