// The INI files, the program groups and the registry at the check and the
// wash: which watched INI files and saved groups changed since the snapshot,
// whether the hive files changed, the comparison of the uninstall-key exports,
// and the INI restore.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "registry/reg_export.h"
#include "snapshot/registry_snapshot.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"

namespace zel {

// An INI file or program group of the Windows folder and its saved copy.
struct SavedFile {
  std::wstring name;  // as the lines show it: the watched name ("WIN.INI"), or the group's file name
  std::wstring live;
  std::wstring copy;
};

// The watched INI files (in the order of WatchedIniNames) and then the saved
// "*.GRP" files whose live file in the Windows folder has another last-write
// time than its copy in the backup folder. A copy counts only when it is this
// snapshot's own: the Windows folder's record names the file with the copy's
// last-write time. A copy left by an earlier snapshot (the file did not exist
// at this one, or its copy failed) is never taken for the state before the
// test; neither is anything when the Windows folder could not be listed. A
// live file that is gone is not put back (Windows itself removes WININIT.INI
// once it has done its work).
std::vector<SavedFile> ChangedIniFiles(FileSystem& fs, const Environment& env, const Snapshot& snap);

// True when a hive file that was there at the snapshot is there now with
// another last-write time. A hive missing at either time (Wine keeps its
// registry elsewhere) says nothing. The NT family's hives are compared the
// same way, against the times recorded at the snapshot (there are no copies).
bool HivesChanged(FileSystem& fs, const Snapshot& snap, const HivePaths& hives);

// Reads and compares the two export files; empty when either cannot be read
// as a whole export.
std::optional<RegExportDiff> CompareExportFiles(FileSystem& fs, const std::wstring& before, const std::wstring& after);

// When the snapshot exported the uninstall key (and its file is still in the
// work folder) and the registry editor is there: exports the key again into
// "AfterIns.reg" (the export's own waits and questions), waits until the
// file stops growing (at most 30 seconds, letting the window process events)
// and compares. Empty when there was nothing to compare.
std::optional<RegExportDiff> CompareUninstallExports(const Services& sv, const Snapshot& snap);

struct RegistryCheck {
  std::vector<SavedFile> changedFiles;
  bool hivesChanged = false;
  std::optional<RegExportDiff> exportDiff;
  bool RegistryChanged() const { return hivesChanged || (exportDiff && !exportDiff->Empty()); }
};

// The check's first step: status "確認中 : INIファイル"; per changed INI file
// and group "●『" + name + "』が変更されています"; "●ｼｽﾃﾑ･ﾚｼﾞｽﾄﾘが変更されています"
// when the hives changed; then the export comparison's lines, unless the
// snapshot has the registry record, whose check lists those keys itself.
RegistryCheck CheckIniAndRegistry(const Services& sv, const Snapshot& snap, const HivePaths& hives);

// The wash's test whether the registry changed during the test: the hive
// times, or the comparison of the last check (lastDiff, when the check ran
// for this test).
bool RegistryChanged(FileSystem& fs, const Snapshot& snap, const HivePaths& hives, const RegExportDiff* lastDiff);

// The registry watched while the program under test runs, without ever
// waiting: the hive times, and the uninstall key exported again by the
// registry editor in the background ("RunCheck.reg" in the work folder) and
// compared with the snapshot's export once the file has stopped growing.
struct RegistryWatch {
  bool changed = false;  // once seen, it stays for the run
  bool exporting = false;
  std::optional<std::uint64_t> lastSize;  // the export's size at the step before
  int steps = 0;                          // steps since the export was started
};
extern const wchar_t kRunExportName[];

// One step of the watch, from a tick of the run monitor; returns
// watch.changed. An export that never settles is started again.
bool WatchRegistry(Machine& m, const Environment& env, const Snapshot& snap, const HivePaths& hives,
                   RegistryWatch& watch);

// The wash's step 2: whether the registry changed during the test. The hive
// times, and the comparison of the check when one ran since the test
// (lastCheck); without one the exports are compared afresh.
bool RegistryChangedForWash(const Services& sv, const Snapshot& snap, const HivePaths& hives, const RegistryCheck* lastCheck);

// The INI restore of the wash: status "洗浄中 : INIファイル"; each changed INI
// file and group is copied back from the backup folder, then
// "●『" + name + "』を元に戻しました", or "●『" + name + "』は元に戻せません"
// when the copy failed. Returns the number put back.
int RestoreIniFiles(Machine& m, FrontEnd& fe, const Environment& env, const Snapshot& snap);

}  // namespace zel
