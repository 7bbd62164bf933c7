#include "check/changes.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "snapshot/entries.h"
#include "snapshot/registry_snapshot.h"

namespace zel {
namespace {

constexpr int kBusyEvery = 201;
const wchar_t kSkippedSubfolders[] =
    L"/ime/history/internet logs/msdownld.tmp/temporary internet files/offline web pages/pchealth/spool/";
const wchar_t kNeverReported[] = L"/WAVEMIX.INI/POWERPNT.INI/";

// The lookup key of a name: upper-cased, in code page 932. exact is false
// when the name loses characters on the way.
std::string KeyOf(std::wstring_view name, bool* exact = nullptr) {
  std::string key;
  bool ok = AppendCp932(ToUpper(name), key);
  if (exact) *exact = ok;
  return key;
}

bool IsDot(const std::wstring& name) { return !name.empty() && name[0] == L'.'; }

std::wstring BaseName(const std::wstring& upperName) {
  size_t dot = upperName.rfind(L'.');
  return dot == std::wstring::npos ? upperName : upperName.substr(0, dot);
}

std::vector<FileEntry> EntriesOf(FileSystem& fs, const std::wstring& folder, bool* readable) {
  std::vector<FileEntry> entries;
  FsError error = fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (!IsDot(e.name)) entries.push_back(e);
  });
  if (readable) *readable = error == FsError::None || error == FsError::NotFound;
  return entries;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) { return EqualsNoCase(a, b); }

// Left to their own steps: the program's folders, the extraction's folders.
bool LeftAlone(const ChangeWalk& w, const std::wstring& path) {
  if (w.env.IsOwnFolder(path)) return true;
  for (const std::wstring& t : w.record.temporaryFolders) {
    if (IsSameOrBelow(path, t)) return true;
  }
  return false;
}

bool Lossy(const ChangeWalk& w, const std::wstring& path) {
  return std::any_of(w.snap.lossyPaths.begin(), w.snap.lossyPaths.end(),
                     [&](const std::wstring& p) { return p == path; });
}

// A folder that is older than the snapshot existed before the test, under
// another name: it is never taken for an addition to delete.
bool OlderThanSnapshot(const ChangeWalk& w, const FileEntry& e) {
  return e.IsFolder() && w.snap.takenAt != 0 && e.creation != 0 && e.creation < w.snap.takenAt;
}

Finding Added(const ChangeWalk& w, const std::wstring& path, const FileEntry& e, const wchar_t* label,
              const std::wstring& subject, bool exact) {
  Finding f;
  f.kind = Finding::Kind::Added;
  f.label = label;
  f.subject = subject;
  f.path = path;
  f.folder = e.IsFolder();
  f.link = e.IsReparsePoint();
  f.keep = !exact || Lossy(w, path) || OlderThanSnapshot(w, e);
  return f;
}

void ReportFolder(ChangeWalk& w, const std::wstring& folder, long count) {
  w.examined += count;
  if (w.report) {
    w.report->Line(std::wstring(w.doing) + L" [" + ClockText(w.m.sys.Now()) + L"] " + folder + L"（" + NumText(count) +
                   L"個）");
  }
}

// The Windows folder or a system folder against its list.
void CompareFolder(ChangeWalk& w, ChangeVisitor& v, const std::wstring& folder, const FileList& list,
                   const std::wstring& exclusions) {
  if (list.failed) return;  // unknown at the snapshot: nothing in it is known to be new
  FileListIndex index(list);
  bool readable;
  std::vector<FileEntry> entries = EntriesOf(w.m.fs, folder, &readable);
  if (!readable) return;
  int sinceBusy = 0;
  for (const FileEntry& e : entries) {
    if (++sinceBusy == kBusyEvery) {
      sinceBusy = 0;
      w.fe.Busy();
    }
    const std::wstring path = JoinPath(folder, e.name);
    if (LeftAlone(w, path)) continue;
    bool exact;
    KeyOf(e.name, &exact);
    const std::string* recorded = index.Find(e.name);
    const std::wstring upper = ToUpper(e.name);
    if (!recorded) {
      if (e.IsFolder()) v.OnFinding(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
      else if (UpperExtension(e.name) == L"GRP") v.OnFinding(Added(w, path, e, L"ｸﾞﾙｰﾌﾟ", e.name, exact));
      else v.OnFinding(Added(w, path, e, L"ﾌｧｲﾙ", path, exact));
      continue;
    }
    std::string now;
    AppendTime16(now, e.lastWrite);
    if (now == *recorded) continue;
    if (InSlashList(exclusions, upper) || UpperExtension(e.name) == L"GRP" || BaseName(upper) == L"MSIME95" ||
        upper == L"ST5UNST.EXE" || InSlashList(kNeverReported, upper)) {
      continue;
    }
    Finding f;
    f.kind = Finding::Kind::Changed;
    f.label = e.IsFolder() ? L"ﾌｫﾙﾀﾞｰ" : L"ﾌｧｲﾙ";
    f.subject = path;
    f.path = path;
    f.folder = e.IsFolder();
    f.keep = !exact || Lossy(w, path);
    if (!f.folder) {
      // Put back from the saved system files, or from the saved copy of a
      // system library the program brought a file of that name for.
      const std::wstring saved = w.env.BackupDir + folder.substr(std::min(folder.size(), w.env.WinDir.size())) +
                                 L"\\" + e.name;
      const std::wstring library = JoinPath(w.record.librarySaves, e.name);
      if (w.saveAllSys && IsSameOrBelow(folder, w.env.SysDir) && w.m.fs.Stat(saved)) {
        f.undoable = true;
        f.copy = saved;
      } else if (w.record.attached.find(L"/" + upper + L"|") != std::wstring::npos && !w.record.librarySaves.empty() &&
                 w.m.fs.Stat(library)) {
        f.undoable = true;
        f.copy = library;
      }
    }
    v.OnFinding(f);
  }
}

bool IsSystemFolder(const Environment& env, const std::wstring& folder) {
  if (SameFolder(folder, env.WinDir)) return true;
  return std::any_of(env.SystemDirs.begin(), env.SystemDirs.end(),
                     [&](const std::wstring& d) { return SameFolder(folder, d); });
}

bool IsMonitored(const Snapshot& snap, const std::wstring& path) {
  return std::any_of(snap.main.begin(), snap.main.end(),
                     [&](const MainFolderListing& m) { return EqualsNoCase(m.entry.substr(1), path); });
}

void WalkSub(ChangeWalk& w, ChangeVisitor& v, const SubfolderIndex& index, const std::wstring& folder,
             const std::string& rel, int depth) {
  if (depth > 0 && InSlashList(kSkippedSubfolders, ToLower(LastComponent(folder)))) return;
  w.fe.SetStatus(std::wstring(w.doing) + L"： " + folder);
  const bool examineFiles = !IsSystemFolder(w.env, folder);
  bool readable;
  std::vector<FileEntry> entries = EntriesOf(w.m.fs, folder, &readable);
  if (!readable) return;
  std::vector<std::pair<std::wstring, std::string>> walkInto;
  long count = 0;
  int sinceBusy = 0;
  for (const FileEntry& e : entries) {
    if (++sinceBusy == kBusyEvery) {
      sinceBusy = 0;
      w.fe.Busy();
    }
    const std::wstring path = JoinPath(folder, e.name);
    if (LeftAlone(w, path)) continue;
    bool exact;
    std::string key = rel + KeyOf(e.name, &exact);
    if (!e.IsFolder()) {
      if (!examineFiles) continue;
      ++count;
      if (!index.Has(key)) v.OnFinding(Added(w, path, e, L"ﾌｧｲﾙ", path, exact));
      continue;
    }
    key += '/';
    if (index.Has(key)) {
      // Recorded: walked only where the snapshot listed it, never through a link.
      const bool listed = !index.Unentered(key) && (w.snap.deeper.level >= 2 || depth == 0);
      if (listed && !e.IsReparsePoint()) walkInto.emplace_back(path, key.substr(0, key.size() - 1) + "\\");
      continue;
    }
    // New folders of the Windows and system folders were found by their own
    // comparison already.
    if (examineFiles && !IsMonitored(w.snap, path)) v.OnFinding(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
  }
  ReportFolder(w, folder, count);
  for (const auto& [path, childRel] : walkInto) WalkSub(w, v, index, path, childRel, depth + 1);
}

}  // namespace

FileListIndex::FileListIndex(const FileList& list) : failed_(list.failed) {
  ForEachFileEntry(list.text, [this](std::string_view time16, std::string_view name) {
    times_[KeyOf(FromCp932(name))] = std::string(time16);
  });
}

const std::string* FileListIndex::Find(std::wstring_view name) const {
  auto it = times_.find(KeyOf(name));
  return it == times_.end() ? nullptr : &it->second;
}

SubfolderIndex::SubfolderIndex(const SubfolderRecord& record) {
  ForEachRecordItem(record.text, [this](std::string_view item) { items_.emplace(item); });
  ForEachRecordItem(record.unentered, [this](std::string_view item) { unentered_.emplace(item); });
}

std::wstring StartupCopy(const Environment& env, const std::wstring& fileName, wchar_t letter) {
  return env.BackupDir + L"\\" + fileName + L"." + letter;
}

void WalkSystemFolders(ChangeWalk& w, ChangeVisitor& v) {
  const std::wstring exclusions = WatchedIniNames(w.env.WinKind) + L"SYSTEM.DAT/USER.DAT/WIN386.SWP/";
  w.fe.SetStatus(std::wstring(w.doing) + L" : Windows");
  CompareFolder(w, v, w.env.WinDir, w.snap.windows, exclusions);
  w.fe.SetStatus(std::wstring(w.doing) + L" : System");
  for (size_t i = 0; i < w.snap.system.size(); ++i) {
    CompareFolder(w, v, w.env.SystemDirs[i], w.snap.system[i], exclusions);
  }
}

void WalkMainFolders(ChangeWalk& w, ChangeVisitor& v) {
  for (const MainFolderListing& listing : w.snap.main) {
    const wchar_t kind = listing.entry.empty() ? L'0' : listing.entry[0];
    const std::wstring folder = listing.entry.substr(1);
    w.fe.SetStatus(std::wstring(w.doing) + L"： " + folder);
    if (listing.list.failed) continue;  // unknown: never compared
    FileListIndex index(listing.list);
    bool readable;
    std::vector<FileEntry> entries = EntriesOf(w.m.fs, folder, &readable);
    if (!readable) continue;
    long count = 0;
    int sinceBusy = 0;
    for (const FileEntry& e : entries) {
      if (++sinceBusy == kBusyEvery) {
        sinceBusy = 0;
        w.fe.Busy();
      }
      ++count;
      const std::wstring path = JoinPath(folder, e.name);
      if (index.Find(e.name) || LeftAlone(w, path)) continue;
      bool exact;
      KeyOf(e.name, &exact);
      if (e.IsFolder()) {
        if (kind == L'1') v.OnFinding(Added(w, path, e, L"ｸﾞﾙｰﾌﾟ", e.name, exact));
        else v.OnFinding(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
      } else if (kind == L'1' && UpperExtension(e.name) == L"LNK") {
        std::wstring stem = e.name.substr(0, e.name.size() - 4);
        v.OnFinding(Added(w, path, e, L"ｼｮｰﾄｶｯﾄ", JoinPath(folder, stem), exact));
      } else if (kind == L'2') {
        v.OnFinding(Added(w, path, e, L"ﾌｫﾝﾄ", e.name, exact));
      } else {
        v.OnFinding(Added(w, path, e, L"ﾌｧｲﾙ", path, exact));
      }
    }
    ReportFolder(w, folder, count);
  }
}

void WalkSubfolders(ChangeWalk& w, ChangeVisitor& v) {
  // The depth is the snapshot's, whatever the setting says now.
  if (w.snap.deeper.level < 1 || w.snap.deeper.failed || w.snap.deeper.text.empty()) return;
  SubfolderIndex index(w.snap.deeper);
  WalkSub(w, v, index, w.env.WinDir, std::string(), 0);
}

void WalkDrives(ChangeWalk& w, ChangeVisitor& v) {
  for (int i = 0; i < 26; ++i) {
    if (w.snap.driveRoots[i].empty() || w.snap.driveRootFailed[i]) continue;
    if (w.env.DriveTypes[i] != DriveType::Fixed) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const std::wstring root{letter, L':', L'\\'};
    w.fe.Busy();
    // Another disk under the same letter: its root folders would all look new.
    if (w.snap.volumes[i]) {
      std::optional<VolumeId> now = w.m.fs.VolumeOf(root);
      if (!now || !(*now == *w.snap.volumes[i])) {
        v.OnOtherVolume(letter);
        continue;
      }
    }
    w.fe.SetStatus(std::wstring(w.doing) + L" : ドライブ " + root);
    for (const wchar_t* name : {L"config", L"autoexec"}) {
      const std::wstring file = root + name + (name[0] == L'c' ? L".sys" : L".bat");
      std::optional<FileEntry> live = w.m.fs.Stat(file);
      const std::wstring copy = StartupCopy(w.env, name, letter);
      std::optional<FileEntry> saved = w.m.fs.Stat(copy);
      if (live && saved && live->lastWrite != saved->lastWrite) {
        Finding f;
        f.kind = Finding::Kind::StartupChanged;
        f.subject = file;
        f.path = file;
        f.copy = copy;
        f.undoable = true;
        v.OnFinding(f);
      }
    }
    bool readable;
    std::vector<FileEntry> entries = EntriesOf(w.m.fs, root, &readable);
    if (!readable) continue;
    for (const FileEntry& e : entries) {
      if (!e.IsFolder()) continue;  // files in a root are not compared
      const std::wstring path = root + e.name;
      bool exact;
      std::string key = "/" + KeyOf(e.name, &exact) + "/";
      if (w.snap.driveRoots[i].find(key) != std::string::npos || LeftAlone(w, path)) continue;
      v.OnFinding(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
    }
  }
}

}  // namespace zel
