#include "archive/archive.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "base/cp932.h"
#include "base/text.h"

namespace zel::archive {
namespace {

std::uint32_t U16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}
std::uint32_t U32(std::string_view b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
std::uint64_t U64(std::string_view b, size_t at) { return U32(b, at) | static_cast<std::uint64_t>(U32(b, at + 4)) << 32; }

// True when [at, at + n) lies inside the buffer, without overflow.
bool Fits(std::string_view b, std::uint64_t at, std::uint64_t n) { return at <= b.size() && n <= b.size() - at; }

constexpr std::uint64_t kEpochDifference = 116444736000000000ULL;  // 1601 to 1970 in 100-ns units
constexpr std::uint64_t kTicksPerSecond = 10000000ULL;

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Names: "/" and "\" both separate; the result uses "\".
std::wstring DecodeName(std::string_view raw, bool utf8) {
  std::wstring name = utf8 ? FromUtf8(raw) : FromCp932(raw);
  for (wchar_t& c : name) {
    if (c == L'/') c = L'\\';
  }
  return name;
}

// ---------------------------------------------------------------- ZIP

constexpr std::uint32_t kZipLocal = 0x04034B50, kZipCentral = 0x02014B50, kZipEnd = 0x06054B50,
                        kZip64End = 0x06064B50, kZip64Locator = 0x07064B50;

// The end record: the last signature whose comment length reaches the end
// exactly, or failing that the last one at all (a comment cut or padded).
std::int64_t FindZipEnd(std::string_view b) {
  if (b.size() < 22) return -1;
  const size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
  std::int64_t loose = -1;
  for (size_t at = b.size() - 22 + 1; at-- > lowest;) {
    if (U32(b, at) != kZipEnd) continue;
    if (at + 22 + U16(b, at + 20) == b.size()) return static_cast<std::int64_t>(at);
    if (loose < 0) loose = static_cast<std::int64_t>(at);
  }
  return loose;
}

// Fills the fields the Zip64 extra field replaces (those stored as all ones).
bool ApplyZip64Extra(std::string_view extra, bool wantSize, bool wantPacked, bool wantOffset, Entry& e,
                     std::uint64_t& offset) {
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    const std::uint32_t id = U16(extra, at), n = U16(extra, at + 2);
    if (at + 4 + n > extra.size()) return false;
    if (id == 0x0001) {
      std::string_view f = extra.substr(at + 4, n);
      size_t p = 0;
      auto take = [&](std::uint64_t& v) {
        if (p + 8 > f.size()) return false;
        v = U64(f, p);
        p += 8;
        return true;
      };
      if (wantSize && !take(e.size)) return false;
      if (wantPacked && !take(e.packedSize)) return false;
      if (wantOffset && !take(offset)) return false;
      return true;
    }
    at += 4 + n;
  }
  return !(wantSize || wantPacked || wantOffset);
}

// The last-write time of the NTFS (0x000A) or the extended-time (0x5455)
// extra field, both UTC; 0 when neither is there.
std::uint64_t ZipExtraTime(std::string_view extra) {
  size_t at = 0;
  std::uint64_t unixTime = 0;
  while (at + 4 <= extra.size()) {
    const std::uint32_t id = U16(extra, at), n = U16(extra, at + 2);
    if (at + 4 + n > extra.size()) break;
    std::string_view f = extra.substr(at + 4, n);
    if (id == 0x000A && f.size() >= 4 + 4 + 8 && U16(f, 4) == 1 && U16(f, 6) >= 8) return U64(f, 8);
    if (id == 0x5455 && f.size() >= 5 && (f[0] & 1)) unixTime = UnixTimeToFileTime(static_cast<std::int32_t>(U32(f, 1)));
    at += 4 + n;
  }
  return unixTime;
}

Error ParseZip(std::string_view b, Listing& out) {
  const std::int64_t endAt = FindZipEnd(b);
  if (endAt < 0) return Error::NotAnArchive;
  const size_t end = static_cast<size_t>(endAt);
  std::uint64_t count = U16(b, end + 10), cdSize = U32(b, end + 12), cdOffset = U32(b, end + 16);
  // Where the directory really is: just before the end record (or the Zip64
  // one). The difference to the declared offset is a program in front.
  std::uint64_t recordAt = end;
  if (end >= 20 + 56 && U32(b, end - 20) == kZip64Locator) {
    // The Zip64 end record stands just before its locator (its declared
    // offset would be shifted by a program in front like every other one).
    const size_t at = end - 20 - 56;
    if (U32(b, at) != kZip64End) return Error::Damaged;
    count = U64(b, at + 32);
    cdSize = U64(b, at + 40);
    cdOffset = U64(b, at + 48);
    recordAt = at;
  }
  if (cdSize > recordAt) return Error::Damaged;
  const std::uint64_t cdAt = recordAt - cdSize;
  if (cdOffset > cdAt) return Error::Damaged;
  const std::uint64_t shift = cdAt - cdOffset;
  // Every central header takes at least 46 bytes: a count beyond that is a lie.
  if (count > cdSize / 46) return Error::Damaged;
  out.format = Format::Zip;
  out.entries.clear();
  out.entries.reserve(static_cast<size_t>(count));
  std::uint64_t at = cdAt;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (!Fits(b, at, 46) || U32(b, at) != kZipCentral) return Error::Damaged;
    const std::uint32_t madeBy = U16(b, at + 4), flags = U16(b, at + 8), method = U16(b, at + 10);
    const std::uint32_t nameLen = U16(b, at + 28), extraLen = U16(b, at + 30), commentLen = U16(b, at + 32);
    const std::uint32_t external = U32(b, at + 38);
    if (!Fits(b, at + 46, std::uint64_t{nameLen} + extraLen + commentLen)) return Error::Damaged;
    Entry e;
    e.rawName.assign(b.substr(at + 46, nameLen));
    const std::string_view extra = b.substr(at + 46 + nameLen, extraLen);
    e.crc = U32(b, at + 16);
    e.packedSize = U32(b, at + 20);
    e.size = U32(b, at + 24);
    std::uint64_t local = U32(b, at + 42);
    if (!ApplyZip64Extra(extra, e.size == 0xFFFFFFFF, e.packedSize == 0xFFFFFFFF, local == 0xFFFFFFFF, e, local)) {
      return Error::Damaged;
    }
    e.name = DecodeName(e.rawName, (flags & 0x800) != 0);
    e.encrypted = (flags & 1) != 0 || method == 99;
    e.link = (madeBy >> 8) == 3 && ((external >> 16) & 0170000) == 0120000;
    e.methodName = std::to_string(method);
    const bool folder = !e.rawName.empty() && (e.rawName.back() == '/' || e.rawName.back() == '\\');
    e.method = folder ? Method::Folder : method == 0 ? Method::Stored : method == 8 ? Method::Deflated : Method::Unsupported;
    if (folder && !e.name.empty()) e.name.pop_back();
    e.lastWrite = ZipExtraTime(extra);
    e.dosTime = U32(b, at + 12);  // time, then date: the date in the high half
    // The data: after the local header, whose own name and extra lengths count.
    const std::uint64_t localAt = local + shift;
    if (!Fits(b, localAt, 30) || U32(b, localAt) != kZipLocal) return Error::Damaged;
    e.dataOffset = localAt + 30 + U16(b, localAt + 26) + U16(b, localAt + 28);
    if (!e.IsFolder() && !Fits(b, e.dataOffset, e.packedSize)) return Error::Damaged;
    out.entries.push_back(std::move(e));
    at += 46 + nameLen + extraLen + commentLen;
  }
  return Error::None;
}

Error Inflate(std::string_view packed, std::uint64_t size, std::string& out) {
  out.assign(static_cast<size_t>(size), '\0');
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Error::TooLarge;
  Error result = Error::None;
  size_t inAt = 0, outAt = 0;
  constexpr size_t kStep = 1u << 30;  // zlib counts in 32 bits
  for (;;) {
    if (z.avail_in == 0 && inAt < packed.size()) {
      const size_t n = std::min(kStep, packed.size() - inAt);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + inAt));
      z.avail_in = static_cast<uInt>(n);
      inAt += n;
    }
    // One byte of room more than declared, to see data that give more.
    char spare = 0;
    const bool full = outAt == out.size();
    const size_t n = full ? 1 : std::min(kStep, out.size() - outAt);
    z.next_out = reinterpret_cast<Bytef*>(full ? &spare : out.data() + outAt);
    z.avail_out = static_cast<uInt>(n);
    const int r = inflate(&z, Z_NO_FLUSH);
    const size_t produced = n - z.avail_out;
    if (full && produced > 0) {
      result = Error::SizeMismatch;
      break;
    }
    outAt += full ? 0 : produced;
    if (r == Z_STREAM_END) {
      if (outAt != out.size()) result = Error::SizeMismatch;
      break;
    }
    if (r == Z_BUF_ERROR && z.avail_in == 0 && inAt >= packed.size()) {
      result = Error::Damaged;  // cut short
      break;
    }
    if (r != Z_OK && r != Z_BUF_ERROR) {
      result = Error::Damaged;
      break;
    }
  }
  inflateEnd(&z);
  return result;
}

// ---------------------------------------------------------------- LZH

bool IsLhMethod(std::string_view m) {
  return m.size() == 5 && m[0] == '-' && m[1] == 'l' && m[4] == '-' &&
         ((m[2] == 'h' && ((m[3] >= '0' && m[3] <= '7') || m[3] == 'd')) || (m[2] == 'z' && (m[3] == 's' || m[3] == '4' || m[3] == '5')));
}

Method LhMethod(std::string_view m) {
  if (m == "-lh0-" || m == "-lz4-") return Method::Stored;
  if (m == "-lhd-") return Method::Folder;
  if (m == "-lh4-") return Method::Lh4;
  if (m == "-lh5-") return Method::Lh5;
  if (m == "-lh6-") return Method::Lh6;
  if (m == "-lh7-") return Method::Lh7;
  return Method::Unsupported;
}

// A header of level 0, 1 or 2 at `at` whose method, level and sizes hold
// together (the search behind a program stops at the first one).
bool LooksLikeLzhHeader(std::string_view b, size_t at) {
  if (!Fits(b, at, 24) || !IsLhMethod(b.substr(at + 2, 5))) return false;
  const unsigned level = static_cast<unsigned char>(b[at + 20]);
  if (level > 2) return false;
  if (level < 2) {
    const size_t size = static_cast<unsigned char>(b[at]);
    if (size < 22 || !Fits(b, at + 2, size)) return false;
    unsigned sum = 0;
    for (size_t k = 0; k < size; ++k) sum += static_cast<unsigned char>(b[at + 2 + k]);
    return (sum & 0xFF) == static_cast<unsigned char>(b[at + 1]);
  }
  return U16(b, at) >= 26 && Fits(b, at, U16(b, at));
}

// The extended headers of levels 1 and 2, from `at` where the first one's
// size stands; sizes count their own two bytes. Gives the bytes they took.
bool ReadLzhExtensions(std::string_view b, size_t at, size_t limit, Entry& e, std::string& folder,
                       std::uint64_t& taken) {
  taken = 0;
  if (!Fits(b, at, 2)) return false;
  std::uint32_t next = U16(b, at);
  at += 2;
  taken += 2;
  while (next != 0) {
    if (next < 3 || !Fits(b, at, next) || at + next > limit) return false;
    const std::string_view h = b.substr(at, next - 2);
    const unsigned type = static_cast<unsigned char>(h[0]);
    const std::string_view data = h.substr(1);
    switch (type) {
      case 0x01: e.rawName.assign(data); break;
      case 0x02: folder.assign(data); break;
      case 0x41:
        if (data.size() >= 16) e.lastWrite = U64(data, 8);
        break;
      case 0x50:
        if (data.size() >= 2 && (U16(data, 0) & 0170000) == 0120000) e.link = true;
        break;
      case 0x42:
        if (data.size() >= 16) {
          e.packedSize = U64(data, 0);
          e.size = U64(data, 8);
        }
        break;
      default: break;
    }
    const std::uint32_t size = next;
    next = U16(b, at + size - 2);
    at += size;
    taken += size;
  }
  return true;
}

Error ParseLzh(std::string_view b, Listing& out) {
  // The first header from the start: at 0 for an archive, after the program
  // for a self-extracting one.
  size_t at = 0;
  while (at < b.size() && !LooksLikeLzhHeader(b, at)) ++at;
  if (at >= b.size()) return Error::NotAnArchive;
  out.format = Format::Lzh;
  out.entries.clear();
  while (at < b.size() && b[at] != '\0') {
    if (!Fits(b, at, 22)) return Error::Damaged;
    const unsigned level = static_cast<unsigned char>(b[at + 20]);
    Entry e;
    e.methodName.assign(b.substr(at + 2, 5));
    if (!IsLhMethod(e.methodName)) return Error::Damaged;
    e.method = LhMethod(e.methodName);
    e.packedSize = U32(b, at + 7);
    e.size = U32(b, at + 11);
    std::string folder;
    size_t dataAt = 0;
    if (level == 0 || level == 1) {
      const size_t size = static_cast<unsigned char>(b[at]);
      if (!LooksLikeLzhHeader(b, at)) return Error::Damaged;
      const size_t nameLen = static_cast<unsigned char>(b[at + 21]);
      const size_t headerEnd = at + 2 + size;
      if (22 + nameLen + 2 > size + 2) return Error::Damaged;
      e.rawName.assign(b.substr(at + 22, nameLen));
      e.crc = U16(b, at + 22 + nameLen);
      e.dosTime = U32(b, at + 15);
      dataAt = headerEnd;
      if (level == 1) {
        // The basic header ends with the OS byte and the first extension's
        // size; the extensions' bytes count in the packed size.
        if (headerEnd < at + 22 + nameLen + 5) return Error::Damaged;
        std::uint64_t taken = 0;
        if (!ReadLzhExtensions(b, headerEnd - 2, b.size(), e, folder, taken)) return Error::Damaged;
        dataAt = headerEnd - 2 + taken;
        const std::uint64_t extensions = taken - 2;
        if (e.packedSize < extensions) return Error::Damaged;
        e.packedSize -= extensions;
      }
    } else if (level == 2) {
      const size_t size = U16(b, at);
      if (size < 26 || !Fits(b, at, size)) return Error::Damaged;
      e.lastWrite = UnixTimeToFileTime(static_cast<std::int32_t>(U32(b, at + 15)));
      e.crc = U16(b, at + 21);
      std::uint64_t taken = 0;
      if (!ReadLzhExtensions(b, at + 24, at + size, e, folder, taken)) return Error::Damaged;
      dataAt = at + size;
    } else {
      return Error::Unsupported;
    }
    if (!folder.empty()) {
      for (char& c : folder) {
        if (c == '\xFF') c = '\\';
      }
      if (folder.back() != '\\') folder += '\\';
      e.rawName = folder + e.rawName;
    }
    if (!Fits(b, dataAt, e.packedSize)) return Error::Damaged;
    e.dataOffset = dataAt;
    // A symbolic link keeps its target after "|" in the name.
    if (e.rawName.find('|') != std::string::npos) e.link = true;
    e.name = DecodeName(e.rawName, false);
    while (!e.name.empty() && e.name.back() == L'\\') e.name.pop_back();
    at = static_cast<size_t>(dataAt + e.packedSize);
    out.entries.push_back(std::move(e));
  }
  if (at >= b.size()) return Error::Damaged;  // no end mark: cut short
  return Error::None;
}

}  // namespace

Error ListZip(std::string_view bytes, Listing& out) {
  try {
    return ParseZip(bytes, out);
  } catch (const std::bad_alloc&) {
    return Error::TooLarge;
  }
}

Error ListLzh(std::string_view bytes, Listing& out) {
  try {
    return ParseLzh(bytes, out);
  } catch (const std::bad_alloc&) {
    return Error::TooLarge;
  }
}

Error ListArchive(std::string_view bytes, Listing& out) {
  Error zip = ListZip(bytes, out);
  if (zip != Error::NotAnArchive) return zip;
  return ListLzh(bytes, out);
}

std::uint32_t Crc32(std::string_view data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  size_t at = 0;
  while (at < data.size()) {
    const size_t n = std::min<size_t>(data.size() - at, 1u << 30);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + at), static_cast<uInt>(n));
    at += n;
  }
  return static_cast<std::uint32_t>(crc);
}

Error ReadEntry(std::string_view bytes, Format format, const Entry& entry, std::string& out) {
  out.clear();
  if (entry.IsFolder()) return Error::None;
  if (entry.encrypted) return Error::Encrypted;
  if (entry.method == Method::Unsupported) return Error::Unsupported;
  if (!Fits(bytes, entry.dataOffset, entry.packedSize)) return Error::Damaged;
  if (entry.size > out.max_size() / 2) return Error::TooLarge;
  const std::string_view packed = bytes.substr(static_cast<size_t>(entry.dataOffset), static_cast<size_t>(entry.packedSize));
  Error e = Error::None;
  try {
    switch (entry.method) {
      case Method::Stored:
        if (packed.size() != entry.size) return Error::SizeMismatch;
        out.assign(packed);
        break;
      case Method::Deflated: e = Inflate(packed, entry.size, out); break;
      case Method::Lh4: e = DecodeLh(packed, 12, entry.size, out); break;
      case Method::Lh5: e = DecodeLh(packed, 13, entry.size, out); break;
      case Method::Lh6: e = DecodeLh(packed, 15, entry.size, out); break;
      case Method::Lh7: e = DecodeLh(packed, 16, entry.size, out); break;
      default: return Error::Unsupported;
    }
  } catch (const std::bad_alloc&) {
    out.clear();
    return Error::TooLarge;
  }
  if (e != Error::None) {
    out.clear();
    return e;
  }
  const bool crcOk = format == Format::Zip ? Crc32(out) == entry.crc : Crc16(out) == entry.crc;
  if (!crcOk) {
    out.clear();
    return Error::CrcMismatch;
  }
  return Error::None;
}

std::uint64_t DosTimeToFileTime(std::uint32_t dosTime) {
  const int year = 1980 + static_cast<int>(dosTime >> 25), month = static_cast<int>((dosTime >> 21) & 15),
            day = static_cast<int>((dosTime >> 16) & 31), hour = static_cast<int>((dosTime >> 11) & 31),
            minute = static_cast<int>((dosTime >> 5) & 63), second = static_cast<int>(dosTime & 31) * 2;
  return CalendarToFileTime(year, month, day, hour, minute, second);
}

std::uint64_t CalendarToFileTime(int year, int month, int day, int hour, int minute, int second) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    return 0;
  }
  return UnixTimeToFileTime(DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second);
}

std::uint64_t UnixTimeToFileTime(std::int64_t seconds) {
  if (seconds <= 0) return 0;
  return kEpochDifference + static_cast<std::uint64_t>(seconds) * kTicksPerSecond;
}

}  // namespace zel::archive
