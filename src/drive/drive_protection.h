// Drive protection: the names of everything on a drive are recorded, and what
// was added to the drive after that can be listed and deleted, from the drive
// button's menu or when the program ends.
//
// The walk never enters a link, the program's own folders (its program
// folder, work folder and backup set) or, in the drive's root, the system's
// "RECYCLED", "RECYCLER", "SYSTEM VOLUME INFORMATION" and "_RESTORE" folders.
// A folder it cannot read is left alone: when recording, nothing inside it
// is known, so nothing inside it is ever taken for an addition; when checking
// or deleting, it is reported and skipped. Names are compared case-blind.
//
// Nothing is deleted from a drive whose volume (serial number and size)
// differs from the one recorded, from inside a folder that was not recorded,
// under a name whose code page 932 form lost characters, in a folder that
// holds one of the program's own folders, or in a folder created before the
// record was taken (it was there already, under another name). Deleting goes
// through DeleteTree: a link is removed as a link. A line says a thing was
// deleted only once it is gone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drive/drive_record.h"
#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"

namespace zel {

// A record is refused beyond this many names, to bound the file and the
// memory of a check.
inline constexpr std::uint64_t kDriveNameLimit = 2000000;

enum class DriveOutcome {
  Done,           // recorded, listed, deleted or cleared
  Declined,       // the user answered No (or Cancel)
  NoRecord,       // nothing recorded for this drive (told)
  Damaged,        // the record is damaged (told)
  VolumeChanged,  // another volume is under this letter, or none (told)
  Unreadable,     // the drive's root could not be read (told)
  TooLarge,       // more names than the limit (told; nothing written)
  WriteFailed,    // the record could not be written or deleted (told)
};

// WorkDir + "\DrvList." + the upper-case letter.
std::wstring DriveRecordPath(const Environment& env, wchar_t letter);
bool HasDriveRecord(FileSystem& fs, const Environment& env, wchar_t letter);
// True when any drive A to Z has a record: the check and the wash then end
// with their hint lines.
bool AnyDriveRecord(FileSystem& fs, const Environment& env);

// The hint lines the check and the wash write at their end when
// AnyDriveRecord holds.
std::vector<std::wstring> DriveCheckHintLines();
std::vector<std::wstring> DriveWashHintLines();

// "このドライブの現在のファイル名を記録": asks before replacing an existing record,
// walks the drive and writes its record (to a new file moved over the old
// one). The console gets a summary and a line per folder that could not be
// read.
DriveOutcome RecordDriveNames(const Services& ctx, wchar_t letter, std::uint64_t maxNames = kDriveNameLimit);

// "このドライブへ追加されたファイルをチェック": a line per name that is not in the
// record, or "追加されたファイルはありません".
DriveOutcome CheckDriveAdditions(const Services& ctx, wchar_t letter);

// "このドライブへ追加されたファイルを自動削除": deletes what was added, with a
// "を削除しました" or "は削除できません" line each. With QueryDirDel on, each
// folder is asked about first (Yes, No, Cancel ends the deletion).
DriveOutcome DeleteDriveAdditions(const Services& ctx, wchar_t letter);

// "記録したファイル名情報をクリア": deletes the record after asking.
DriveOutcome ClearDriveRecord(const Services& ctx, wchar_t letter);

// The end of the program: for each drive with a record, lists what was added
// and offers to delete it, then deletes the record (also when it was damaged
// or the volume changed, after saying so).
void OfferDriveDeletionsAtEnd(const Services& ctx);

// --- the parts, for tests and other callers -----------------------------------

struct DriveAddition {
  std::wstring path;
  bool folder = false;
  std::uint64_t creation = 0;
};

struct DriveWalk {
  std::vector<DriveAddition> added;
  std::vector<std::wstring> unreadable;  // folders that could not be read now
};

// Walks the drive's recorded folders for names not in the record; status is
// the status-line word ("確認中： ").
DriveWalk FindDriveAdditions(const Services& ctx, const DriveRecord& record, const std::wstring& status);

// "●ﾌｫﾙﾀﾞｰ『path』が追加されています" or "●ﾌｧｲﾙ『path』が追加されています".
std::wstring DriveAddedLine(const DriveAddition& a);

// The messages, as shown.
std::wstring DriveRecordExistsQuestion(wchar_t letter);
std::wstring DriveRecordClearQuestion(wchar_t letter);
extern const wchar_t kNothingAdded[];

}  // namespace zel
