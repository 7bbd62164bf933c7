// The record of a drive's names that drive protection keeps, "DrvList." + the
// drive letter in the work folder: the volume it was taken on, when it was
// taken, and for every folder that could be read the exact names it held.
//
// The file is a series of fields, each a tag, a blank, the payload's length
// in 8 hexadecimal digits, ":", the payload and CR LF:
//
//   Zel32 drive record 1
//   DRIVE 00000001:C
//   VOLUME 00000014:0000ABCD 42949672960      serial (8 hex), total bytes
//   TIME 00000010:01D0000000000123            when the walk began (file time)
//   FOLDER 00000000:                          the root, then its names
//   DIR 00000007:WINDOWS
//   FILE 00000008:boot.ini
//   FOLDER 00000007:WINDOWS                   a folder's path from the root
//   ...
//   END 9F0C...                               XXH64 of every byte before it
//
// Names and paths are WTF-8, so every name the platform reports, including
// names outside code page 932, is kept exactly. A folder whose names were
// recorded has its own FOLDER field; a folder named by a DIR field without one
// was never read (a link, the program's own folders, the system's recycle and
// restore folders, a folder whose listing failed): nothing inside it is ever
// taken for an addition. Anything unexpected — an unknown or repeated tag, a
// length past the end, malformed WTF-8, a FOLDER not announced by its parent,
// a wrong sum, bytes after END — makes the record damaged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "platform/filesystem.h"

namespace zel {

extern const char kDriveRecordMagic[];

// What a check needs of a record, keyed by upper-cased paths from the root
// ("WINDOWS\SYSTEM32"): names that change only in letter case are the same.
struct DriveRecord {
  wchar_t letter = L'C';
  VolumeId volume;
  std::uint64_t takenAt = 0;
  std::unordered_set<std::wstring> known;   // every recorded name
  std::unordered_set<std::wstring> listed;  // the folders whose names were recorded ("" is the root)
  std::uint64_t files = 0, folders = 0;
};

// Writes the fields one after another; Finish adds the END line.
class DriveRecordWriter {
 public:
  DriveRecordWriter(wchar_t letter, const VolumeId& volume, std::uint64_t takenAt);
  // Starts the names of a folder (relative path from the root, "" for it).
  void Folder(std::wstring_view relative);
  void Name(std::wstring_view name, bool folder);
  std::string Finish();
  size_t Size() const { return out_.size(); }

 private:
  void Field(std::string_view tag, std::string_view payload);
  std::string out_;
};

// False when the bytes are damaged or belong to another drive letter.
bool DecodeDriveRecord(std::string_view bytes, wchar_t letter, DriveRecord& record);

}  // namespace zel
