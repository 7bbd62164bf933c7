#include "startup/environment.h"

#include "base/path.h"
#include "base/text.h"

namespace zel {

bool IsNtFamily(WinKind kind) {
  return kind == WinKind::WinNT || kind == WinKind::Win2000 || kind == WinKind::WinXP;
}

bool Is2000OrLater(WinKind kind) { return kind == WinKind::Win2000 || kind == WinKind::WinXP; }

bool Fat32Forced(WinKind kind) { return kind == WinKind::Win98 || kind == WinKind::WinMe || Is2000OrLater(kind); }

const wchar_t* WorkFolderSuffix(WinKind kind) {
  switch (kind) {
    case WinKind::Win95: return L"\\Win95";
    case WinKind::Win98: return L"\\Win98";
    case WinKind::WinMe: return L"\\WinMe";
    case WinKind::WinNT: return L"\\WinNT";
    case WinKind::Win2000: return L"\\Win2000";
    case WinKind::WinXP: return L"\\WinXP";
  }
  return L"\\Win95";
}

const wchar_t* KindWord(WinKind kind) {
  switch (kind) {
    case WinKind::Win95: return L"95";
    case WinKind::Win98: return L"98";
    case WinKind::WinMe: return L"Me";
    case WinKind::WinNT: return L"NT";
    case WinKind::Win2000: return L"2000";
    case WinKind::WinXP: return L"XP";
  }
  return L"95";
}

WinKind DecideWinKind(const std::wstring& version9x, const std::wstring& versionNt, std::wstring* decidedBy) {
  std::wstring v9x = Trim(version9x);
  if (!v9x.empty()) {
    if (decidedBy) *decidedBy = version9x;
    std::wstring last4 = v9x.size() > 4 ? v9x.substr(v9x.size() - 4) : v9x;
    if (last4 >= L"1998") return last4 >= L"3000" ? WinKind::WinMe : WinKind::Win98;
    return WinKind::Win95;
  }
  std::wstring nt = Trim(versionNt);
  if (!nt.empty()) {
    if (decidedBy) *decidedBy = versionNt;
    std::wstring first3 = nt.substr(0, 3);
    if (first3 >= L"5.1") return WinKind::WinXP;
    if (first3 >= L"5.0") return WinKind::Win2000;
    return WinKind::WinNT;
  }
  if (decidedBy) decidedBy->clear();
  return WinKind::Win95;
}

bool IsPresentDay(const Environment& env) {
  if (!env.NtFamily()) return false;
  const std::wstring v = Trim(env.VersionText);
  int major = 0;
  for (size_t i = 0; i < v.size() && v[i] >= L'0' && v[i] <= L'9' && major < 1000; ++i) major = major * 10 + (v[i] - L'0');
  return major >= 6;
}

bool Environment::IsOwnFolder(std::wstring_view path) const {
  return (!ProgramDir.empty() && EqualsNoCase(path, ProgramDir)) || IsInsideWorkDir(path);
}

bool Environment::IsInsideWorkDir(std::wstring_view path) const {
  return !WorkDir.empty() && IsSameOrBelow(path, WorkDir);
}

void FindSwapFiles(FileSystem& fs, Environment& env) {
  env.SwapFiles = {};
  auto isFile = [&fs](const std::wstring& path) {
    std::optional<FileEntry> e = fs.Stat(path);
    return e && !e->IsFolder();
  };
  if (!env.NtFamily()) {
    const std::wstring path = JoinPath(env.WinDir, L"WIN386.SWP");
    const wchar_t letter = env.WinDir.empty() ? L'\0' : UpperChar(env.WinDir[0]);
    if (letter >= L'A' && letter <= L'Z' && isFile(path)) env.SwapFiles[letter - L'A'] = path;
    return;
  }
  for (int i = 0; i < 26; ++i) {
    if (env.DriveTypes[i] != DriveType::Fixed) continue;
    const std::wstring path = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":\\pagefile.sys";
    if (isFile(path)) env.SwapFiles[i] = path;
  }
}

}  // namespace zel
