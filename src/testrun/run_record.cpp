#include "testrun/run_record.h"

#include "base/format.h"
#include "base/text.h"

namespace zel {
namespace {

constexpr char kMagic[] = "ZEL32-RUN 1";

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t h = 1469598103934665603ULL;
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h;
}

std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 0xF];
  }
  return out;
}

bool Unhex(std::string_view hex, std::string& out) {
  if (hex.size() % 2) return false;
  out.clear();
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    std::uint64_t v;
    if (!ParseHex(hex.substr(i, 2), v)) return false;
    out += static_cast<char>(v);
  }
  return true;
}

void Put(std::string& out, const char* key, std::wstring_view value) {
  out += key;
  out += '\t';
  out += ToUtf8(value);
  out += '\n';
}

}  // namespace

std::string EncodeRunRecord(const RunRecord& r) {
  std::string out = std::string(kMagic) + "\n";
  Put(out, "program", r.program);
  Put(out, "done", r.testDone ? L"1" : L"0");
  Put(out, "installer", r.installer ? L"1" : L"0");
  Put(out, "cdrom", r.fromCdRom ? L"1" : L"0");
  Put(out, "attached", r.attached);
  Put(out, "saves", r.librarySaves);
  for (const std::wstring& t : r.temporaryFolders) Put(out, "temp", t);
  Put(out, "batch", r.batchAllowed ? L"1" : L"0");
  Put(out, "date", r.dateStamp);
  Put(out, "folder", r.programFolder);
  out += "list\t" + Hex(r.programFolderList) + "\n";
  out += "sum\t" + ToUtf8(Time16(Fnv1a(out))) + "\n";
  return out;
}

bool DecodeRunRecord(std::string_view text, RunRecord& record) {
  // The check sum covers everything before its own line.
  size_t sumAt = text.rfind("sum\t");
  if (sumAt == std::string_view::npos || (sumAt > 0 && text[sumAt - 1] != '\n')) return false;
  std::string_view sumLine = text.substr(sumAt + 4);
  if (!sumLine.empty() && sumLine.back() == '\n') sumLine.remove_suffix(1);
  std::uint64_t sum;
  if (!ParseHex(sumLine, sum) || sum != Fnv1a(text.substr(0, sumAt))) return false;
  RunRecord r;
  size_t pos = 0;
  bool magic = false;
  while (pos < sumAt) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos || end > sumAt) return false;
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!magic) {
      if (line != kMagic) return false;
      magic = true;
      continue;
    }
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return false;
    std::string_view key = line.substr(0, tab);
    std::string_view raw = line.substr(tab + 1);
    std::wstring value = FromUtf8(raw);
    if (key == "program") r.program = value;
    else if (key == "done") r.testDone = value == L"1";
    else if (key == "installer") r.installer = value == L"1";
    else if (key == "cdrom") r.fromCdRom = value == L"1";
    else if (key == "attached") r.attached = value;
    else if (key == "saves") r.librarySaves = value;
    else if (key == "temp") r.temporaryFolders.push_back(value);
    else if (key == "batch") r.batchAllowed = value == L"1";
    else if (key == "date") r.dateStamp = value;
    else if (key == "folder") r.programFolder = value;
    else if (key == "list") {
      if (!Unhex(raw, r.programFolderList)) return false;
    }
    // Unknown keys of a later version are passed over.
  }
  if (!magic) return false;
  record = std::move(r);
  return true;
}

FsError WriteRunRecord(FileSystem& fs, const std::wstring& path, const RunRecord& record) {
  const std::wstring temp = path + L".tmp";
  FsError error = fs.WriteBytes(temp, EncodeRunRecord(record));
  if (error == FsError::None) error = fs.MoveOne(temp, path, true);
  if (error != FsError::None) IgnoreError(fs.RemoveFile(temp));
  return error;
}

RunRecordRead ReadRunRecord(FileSystem& fs, const std::wstring& path, RunRecord& record) {
  std::string bytes;
  FsError error = fs.ReadBytes(path, bytes);
  if (error == FsError::NotFound || error == FsError::PathNotFound) return RunRecordRead::Missing;
  if (error != FsError::None || !DecodeRunRecord(bytes, record)) return RunRecordRead::Damaged;
  return RunRecordRead::Read;
}

}  // namespace zel
