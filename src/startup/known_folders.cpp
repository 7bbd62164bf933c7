#include "startup/known_folders.h"

#include "base/path.h"
#include "base/text.h"

namespace zel {

const std::vector<MonitoredKnownFolder>& MonitoredKnownFolders() {
  using K = KnownFolder;
  static const std::vector<MonitoredKnownFolder> kList = {
      // Per user.
      {K::RoamingAppData, L'0'}, {K::LocalAppData, L'0'}, {K::LocalAppDataLow, L'0'}, {K::Desktop, L'1'},
      {K::Documents, L'0'}, {K::StartMenu, L'1'}, {K::Programs, L'1'}, {K::Startup, L'1'}, {K::SendTo, L'1'},
      {K::Templates, L'0'}, {K::Favorites, L'0'},
      // Per machine.
      {K::ProgramData, L'0'}, {K::PublicDesktop, L'1'}, {K::CommonStartMenu, L'1'}, {K::CommonPrograms, L'1'},
      {K::CommonStartup, L'1'}, {K::PublicDocuments, L'0'}, {K::ProgramFiles, L'0'}, {K::ProgramFilesX86, L'0'},
      {K::ProgramFilesCommon, L'0'}, {K::ProgramFilesCommonX86, L'0'},
      // The 32-bit system folder beside the system folder, and the fonts.
      {K::SystemX86, L'0'}, {K::Fonts, L'2'},
  };
  return kList;
}

const std::vector<SelfChangingEntry>& SelfChangingEntries() {
  using K = KnownFolder;
  static const std::vector<SelfChangingEntry> kList = {
      // Temporary folders.
      {K::LocalAppData, L"Temp", false},
      {K::LocalAppDataLow, L"Temp", false},
      {K::Windows, L"Temp", false},
      // Caches.
      {K::LocalAppData, L"D3DSCache", false},
      {K::LocalAppData, L"IconCache.db", false},
      {K::LocalAppData, L"GDIPFONTCACHEV1.DAT", false},
      {K::Windows, L"Prefetch", false},
      {K::Windows, L"SoftwareDistribution", false},
      // Crash dumps and the error reports made of them.
      {K::LocalAppData, L"CrashDumps", false},
      {K::Windows, L"Minidump", false},
      {K::Windows, L"LiveKernelReports", false},
      {K::Windows, L"Logs", false},
      // Thumbnails and the shell's own state of a folder.
      {K::Count, L"Thumbs.db", true},
      {K::Count, L"desktop.ini", true},
  };
  return kList;
}

std::vector<std::wstring> SelfChangingPaths(const Environment& env) {
  std::vector<std::wstring> paths;
  auto add = [&](const std::wstring& base, const wchar_t* name) {
    if (!base.empty()) paths.push_back(ToUpper(JoinPath(base, name)));
  };
  for (const SelfChangingEntry& e : SelfChangingEntries()) {
    if (!e.everywhere) {
      add(env.Known(e.base), e.name);
      continue;
    }
    for (const MonitoredKnownFolder& m : MonitoredKnownFolders()) add(env.Known(m.folder), e.name);
  }
  return paths;
}

void ReadKnownFolders(System& sys, Environment& env) {
  env.KnownFolders = {};
  env.SelfChanging.clear();
  if (!IsPresentDay(env)) return;
  for (int i = 0; i < kKnownFolderCount; ++i) {
    std::wstring path = sys.KnownFolderPath(static_cast<KnownFolder>(i));
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    env.KnownFolders[i] = std::move(path);
  }
  env.SelfChanging = SelfChangingPaths(env);
  // The temporary folders the environment names, wherever they lie.
  for (const wchar_t* name : {L"TEMP", L"TMP"}) {
    std::wstring temp = sys.EnvVar(name);
    while (temp.size() > 3 && temp.back() == L'\\') temp.pop_back();
    if (!temp.empty()) env.SelfChanging.push_back(ToUpper(temp));
  }
}

}  // namespace zel
