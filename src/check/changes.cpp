#include "check/changes.h"

#include <algorithm>
#include <unordered_set>

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

// Appends the lookup key of a name: upper-cased, in code page 932. False
// when the name loses characters on the way. Plain ASCII names, by far the
// most, take the short way.
bool AppendKey(std::wstring_view name, std::string& out) {
  const size_t start = out.size();
  for (wchar_t c : name) {
    if (c >= 0x80 || c == 0) {
      out.resize(start);
      return AppendCp932(ToUpper(name), out);
    }
    out += static_cast<char>(c >= L'a' && c <= L'z' ? c - 32 : c);
  }
  return true;
}

// The same key from a name already in code page 932.
void AppendKeyOfCp932(std::string_view name, std::string& out) {
  const size_t start = out.size();
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      out.resize(start);
      AppendKey(FromCp932(name), out);
      return;
    }
    out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
  }
}

// The recorded root folders of a drive as keys: the record keeps the names
// as they are on disk, the comparison is case-blind. "/" is never the second
// byte of a two-byte character, so it splits the record safely.
std::unordered_set<std::string> RootFolderKeys(std::string_view text) {
  std::unordered_set<std::string> keys;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('/', at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) {
      std::string key;
      AppendKeyOfCp932(text.substr(at, end - at), key);
      keys.insert(std::move(key));
    }
    at = end + 1;
  }
  return keys;
}

bool IsDot(const std::wstring& name) { return !name.empty() && name[0] == L'.'; }

std::wstring BaseName(const std::wstring& upperName) {
  size_t dot = upperName.rfind(L'.');
  return dot == std::wstring::npos ? upperName : upperName.substr(0, dot);
}

// Enumerates a folder's entries (not "." names); false when the folder
// could not be read. The entries are looked at while they are enumerated;
// whatever acts on them waits until the enumeration is over.
template <typename Visit>
bool ForEachEntry(FileSystem& fs, const std::wstring& folder, Visit visit) {
  const FsError error = fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (!IsDot(e.name)) visit(e);
  });
  return error == FsError::None || error == FsError::NotFound;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) { return EqualsNoCase(a, b); }

// Left to their own steps: the program's folders, the extraction's folders.
bool LeftAlone(const ChangeWalk& w, const std::wstring& path) {
  if (w.sv.env.IsOwnFolder(path)) return true;
  for (const std::wstring& t : w.record.temporaryFolders) {
    if (IsSameOrBelow(path, t)) return true;
  }
  return false;
}

// Whether an entry of the folder can be left alone at all: only when one of
// those folders lies in it (the walks never go into them).
bool MayHoldLeftAlone(const ChangeWalk& w, const std::wstring& folder) {
  auto inside = [&](const std::wstring& f) { return !f.empty() && IsSameOrBelow(f, folder); };
  if (inside(w.sv.env.ProgramDir) || inside(w.sv.env.WorkDir)) return true;
  return std::any_of(w.record.temporaryFolders.begin(), w.record.temporaryFolders.end(), inside);
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
    w.report->Line(std::wstring(w.doing) + L" [" + ClockText(w.sv.m.sys.Now()) + L"] " + folder + L"（" + NumText(count) +
                   L"個）");
  }
}

// Advances the busy indicator every so many entries.
class BusyEvery {
 public:
  explicit BusyEvery(FrontEnd& fe) : fe_(fe) {}
  void Tick() {
    if (++count_ == kBusyEvery) {
      count_ = 0;
      fe_.Busy();
    }
  }

 private:
  FrontEnd& fe_;
  int count_ = 0;
};

void Report(ChangeVisitor& v, const std::vector<Finding>& findings) {
  for (const Finding& f : findings) v.OnFinding(f);
}

bool IsMonitored(const Snapshot& snap, const std::wstring& path);
bool IsSystemFolder(const Environment& env, const std::wstring& folder);

// Whether the subfolder record names a folder directly in the Windows folder
// (by its key) as never entered: a link, or a folder that could not be read.
bool UnenteredByRecord(const SubfolderRecord& record, std::string_view key) {
  bool found = false;
  ForEachRecordItem(record.unentered, [&](std::string_view item) {
    found = found || (item.size() == key.size() + 1 && item.back() == '/' && item.substr(0, key.size()) == key);
  });
  return found;
}

// A folder of the Windows folder or a system folder whose contents the check
// compares on their own: a monitored folder, a system folder, or a folder the
// subfolder record entered. Its own time changes with what is made in it.
bool ContentsComparedApart(const ChangeWalk& w, const std::wstring& parent, const std::wstring& path,
                           std::string_view key) {
  return IsMonitored(w.snap, path) || IsSystemFolder(w.sv.env, path) ||
         (w.snap.deeper.level >= 1 && !w.snap.deeper.failed && SameFolder(parent, w.sv.env.WinDir) &&
          !UnenteredByRecord(w.snap.deeper, key));
}

// The Windows folder or a system folder against its list.
void CompareFolder(ChangeWalk& w, ChangeVisitor& v, const std::wstring& folder, const FileList& list,
                   const std::wstring& exclusions) {
  if (list.failed) return;  // unknown at the snapshot: nothing in it is known to be new
  if (!MayEnterListed(w, v, folder, list)) return;
  FileListIndex index(list);
  const bool mayLeave = MayHoldLeftAlone(w, folder);
  const bool maySelfChange = w.sv.env.MayHoldSelfChanging(folder);
  BusyEvery busy(w.sv.fe);
  std::string key;
  std::vector<Finding> findings;
  const bool readable = ForEachEntry(w.sv.m.fs, folder, [&](const FileEntry& e) {
    busy.Tick();
    if (mayLeave && LeftAlone(w, JoinPath(folder, e.name))) return;
    key.clear();
    const bool exact = AppendNameKey(e.name, key);
    const std::uint64_t* recorded = index.FindKey(key);
    if (!recorded) {
      const std::wstring path = JoinPath(folder, e.name);
      if (maySelfChange && w.sv.env.IsSelfChanging(path)) return;
      if (e.IsFolder()) findings.push_back(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
      else if (UpperExtension(e.name) == L"GRP") findings.push_back(Added(w, path, e, L"ｸﾞﾙｰﾌﾟ", e.name, exact));
      else findings.push_back(Added(w, path, e, L"ﾌｧｲﾙ", path, exact));
      return;
    }
    if (*recorded == e.lastWrite) return;
    const std::wstring upper = ToUpper(e.name);
    if (InSlashList(exclusions, upper) || UpperExtension(e.name) == L"GRP" || BaseName(upper) == L"MSIME95" ||
        upper == L"ST5UNST.EXE" || InSlashList(kNeverReported, upper)) {
      return;
    }
    const std::wstring path = JoinPath(folder, e.name);
    // On the present-day kind a folder whose contents are compared on their
    // own is not changed by its own time changing with them.
    if (e.IsFolder() && IsPresentDay(w.sv.env) && ContentsComparedApart(w, folder, path, key)) return;
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
      const std::wstring saved = w.sv.env.BackupDir + folder.substr(std::min(folder.size(), w.sv.env.WinDir.size())) +
                                 L"\\" + e.name;
      // A copy is used only when it is the file the snapshot recorded: one
      // saved before an earlier test would put back an older file.
      const std::wstring library = JoinPath(w.record.librarySaves, e.name);
      std::optional<FileEntry> copy;
      if (w.saveAllSys && IsSameOrBelow(folder, w.sv.env.SysDir) && (copy = w.sv.m.fs.Stat(saved))) {
        f.copy = saved;
      } else if (w.record.attached.find(L"/" + upper + L"|") != std::wstring::npos && !w.record.librarySaves.empty() &&
                 (copy = w.sv.m.fs.Stat(library))) {
        f.copy = library;
      }
      if (copy) {
        f.undoable = true;
        f.staleCopy = copy->IsFolder() || copy->lastWrite != *recorded;
      }
    }
    findings.push_back(std::move(f));
  });
  if (readable) Report(v, findings);
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
  w.sv.fe.SetStatus(std::wstring(w.doing) + L"： " + folder);
  // The Windows and system folders were compared already, new folders and all.
  const bool examine = !IsSystemFolder(w.sv.env, folder);
  const bool mayLeave = MayHoldLeftAlone(w, folder);
  const bool maySelfChange = w.sv.env.MayHoldSelfChanging(folder);
  std::vector<std::pair<std::wstring, std::string>> walkInto;
  std::vector<Finding> findings;
  long count = 0;
  BusyEvery busy(w.sv.fe);
  std::string key;
  const bool readable = ForEachEntry(w.sv.m.fs, folder, [&](const FileEntry& e) {
    busy.Tick();
    if (!examine && !e.IsFolder()) return;
    if (mayLeave && LeftAlone(w, JoinPath(folder, e.name))) return;
    key.assign(rel);
    const bool exact = AppendNameKey(e.name, key);
    if (!e.IsFolder()) {
      ++count;
      if (!index.Has(key)) {
        const std::wstring path = JoinPath(folder, e.name);
        if (!(maySelfChange && w.sv.env.IsSelfChanging(path))) findings.push_back(Added(w, path, e, L"ﾌｧｲﾙ", path, exact));
      }
      return;
    }
    key += '/';
    if (index.Has(key)) {
      // Recorded: walked only where the snapshot listed it, never through a link.
      // A name that lost characters may stand for another folder than the
      // recorded one: never entered.
      const bool listed = !index.Unentered(key) && (w.snap.deeper.level >= 2 || depth == 0);
      if (listed && exact && !e.IsReparsePoint() && !(maySelfChange && w.sv.env.IsSelfChanging(JoinPath(folder, e.name)))) {
        key.back() = '\\';
        walkInto.emplace_back(JoinPath(folder, e.name), key);
      }
      return;
    }
    const std::wstring path = JoinPath(folder, e.name);
    if (examine && !IsMonitored(w.snap, path) && !(maySelfChange && w.sv.env.IsSelfChanging(path))) {
      findings.push_back(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
    }
  });
  if (!readable) return;
  Report(v, findings);
  ReportFolder(w, folder, count);
  for (const auto& [path, childRel] : walkInto) WalkSub(w, v, index, path, childRel, depth + 1);
}

// Whether the path lies on the disk the snapshot saw under its letter; the
// first time another disk is found there, the visitor is told.
bool OnSnapshotsDisk(ChangeWalk& w, ChangeVisitor& v, const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return true;
  const wchar_t letter = UpperChar(path[0]);
  if (letter < L'A' || letter > L'Z') return true;
  const int i = letter - L'A';
  if (!w.snap.volumes[i]) return true;  // no identity recorded (not a fixed drive)
  unsigned char& state = w.volumeState[i];
  if (state == 0) {
    std::optional<VolumeId> now = w.sv.m.fs.VolumeOf(std::wstring{letter, L':', L'\\'});
    state = now && *now == *w.snap.volumes[i] ? 1 : 2;
    if (state == 2) v.OnOtherVolume(letter);
  }
  return state == 1;
}

}  // namespace

bool MayEnterListed(ChangeWalk& w, ChangeVisitor& v, const std::wstring& folder, const FileList& list) {
  if (!OnSnapshotsDisk(w, v, folder)) return false;
  if (list.link) return true;  // a link already when listed: compared as the user set it up
  std::optional<FileEntry> self = w.sv.m.fs.Stat(folder);
  if (self && self->IsReparsePoint()) {
    v.OnBecameLink(folder);
    return false;
  }
  return true;
}

bool AppendNameKey(std::wstring_view name, std::string& out) { return AppendKey(name, out); }

namespace {

// At least the number of items of a record or entries of a list: each ends
// in a "|" (a few more "|" are second bytes of characters).
size_t ItemsAtMost(std::string_view text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '|')); }

// A table of a record's items.
KeyTable<> ItemTable(std::string_view text) {
  KeyTable<> table(ItemsAtMost(text));
  ForEachRecordItem(text, [&table](std::string_view item) { table.Put(item); });
  return table;
}

}  // namespace

FileListIndex::FileListIndex(const FileList& list) {
  // The keys are made first, then the table points into them where they rest.
  struct Made {
    size_t at, length;
    std::uint64_t time;
  };
  std::vector<Made> made;
  made.reserve(ItemsAtMost(list.text));
  keys_.reserve(list.text.size());
  ForEachFileEntry(list.text, [&](std::string_view time16, std::string_view name) {
    const size_t at = keys_.size();
    AppendKeyOfCp932(name, keys_);
    std::uint64_t time = 0;
    bool ok = time16.size() == 16;
    for (char c : time16) {
      const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (d < 0) ok = false;
      time = time << 4 | static_cast<std::uint64_t>(d < 0 ? 0 : d);
    }
    // A malformed time never equals a live one: the entry counts as changed.
    made.push_back({at, keys_.size() - at, ok ? time : ~std::uint64_t{0}});
  });
  times_ = KeyTable<std::uint64_t>(made.size());
  for (const Made& m : made) times_.Put(std::string_view(keys_).substr(m.at, m.length), m.time);
}

SubfolderIndex::SubfolderIndex(const SubfolderRecord& record)
    : items_(ItemTable(record.text)), unentered_(ItemTable(record.unentered)) {}

std::wstring StartupCopy(const Environment& env, const std::wstring& fileName, wchar_t letter) {
  return env.BackupDir + L"\\" + fileName + L"." + letter;
}

void WalkSystemFolders(ChangeWalk& w, ChangeVisitor& v) {
  const std::wstring exclusions = WatchedIniNames(w.sv.env.WinKind) + L"SYSTEM.DAT/USER.DAT/WIN386.SWP/";
  w.sv.fe.SetStatus(std::wstring(w.doing) + L" : Windows");
  CompareFolder(w, v, w.sv.env.WinDir, w.snap.windows, exclusions);
  w.sv.fe.SetStatus(std::wstring(w.doing) + L" : System");
  for (size_t i = 0; i < w.snap.system.size(); ++i) {
    CompareFolder(w, v, w.sv.env.SystemDirs[i], w.snap.system[i], exclusions);
  }
}

void WalkMainFolders(ChangeWalk& w, ChangeVisitor& v) {
  for (const MainFolderListing& listing : w.snap.main) {
    const wchar_t kind = listing.entry.empty() ? L'0' : listing.entry[0];
    const std::wstring folder = listing.entry.substr(1);
    w.sv.fe.SetStatus(std::wstring(w.doing) + L"： " + folder);
    if (listing.list.failed) continue;  // unknown: never compared
    if (!MayEnterListed(w, v, folder, listing.list)) continue;
    FileListIndex index(listing.list);
    const bool mayLeave = MayHoldLeftAlone(w, folder);
    const bool maySelfChange = w.sv.env.MayHoldSelfChanging(folder);
    long count = 0;
    BusyEvery busy(w.sv.fe);
    std::string key;
    std::vector<Finding> findings;
    const bool readable = ForEachEntry(w.sv.m.fs, folder, [&](const FileEntry& e) {
      busy.Tick();
      ++count;
      key.clear();
      const bool exact = AppendNameKey(e.name, key);
      if (index.FindKey(key)) return;
      const std::wstring path = JoinPath(folder, e.name);
      if ((mayLeave && LeftAlone(w, path)) || (maySelfChange && w.sv.env.IsSelfChanging(path))) return;
      if (e.IsFolder()) {
        if (kind == L'1') findings.push_back(Added(w, path, e, L"ｸﾞﾙｰﾌﾟ", e.name, exact));
        else findings.push_back(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
      } else if (kind == L'1' && UpperExtension(e.name) == L"LNK") {
        std::wstring stem = e.name.substr(0, e.name.size() - 4);
        findings.push_back(Added(w, path, e, L"ｼｮｰﾄｶｯﾄ", JoinPath(folder, stem), exact));
      } else if (kind == L'2') {
        findings.push_back(Added(w, path, e, L"ﾌｫﾝﾄ", e.name, exact));
      } else {
        findings.push_back(Added(w, path, e, L"ﾌｧｲﾙ", path, exact));
      }
    });
    if (!readable) continue;
    Report(v, findings);
    ReportFolder(w, folder, count);
  }
}

void WalkSubfolders(ChangeWalk& w, ChangeVisitor& v) {
  // The depth is the snapshot's, whatever the setting says now.
  if (w.snap.deeper.level < 1 || w.snap.deeper.failed || w.snap.deeper.text.empty()) return;
  if (!MayEnterListed(w, v, w.sv.env.WinDir, w.snap.windows)) return;
  SubfolderIndex index(w.snap.deeper);
  WalkSub(w, v, index, w.sv.env.WinDir, std::string(), 0);
}

void WalkDrives(ChangeWalk& w, ChangeVisitor& v) {
  for (int i = 0; i < 26; ++i) {
    if (w.snap.driveRoots[i].empty() || w.snap.driveRootFailed[i]) continue;
    if (w.sv.env.DriveTypes[i] != DriveType::Fixed) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const std::wstring root{letter, L':', L'\\'};
    w.sv.fe.Busy();
    // Another disk under the same letter: its root folders would all look new.
    if (!OnSnapshotsDisk(w, v, root)) continue;
    w.sv.fe.SetStatus(std::wstring(w.doing) + L" : ドライブ " + root);
    for (const wchar_t* name : {L"config", L"autoexec"}) {
      const std::wstring file = root + name + (name[0] == L'c' ? L".sys" : L".bat");
      std::optional<FileEntry> live = w.sv.m.fs.Stat(file);
      const std::wstring copy = StartupCopy(w.sv.env, name, letter);
      std::optional<FileEntry> saved = w.sv.m.fs.Stat(copy);
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
    std::vector<Finding> findings;
    const std::unordered_set<std::string> known = RootFolderKeys(w.snap.driveRoots[i]);
    const bool readable = ForEachEntry(w.sv.m.fs, root, [&](const FileEntry& e) {
      if (!e.IsFolder()) return;  // files in a root are not compared
      const std::wstring path = root + e.name;
      std::string key;
      const bool exact = AppendNameKey(e.name, key);
      if (known.count(key) != 0 || LeftAlone(w, path)) return;
      findings.push_back(Added(w, path, e, L"ﾌｫﾙﾀﾞｰ", path, exact));
    });
    if (readable) Report(v, findings);
  }
}

std::unique_ptr<ReportLog> OpenWalkReport(const Services& sv, const RunRecord& record) {
  if (!sv.options.Report) return nullptr;
  auto report = std::make_unique<ReportLog>(sv.m.fs, ReportPath(sv.env.ProgramDir));
  report->Line(L"実行ファイル：" + record.program);
  return report;
}

void CloseWalkReport(ReportLog* report, const wchar_t* label, long examined, FrontEnd& fe) {
  if (!report) return;
  report->Line(std::wstring(60, L'-'));
  report->Line(label + NumText(examined));
  report->Line(std::wstring(60, L'-'));
  report->Line(L"");
  FinishReport(report, fe);
}

}  // namespace zel
