// The folder chooser's paths, apart from its window: the path as the list
// holds it, the lines of the list (the root and each folder down to the path,
// then its subfolders) and the first folder the chooser opens.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace zel {

// "C:\a\b\" -> "C:\a\b", "C:" -> "C:\"; a root keeps its "\".
std::wstring NormalizedFolder(std::wstring_view path);

// The length of the root of a path: "C:\" (3) or "\\server\share" (up to the
// share's name); 0 for a relative path or a server without a share.
size_t FolderRootLength(std::wstring_view path);

// True for a path that names its drive ("C:\...") or its server
// ("\\server\share..."): what a caller accepts from the chooser's path line,
// where a relative path would resolve against the process's current folder.
bool IsFullPath(std::wstring_view path);

// One line of the folder list.
struct FolderLine {
  std::wstring path;
  std::wstring name;
  int level = 0;
  bool open = false;  // the path itself or one of its parents
};

// The list for a folder: its root and each folder down to it (open, one level
// deeper each), then its subfolders one level below it. Empty for a path
// without a root. The path is taken as NormalizedFolder gives it.
std::vector<FolderLine> FolderListLines(std::wstring_view path, const std::vector<std::wstring>& subfolders);

// The subfolders of a folder, sorted case-blind; nothing when the folder
// cannot be read, an empty list when it does not exist.
std::optional<std::vector<std::wstring>> ListSubfolders(FileSystem& fs, std::wstring_view folder);

// The first folder that opens: the wanted one, else its nearest parent that
// opens, else the current folder, else the first fixed drive's root that
// opens. opens is asked in that order and stops at the first yes; the folder
// it accepted is returned (empty when none did).
std::wstring OpenFirstFolder(std::wstring_view wanted, std::wstring_view currentFolder,
                             const std::vector<std::wstring>& fixedRoots,
                             const std::function<bool(const std::wstring&)>& opens);

}  // namespace zel
