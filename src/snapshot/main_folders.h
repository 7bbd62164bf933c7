// The main folder list: the monitored folders, each a kind digit followed by
// the path (0 ordinary, 1 program groups and shortcuts, 2 fonts).
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/filesystem.h"
#include "startup/environment.h"

namespace zel {

class MainFolderList {
 public:
  static constexpr size_t kMaxEntries = 100;

  // Adds the folder when it exists, is not yet listed (in any letter case) and
  // is not one of the program's own folders. True when added.
  bool AddMainFolder(FileSystem& fs, const Environment& env, std::wstring_view path, wchar_t kind);

  const std::vector<std::wstring>& Entries() const { return entries_; }
  size_t Count() const { return entries_.size(); }
  // "|" + upper-cased path + "|" for every listed folder.
  const std::wstring& Membership() const { return membership_; }
  bool Contains(std::wstring_view path) const;

 private:
  std::vector<std::wstring> entries_;
  std::wstring membership_ = L"|";
  std::unordered_set<std::wstring> index_;  // upper-cased paths
};

// Builds the list from the environment record and the CheckLevel; on the
// present-day kind from the known folders, whatever the CheckLevel.
MainFolderList BuildMainFolderList(FileSystem& fs, const Environment& env, int checkLevel);

}  // namespace zel
