// Small file routines shared by every subsystem.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/frontend.h"
#include "platform/machine.h"

namespace zel {

// True when a find-first on the path succeeds; wildcards are allowed ("BOOT.*").
bool FileExists(FileSystem& fs, std::wstring_view path);
bool FolderExists(FileSystem& fs, std::wstring_view path);
// When the file exists: a font ("FON", "TTF", "TTC") is first taken out of the
// system's font table; then the file is deleted. True when it is gone.
bool KillFile(Machine& m, std::wstring_view path);
// Copies, replacing the target. When the target is a drive root that can take
// no more entries, tells the user so. True when the copy succeeded.
bool CopyFileChecked(Machine& m, FrontEnd& fe, std::wstring_view from, std::wstring_view to);

// Free and total bytes of the drive of path (its first letter).
std::optional<DiskSpace> DriveSpace(FileSystem& fs, std::wstring_view path, bool canUseFat32);

}  // namespace zel
