#include "wash/delete_tree.h"

#include <vector>

#include "base/path.h"
#include "startup/file_helpers.h"

namespace zel {
namespace {

bool Gone(FileSystem& fs, std::wstring_view path) { return !fs.Stat(path); }

// What a deletion keeps: folders older than the snapshot (0: none).
struct Keeping {
  std::uint64_t takenAt = 0;
  std::vector<std::wstring>* kept = nullptr;
};

bool DeleteFolder(Machine& m, std::wstring_view folder, Keeping& keeping);

bool RemoveEntry(Machine& m, const std::wstring& path, const FileEntry& e, Keeping& keeping) {
  if (e.IsFolder()) {
    if (e.IsReparsePoint()) {
      // A link: only the link goes, never what it leads to.
      IgnoreError(m.fs.RemoveFolder(path));
      return Gone(m.fs, path);
    }
    if (keeping.takenAt != 0 && e.creation != 0 && e.creation < keeping.takenAt) {
      // It existed before the test under another name: the user's.
      if (keeping.kept) keeping.kept->push_back(path);
      return false;
    }
    return DeleteFolder(m, path, keeping);
  }
  if (e.attributes & (attr::kReadOnly | attr::kHidden | attr::kSystem)) IgnoreError(m.fs.SetAttributes(path, attr::kNormal));
  KillFile(m, path);
  return Gone(m.fs, path);
}

bool DeleteFolder(Machine& m, std::wstring_view folder, Keeping& keeping) {
  std::optional<FileEntry> self = m.fs.Stat(folder);
  if (!self) return true;
  if (!self->IsFolder() || self->IsReparsePoint()) {
    Keeping none;  // the folder itself was asked for
    return RemoveEntry(m, std::wstring(folder), *self, none);
  }
  std::vector<FileEntry> entries;
  FsError error = m.fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (e.name != L"." && e.name != L"..") entries.push_back(e);
  });
  if (error != FsError::None && error != FsError::NotFound) return false;  // unknown content: kept
  bool all = true;
  for (const FileEntry& e : entries) all = RemoveEntry(m, JoinPath(folder, e.name), e, keeping) && all;
  if (!all) return false;
  if (self->attributes & attr::kReadOnly) IgnoreError(m.fs.SetAttributes(folder, attr::kNormal));
  IgnoreError(m.fs.RemoveFolder(folder));
  return Gone(m.fs, folder);
}

}  // namespace

bool DeleteTree(Machine& m, std::wstring_view folder) {
  Keeping none;
  return DeleteFolder(m, folder, none);
}

bool DeleteTree(Machine& m, std::wstring_view folder, std::uint64_t takenAt, std::vector<std::wstring>& kept) {
  Keeping keeping{takenAt, &kept};
  return DeleteFolder(m, folder, keeping);
}

std::wstring WashLine(std::wstring_view kind, std::wstring_view subject, bool deleted) {
  return L"●" + std::wstring(kind) + L"『" + std::wstring(subject) + (deleted ? L"』を削除しました" : L"』は削除できません");
}

bool WashTemporaryFolder(Machine& m, FrontEnd& fe, const std::wstring& folder) {
  fe.SetStatus(L"洗浄中 : 臨時フォルダー");
  if (folder.empty() || !m.fs.Stat(folder)) return true;
  const bool deleted = DeleteTree(m, folder);
  fe.AppendConsole(WashLine(L"ﾌｫﾙﾀﾞｰ", folder, deleted));
  return deleted;
}

}  // namespace zel
