// One test, from the snapshot to the wash: its stage, the snapshot, the run
// record, the programs tested, the launch, the check, the wash with its
// ordered steps and the end of the program. The window shows the stage and
// forwards the user's actions; whatever only a window can do goes through
// SessionView.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/archiver.h"
#include "platform/frontend.h"
#include "platform/machine.h"
#include "records/test_history.h"
#include "registry/registry_check.h"
#include "registry/registry_wash.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "testrun/launch.h"
#include "testrun/run_record.h"

namespace zel {

// Where the test stands; the buttons follow from it.
enum class TestStage {
  Fresh,               // a new snapshot: nothing to check or wash
  Prepared,            // an extraction left files: check and wash, no test yet
  Running,             // the program under test runs, nothing to wash from before
  RunningWithChanges,  // it runs after an extraction, copied libraries or an earlier run
  Tested,              // a test ran (or was resumed): check and wash
  Washed,              // everything was washed: only the check
};

enum class SessionEvent {
  Resumed,               // a saved snapshot was taken up again after a restart
  Extracted,             // an extraction made a temporary folder
  Started,               // the launch started the program
  StartedWithLibraries,  // ... after copying libraries it brought
  StartFailed,           // the launch got past its questions but could not start it
  RunEnded,
  WashCompleted,  // everything deleted and put back
  WashLeftSome,   // something could not be deleted or put back
};

TestStage NextStage(TestStage stage, SessionEvent event);
bool CanCheck(TestStage stage);
bool CanWash(TestStage stage);
// A test ran and was not washed: its snapshot stays when Windows ends.
bool TestPending(TestStage stage);

// The wash in the order its steps run. Before the files, the programs that
// installed themselves may remove themselves, and the registry is put back.
enum class WashStep {
  CloseBrowser,        // a CD-ROM's browser: its shell windows are closed first
  Uninstallers,        // the uninstallers the test added, when the registry changed
  ClearConsole,
  ApplicationRemoval,  // the control panel's page, then the registry step
  Files,               // the INI files, the walks, the temporary folders
  Settle,              // the lamps, the free space, the snapshot spent or kept, the lists
};
std::vector<WashStep> WashSteps(bool tested, bool fromCdRom);

// What only the window can do.
class SessionView {
 public:
  virtual ~SessionView() = default;
  virtual void ShowConsole() = 0;
  virtual void ClearConsole() = 0;
  virtual std::vector<std::wstring> ConsoleLines() = 0;
  // Enables the buttons for the session's stage (busy: all off).
  virtual void ShowStage(bool busy) = 0;
  virtual RegWashChoice ChooseRegistryWash(const RegWashOffer& offer) = 0;
  virtual void ShowRestartNotice() = 0;
  virtual void LampOff(int lamp) = 0;  // 0 win.ini, 1 system.ini, 2 the registry
  // The browser leaves a folder the wash deletes, or goes back where it was.
  virtual void LeaveFolder(const std::wstring& folder) = 0;
  virtual void GoToFolder(const std::wstring& folder) = 0;
  // The free space of the fixed drives measured again (nullopt: not measured).
  virtual void ShowFreeSpace(const std::array<std::optional<std::uint64_t>, 26>& freeBytes) = 0;
  // The check or the wash ended: the prompt in the status, the beep.
  virtual void Finished(const std::wstring& prompt) = 0;
};

class TestSession {
 public:
  explicit TestSession(const Services& s) : s_(s) {}
  TestSession(const TestSession&) = delete;
  TestSession& operator=(const TestSession&) = delete;

  TestStage Stage() const { return stage_; }
  Snapshot& snapshot() { return snapshot_; }
  const RunRecord& record() const { return record_; }
  bool SnapshotSpent() const { return spent_; }

  // A resumed test takes the record saved with the snapshot; false when it is
  // damaged (the snapshot files are deleted then, and the program ends).
  bool Resume();
  // A spent snapshot is taken anew before the next test; false when the
  // preparation ended the program.
  bool RenewSpentSnapshot(MainFolderList& mainFolders, SessionView& view);

  // The test button. browserFolder: where the browser stands, to go back to
  // after a complete wash.
  LaunchResult Launch(const LaunchRequest& request, const std::wstring& browserFolder);
  void RunEnded();
  // An extraction into a temporary folder (the wash deletes it); a batch file
  // made by an MS-DOS job may be started.
  void Extracted(const std::wstring& temporaryFolder, bool batchAllowed);
  // Writes Zel32.dir when the record changed.
  void SaveRecord();

  void Check(SessionView& view);
  void Wash(SessionView& view);

  // The end of the program. Asks first (unless Windows ends) whether to wash;
  // false: the user went back to the program.
  bool AskAtEnd(bool windowsEnding, bool* wash);
  // A test Windows ends in the middle of stays for the resume.
  bool KeepForResume(bool windowsEnding) const { return windowsEnding && TestPending(stage_); }
  void End(bool windowsEnding, bool wash, SessionView& view);

 private:
  void Apply(SessionEvent e) { stage_ = NextStage(stage_, e); }
  int WashRegistry(const std::optional<RegExportDiff>& diff, SessionView& view, bool* putBack);
  void CompleteWash(bool tested, SessionView& view);
  void FinishCheckOrWash(const std::wstring& prompt, bool checking, bool store, const std::wstring& program,
                         SessionView& view);
  void DeleteIniCopies();

  Services s_;
  TestStage stage_ = TestStage::Fresh;
  bool spent_ = false;  // a completed wash after a test: the next test takes a new snapshot
  Snapshot snapshot_;
  RunRecord record_;       // the test in progress, written to Zel32.dir
  RunRecord savedRecord_;  // as last written
  std::vector<TestedProgram> tested_;  // for the test history, written at the end
  std::optional<RegistryCheck> lastRegistryCheck_;
  bool checkedThisTest_ = false;  // the latest list is the check's of this test
  std::wstring folderBeforeTest_;
  int warningsShown_ = 0;
};

}  // namespace zel
