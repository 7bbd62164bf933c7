// The restart batch: "Zel.BAT" in the boot drive's root, called from a block
// at the end of the boot drive's autoexec.bat, so that what cannot be done
// while Windows runs (the registry hives, files in use) is done at the next
// start before Windows loads. The registry restore of the wash and the system
// restore both write it through this one module.
//
// Every path that goes into a batch line is checked first: it must exist, lie
// on a local fixed disk where it is a copy to restore from, have a short (8.3)
// form, and that form must encode in code page 932 without a byte the command
// interpreter acts on. A path that fails is left out and reported, never
// written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/restart_marks.h"

namespace zel {


// What the batch does at the next start.
struct HiveCopy {
  std::wstring live;  // the file to replace (a registry hive, SYSTEM.INI ...)
  std::wstring copy;  // the saved copy, on a local fixed disk
};
struct FileCopy {
  std::wstring copy;          // the saved copy, on a local fixed disk
  std::wstring targetFolder;  // where it goes, under its own name
};
struct RestartBatchPlan {
  // Per entry, in order:
  //   attrib -h -r -s <live>
  //   attrib -h -r -s <copy>
  //   if exist <copy> del <live>
  //   copy <copy> <folder of live>
  std::vector<HiveCopy> hives;
  // Per entry: "COPY <copy> <target folder>/Y".
  std::vector<FileCopy> copies;
  // Per entry: "del <path>".
  std::vector<std::wstring> deletions;
};

enum class BatchRefusalReason {
  Missing,         // the path does not exist (nothing to take its short form from)
  Unsafe,          // outside code page 932, a control character or one of & | < > ^ % "
  NoShortForm,     // a component has no 8.3 name
  NotOnFixedDisk,  // a copy to restore from that is not on a local fixed disk
  TooLong,         // the line would pass the 127 characters the interpreter reads
  BadBootDrive,    // the boot drive is not a drive root "X:\"
};

struct BatchRefusal {
  std::wstring path;
  BatchRefusalReason reason;
};

// The console line that reports a path left out of the batch.
std::wstring RefusalLine(const BatchRefusal& refusal);

struct RestartBatch {
  std::vector<std::wstring> lines;  // empty when the boot drive itself was refused
  std::vector<BatchRefusal> refused;
};

// The lines of Zel.BAT for plan, in the order of the plan's parts, and last
//   del <BootDrive>autoexec.bat
//   ren <BootDrive>autoexec.Zel autoexec.bat
// which put the user's autoexec.bat back after the batch has run once. An
// entry with a refused path is left out whole and listed in refused.
RestartBatch BuildRestartBatch(FileSystem& fs, const Environment& env, const RestartBatchPlan& plan);

// True when path is "X:\" followed by components that are all 8.3 names that
// a batch line can hold as they stand.
bool IsShortBatchPath(std::wstring_view path);

// The lines as the batch file holds them: code page 932, CR LF after each.
std::string RestartBatchBytes(const std::vector<std::wstring>& lines);

// Writes Zel.BAT (to a temporary file first, then moved into place), then
// inserts the block into autoexec.bat. False when either failed; then neither
// is left behind. Lines must come from BuildRestartBatch.
bool InstallRestartBatch(Machine& m, const Environment& env, const std::vector<std::wstring>& lines);

// The block in autoexec.bat:
//  - the user's own autoexec.bat is the file without the program's block: the
//    saved autoexec.Zel when the block is there and autoexec.Zel exists (the
//    block of an earlier insertion), else the file cut before the marker line;
//    when autoexec.bat is missing but autoexec.Zel exists, autoexec.Zel (the
//    batch stopped between its "del" and its "ren");
//  - that version is kept in autoexec.Zel (a copy of the untouched file keeps
//    its time), and autoexec.bat is rewritten as that version, the marker line
//    and the batch's path (a trailing end-of-file character of the old text is
//    dropped, so that the interpreter reads on into the block);
//  - every file is written to a temporary file and moved over the old one, so
//    that a crash at any step leaves the user's autoexec.bat either in place
//    or in autoexec.Zel beside a block that puts it back.
// False when a step failed.
bool InsertRestartBlock(Machine& m, const Environment& env);

// Undoes the insertion for a restart that does not happen: autoexec.bat
// becomes the user's version again (autoexec.Zel moved back, or the file cut
// at the marker, or removed when the user had none). False when a step failed.
bool RemoveRestartBlock(Machine& m, const Environment& env);

// The restart was cancelled: the block is removed, then Zel.BAT is deleted.
bool CancelRestartBatch(Machine& m, const Environment& env);

}  // namespace zel
