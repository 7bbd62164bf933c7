#include "drive/drive_record.h"

#include "base/text.h"
#include "snapshot/snapshot_codec.h"

namespace zel {

const char kDriveRecordMagic[] = "Zel32 drive record 1";

namespace {

const char kHex[] = "0123456789ABCDEF";

std::string Hex(std::uint64_t n, int digits) {
  std::string s(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    s[static_cast<size_t>(i)] = kHex[n & 0xF];
    n >>= 4;
  }
  return s;
}

bool ParseHexExact(std::string_view text, size_t digits, std::uint64_t& value) {
  if (text.size() != digits) return false;
  value = 0;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    value = value << 4 | static_cast<std::uint64_t>(d);
  }
  return true;
}

bool ParseDecimal(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

bool ValidName(std::wstring_view name) {
  return !name.empty() && name != L"." && name != L".." && name.find(L'\\') == std::wstring_view::npos &&
         name.find(L'\0') == std::wstring_view::npos;
}

std::wstring Child(const std::wstring& folder, std::wstring_view upperName) {
  return folder.empty() ? std::wstring(upperName) : folder + L"\\" + std::wstring(upperName);
}

}  // namespace

DriveRecordWriter::DriveRecordWriter(wchar_t letter, const VolumeId& volume, std::uint64_t takenAt) {
  out_ = kDriveRecordMagic;
  out_ += "\r\n";
  Field("DRIVE", std::string(1, static_cast<char>(UpperChar(letter))));
  Field("VOLUME", Hex(volume.serial, 8) + " " + std::to_string(volume.totalBytes));
  Field("TIME", Hex(takenAt, 16));
}

void DriveRecordWriter::Field(std::string_view tag, std::string_view payload) {
  out_ += tag;
  out_ += ' ';
  out_ += Hex(payload.size(), 8);
  out_ += ':';
  out_ += payload;
  out_ += "\r\n";
}

void DriveRecordWriter::Folder(std::wstring_view relative) { Field("FOLDER", WideToRecordText(relative)); }

void DriveRecordWriter::Name(std::wstring_view name, bool folder) {
  Field(folder ? "DIR" : "FILE", WideToRecordText(name));
}

std::string DriveRecordWriter::Finish() {
  std::string done = std::move(out_);
  const std::uint64_t sum = Hash64(done);
  done += "END " + Hex(sum, 16) + "\r\n";
  out_.clear();
  return done;
}

bool DecodeDriveRecord(std::string_view bytes, wchar_t letter, DriveRecord& out) {
  const std::string magic = std::string(kDriveRecordMagic) + "\r\n";
  if (bytes.substr(0, magic.size()) != magic) return false;
  // The END line closes the file: its sum covers every byte before it.
  if (bytes.size() < magic.size() + 22) return false;
  const size_t endAt = bytes.size() - 22;
  std::string_view endLine = bytes.substr(endAt);
  std::uint64_t sum = 0;
  if (endLine.substr(0, 4) != "END " || endLine.substr(20) != "\r\n" || !ParseHexExact(endLine.substr(4, 16), 16, sum)) {
    return false;
  }
  if (Hash64(bytes.substr(0, endAt)) != sum) return false;

  DriveRecord record;
  std::unordered_set<std::wstring> folders;  // names recorded as folders
  bool seenDrive = false, seenVolume = false, seenTime = false;
  bool inFolder = false;
  std::wstring current;
  size_t at = magic.size();
  while (at < endAt) {
    const size_t blank = bytes.find(' ', at);
    if (blank == std::string_view::npos || blank >= endAt || blank - at > 8) return false;
    const std::string_view tag = bytes.substr(at, blank - at);
    std::uint64_t length = 0;
    if (blank + 10 > endAt || !ParseHexExact(bytes.substr(blank + 1, 8), 8, length) || bytes[blank + 9] != ':') {
      return false;
    }
    const size_t start = blank + 10;
    if (length > endAt - start || endAt - start - length < 2) return false;
    const std::string_view payload = bytes.substr(start, static_cast<size_t>(length));
    if (bytes.substr(start + length, 2) != "\r\n") return false;
    at = start + static_cast<size_t>(length) + 2;

    const bool header = seenDrive && seenVolume && seenTime;
    if (tag == "DRIVE") {
      if (seenDrive || payload.size() != 1 || static_cast<wchar_t>(payload[0]) != UpperChar(letter)) return false;
      seenDrive = true;
      record.letter = UpperChar(letter);
    } else if (tag == "VOLUME") {
      const size_t space = payload.find(' ');
      std::uint64_t serial = 0, total = 0;
      if (seenVolume || space == std::string_view::npos || !ParseHexExact(payload.substr(0, space), 8, serial) ||
          !ParseDecimal(payload.substr(space + 1), total)) {
        return false;
      }
      record.volume = VolumeId{static_cast<std::uint32_t>(serial), total};
      seenVolume = true;
    } else if (tag == "TIME") {
      if (seenTime || !ParseHexExact(payload, 16, record.takenAt)) return false;
      seenTime = true;
    } else if (tag == "FOLDER") {
      std::wstring path;
      if (!header || !RecordTextToWide(payload, path)) return false;
      std::wstring upper = ToUpper(path);
      if (!inFolder) {
        if (!upper.empty()) return false;  // the root comes first
      } else if (upper.empty() || !folders.count(upper) || record.listed.count(upper)) {
        return false;  // a folder its parent did not name, or listed twice
      }
      record.listed.insert(upper);
      current = std::move(upper);
      inFolder = true;
    } else if (tag == "FILE" || tag == "DIR") {
      std::wstring name;
      if (!inFolder || !RecordTextToWide(payload, name) || !ValidName(name)) return false;
      std::wstring path = Child(current, ToUpper(name));
      if (tag == "DIR") {
        folders.insert(path);
        ++record.folders;
      } else {
        ++record.files;
      }
      record.known.insert(std::move(path));
    } else {
      return false;
    }
  }
  if (!inFolder) return false;  // not even the root was recorded
  out = std::move(record);
  return true;
}

}  // namespace zel
