// The preparation's copies beside the file lists: the watched INI files, the
// program groups and the registry hives in the backup folder, and the text
// export of the uninstall key in the work folder.
#pragma once

#include <string>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"

namespace zel {

// "/WIN.INI/SYSTEM.INI/.../WININIT.INI/", with "DELETEFI.INI/" on Windows Me.
std::wstring WatchedIniNames(WinKind kind);

// The live hive files and their copies in the backup folder.
struct HivePaths {
  std::wstring user, system;
  std::wstring userCopy, systemCopy;
};
HivePaths FixHivePaths(FileSystem& fs, const Environment& env);

extern const wchar_t kUninstallKey[];
extern const wchar_t kUninstallExportName[];  // "追加と削除.reg", in the work folder

// Each watched INI file of the Windows folder into the backup folder.
void SaveIniFiles(Machine& m, FrontEnd& fe, const Environment& env);
// Every "*.GRP" file of the Windows folder into the backup folder.
void SaveGroups(Machine& m, FrontEnd& fe, const Environment& env);

// A registry restore waits for the next start of Windows: the program's block
// is in the boot drive's autoexec.bat, or the work folder holds RegClear.dat.
bool RegistryRestorePending(FileSystem& fs, const Environment& env);

// Records the hives' last-write times in snap. On Windows 95/98/Me the hives
// are also copied into the backup folder, so that the copies show the registry
// as it was before the test:
//  - while a registry restore is pending, the copies are never replaced (the
//    live registry is the one the last test changed; the copy is what the
//    restore puts back);
//  - otherwise a copy with the live hive's last-write time and size stays, and
//    any other is replaced.
// The NT family's hives are in use while Windows runs: only their times are
// recorded.
void SaveHives(Machine& m, FrontEnd& fe, const Environment& env, const HivePaths& hives, Snapshot& snap);

// The registry editor's command line that exports key into file.
std::wstring RegistryExportCommand(const Environment& env, const std::wstring& file, const std::wstring& key);

// The registry editor's text export of key into file, started minimised. The
// wait polls once a second, letting the window process events; after 10
// seconds without the file, and after every further 30 seconds without it or
// while it is empty, the user is asked whether to wait 30 seconds more. No
// abandons the export: registry scanning is turned off (setting "RegScanInst"
// 0 and the running option) and a partial file is deleted. True when the file
// was produced.
bool ExportRegistryKey(const Services& sv, const std::wstring& file, const std::wstring& key);

// The question asked while the export is slow, as shown.
std::wstring SlowExportQuestion();

}  // namespace zel
