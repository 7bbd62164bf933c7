#include "system/backup_set.h"

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"

namespace zel {
namespace {

std::string_view CutAtNulBytes(std::string_view bytes) {
  size_t nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

bool ParseTime(std::string_view digits, std::uint64_t& value) {
  if (digits.size() != 16) return false;
  return ParseHex(digits, value);
}

std::wstring TwoDigits(int n) { return ZeroPad(n, 2); }

}  // namespace

// --- records ------------------------------------------------------------------

bool ListText(std::wstring_view text, std::string& out) {
  thread_local std::wstring lowered;
  lowered.assign(text);
  for (wchar_t& c : lowered) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return AppendCp932(lowered, out);
}

bool AppendFolderRecord(std::string& out, std::wstring_view path) {
  out += listcode::kFolder;
  bool exact = ListText(path, out);
  out += listcode::kFolderEnd;
  return exact;
}

bool AppendFileRecord(std::string& out, std::uint64_t lastWrite, std::wstring_view name) {
  AppendTime16(out, lastWrite);
  out += listcode::kName;
  bool exact = ListText(name, out);
  out += listcode::kNameEnd;
  return exact;
}

std::string ProgramListBytes(const std::vector<std::wstring>& names) {
  std::string out(1, listcode::kFolder);
  for (const std::wstring& name : names) {
    AppendCp932(name, out);
    out += listcode::kFolder;
  }
  return out;
}

std::vector<std::wstring> ParseProgramList(std::string_view bytes) {
  bytes = CutAtNulBytes(bytes);
  std::vector<std::wstring> names;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find(listcode::kFolder, start);
    if (end == std::string_view::npos) break;  // a name cut short is no name
    if (end > start) names.push_back(FromCp932(bytes.substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

void ListedFolder::BuildIndex() {
  if (!index_.empty() || files.empty()) return;
  index_.reserve(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    // A name listed twice: its first record stands, the other is never
    // taken for a deleted file.
    if (!index_.emplace(files[i].name, i).second) files[i].seen = true;
  }
}

ListedFile* ListedFolder::FindFolded(std::wstring_view name) {
  if (folded_.empty()) {
    for (size_t i = 0; i < files.size(); ++i) folded_.emplace(ToLower(FromCp932(files[i].name)), i);
  }
  auto it = folded_.find(ToLower(name));
  if (it == folded_.end() || files[it->second].seen) return nullptr;
  return &files[it->second];
}

std::vector<ListedFile*> ListedFolder::Unseen() {
  std::vector<ListedFile*> unseen;
  for (ListedFile& f : files) {
    if (f.seen) continue;
    BuildIndex();
    if (!f.seen) unseen.push_back(&f);
  }
  return unseen;
}

ListedFile* ListedFolder::Find(std::string_view name) {
  if (cursor_ < files.size() && files[cursor_].name == name) return &files[cursor_++];
  BuildIndex();
  auto it = index_.find(name);
  if (it == index_.end()) return nullptr;
  cursor_ = it->second + 1;
  return &files[it->second];
}

ParsedList ParseList(std::string data) {
  ParsedList list;
  const size_t nul = data.find('\0');
  if (nul != std::string::npos) data.resize(nul);
  list.bytes = std::make_shared<const std::string>(std::move(data));
  const std::string_view bytes = *list.bytes;
  size_t pos = 0;
  // Control codes below 0x40 never occur as the second byte of a two-byte
  // character, so the records can be told apart byte by byte.
  while (pos < bytes.size()) {
    if (bytes[pos] != listcode::kFolder) {
      list.damaged = true;
      break;
    }
    size_t pathEnd = bytes.find(listcode::kFolderEnd, pos + 1);
    if (pathEnd == std::string_view::npos) {
      list.damaged = true;
      break;
    }
    ListedFolder folder;
    folder.path.assign(bytes.substr(pos + 1, pathEnd - pos - 1));
    pos = pathEnd + 1;
    bool broken = folder.path.empty() || folder.path.find_first_of("\x01\x02\x03\x04") != std::string::npos;
    while (!broken && pos < bytes.size() && bytes[pos] != listcode::kFolder) {
      // 16 hex digits, code 4, a name, code 3.
      std::uint64_t time = 0;
      if (bytes.size() - pos < 18 || !ParseTime(bytes.substr(pos, 16), time) || bytes[pos + 16] != listcode::kName) {
        broken = true;
        break;
      }
      size_t nameStart = pos + 17;
      size_t nameEnd = bytes.find(listcode::kNameEnd, nameStart);
      if (nameEnd == std::string_view::npos || nameEnd == nameStart) {
        broken = true;
        break;
      }
      std::string_view name = bytes.substr(nameStart, nameEnd - nameStart);
      if (name.find_first_of("\x01\x02\x04\x08") != std::string_view::npos) {
        broken = true;
        break;
      }
      folder.files.push_back({name, time, false});
      pos = nameEnd + 1;
    }
    if (broken) {
      list.damaged = true;
      break;
    }
    if (!list.paths.insert(folder.path).second) {
      list.damaged = true;  // a folder listed twice: its first group stands
      continue;
    }
    list.folders.push_back(std::move(folder));
  }
  return list;
}

// --- the set's text files ---------------------------------------------------------

std::string RecoveryStamp(const LocalTime& now) {
  std::wstring text = TwoDigits(now.month) + L"-" + TwoDigits(now.day) + L"-" + ZeroPad(now.year, 4) + L" " +
                      TwoDigits(now.hour) + L":" + TwoDigits(now.minute) + L":" + TwoDigits(now.second) + L"\r\n";
  return ToCp932(text);
}

std::wstring ReadRecoveryDate(FileSystem& fs, std::wstring_view setFolder) {
  std::string bytes;
  const std::wstring path = JoinPath(setFolder, kRecoveryDat);
  std::optional<FileEntry> e = fs.Stat(path);
  if (!e || e->IsFolder()) return std::wstring();
  if (fs.ReadHead(path, 256, bytes) != FsError::None) return std::wstring();
  size_t end = bytes.find_first_of(std::string_view("\r\n\0", 3));
  if (end != std::string::npos) bytes.resize(end);
  return Trim(FromCp932(bytes));
}

bool IsSaved(FileSystem& fs, std::wstring_view setFolder) {
  std::optional<FileEntry> e = fs.Stat(JoinPath(setFolder, kRecoveryDat));
  return e && !e->IsFolder();
}

// --- the folders of a save ------------------------------------------------------

SetLayout::SetLayout(const Environment& env, std::wstring setFolder)
    : env_(env), winDir_(env.WinDir), setFolder_(std::move(setFolder)) {
  while (winDir_.size() > 3 && winDir_.back() == L'\\') winDir_.pop_back();
  while (setFolder_.size() > 3 && setFolder_.back() == L'\\') setFolder_.pop_back();
  root_ = winDir_.substr(0, std::min<size_t>(2, winDir_.size())) + L"\\";
}

std::wstring SetLayout::SetFile(std::wstring_view name) const { return JoinPath(setFolder_, name); }

FolderRule SetLayout::RuleOf(std::wstring_view folder) const {
  if (!IsSameOrBelow(folder, winDir_)) return FolderRule::Skip;
  if (folder.size() <= winDir_.size()) return FolderRule::Copy;
  std::wstring_view rest = folder.substr(winDir_.size() + 1);
  std::wstring first = ToLower(rest.substr(0, rest.find(L'\\')));
  if (InSlashList(kSkippedFolders, first)) return FolderRule::Skip;
  if (InSlashList(kListOnlyFolders, first)) return FolderRule::ListOnly;
  if (first == L"windows" || first == L"_root") return FolderRule::ListOnly;
  return FolderRule::Copy;
}

std::wstring SetLayout::CopyFolderOf(std::wstring_view folder) const {
  if (EqualsNoCase(folder, root_)) return JoinPath(setFolder_, kRootCopyFolder);
  if (folder.size() <= winDir_.size()) return JoinPath(setFolder_, kWindowsCopyFolder);
  return setFolder_ + std::wstring(folder.substr(winDir_.size()));
}

bool SetLayout::Excluded(std::wstring_view folder, std::uint32_t attributes) const {
  if (attributes & attr::kReparsePoint) return true;
  if (IsSameOrBelow(folder, setFolder_)) return true;
  if (!env_.ProgramDir.empty() && IsSameOrBelow(folder, env_.ProgramDir)) return true;
  if (!env_.BackupDir.empty() && IsSameOrBelow(folder, env_.BackupDir)) return true;
  return env_.IsOwnFolder(folder);
}

// --- texts ----------------------------------------------------------------------------

std::wstring DisplayPath(std::wstring_view path) {
  std::wstring out(path);
  bool first = true;
  for (size_t i = 0; i < out.size(); ++i) {
    wchar_t c = out[i];
    if (c == L'\\') {
      first = true;
      continue;
    }
    if (first) {
      if (c >= L'a' && c <= L'z') out[i] = static_cast<wchar_t>(c - L'a' + L'A');
      first = false;
    } else if (c >= L'A' && c <= L'Z') {
      out[i] = static_cast<wchar_t>(c - L'A' + L'a');
    }
  }
  return out;
}

}  // namespace zel
