// The file browser's file-type filters and folder listing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace zel {

constexpr int kFilterArchives = 0;  // F1
constexpr int kFilterPrograms = 1;  // F2
constexpr int kFilterPictures = 2;  // F3
constexpr int kFilterAll = 3;       // F4

// The extension set of a filter: dot-led extensions in one string. The
// setting "DOS" ("YES" in any case) makes the program filter show MS-DOS
// files instead of screen savers.
std::wstring FilterExtensions(int filter, std::wstring_view dosSetting);
const wchar_t* FilterCaption(int filter);

// The favourite-folder button's right click: the question whether the
// current folder becomes the favourite folder (the folder emphasised first).
std::wstring FavouriteFolderQuestion(const std::wstring& folder);

// True when the name's extension is in the set (".*" takes every file).
bool MatchesExtensionSet(std::wstring_view set, std::wstring_view name);

struct FolderListing {
  std::vector<std::wstring> folders;  // subfolders, sorted, "." names left out
  std::vector<FileEntry> files;       // files of the set, sorted by name
  bool readable = true;
};

// The folder's subfolders and the files whose extension is in the set,
// sorted case-blind. A folder that cannot be read lists empty.
FolderListing ListFolder(FileSystem& fs, std::wstring_view folder, std::wstring_view extensionSet);

}  // namespace zel
