// Reading ZIP and LZH archives held in memory: the entry list from the
// headers, and one entry's data, decompressed and checked against its
// declared size and checksum. Everything read is hostile input: every offset
// and length is checked against the bytes there are, and a failure is an
// error result, never a crash or a read outside the buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel::archive {

enum class Format { None, Zip, Lzh };

enum class Method {
  Stored,    // ZIP 0, "-lh0-"
  Deflated,  // ZIP 8
  Lh4,
  Lh5,
  Lh6,
  Lh7,
  Folder,       // "-lhd-", or a ZIP name ending in "/"
  Unsupported,  // any other; methodName says which
};

struct Entry {
  std::string rawName;  // the name's bytes as stored ("/" separators for ZIP, "\" or 0xFF for LZH)
  std::wstring name;    // decoded (UTF-8 or code page 932), "\" separators, as stored otherwise
  std::string methodName;  // "8" or "-lh5-", for messages
  Method method = Method::Stored;
  bool encrypted = false;
  bool link = false;  // a symbolic link entry
  std::uint64_t size = 0;         // declared size when expanded
  std::uint64_t packedSize = 0;   // bytes of data in the archive
  std::uint64_t dataOffset = 0;   // where the data begin in the buffer
  std::uint32_t crc = 0;          // CRC-32 (ZIP) or CRC-16 (LZH)
  bool hasCrc = true;
  std::uint64_t lastWrite = 0;    // UTC file time when the archive gives one, else 0
  // An MS-DOS date and time (local time) when that is all the archive gives;
  // lastWrite is then 0 and the caller converts with the machine's time zone.
  std::uint32_t dosTime = 0;
  bool IsFolder() const { return method == Method::Folder; }
};

struct Listing {
  Format format = Format::None;
  std::vector<Entry> entries;
};

enum class Error {
  None,
  NotAnArchive,  // no header of the kind was found
  Damaged,       // a header or the data do not hold together
  Encrypted,
  Unsupported,   // a method this reader has no decoder for
  SizeMismatch,  // the data give more or fewer bytes than declared
  CrcMismatch,
  TooLarge,      // the declared size cannot be held in memory
};

// ZIP from its central directory: also behind a program (offsets counting
// from the program's start or from the archive's), Zip64 records, and names
// in UTF-8 (flag bit 11) or code page 932.
Error ListZip(std::string_view bytes, Listing& out);
// LZH with header levels 0, 1 and 2: the first header found from the start,
// also behind a program; code page 932 names.
Error ListLzh(std::string_view bytes, Listing& out);
// By the content: ZIP when a ZIP end record is found, else LZH.
Error ListArchive(std::string_view bytes, Listing& out);

// The entry's expanded data into out (replaced), checked against the declared
// size and checksum. A folder gives nothing.
Error ReadEntry(std::string_view bytes, Format format, const Entry& entry, std::string& out);

// The decoders, exposed for their tests.
std::uint16_t Crc16(std::string_view data, std::uint16_t crc = 0);
std::uint32_t Crc32(std::string_view data);
// "-lh4-" to "-lh7-" data: dictionaryBits 12, 13, 15, 16. Gives exactly size
// bytes or fails (Damaged).
Error DecodeLh(std::string_view packed, int dictionaryBits, std::uint64_t size, std::string& out);

// An MS-DOS date and time (date in the high 16 bits) as a file time of the
// same calendar reading; 0 when the fields are not a date.
std::uint64_t DosTimeToFileTime(std::uint32_t dosTime);
// A calendar reading as a file time; 0 when it is not a date after 1970.
std::uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second);
// Seconds since 1970 (UTC) as a file time.
std::uint64_t UnixTimeToFileTime(std::int64_t seconds);

}  // namespace zel::archive
