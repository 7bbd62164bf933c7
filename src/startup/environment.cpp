#include "startup/environment.h"

#include <utility>

#include "base/path.h"
#include "base/text.h"

namespace zel {

bool IsNtFamily(WinKind kind) {
  return kind == WinKind::WinNT || kind == WinKind::Win2000 || kind == WinKind::WinXP || kind == WinKind::PresentDay;
}

bool Is2000OrLater(WinKind kind) {
  return kind == WinKind::Win2000 || kind == WinKind::WinXP || kind == WinKind::PresentDay;
}

bool IsPresentDay(const Environment& env) { return env.WinKind == WinKind::PresentDay; }

bool Fat32Forced(WinKind kind) { return kind == WinKind::Win98 || kind == WinKind::WinMe || Is2000OrLater(kind); }

const wchar_t* WorkFolderSuffix(WinKind kind) {
  switch (kind) {
    case WinKind::Win95: return L"\\Win95";
    case WinKind::Win98: return L"\\Win98";
    case WinKind::WinMe: return L"\\WinMe";
    case WinKind::WinNT: return L"\\WinNT";
    case WinKind::Win2000: return L"\\Win2000";
    case WinKind::WinXP:
    case WinKind::PresentDay: return L"\\WinXP";
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
    case WinKind::WinXP:
    case WinKind::PresentDay: return L"XP";
  }
  return L"95";
}

namespace {

// The leading number of a text ("10" of "10.0.19045"); -1 when it has none.
long LeadingNumber(std::wstring_view text, size_t* end = nullptr) {
  size_t i = 0;
  long n = -1;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && n < 100000) {
    n = (n < 0 ? 0 : n * 10) + (text[i] - L'0');
    ++i;
  }
  if (end) *end = i;
  return n;
}

// Major and minor of "major.minor..."; -1 where a part is missing.
std::pair<long, long> MajorMinor(std::wstring_view text) {
  size_t end = 0;
  const long major = LeadingNumber(text, &end);
  long minor = -1;
  if (major >= 0 && end < text.size() && text[end] == L'.') minor = LeadingNumber(text.substr(end + 1));
  return {major, minor};
}

}  // namespace

WinKind DecideWinKind(const std::wstring& version9x, const std::wstring& versionNt, std::wstring* decidedBy,
                      const std::wstring& majorNumber) {
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
    const auto [major, minor] = MajorMinor(nt);
    if (major >= 6 || LeadingNumber(Trim(majorNumber)) >= 6) return WinKind::PresentDay;
    if (major == 5) return minor >= 1 ? WinKind::WinXP : WinKind::Win2000;
    return WinKind::WinNT;
  }
  if (decidedBy) decidedBy->clear();
  return WinKind::Win95;
}

std::wstring PresentDayVersionText(const std::wstring& versionNt, const std::wstring& major,
                                   const std::wstring& minor, const std::wstring& build) {
  const long ma = LeadingNumber(Trim(major));
  const long mi = LeadingNumber(Trim(minor));
  std::wstring text = ma >= 0 && mi >= 0 ? std::to_wstring(ma) + L"." + std::to_wstring(mi) : Trim(versionNt);
  const long b = LeadingNumber(Trim(build));
  if (b >= 0 && MajorMinor(text).second >= 0 && text.find(L'.', text.find(L'.') + 1) == std::wstring::npos) {
    text += L"." + std::to_wstring(b);
  }
  return text;
}

std::wstring WindowsWord(WinKind kind, const std::wstring& versionText) {
  if (kind != WinKind::PresentDay) return KindWord(kind);
  const std::wstring text = Trim(versionText);
  const auto [major, minor] = MajorMinor(text);
  if (major == 6) {
    static const wchar_t* const kSix[] = {L"Vista", L"7", L"8", L"8.1"};
    if (minor >= 0 && minor <= 3) return kSix[minor];
  }
  if (major == 10 && minor == 0) {
    // Windows 11 kept version 10.0; its builds start at 22000.
    size_t second = text.find(L'.', text.find(L'.') + 1);
    const long build = second == std::wstring::npos ? -1 : LeadingNumber(std::wstring_view(text).substr(second + 1));
    return build >= 22000 ? L"11" : L"10";
  }
  return text.empty() ? std::wstring(L"NT") : text;
}

bool Environment::IsOwnFolder(std::wstring_view path) const {
  return (!ProgramDir.empty() && EqualsNoCase(path, ProgramDir)) || IsInsideWorkDir(path);
}

bool Environment::IsInsideWorkDir(std::wstring_view path) const {
  return !WorkDir.empty() && IsSameOrBelow(path, WorkDir);
}

bool Environment::IsSelfChanging(std::wstring_view path) const {
  for (const std::wstring& p : SelfChanging) {
    if (EqualsNoCase(p, path)) return true;
  }
  return false;
}

bool Environment::MayHoldSelfChanging(std::wstring_view folder) const {
  while (folder.size() > 1 && folder.back() == L'\\') folder.remove_suffix(1);
  for (const std::wstring_view p : SelfChanging) {
    const std::size_t cut = p.rfind(L'\\');
    if (cut != std::wstring_view::npos && EqualsNoCase(p.substr(0, cut), folder)) return true;
  }
  return false;
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
