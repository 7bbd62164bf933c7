#include "startup/options.h"

#include "base/cp932.h"
#include "base/text.h"

namespace zel {

const wchar_t kWashFirst[] = L"洗浄を行なった後で やり直して下さい";

OptionValues CurrentOptions(const RunningOptions& running, const Environment& env) {
  OptionValues v;
  v.UseMouseHelp = running.UseMouseHelp;
  v.QueryDirDel = running.QueryDirDel;
  v.CanUseFAT32 = env.CanUseFAT32;
  v.ExtractDos = running.ExtractDos;
  v.CheckLevel = running.CheckLevel;
  v.UseWarning = running.UseWarning;
  v.Report = running.Report;
  v.SaveAllSys = running.SaveAllSys;
  v.RegRecord = running.RegRecord;
  v.BackColor = running.ZelBackColor4;
  v.ConsoleScheme = running.ZelConColType;
  return v;
}

AppliedOptions ApplyOptions(const OptionValues& picked, Settings& settings, RunningOptions& running,
                            Environment& env, FrontEnd& fe) {
  running.UseMouseHelp = picked.UseMouseHelp;
  settings.SetOptionBool(L"UseMouseHelp", picked.UseMouseHelp);
  running.QueryDirDel = picked.QueryDirDel;
  settings.SetOptionBool(L"QueryDirDel", picked.QueryDirDel);
  env.CanUseFAT32 = picked.CanUseFAT32 || Fat32Forced(env.WinKind);
  settings.SetOptionBool(L"CanUseFAT32", picked.CanUseFAT32);
  running.ExtractDos = picked.ExtractDos;
  settings.SetOptionBool(L"ExtractDos", picked.ExtractDos);

  running.CheckLevel = picked.CheckLevel == 0 ? 0 : picked.CheckLevel == 1 ? 1 : 2;
  settings.SetOptionNum(L"CheckLevel", running.CheckLevel);

  running.UseWarning = picked.UseWarning;
  settings.SetOptionBool(L"UseWarning", picked.UseWarning);
  running.Report = picked.Report;
  settings.SetOptionBool(L"Report", picked.Report);
  settings.SetOptionBool(L"SaveAllSys", picked.SaveAllSys);
  // The registry record is taken with the next snapshot; only the present-day
  // kind has one.
  if (IsPresentDay(env)) {
    running.RegRecord = picked.RegRecord;
    settings.SetOptionBool(L"RegRecord", picked.RegRecord);
  }
  if (picked.SaveAllSys != running.SaveAllSys) {
    fe.Ask(L"復元設定のオン･オフ切り替えは、次回の起動時から有効になります。", mb::kOk | mb::kIconInformation, L"");
  }

  AppliedOptions applied;
  if (picked.BackColor != running.ZelBackColor4) {
    running.ZelBackColor4 = picked.BackColor;
    settings.SetOptionNum(L"ZelBackColor4", picked.BackColor);
    applied.backColorChanged = true;
  }
  if (picked.ConsoleScheme != running.ZelConColType) {
    running.ZelConColType = picked.ConsoleScheme;
    settings.SetOptionNum(L"ZelConColType", picked.ConsoleScheme);
    applied.consoleSchemeChanged = true;
  }
  return applied;
}

namespace {

std::vector<std::wstring> TextLines(FileSystem& fs, const std::wstring& path) {
  std::string bytes;
  std::vector<std::wstring> lines;
  if (fs.ReadBytes(path, bytes) != FsError::None) return lines;
  lines = SplitTextLines(FromCp932(bytes));
  return lines;
}

}  // namespace

std::vector<std::wstring> FindWindowsInstallations(FileSystem& fs, const std::wstring& bootDrive) {
  std::vector<std::wstring> found;
  bool inSystems = false;
  for (const std::wstring& line : TextLines(fs, bootDrive + L"Boot.ini")) {
    std::wstring t = Trim(line);
    if (!t.empty() && t.front() == L'[') {
      inSystems = EqualsNoCase(t, L"[operating systems]");
      continue;
    }
    std::wstring upper = ToUpper(t);
    if (inSystems && (Contains(upper, L"PARTITION(") || Contains(upper, L"RDISK(") || Contains(upper, L"DISK("))) {
      found.push_back(t);
    }
  }
  for (const std::wstring& line : TextLines(fs, bootDrive + L"MSDOS.SYS")) {
    size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) continue;
    std::wstring key = Trim(std::wstring_view(line).substr(0, eq));
    if (EqualsNoCase(key, L"WinDir") || EqualsNoCase(key, L"WinBootDir")) {
      found.push_back(L"MSDOS.SYS: " + key + L"=" + Trim(std::wstring_view(line).substr(eq + 1)));
    }
  }
  return found;
}

}  // namespace zel
