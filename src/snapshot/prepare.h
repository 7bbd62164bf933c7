// The snapshot preparation: the drives, the INI files, the program groups,
// the registry, the Windows folder, the system folders, the subfolder record
// and the main folders, in this order; then the snapshot is saved.
#pragma once

#include "platform/frontend.h"
#include "platform/machine.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "startup/startup.h"

namespace zel {

// The drive step: per fixed drive, the drive record is deleted, config.sys
// and autoexec.bat are copied into the backup folder, the volume recorded and
// the root's folder names listed. A fixed drive whose root holds no folder
// ends the program.
Outcome PrepareDrives(const Services& sv, Snapshot& snap);

// The whole preparation into snap, saved to Zel32.dat and its record at the
// end. A failed save is reported and the work goes on with the snapshot in
// memory (there is then nothing to resume after a restart).
Outcome PrepareSnapshot(const Services& sv, const MainFolderList& main, Snapshot& snap);

// The line that marks the program's block in autoexec.bat.
extern const wchar_t kAutoexecMarker[];

// True when the file holds the marker line (a restore or restart batch is
// waiting for the next start of Windows).
bool HoldsProgramBlock(FileSystem& fs, std::wstring_view autoexec);

}  // namespace zel
