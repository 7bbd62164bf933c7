#include "system/system_compare.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/cp932.h"
#include "base/path.h"
#include "base/text.h"
#include "startup/file_helpers.h"

namespace zel {

const wchar_t kNotSavedHere[] = L"指定された場所には、システムが保存されていません";

namespace {

constexpr int kEventsEvery = 120;

bool IsDotName(const std::wstring& name) { return !name.empty() && name[0] == L'.'; }

std::string ReadList(FileSystem& fs, const std::wstring& path) {
  std::string bytes;
  std::optional<FileEntry> e = fs.Stat(path);
  if (!e || e->IsFolder() || fs.ReadBytes(path, bytes) != FsError::None) bytes.clear();
  return bytes;
}

// "X:\a\b": every component a real name (no ".", "..", empty component or
// wildcard), so that the path cannot lead anywhere but where it reads.
bool IsPlainPath(std::wstring_view path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
  if (path.find_first_of(L"/*?\"<>|") != std::wstring_view::npos) return false;
  std::wstring_view rest = path.substr(3);
  if (rest.empty()) return true;
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring_view::npos) end = rest.size();
    std::wstring_view part = rest.substr(start, end - start);
    if (part.empty() || part == L"." || part == L"..") return false;
    start = end + 1;
  }
  return true;
}

struct CopyInfo {
  std::wstring name;
  std::uint64_t lastWrite = 0;
};

// The set's copy of a file under its real name, when it is there.
std::optional<CopyInfo> FindCopy(FileSystem& fs, const std::wstring& copy) {
  std::optional<CopyInfo> found;
  IgnoreError(fs.Enumerate(copy, [&](const FileEntry& e) {
    if (!found && !e.IsFolder()) found = CopyInfo{e.name, e.lastWrite};
  }));
  return found;
}

// A group of the list that names a folder a save never walks is not
// followed: acting on it could reach anywhere.
bool Acceptable(const SetLayout& layout, const std::wstring& folder, bool root) {
  if (!IsPlainPath(folder)) return false;
  if (root) return EqualsNoCase(folder, layout.RootFolder());
  return IsSameOrBelow(folder, layout.WinDir()) && layout.RuleOf(folder) != FolderRule::Skip &&
         !layout.Excluded(folder, 0);
}

class Walker {
 public:
  Walker(Machine& m, FrontEnd& fe, const Environment& env, const SetLayout& layout, SetLists& lists, SetVisitor& v)
      : m_(m), fe_(fe), env_(env), layout_(layout), lists_(lists), v_(v) {}

  void Run() {
    for (ListedFolder& group : lists_.windows.folders) WalkGroup(group, false);
    ProgramFolders();
    bool rootSeen = false;
    for (ListedFolder& group : lists_.root.folders) {
      if (rootSeen) {
        lists_.damaged = true;
        continue;
      }
      rootSeen = true;
      WalkGroup(group, true);
    }
    fe_.SetStatus(L"");
  }

 private:
  void Tick() {
    if (++sinceEvents_ >= kEventsEvery) {
      sinceEvents_ = 0;
      fe_.Busy();
    }
  }

  bool Known(const std::string& key) const {
    return lists_.windows.paths.count(key) != 0 || lists_.unentered.paths.count(key) != 0;
  }

  // The folder's path with the letter case it has on disk (the list holds
  // it lower-cased): the Windows folder and the root as the environment names
  // them, a subfolder as its parent's listing found it.
  std::wstring RealPath(const ListedFolder& group, bool root) const {
    std::wstring listed = FromCp932(group.path);
    if (root && EqualsNoCase(listed, layout_.RootFolder())) return layout_.RootFolder();
    if (EqualsNoCase(listed, layout_.WinDir())) return layout_.WinDir();
    auto it = realPaths_.find(group.path);
    return it != realPaths_.end() ? it->second : listed;
  }

  void WalkGroup(ListedFolder& group, bool root) {
    const std::wstring folder = RealPath(group, root);
    if (!Acceptable(layout_, folder, root)) {
      lists_.damaged = true;
      return;
    }
    const FolderRule rule = root ? FolderRule::Copy : layout_.RuleOf(folder);
    const bool copying = rule == FolderRule::Copy;
    const std::wstring copyFolder = copying ? layout_.CopyFolderOf(folder) : std::wstring();
    fe_.SetStatus(folder);
    fe_.Busy();
    // The save never entered a link: a folder that became one since leads
    // somewhere the set knows nothing of, and nothing below it is touched.
    if (std::optional<FileEntry> self = m_.fs.Stat(folder); self && self->IsReparsePoint()) {
      v_.Note(folder + L"　…リンクになっているため、比較しません");
      return;
    }
    if (copying && !FolderExists(m_.fs, copyFolder)) {
      v_.Note(folder + L"　…バックアップが削除されています");
      return;
    }

    // Differences are acted on only after the folder was read whole: the
    // restore changes the folder, and a listing that fails half-way says
    // nothing about the folder.
    pending_.clear();
    std::string key;
    FsError error = m_.fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
      Tick();
      if (e.IsFolder()) {
        if (root || IsDotName(e.name)) return;
        std::wstring sub = JoinPath(folder, e.name);
        if (layout_.RuleOf(sub) == FolderRule::Skip || layout_.Excluded(sub, e.attributes)) return;
        key = group.path;
        key += '\\';
        ListText(e.name, key);
        if (!Known(key)) pending_.push_back({Pending::kAddedFolder, std::move(sub), nullptr, false});
        else realPaths_.emplace(key, std::move(sub));
        return;
      }
      key.clear();
      const bool exact = ListText(e.name, key);
      ListedFile* record = group.Find(key);
      // A name that changed only in the case of a letter beyond A to Z.
      if (!record && exact && std::any_of(e.name.begin(), e.name.end(), [](wchar_t c) { return c >= 0x80; })) {
        record = group.FindFolded(e.name);
      }
      if (record) {
        record->seen = true;
        if (record->lastWrite == e.lastWrite) return;
        if (InSlashList(kNoCopyNames, ToLower(e.name))) return;
      }
      pending_.push_back({record ? Pending::kChanged : Pending::kAdded, e.name, record, !exact});
    });
    if (error != FsError::None && error != FsError::NotFound && error != FsError::PathNotFound) {
      // What is in it now is unknown: nothing in it is added or deleted.
      v_.Note(folder + L"　…フォルダーを読み取れません");
      return;
    }

    for (const Pending& p : pending_) {
      if (p.kind == Pending::kAddedFolder) {
        v_.AddedFolder(p.name);
        continue;
      }
      SetFile f;
      f.folder = folder;
      f.name = p.name;
      f.path = JoinPath(folder, p.name);
      f.copy = copying ? JoinPath(copyFolder, p.name) : std::wstring();
      f.rule = rule;
      f.lossy = p.lossy;
      if (p.kind == Pending::kAdded) {
        f.restorable = copying;
        v_.Added(f);
        continue;
      }
      f.listed = p.record->lastWrite;
      // The CD player rewrites its own settings with the titles of each disc
      // played: a changed one is the user's, never put back.
      if (copying && !f.lossy && ToLower(p.name) != L"cdplayer.ini") {
        std::optional<CopyInfo> copy = FindCopy(m_.fs, f.copy);
        f.restorable = copy && copy->lastWrite == p.record->lastWrite;
      }
      v_.Changed(f);
    }

    for (ListedFile* unseen : group.Unseen()) {
      const ListedFile& record = *unseen;
      Tick();
      SetFile f;
      f.folder = folder;
      f.name = FromCp932(record.name);
      f.rule = rule;
      f.listed = record.lastWrite;
      f.lossy = f.name.find(L'?') != std::wstring::npos;
      if (copying && !f.lossy && !InSlashList(kNoCopyNames, ToLower(f.name))) {
        if (std::optional<CopyInfo> copy = FindCopy(m_.fs, JoinPath(copyFolder, f.name))) {
          f.name = copy->name;  // the name as it was, not lower-cased
          f.restorable = copy->lastWrite == record.lastWrite;
        }
      }
      f.path = JoinPath(folder, f.name);
      f.copy = copying ? JoinPath(copyFolder, f.name) : std::wstring();
      v_.Deleted(f);
    }
  }

  void ProgramFolders() {
    if (env_.ProgramFilesDir.empty()) return;
    std::unordered_set<std::wstring> saved;
    for (const std::wstring& name : lists_.programs) saved.insert(ToLower(name));
    fe_.SetStatus(env_.ProgramFilesDir);
    IgnoreError(m_.fs.Enumerate(JoinPath(env_.ProgramFilesDir, L"*.*"), [&](const FileEntry& e) {
      if (!e.IsFolder() || IsDotName(e.name)) return;
      if (!saved.count(ToLower(e.name))) v_.AddedFolder(JoinPath(env_.ProgramFilesDir, e.name));
    }));
  }

  Machine& m_;
  FrontEnd& fe_;
  const Environment& env_;
  const SetLayout& layout_;
  SetLists& lists_;
  SetVisitor& v_;
  int sinceEvents_ = 0;
  struct Pending {
    enum Kind { kAddedFolder, kAdded, kChanged } kind;
    std::wstring name;  // the file's name, or the added folder's path
    const ListedFile* record;
    bool lossy;
  };

  std::unordered_map<std::string, std::wstring> realPaths_;
  std::vector<Pending> pending_;
};

class Collector : public SetVisitor {
 public:
  explicit Collector(CompareResult& r) : r_(r) {}
  void AddedFolder(const std::wstring& path) override { r_.addedFolders.push_back(path); }
  void Added(const SetFile& f) override { r_.added.push_back({f.path, f.restorable}); }
  void Changed(const SetFile& f) override { r_.changed.push_back({f.path, f.restorable}); }
  void Deleted(const SetFile& f) override { r_.deleted.push_back({f.path, f.restorable}); }
  void Note(const std::wstring& line) override { r_.notes.push_back(line); }

 private:
  CompareResult& r_;
};

}  // namespace

SetLists ReadSetLists(FileSystem& fs, const SetLayout& layout) {
  SetLists lists;
  lists.windows = ParseList(ReadList(fs, layout.SetFile(kWindowsList)));
  lists.root = ParseList(ReadList(fs, layout.SetFile(kRootList)));
  lists.unentered = ParseList(ReadList(fs, layout.SetFile(kUnenteredList)));
  lists.programs = ParseProgramList(ReadList(fs, layout.SetFile(kProgramList)));
  lists.damaged = lists.windows.damaged || lists.root.damaged || lists.unentered.damaged;
  return lists;
}

void CheckSetLists(SetLists& lists, const SetLayout& layout) {
  for (const ListedFolder& group : lists.windows.folders) {
    if (!Acceptable(layout, FromCp932(group.path), false)) lists.damaged = true;
  }
  for (size_t i = 0; i < lists.root.folders.size(); ++i) {
    if (i > 0 || !Acceptable(layout, FromCp932(lists.root.folders[i].path), true)) lists.damaged = true;
  }
}

void WalkSet(Machine& m, FrontEnd& fe, const Environment& env, const SetLayout& layout, SetLists& lists,
             SetVisitor& visitor) {
  Walker(m, fe, env, layout, lists, visitor).Run();
}

CompareResult CompareWithSet(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder) {
  CompareResult result;
  SetLayout layout(env, setFolder);
  SetLists lists = ReadSetLists(m.fs, layout);
  Collector collector(result);
  WalkSet(m, fe, env, layout, lists, collector);
  if (lists.damaged) {
    result.notes.insert(result.notes.begin(), L"保存された一覧が壊れています（読み取れた所までを比較しました）");
  }
  return result;
}

std::vector<std::wstring> CompareLines(const CompareResult& result) {
  std::vector<std::wstring> lines = result.notes;
  if (!result.addedFolders.empty()) {
    lines.push_back(L"以下のフォルダーが追加されています");
    for (const std::wstring& path : result.addedFolders) lines.push_back(L"　・" + path);
  }
  struct Kind {
    const wchar_t* word;
    const std::vector<ComparedFile>* files;
    bool added;
  };
  const Kind kinds[] = {{L"追加", &result.added, true}, {L"変更", &result.changed, false},
                        {L"削除", &result.deleted, false}};
  for (const Kind& kind : kinds) {
    if (kind.files->empty()) continue;
    if (lines.empty()) lines.push_back(L"（○印は復元できます）");
    lines.push_back(std::wstring(L"以下のファイルが") + kind.word + L"されています");
    for (const ComparedFile& f : *kind.files) {
      const wchar_t* marker = kind.added ? L"・" : f.restorable ? L"○ " : L"★ ";
      const wchar_t* note = kind.added || f.restorable ? L"" : L"（復元できません）";
      lines.push_back(std::wstring(L"　") + marker + DisplayPath(f.path) + L"\t" + note);
    }
  }
  if (lines.empty()) lines.push_back(L"変更はありません");
  return lines;
}

bool RunCompare(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder) {
  if (!IsSaved(m.fs, setFolder)) {
    fe.Ask(kNotSavedHere, mb::kOk | mb::kIconExclamation, L"");
    return false;
  }
  for (const std::wstring& line : CompareLines(CompareWithSet(m, fe, env, setFolder))) fe.AppendConsole(line);
  fe.Beep();
  return true;
}

}  // namespace zel
