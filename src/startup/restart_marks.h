// What the program's restart block leaves on the boot drive: the marker line
// in autoexec.bat and the batch it calls. The start of the program looks for
// them before the registry and system restores (which write them) are known.
#pragma once

#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "startup/environment.h"

namespace zel {

// The line that marks the program's block in autoexec.bat: everything from it
// to the end of the file is the program's own.
extern const wchar_t kAutoexecMarker[];
// "Zel.BAT", in the boot drive's root.
extern const wchar_t kRestartBatchName[];

// True when the file holds the marker line (a restore waits for the next start
// of Windows).
bool HoldsRestartBlock(FileSystem& fs, std::wstring_view autoexec);

// BootDrive + "Zel.BAT".
std::wstring RestartBatchPath(const Environment& env);

// A registry restore waits for the next start of Windows: the program's block
// is in the boot drive's autoexec.bat, or the work folder holds RegClear.dat.
bool RegistryRestorePending(FileSystem& fs, const Environment& env);

// The start of the first line of bytes that is the marker, or npos.
std::size_t MarkerLineAt(const std::string& bytes);

}  // namespace zel
