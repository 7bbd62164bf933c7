#include "registry/registry_check.h"

#include <unordered_map>

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "snapshot/entries.h"

namespace zel {
namespace {

constexpr unsigned kSettlePollMs = 500;
constexpr int kSettlePolls = 60;  // 30 seconds
constexpr int kSlicesPerPoll = 5;

std::optional<FileEntry> FileAt(FileSystem& fs, const std::wstring& path) {
  std::optional<FileEntry> e = fs.Stat(path);
  if (e && e->IsFolder()) return std::nullopt;
  return e;
}

// Upper-cased name to the last-write time the Windows folder's record holds.
std::unordered_map<std::wstring, std::uint64_t> RecordedTimes(const FileList& list) {
  std::unordered_map<std::wstring, std::uint64_t> times;
  ForEachFileEntry(list.text, [&](std::string_view time16, std::string_view name) {
    std::uint64_t t = 0;
    if (ParseHex(time16, t)) times.emplace(ToUpper(FromCp932(name)), t);
  });
  return times;
}

std::optional<SavedFile> IfChanged(FileSystem& fs, const std::unordered_map<std::wstring, std::uint64_t>& recorded,
                                   const std::wstring& name, const std::wstring& live, const std::wstring& copy) {
  std::optional<FileEntry> saved = FileAt(fs, copy);
  std::optional<FileEntry> now = FileAt(fs, live);
  if (!saved || !now) return std::nullopt;
  auto at = recorded.find(ToUpper(name));
  if (at == recorded.end() || at->second != saved->lastWrite) return std::nullopt;  // not this snapshot's copy
  if (now->lastWrite == saved->lastWrite) return std::nullopt;
  return SavedFile{name, live, copy};
}

void WaitUntilSettled(Machine& m, FrontEnd& fe, const std::wstring& file) {
  auto sizeOf = [&] {
    std::optional<FileEntry> e = FileAt(m.fs, file);
    return e ? e->size : 0;
  };
  std::uint64_t last = sizeOf();
  for (int poll = 0; poll < kSettlePolls; ++poll) {
    for (int i = 0; i < kSlicesPerPoll; ++i) {
      fe.Busy();
      m.sys.SleepMs(kSettlePollMs / kSlicesPerPoll);
    }
    std::uint64_t now = sizeOf();
    if (now == last) return;
    last = now;
  }
}

}  // namespace

std::vector<SavedFile> ChangedIniFiles(FileSystem& fs, const Environment& env, const Snapshot& snap) {
  std::vector<SavedFile> changed;
  if (snap.windows.failed) return changed;
  const auto recorded = RecordedTimes(snap.windows);
  const std::wstring names = WatchedIniNames(env.WinKind);
  size_t start = 1;
  while (start < names.size()) {
    size_t end = names.find(L'/', start);
    if (end == std::wstring::npos) break;
    const std::wstring name = names.substr(start, end - start);
    start = end + 1;
    if (auto c = IfChanged(fs, recorded, name, JoinPath(env.WinDir, name), JoinPath(env.BackupDir, name))) {
      changed.push_back(*c);
    }
  }
  std::vector<std::wstring> groups;
  IgnoreError(fs.Enumerate(JoinPath(env.BackupDir, L"*.GRP"), [&](const FileEntry& e) {
    // The pattern also matches a longer extension through its short name.
    if (!e.IsFolder() && UpperExtension(e.name) == L"GRP") groups.push_back(e.name);
  }));
  for (const std::wstring& name : groups) {
    if (auto c = IfChanged(fs, recorded, name, JoinPath(env.WinDir, name), JoinPath(env.BackupDir, name))) {
      changed.push_back(*c);
    }
  }
  return changed;
}

bool HivesChanged(FileSystem& fs, const Snapshot& snap, const HivePaths& hives) {
  auto moved = [&fs](const std::wstring& path, std::uint64_t recorded) {
    if (recorded == 0 || path.empty()) return false;
    std::optional<FileEntry> now = FileAt(fs, path);
    return now && now->lastWrite != recorded;
  };
  return moved(hives.user, snap.userHiveTime) || moved(hives.system, snap.systemHiveTime);
}

std::optional<RegExportDiff> CompareExportFiles(FileSystem& fs, const std::wstring& before, const std::wstring& after) {
  std::string a, b;
  if (fs.ReadBytes(before, a) != FsError::None || fs.ReadBytes(after, b) != FsError::None) return std::nullopt;
  std::optional<RegExport> older = ParseRegExport(a);
  std::optional<RegExport> newer = ParseRegExport(b);
  if (!older || !newer) return std::nullopt;
  return CompareRegExports(*older, *newer);
}

std::optional<RegExportDiff> CompareUninstallExports(const Services& sv, const Snapshot& snap) {
  const std::wstring before = JoinPath(sv.env.WorkDir, kUninstallExportName);
  const std::wstring after = JoinPath(sv.env.WorkDir, kAfterExportName);
  if (!snap.uninstallExported || !FileAt(sv.m.fs, before)) return std::nullopt;
  if (!FileAt(sv.m.fs, JoinPath(sv.env.WinDir, L"RegEdit.exe"))) return std::nullopt;
  if (!ExportRegistryKey(sv, after, kUninstallKey)) return std::nullopt;
  WaitUntilSettled(sv.m, sv.fe, after);
  return CompareExportFiles(sv.m.fs, before, after);
}

RegistryCheck CheckIniAndRegistry(const Services& sv, const Snapshot& snap, const HivePaths& hives) {
  RegistryCheck check;
  sv.fe.SetStatus(L"確認中 : INIファイル");
  check.changedFiles = ChangedIniFiles(sv.m.fs, sv.env, snap);
  for (const SavedFile& f : check.changedFiles) sv.fe.AppendConsole(L"●『" + f.name + L"』が変更されています");
  check.hivesChanged = HivesChanged(sv.m.fs, snap, hives);
  if (check.hivesChanged) sv.fe.AppendConsole(L"●ｼｽﾃﾑ･ﾚｼﾞｽﾄﾘが変更されています");
  check.exportDiff = CompareUninstallExports(sv, snap);
  // With the registry record the uninstall key's keys and values are listed
  // by the record's check, in both views: its export stays for the wash's
  // steps, and is not listed a second time.
  if (check.exportDiff && !snap.registry) {
    for (const std::wstring& line : RegExportLines(*check.exportDiff)) sv.fe.AppendConsole(line);
  }
  return check;
}

bool RegistryChanged(FileSystem& fs, const Snapshot& snap, const HivePaths& hives, const RegExportDiff* lastDiff) {
  return HivesChanged(fs, snap, hives) || (lastDiff && !lastDiff->Empty());
}

bool RegistryChangedForWash(const Services& sv, const Snapshot& snap, const HivePaths& hives, const RegistryCheck* lastCheck) {
  if (HivesChanged(sv.m.fs, snap, hives)) return true;
  if (lastCheck) return lastCheck->exportDiff && !lastCheck->exportDiff->Empty();
  std::optional<RegExportDiff> diff = CompareUninstallExports(sv, snap);
  return diff && !diff->Empty();
}

const wchar_t kRunExportName[] = L"RunCheck.reg";

bool WatchRegistry(Machine& m, const Environment& env, const Snapshot& snap, const HivePaths& hives,
                   RegistryWatch& watch) {
  constexpr int kMostSteps = 10;
  if (watch.changed) return true;
  if (HivesChanged(m.fs, snap, hives)) return watch.changed = true;
  const std::wstring before = JoinPath(env.WorkDir, kUninstallExportName);
  const std::wstring during = JoinPath(env.WorkDir, kRunExportName);
  if (!snap.uninstallExported || !FileAt(m.fs, before) || !FileAt(m.fs, JoinPath(env.WinDir, L"RegEdit.exe"))) {
    return false;
  }
  if (!watch.exporting) {
    if (FileAt(m.fs, during)) IgnoreError(m.fs.RemoveFile(during));
    watch.exporting = m.desktop.StartProgram(RegistryExportCommand(env, during, kUninstallKey), env.WorkDir,
                                             ShowMode::Minimized);
    watch.lastSize.reset();
    watch.steps = 0;
    return false;
  }
  std::optional<FileEntry> now = FileAt(m.fs, during);
  if (now && now->size > 0 && watch.lastSize == now->size) {
    watch.exporting = false;  // the next step starts the next export
    std::optional<RegExportDiff> diff = CompareExportFiles(m.fs, before, during);
    if (diff) IgnoreError(m.fs.RemoveFile(during));
    return watch.changed = diff && !diff->Empty();
  }
  watch.lastSize = now ? std::optional<std::uint64_t>(now->size) : std::nullopt;
  if (++watch.steps >= kMostSteps) watch.exporting = false;
  return false;
}

int RestoreIniFiles(Machine& m, FrontEnd& fe, const Environment& env, const Snapshot& snap) {
  fe.SetStatus(L"洗浄中 : INIファイル");
  int restored = 0;
  for (const SavedFile& f : ChangedIniFiles(m.fs, env, snap)) {
    // A read-only file cannot be copied over; the copy brings the attributes
    // the file had at the snapshot.
    std::optional<FileEntry> now = FileAt(m.fs, f.live);
    const bool readOnly = now && (now->attributes & attr::kReadOnly);
    if (readOnly) IgnoreError(m.fs.SetAttributes(f.live, now->attributes & ~attr::kReadOnly));
    if (m.fs.CopyOne(f.copy, f.live, true) == FsError::None) {
      fe.AppendConsole(L"●『" + f.name + L"』を元に戻しました");
      ++restored;
    } else {
      if (readOnly) IgnoreError(m.fs.SetAttributes(f.live, now->attributes));
      fe.AppendConsole(L"●『" + f.name + L"』は元に戻せません");
    }
  }
  return restored;
}

}  // namespace zel
