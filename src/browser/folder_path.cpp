#include "browser/folder_path.h"

#include <algorithm>

#include "base/path.h"
#include "base/text.h"

namespace zel {

std::wstring NormalizedFolder(std::wstring_view text) {
  std::wstring path(text);
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

size_t FolderRootLength(std::wstring_view path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
    const size_t server = path.find(L'\\', 2);
    if (server == std::wstring_view::npos) return 0;
    const size_t share = path.find(L'\\', server + 1);
    return share == std::wstring_view::npos ? path.size() : share;
  }
  return 0;
}

bool IsFullPath(std::wstring_view path) { return FolderRootLength(path) > 0; }

std::vector<FolderLine> FolderListLines(std::wstring_view wanted, const std::vector<std::wstring>& subfolders) {
  const std::wstring path = NormalizedFolder(wanted);
  const size_t rootLength = FolderRootLength(path);
  std::vector<FolderLine> lines;
  if (rootLength == 0) return lines;
  lines.push_back({path.substr(0, rootLength), path.substr(0, rootLength), 0, true});
  int level = 0;
  for (size_t start = rootLength; start < path.size();) {
    if (path[start] == L'\\') {
      ++start;
      continue;
    }
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    lines.push_back({path.substr(0, end), path.substr(start, end - start), ++level, true});
    start = end;
  }
  for (const std::wstring& name : subfolders) lines.push_back({JoinPath(path, name), name, level + 1, false});
  return lines;
}

std::optional<std::vector<std::wstring>> ListSubfolders(FileSystem& fs, std::wstring_view folder) {
  std::vector<std::wstring> names;
  const FsError error = fs.Enumerate(JoinPath(folder, L"*"), [&names](const FileEntry& e) {
    if (e.IsFolder() && e.name != L"." && e.name != L"..") names.push_back(e.name);
  });
  if (error != FsError::None && error != FsError::NotFound) return std::nullopt;
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return ToUpper(a) < ToUpper(b); });
  return names;
}

std::wstring OpenFirstFolder(std::wstring_view wanted, std::wstring_view currentFolder,
                             const std::vector<std::wstring>& fixedRoots,
                             const std::function<bool(const std::wstring&)>& opens) {
  std::wstring candidate = NormalizedFolder(Trim(wanted));
  while (!candidate.empty() && FolderRootLength(candidate) > 0) {
    if (opens(candidate)) return candidate;
    const std::wstring parent = ParentFolder(candidate);
    // A root has no parent: "C:" would only lead back to "C:\".
    if (parent.empty() || parent.size() + 1 >= candidate.size()) break;
    candidate = NormalizedFolder(parent);
  }
  const std::wstring current(currentFolder);
  if (!current.empty() && opens(current)) return current;
  for (const std::wstring& root : fixedRoots) {
    if (opens(root)) return root;
  }
  return std::wstring();
}

}  // namespace zel
