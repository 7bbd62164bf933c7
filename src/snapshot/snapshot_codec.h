// The bytes of the snapshot's two files, with no file access, so that both
// directions can be tested and fuzzed on their own.
//
// Zel32.dat keeps its fixed layout: a drive block of 26 slots of 12
// characters, a header of 1024 characters with the upper-case hexadecimal
// lengths of the texts, then the texts back to back (code page 932 bytes;
// lengths count bytes). Its header has room for 94 main-folder lengths.
//
// Zel32.dat has no room for the rest, which the record beside it
// (Zel32.ext) holds: the kind and path of every main folder, the lists past
// the 94th, the "listing failed" marks, the volumes of the drives, the exact
// free space, the time of the snapshot, the lossy names, the hive times and
// the size and check sum of the Zel32.dat it belongs to. Its layout:
//
//   "Zel32 snapshot record 1" CR LF
//   then fields, each TAG + " " + 8 upper-case hex digits (payload length)
//   + ":" + payload + CR LF, and last "END " + the check sum of every byte
//   before this last line (16 hex digits) + CR LF.
//
// Both decoders check every length against what is left before taking it,
// parse numbers strictly and refuse anything they would not have written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "snapshot/snapshot.h"

namespace zel {

constexpr size_t kDriveSlotSize = 12;
constexpr size_t kDriveBlockSize = 26 * kDriveSlotSize;  // 312
constexpr size_t kHeaderSize = 1024;
constexpr size_t kDataOffset = kDriveBlockSize + kHeaderSize;  // 1336
// 263 + 8 * 94 + 8 = 1023: the last count that leaves the deeper-folder
// length inside the header.
constexpr size_t kHeaderMainLists = 94;

// The first line of the record.
extern const char kRecordMagic[];

// The check sum of both files: XXH64 with seed 0.
std::uint64_t Hash64(std::string_view bytes);

// The text of a drive slot: decimal with one leading blank, at most 12
// characters. A 12-digit amount drops the blank; a larger one is capped at
// 999999999999 (the record keeps the exact amount).
std::string DriveSlotText(std::uint64_t freeBytes);

// Zel32.dat of snap. False when a text is longer than its 8-digit length field
// can say (4 GB), which no listing reaches.
bool EncodeSnapshotData(const Snapshot& snap, std::string& out);
// The record that belongs to the Zel32.dat bytes data.
std::string EncodeSnapshotRecord(const Snapshot& snap, std::string_view data);

// Reads Zel32.dat into snap: the texts, the CheckLevel and the drive slots.
// The main-folder lists get no entries (their paths are in the record).
bool DecodeSnapshotData(std::string_view data, Snapshot& snap);

// The size and check sum of the Zel32.dat a record was written with.
struct DataStamp {
  std::uint64_t size = 0;
  std::uint64_t sum = 0;
};

// Applies the fields of a record's body (its lines between the first line and
// the END line) to snap, which holds what DecodeSnapshotData read. Checks
// that the record names one path per main-folder list.
bool ApplySnapshotRecord(std::string_view body, Snapshot& snap, DataStamp& stamp);

// Both files: false when either is damaged or they do not belong together.
// snap is only changed on success. The second form takes over data's buffer
// for the largest text (the loader's way, to keep memory low).
bool DecodeSnapshot(std::string_view data, std::string_view record, Snapshot& snap);
bool DecodeSnapshot(std::string&& data, std::string_view record, Snapshot& snap);

// Wide text to UTF-8 and back, losslessly: an unpaired surrogate of a name
// is kept as its own three-byte form (the generalised UTF-8 known as WTF-8).
// The decoder refuses anything malformed.
std::string WideToRecordText(std::wstring_view text);
bool RecordTextToWide(std::string_view bytes, std::wstring& out);

}  // namespace zel
