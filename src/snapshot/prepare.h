// The snapshot preparation: the drives, the Windows folder, the system
// folders, the subfolder record and the main folders, in this order.
#pragma once

#include "platform/frontend.h"
#include "platform/machine.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/settings.h"
#include "startup/startup.h"

namespace zel {

struct Preparation {
  Machine& m;
  FrontEnd& fe;
  const Environment& env;
  const RunningOptions& options;
  const MainFolderList& main;
};

// The drive step: per fixed drive, the drive record is deleted, config.sys
// and autoexec.bat are copied into the backup folder and the root's folder
// names recorded. A fixed drive whose root holds no folder ends the program.
Outcome PrepareDrives(const Preparation& p, Snapshot& snap);

// The whole preparation into snap (the file lists; saving is separate).
Outcome PrepareSnapshot(const Preparation& p, Snapshot& snap);

// The line that marks the program's block in autoexec.bat.
extern const wchar_t kAutoexecMarker[];

}  // namespace zel
