#include "snapshot/snapshot_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/text.h"

namespace zel {

const char kRecordMagic[] = "Zel32 snapshot record 1";

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::uint64_t kMaxTextLength = 0xFFFFFFFFULL;
constexpr std::uint64_t kSlotCap = 999999999999ULL;
constexpr size_t kMaxTag = 10;
constexpr std::string_view kEndTag = "END ";
constexpr size_t kEndLineSize = 4 + 16 + 2;  // "END " + 16 digits + CR LF

// Header positions (0-based) of the fields.
constexpr size_t kWindowsAt = 0;
constexpr size_t kSystemAt = 8;
constexpr size_t kRootsAt = 48;
constexpr size_t kLevelAt = 256;
constexpr size_t kCountAt = 258;
constexpr size_t kMainAt = 262;

// ---------------------------------------------------------------------------
// The check sum: XXH64 with seed 0, eight bytes per step in four lanes. The
// snapshot of a large tree is several megabytes, and the sum must cost far
// less than writing or reading them.

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;

// Little-endian loads, which the sum is defined by; every machine the program
// runs on is little-endian, and so is the host of the unit tests.
static_assert(std::endian::native == std::endian::little);

std::uint64_t Load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t Load32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint64_t Rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

std::uint64_t Round(std::uint64_t acc, std::uint64_t input) { return Rotl(acc + input * kPrime2, 31) * kPrime1; }

std::uint64_t Merge(std::uint64_t acc, std::uint64_t lane) { return (acc ^ Round(0, lane)) * kPrime1 + kPrime4; }

// ---------------------------------------------------------------------------
// Numbers: written upper-case and zero-padded, read back only in that form.

void PutHex(char* at, std::uint64_t value, size_t width) {
  for (size_t i = width; i-- > 0;) {
    at[i] = kHexDigits[value & 0xF];
    value >>= 4;
  }
}

std::string HexText(std::uint64_t value, size_t width) {
  std::string s(width, '0');
  PutHex(s.data(), value, width);
  return s;
}

bool ReadHex(std::string_view field, std::uint64_t& value) {
  if (field.empty() || field.size() > 16) return false;
  std::uint64_t v = 0;
  for (char c : field) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  value = v;
  return true;
}

// A slot as written: an optional blank, digits, blanks to the end; or all
// blanks (a slot never written).
bool ReadSlot(std::string_view slot, std::uint64_t& value) {
  size_t i = 0;
  if (i < slot.size() && slot[i] == ' ') ++i;
  std::uint64_t v = 0;
  size_t digits = 0;
  while (i < slot.size() && slot[i] >= '0' && slot[i] <= '9') {
    v = v * 10 + static_cast<std::uint64_t>(slot[i] - '0');
    ++digits;
    ++i;
  }
  for (; i < slot.size(); ++i) {
    if (slot[i] != ' ') return false;
  }
  value = digits ? v : 0;
  return true;
}

// ---------------------------------------------------------------------------
// The record's fields.

void Field(std::string& out, std::string_view tag, std::string_view payload) {
  out += tag;
  out += ' ';
  out += HexText(payload.size(), 8);
  out += ':';
  out += payload;
  out += "\r\n";
}

std::string LetterText(int drive) { return std::string(1, static_cast<char>('A' + drive)); }

// "X" + " " + digits: a drive letter with one number.
bool ReadLetterAndHex(std::string_view payload, size_t width, int& drive, std::uint64_t& value) {
  if (payload.size() != 2 + width || payload[1] != ' ') return false;
  if (payload[0] < 'A' || payload[0] > 'Z') return false;
  drive = payload[0] - 'A';
  return ReadHex(payload.substr(2), value);
}

// A main-folder entry: kind digit 0 to 2 and an absolute path, on a drive
// ("X:\...") or on a share ("\\server\...", where a documents folder may be
// redirected), never a device path ("\\?\", "\\.\").
bool ValidEntry(const std::wstring& entry) {
  if (entry.size() < 4 || entry[0] < L'0' || entry[0] > L'2') return false;
  const wchar_t letter = UpperChar(entry[1]);
  if (letter >= L'A' && letter <= L'Z') return entry[2] == L':' && entry[3] == L'\\';
  return entry[1] == L'\\' && entry[2] == L'\\' && entry[3] != L'?' && entry[3] != L'.' && entry[3] != L'\\';
}

enum Seen : unsigned {
  kSeenDat = 1u << 0,
  kSeenTime = 1u << 1,
  kSeenDate = 1u << 2,
  kSeenUnentered = 1u << 3,
  kSeenHives = 1u << 4,
  kSeenExport = 1u << 5,
  kRequired = kSeenDat | kSeenTime | kSeenDate | kSeenUnentered | kSeenHives,
};

struct RecordReader {
  RecordReader(Snapshot& s, DataStamp& d) : snap(s), stamp(d) {}
  Snapshot& snap;
  DataStamp& stamp;
  unsigned seen = 0;
  std::uint32_t freeSeen = 0, volumeSeen = 0;
  std::vector<std::wstring> entries;
  std::vector<std::string_view> extras;
  std::vector<std::uint64_t> failedMain;
  std::vector<std::uint64_t> linkedMain;

  bool Once(unsigned flag) {
    if (seen & flag) return false;
    seen |= flag;
    return true;
  }

  static bool OnceForDrive(std::uint32_t& mask, int drive) {
    if (mask & (1u << drive)) return false;
    mask |= 1u << drive;
    return true;
  }

  bool Failed(std::string_view what) {
    if (what == "WINDOWS") return !std::exchange(snap.windows.failed, true);
    if (what == "DEEPER") return !std::exchange(snap.deeper.failed, true);
    if (what.size() == 8 && what.substr(0, 7) == "SYSTEM " && what[7] >= '0' && what[7] <= '4') {
      return !std::exchange(snap.system[what[7] - '0'].failed, true);
    }
    if (what.size() == 6 && what.substr(0, 5) == "ROOT " && what[5] >= 'A' && what[5] <= 'Z') {
      return !std::exchange(snap.driveRootFailed[what[5] - 'A'], true);
    }
    std::uint64_t index;
    if (what.size() == 9 && what.substr(0, 5) == "MAIN " && ReadHex(what.substr(5), index)) {
      failedMain.push_back(index);
      return true;
    }
    return false;
  }

  // The lists whose folder was itself a link when it was listed.
  bool Linked(std::string_view what) {
    if (what == "WINDOWS") return !std::exchange(snap.windows.link, true);
    if (what.size() == 8 && what.substr(0, 7) == "SYSTEM " && what[7] >= '0' && what[7] <= '4') {
      return !std::exchange(snap.system[what[7] - '0'].link, true);
    }
    std::uint64_t index;
    if (what.size() == 9 && what.substr(0, 5) == "MAIN " && ReadHex(what.substr(5), index)) {
      linkedMain.push_back(index);
      return true;
    }
    return false;
  }

  bool Apply(std::string_view tag, std::string_view payload) {
    std::uint64_t a, b;
    int drive;
    if (tag == "DAT") {
      if (!Once(kSeenDat) || payload.size() != 33 || payload[16] != ' ') return false;
      if (!ReadHex(payload.substr(0, 16), a) || !ReadHex(payload.substr(17), b)) return false;
      stamp.size = a;
      stamp.sum = b;
      return true;
    }
    if (tag == "TIME") return Once(kSeenTime) && payload.size() == 16 && ReadHex(payload, snap.takenAt);
    if (tag == "DATE") return Once(kSeenDate) && payload.size() <= 64 && RecordTextToWide(payload, snap.date);
    if (tag == "FREE") {
      if (!ReadLetterAndHex(payload, 16, drive, a) || !OnceForDrive(freeSeen, drive)) return false;
      snap.freeSpace[drive] = a;
      return true;
    }
    if (tag == "VOLUME") {
      if (payload.size() != 2 + 8 + 1 + 16 || payload[10] != ' ') return false;
      if (!ReadLetterAndHex(payload.substr(0, 10), 8, drive, a) || !ReadHex(payload.substr(11), b)) return false;
      if (!OnceForDrive(volumeSeen, drive)) return false;
      snap.volumes[drive] = VolumeId{static_cast<std::uint32_t>(a), b};
      return true;
    }
    if (tag == "FAILED") return Failed(payload);
    if (tag == "LINK") return Linked(payload);
    if (tag == "UNENTERED") {
      if (!Once(kSeenUnentered) || payload.empty() || payload[0] != '|') return false;
      snap.deeper.unentered.assign(payload);
      return true;
    }
    if (tag == "MAIN") {
      std::wstring entry;
      if (!RecordTextToWide(payload, entry) || !ValidEntry(entry)) return false;
      entries.push_back(std::move(entry));
      return true;
    }
    if (tag == "EXTRA") {
      extras.push_back(payload);
      return true;
    }
    if (tag == "LOSSY") {
      std::wstring path;
      if (!RecordTextToWide(payload, path) || path.empty()) return false;
      snap.lossyPaths.push_back(std::move(path));
      return true;
    }
    if (tag == "HIVES") {
      if (!Once(kSeenHives) || payload.size() != 33 || payload[16] != ' ') return false;
      return ReadHex(payload.substr(0, 16), snap.userHiveTime) && ReadHex(payload.substr(17), snap.systemHiveTime);
    }
    if (tag == "EXPORT") {
      if (!Once(kSeenExport) || !payload.empty()) return false;
      snap.uninstallExported = true;
      return true;
    }
    return false;  // a field this program never writes
  }

  // Pairs the paths with the lists: one path per list, in the saved order.
  bool Finish() {
    if ((seen & kRequired) != kRequired) return false;
    const size_t headerLists = snap.main.size();
    if (!extras.empty() && headerLists != kHeaderMainLists) return false;
    if (entries.size() != headerLists + extras.size()) return false;
    for (std::string_view text : extras) {
      MainFolderListing listing;
      listing.list.text.assign(text);
      snap.main.push_back(std::move(listing));
    }
    std::unordered_set<std::wstring> paths;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!paths.insert(ToUpper(std::wstring_view(entries[i]).substr(1))).second) return false;  // two lists, one folder
      snap.main[i].entry = std::move(entries[i]);
    }
    for (std::uint64_t index : failedMain) {
      if (index >= snap.main.size()) return false;
      snap.main[index].list.failed = true;
    }
    for (std::uint64_t index : linkedMain) {
      if (index >= snap.main.size() || std::exchange(snap.main[index].list.link, true)) return false;
    }
    return true;
  }
};

}  // namespace

std::uint64_t Hash64(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  const unsigned char* const end = p + n;
  std::uint64_t h;
  if (n >= 32) {
    std::uint64_t v1 = kPrime1 + kPrime2, v2 = kPrime2, v3 = 0, v4 = 0 - kPrime1;
    for (const unsigned char* const last = end - 32; p <= last; p += 32) {
      v1 = Round(v1, Load64(p));
      v2 = Round(v2, Load64(p + 8));
      v3 = Round(v3, Load64(p + 16));
      v4 = Round(v4, Load64(p + 24));
    }
    h = Rotl(v1, 1) + Rotl(v2, 7) + Rotl(v3, 12) + Rotl(v4, 18);
    h = Merge(Merge(Merge(Merge(h, v1), v2), v3), v4);
  } else {
    h = kPrime5;
  }
  h += n;
  for (; end - p >= 8; p += 8) h = Rotl(h ^ Round(0, Load64(p)), 27) * kPrime1 + kPrime4;
  if (end - p >= 4) {
    h = Rotl(h ^ (Load32(p) * kPrime1), 23) * kPrime2 + kPrime3;
    p += 4;
  }
  for (; p < end; ++p) h = Rotl(h ^ (*p * kPrime5), 11) * kPrime1;
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  h ^= h >> 32;
  return h;
}

std::string DriveSlotText(std::uint64_t freeBytes) {
  if (freeBytes > kSlotCap) freeBytes = kSlotCap;
  std::string digits = std::to_string(freeBytes);
  return digits.size() < kDriveSlotSize ? " " + digits : digits;
}

bool EncodeSnapshotData(const Snapshot& snap, std::string& out) {
  const size_t lists = std::min(snap.main.size(), kHeaderMainLists);
  if (snap.checkLevel < 0 || snap.checkLevel > 2) return false;
  std::vector<std::string_view> texts;
  texts.reserve(1 + 5 + 26 + lists + 1);
  texts.push_back(snap.windows.text);
  for (const FileList& s : snap.system) texts.push_back(s.text);
  for (const std::string& r : snap.driveRoots) texts.push_back(r);
  for (size_t i = 0; i < lists; ++i) texts.push_back(snap.main[i].list.text);
  texts.push_back(snap.deeper.text);
  std::uint64_t total = kDataOffset;
  for (std::string_view t : texts) {
    if (t.size() > kMaxTextLength) return false;
    total += t.size();
  }

  out.clear();
  out.reserve(static_cast<size_t>(total));
  out.assign(kDriveBlockSize, ' ');
  for (int i = 0; i < 26; ++i) {
    std::string slot = DriveSlotText(snap.freeSpace[i]);
    out.replace(kDriveSlotSize * i, slot.size(), slot);
  }
  out.append(kHeaderSize, '\0');
  char* header = out.data() + kDriveBlockSize;
  size_t field = 0;
  auto putLength = [&](size_t at) { PutHex(header + at, texts[field++].size(), 8); };
  putLength(kWindowsAt);
  for (size_t i = 0; i < 5; ++i) putLength(kSystemAt + 8 * i);
  for (size_t i = 0; i < 26; ++i) putLength(kRootsAt + 8 * i);
  PutHex(header + kLevelAt, static_cast<std::uint64_t>(snap.checkLevel), 2);
  PutHex(header + kCountAt, lists, 4);
  for (size_t i = 0; i < lists; ++i) putLength(kMainAt + 8 * i);
  putLength(kMainAt + 8 * lists);
  for (std::string_view t : texts) out.append(t);
  return true;
}

std::string EncodeSnapshotRecord(const Snapshot& snap, std::string_view data) {
  std::string out = kRecordMagic;
  out += "\r\n";
  Field(out, "DAT", HexText(data.size(), 16) + " " + HexText(Hash64(data), 16));
  Field(out, "TIME", HexText(snap.takenAt, 16));
  Field(out, "DATE", WideToRecordText(snap.date));
  for (int i = 0; i < 26; ++i) {
    if (snap.freeSpace[i]) Field(out, "FREE", LetterText(i) + " " + HexText(snap.freeSpace[i], 16));
  }
  for (int i = 0; i < 26; ++i) {
    const std::optional<VolumeId>& v = snap.volumes[i];
    if (v) Field(out, "VOLUME", LetterText(i) + " " + HexText(v->serial, 8) + " " + HexText(v->totalBytes, 16));
  }
  if (snap.windows.failed) Field(out, "FAILED", "WINDOWS");
  for (size_t i = 0; i < snap.system.size(); ++i) {
    if (snap.system[i].failed) Field(out, "FAILED", "SYSTEM " + std::to_string(i));
  }
  for (int i = 0; i < 26; ++i) {
    if (snap.driveRootFailed[i]) Field(out, "FAILED", "ROOT " + LetterText(i));
  }
  for (size_t i = 0; i < snap.main.size(); ++i) {
    if (snap.main[i].list.failed) Field(out, "FAILED", "MAIN " + HexText(i, 4));
  }
  if (snap.deeper.failed) Field(out, "FAILED", "DEEPER");
  if (snap.windows.link) Field(out, "LINK", "WINDOWS");
  for (size_t i = 0; i < snap.system.size(); ++i) {
    if (snap.system[i].link) Field(out, "LINK", "SYSTEM " + std::to_string(i));
  }
  for (size_t i = 0; i < snap.main.size(); ++i) {
    if (snap.main[i].list.link) Field(out, "LINK", "MAIN " + HexText(i, 4));
  }
  Field(out, "UNENTERED", snap.deeper.unentered.empty() ? std::string_view("|") : snap.deeper.unentered);
  for (const MainFolderListing& m : snap.main) Field(out, "MAIN", WideToRecordText(m.entry));
  for (size_t i = kHeaderMainLists; i < snap.main.size(); ++i) Field(out, "EXTRA", snap.main[i].list.text);
  for (const std::wstring& path : snap.lossyPaths) Field(out, "LOSSY", WideToRecordText(path));
  Field(out, "HIVES", HexText(snap.userHiveTime, 16) + " " + HexText(snap.systemHiveTime, 16));
  if (snap.uninstallExported) Field(out, "EXPORT", "");
  const std::uint64_t sum = Hash64(out);
  out += kEndTag;
  out += HexText(sum, 16);
  out += "\r\n";
  return out;
}

namespace {

// Reads Zel32.dat from data, or from *owned (then data views it) so that the
// largest text can take over the file's buffer instead of being copied: a
// load then needs little more memory than the file itself.
bool DecodeData(std::string_view data, std::string* owned, Snapshot& snap) {
  if (data.size() < kDataOffset) return false;
  for (size_t i = 0; i < 26; ++i) {
    if (!ReadSlot(data.substr(kDriveSlotSize * i, kDriveSlotSize), snap.freeSpace[i])) return false;
  }
  const std::string_view header = data.substr(kDriveBlockSize, kHeaderSize);
  std::uint64_t level, count;
  if (!ReadHex(header.substr(kLevelAt, 2), level) || level > 2) return false;
  if (!ReadHex(header.substr(kCountAt, 4), count) || count > kHeaderMainLists) return false;
  const size_t deeperAt = kMainAt + 8 * count;
  for (size_t i = deeperAt + 8; i < kHeaderSize; ++i) {
    if (header[i] != '\0') return false;
  }

  // Every length is read and summed before any text is taken: the sum must be
  // exactly what follows the header.
  std::vector<std::uint64_t> lengths;
  lengths.reserve(1 + 5 + 26 + count + 1);
  auto readLength = [&](size_t at) {
    std::uint64_t n;
    if (!ReadHex(header.substr(at, 8), n)) return false;
    lengths.push_back(n);
    return true;
  };
  bool ok = readLength(kWindowsAt);
  for (size_t i = 0; ok && i < 5; ++i) ok = readLength(kSystemAt + 8 * i);
  for (size_t i = 0; ok && i < 26; ++i) ok = readLength(kRootsAt + 8 * i);
  for (size_t i = 0; ok && i < count; ++i) ok = readLength(kMainAt + 8 * i);
  if (!ok || !readLength(deeperAt)) return false;
  std::uint64_t sum = 0;
  for (std::uint64_t n : lengths) sum += n;  // at most 133 x 2^32: no overflow
  if (sum != data.size() - kDataOffset) return false;

  snap.checkLevel = static_cast<int>(level);
  snap.deeper.level = snap.checkLevel;
  snap.main.assign(static_cast<size_t>(count), MainFolderListing());
  std::vector<std::string*> texts;
  texts.reserve(lengths.size());
  texts.push_back(&snap.windows.text);
  for (FileList& f : snap.system) texts.push_back(&f.text);
  for (std::string& r : snap.driveRoots) texts.push_back(&r);
  for (MainFolderListing& m : snap.main) texts.push_back(&m.list.text);
  texts.push_back(&snap.deeper.text);

  const size_t largest = static_cast<size_t>(std::max_element(lengths.begin(), lengths.end()) - lengths.begin());
  size_t pos = kDataOffset, largestAt = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    const size_t n = static_cast<size_t>(lengths[i]);
    if (owned && i == largest) largestAt = pos;
    else texts[i]->assign(data.substr(pos, n));
    pos += n;
  }
  if (owned) {
    std::string& into = *texts[largest];
    const size_t n = static_cast<size_t>(lengths[largest]);
    into = std::move(*owned);  // data is not looked at after this
    into.erase(0, largestAt);
    into.resize(n);
    if (into.capacity() - n > n / 4) into.shrink_to_fit();  // the rest of the file was large
  }
  return true;
}

bool DecodeBoth(std::string_view data, std::string* owned, std::string_view record, Snapshot& snap) {
  const std::string_view magic = kRecordMagic;
  const size_t start = magic.size() + 2;
  if (record.size() < start + kEndLineSize) return false;
  if (record.substr(0, magic.size()) != magic || record.substr(magic.size(), 2) != "\r\n") return false;
  const size_t endAt = record.size() - kEndLineSize;
  std::uint64_t sum;
  if (record.substr(endAt, kEndTag.size()) != kEndTag || record.substr(record.size() - 2) != "\r\n") return false;
  if (!ReadHex(record.substr(endAt + kEndTag.size(), 16), sum)) return false;
  if (Hash64(record.substr(0, endAt)) != sum) return false;

  // The data's own sum first: decoding may take over its buffer.
  const DataStamp actual{data.size(), Hash64(data)};
  Snapshot loaded;
  DataStamp stamp;
  if (!DecodeData(data, owned, loaded)) return false;
  if (!ApplySnapshotRecord(record.substr(start, endAt - start), loaded, stamp)) return false;
  if (stamp.size != actual.size || stamp.sum != actual.sum) return false;
  snap = std::move(loaded);
  return true;
}

}  // namespace

bool DecodeSnapshotData(std::string_view data, Snapshot& snap) { return DecodeData(data, nullptr, snap); }

bool ApplySnapshotRecord(std::string_view body, Snapshot& snap, DataStamp& stamp) {
  if (snap.main.size() > kHeaderMainLists) return false;
  RecordReader reader(snap, stamp);
  while (!body.empty()) {
    size_t blank = body.substr(0, kMaxTag + 1).find(' ');
    if (blank == std::string_view::npos || blank == 0) return false;
    std::string_view tag = body.substr(0, blank);
    for (char c : tag) {
      if (c < 'A' || c > 'Z') return false;
    }
    body.remove_prefix(blank + 1);
    std::uint64_t length;
    if (body.size() < 9 || body[8] != ':' || !ReadHex(body.substr(0, 8), length)) return false;
    body.remove_prefix(9);
    if (length > body.size() || body.size() - length < 2) return false;
    std::string_view payload = body.substr(0, static_cast<size_t>(length));
    body.remove_prefix(static_cast<size_t>(length));
    if (body.substr(0, 2) != "\r\n") return false;
    body.remove_prefix(2);
    if (!reader.Apply(tag, payload)) return false;
  }
  return reader.Finish();
}

bool DecodeSnapshot(std::string_view data, std::string_view record, Snapshot& snap) {
  return DecodeBoth(data, nullptr, record, snap);
}

bool DecodeSnapshot(std::string&& data, std::string_view record, Snapshot& snap) {
  return DecodeBoth(data, &data, record, snap);
}

std::string WideToRecordText(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = static_cast<std::uint32_t>(text[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
      std::uint32_t low = static_cast<std::uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp > 0x10FFFF) cp = 0xFFFD;  // only a 32-bit wchar_t holds such a value, never a name
    AppendUtf8(out, cp);
  }
  return out;
}

bool RecordTextToWide(std::string_view bytes, std::wstring& out) {
  out.clear();
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  auto cont = [&](size_t at) { return at < n && (p[at] & 0xC0) == 0x80; };
  for (size_t i = 0; i < n;) {
    const unsigned char b = p[i];
    std::uint32_t cp;
    if (b < 0x80) {
      if (b == 0) return false;
      cp = b;
      i += 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
      if (!cont(i + 1)) return false;
      cp = ((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
      i += 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      if (!cont(i + 1) || !cont(i + 2) || (b == 0xE0 && p[i + 1] < 0xA0)) return false;
      cp = ((b & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
      i += 3;
    } else if (b >= 0xF0 && b <= 0xF4) {
      if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return false;
      if ((b == 0xF0 && p[i + 1] < 0x90) || (b == 0xF4 && p[i + 1] > 0x8F)) return false;
      cp = ((b & 0x07u) << 18) | ((p[i + 1] & 0x3Fu) << 12) | ((p[i + 2] & 0x3Fu) << 6) | (p[i + 3] & 0x3Fu);
      i += 4;
    } else {
      return false;
    }
    if (sizeof(wchar_t) == 2 && cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
  }
  return true;
}

}  // namespace zel
