// The registry step of the wash: what it tells the user or offers in
// RegWashForm, the deletion of the keys the program under test added below
// the uninstall key, the restore of the hive copies at the next start of
// Windows 95/98 (through Zel.BAT), and Windows Me's System Restore, started
// when the program ends.
#pragma once

#include <string>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "registry/reg_export.h"
#include "snapshot/registry_snapshot.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel {

// RegWashForm.
extern const wchar_t kRegWashTitle[];        // "レジストリの復元指定"
extern const wchar_t kRegWashIgnore[];       // "無視する (&N)"
extern const wchar_t kRegWashRepair[];       // "洗浄する (&D)"
extern const wchar_t kRegWashRepairNote[];   // "確認リストに表示されたレジストリのみを、今すぐ修復します"
extern const wchar_t kRegWashRestore[];      // "復元する (&Y)"
extern const wchar_t kRegWashRestoreNote[];  // "Windowsを再起動したときに、復元されます。"
// WarnForm, after the restore at the next start was set up.
extern const wchar_t kWarnFormText[];
// Wash step 5 while a restore waits for the next start (not Windows Me).
extern const wchar_t kRestoreAtNextStartNotice[];
// Wash step 5 on Windows Me: the registry goes back through System Restore.
std::wstring MeRegistryMessage();

// The keys the wash may delete: keys the comparison found added, strictly
// below the exported uninstall key, with no empty part in their path; of an
// added key and its added subkeys only the top one (its deletion takes the
// rest). Full paths, in the export's order.
std::vector<std::wstring> DeletableKeys(const RegExportDiff& diff);

// Deletes each of DeletableKeys with its subkeys in the 64-bit view (the
// export's) and writes, once it is gone, "●レジストリ『" + key + "』を削除しました";
// a key not there gives "』は見つかりません", any other failure "』は削除できません".
// Returns the number deleted.
int DeleteAddedKeys(Machine& m, FrontEnd& fe, const RegExportDiff& diff);

// Which of RegWashForm's buttons act ("無視する" always does):
//  - repair: the comparison found keys to delete;
//  - restore: on Windows 95/98 when both hives and both copies are there (the
//    copies show the registry before the test); on Windows Me when System
//    Restore is on (no "ForceMe") and its program is there; never on the NT
//    family, whose hives are neither copied nor replaceable.
struct RegWashOffer {
  bool repair = false;
  bool restore = false;
};
// The user's choice among them.
enum class RegWashChoice { Ignore, Repair, Restore };
RegWashOffer RegistryWashOffer(FileSystem& fs, const Environment& env, const RunningOptions& options,
                               const HivePaths& hives, const RegExportDiff* diff);

enum class RegistryStepKind {
  Nothing,  // the registry did not change, or nothing could be done about it
  Notice,   // a restore already waits: show notice (style noticeStyle), no choice
  Choose,   // show RegWashForm with offer
};
struct RegistryStepPlan {
  RegistryStepKind kind = RegistryStepKind::Nothing;
  std::wstring notice;
  int noticeStyle = 0;
  RegWashOffer offer;
};
// Wash step 5. A restore set up earlier (RegistryRestorePending; not on the NT
// family) gives the notice: kRestoreAtNextStartNotice, or on Windows Me
// MeRegistryMessage(). Otherwise a changed registry gives the choice when one
// of its actions is available.
RegistryStepPlan PlanRegistryStep(FileSystem& fs, const Environment& env, const RunningOptions& options,
                                  const HivePaths& hives, bool registryChanged, const RegExportDiff* diff);

enum class RestoreSetUp {
  Done,     // show message
  Refused,  // not possible here, or a path was refused (reported in the console)
  Failed,   // a file could not be written (reported in the console)
};
struct RestoreSetUpResult {
  RestoreSetUp outcome = RestoreSetUp::Refused;
  std::wstring message;  // kWarnFormText, or on Windows Me MeRegistryMessage()
};
// "復元する": on Windows 95/98 the hive copies go back at the next start
// (Zel.BAT: system.dat, then user.dat, each with its attrib, guarded del and
// copy lines; both or neither); on Windows Me "RegClear.dat" in the work folder
// marks System Restore as due at the program's end.
RestoreSetUpResult SetUpRegistryRestore(Machine& m, FrontEnd& fe, const Environment& env, const RunningOptions& options,
                                        const HivePaths& hives);

// "\"<WinDir>\RESTORE\RSTRUI.EXE\" /RESTORE".
std::wstring SystemRestoreCommand(const Environment& env);
// Windows Me with "RegClear.dat" in the work folder.
bool SystemRestoreDue(FileSystem& fs, const Environment& env);
// At the program's end (not while Windows itself ends): starts System Restore
// when it is due and removes the mark once it started. False when nothing
// was started (the mark stays for the next end).
bool StartSystemRestoreAtEnd(Machine& m, const Environment& env);

}  // namespace zel
