// The snapshot on disk: Zel32.dat and its record Zel32.ext in the work
// folder (layouts in snapshot_codec.h), written at the end of the preparation
// and read back when a test interrupted by a restart is resumed.
#pragma once

#include <string>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"

namespace zel {

extern const wchar_t kSnapshotFileName[];  // "Zel32.dat"
extern const wchar_t kRecordFileName[];    // "Zel32.ext"
extern const wchar_t kRunRecordFileName[];  // "Zel32.dir"

// The paths of the files in the work folder.
struct SnapshotFiles {
  std::wstring data, record, dataTemp, recordTemp, run;
};
SnapshotFiles SnapshotFilesIn(const std::wstring& workDir);

// Writes both files so that a crash at any point leaves the previous pair, or
// no Zel32.dat at all, never a torn or mismatched pair:
//   1. both files are written in full to temporary names;
//   2. the old Zel32.dat is deleted (from here on nothing is resumed);
//   3. the record is moved to its name;
//   4. Zel32.dat is moved to its name: only now is there a snapshot to resume.
// On failure every file of the pair is removed again.
FsError WriteSnapshotFiles(FileSystem& fs, const std::wstring& workDir, const Snapshot& snap);

// Saves at the end of the preparation, with the status "準備中： ドライブ情報".
// A failure is reported ("場所＝Save For Down") and the work goes on without a
// snapshot to resume: the one in memory is whole.
bool SaveSnapshot(Machine& m, FrontEnd& fe, const Environment& env, const Snapshot& snap);

enum class LoadResult { Loaded, Missing, Damaged };

// Reads both files into snap. Damaged when either is unreadable, malformed or
// does not belong to the other, and when a saved main folder is one of the
// program's own folders. snap is only changed when Loaded.
LoadResult LoadSnapshot(FileSystem& fs, const Environment& env, Snapshot& snap);

// Deletes Zel32.dat, its record and their temporary files (not Zel32.dir).
void DeleteSnapshotFiles(Machine& m, const Environment& env);

// The resume question and the message for a damaged snapshot, as shown.
std::wstring ResumeQuestion();
extern const wchar_t kDamagedSnapshotMessage[];

enum class ResumeChoice {
  Fresh,    // no snapshot, or the user chose a new test: files deleted, prepare anew
  Resumed,  // snap holds the saved snapshot: continue in the state after a test
  Damaged,  // the message was shown and the files deleted: end the program
};

// At start-up, once the main folder list is built. With a Zel32.dat present
// asks whether to resume (unless ask is false or a registry restore is
// pending: then the resume path is taken directly); Yes loads it into snap. No, or no
// Zel32.dat, deletes Zel32.dir and the snapshot files.
ResumeChoice AskResume(Machine& m, FrontEnd& fe, const Environment& env, Snapshot& snap, bool ask = true);

}  // namespace zel
