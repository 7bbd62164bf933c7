// Restoring the saved system: files that can be put back at once are, the
// rest waits for the next start of Windows (the restart batch on the 9x
// kinds, the platform's replace-at-restart on the NT family).
#pragma once

#include <string>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "registry/restart_batch.h"
#include "startup/environment.h"

namespace zel {

// "以前の状態に復元しました"
extern const wchar_t kRestoredMessage[];

// A file put back at the next start: the set's copy, the folder it goes to
// and the full path it takes there.
struct DeferredRestore {
  std::wstring copy;
  std::wstring targetFolder;
  std::wstring target;
};

// The start-up restore and delete lists.
struct StartupLists {
  std::vector<DeferredRestore> restores;
  std::vector<std::wstring> deletions;
  bool Empty() const { return restores.empty() && deletions.empty(); }
};

// What is left for the restart, ready to be put in place.
struct RestartWork {
  bool nt = false;
  // 9x kinds: the lines of Zel.BAT.
  std::vector<std::wstring> batchLines;
  // NT family: the set's copies staged beside their targets, each moved over
  // its target at the next start; and the files deleted then.
  struct Staged {
    std::wstring staged;
    std::wstring target;
  };
  std::vector<Staged> staged;
  std::vector<std::wstring> deletions;
  bool Empty() const { return nt ? staged.empty() && deletions.empty() : batchLines.size() <= 2; }
};

enum class RestoreOutcome {
  Cancelled,
  NotSaved,      // no "Recovery.dat": kNotSavedHere was shown
  Refused,       // a damaged list or a restore already waiting for the restart: said so
  Restored,      // nothing deferred: kRestoredMessage was shown
  Incomplete,    // deferred files none of which can wait for the restart: said so
  RestartNeeded, // work holds what the restart does
};

struct RestoreResult {
  RestoreOutcome outcome = RestoreOutcome::Cancelled;
  StartupLists lists;
  RestartWork work;
  // Lines for CONLST: deferred files that cannot be restored, and why.
  std::vector<std::wstring> notRestored;
};

// The restore button: the question, the walk that puts back what it can at
// once, then the start-up lists turned into the restart's work. Nothing of
// the restart is written yet: see ApplyRestartWork.
RestoreResult RestoreSystem(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder);

// The walk of the restore alone (no question, no messages), for the tests
// and the benchmark.
StartupLists RestoreFiles(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& setFolder);

// Turns the start-up lists into the restart's work: the batch lines, or the
// staged copies of the NT family. What cannot be done is listed in notRestored.
RestartWork PrepareRestartWork(Machine& m, const Environment& env, const std::wstring& setFolder,
                               const StartupLists& lists, std::vector<std::wstring>& notRestored);

// Puts the work in place: Zel.BAT and the block in autoexec.bat, or the
// moves at the next start. False (with nothing of the batch left behind)
// when the restart would do nothing. Moves that could not be asked for are
// added to notRestored.
bool ApplyRestartWork(Machine& m, const Environment& env, const RestartWork& work,
                      std::vector<std::wstring>& notRestored);

// The restart does not happen: staged copies are removed (the batch was not
// written yet).
void DiscardRestartWork(Machine& m, const RestartWork& work);

}  // namespace zel
