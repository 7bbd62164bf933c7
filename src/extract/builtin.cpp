#include "extract/builtin.h"

#include <unordered_set>

#include "archive/archive.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"

namespace zel {
namespace {

using archive::Entry;
using archive::Error;
using archive::Listing;

// Expanding more than this many times the archive's size is taken for an
// archive made to fill the disk.
constexpr std::uint64_t kMaxExpansion = 1000;

std::wstring Quote(std::wstring_view name) { return L"『" + std::wstring(name) + L"』"; }

bool IsReservedDeviceName(std::wstring_view component) {
  std::wstring base(component.substr(0, component.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  base = ToUpper(base);
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* n : kNames) {
    if (base == n) return true;
  }
  return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'1' &&
         base[3] <= L'9';
}

std::wstring ErrorReason(Error e, const Entry* entry) {
  const std::wstring who = entry ? Quote(entry->name) : L"";
  switch (e) {
    case Error::NotAnArchive: return L"圧縮ファイルの形式ではありません";
    case Error::Encrypted: return who + L"は暗号化されているため解凍できません";
    case Error::Unsupported:
      return who + L"の圧縮方式 (" + FromUtf8(entry ? entry->methodName : std::string()) + L") には対応していません";
    case Error::SizeMismatch: return who + L"のサイズが記録と一致しません。圧縮ファイルが壊れています";
    case Error::CrcMismatch: return who + L"の CRC が一致しません。圧縮ファイルが壊れています";
    case Error::TooLarge: return who + L"は大きすぎて解凍できません";
    case Error::Damaged:
    case Error::None: break;
  }
  return entry ? who + L"のデータが壊れています" : L"圧縮ファイルが壊れています";
}

// The archive's bytes and entries; the reason (told by the caller) when it
// cannot be read.
bool Load(const Services& x, ArchiveType type, std::wstring_view path, std::string& bytes, Listing& listing,
          std::wstring& why) {
  if (x.m.fs.ReadBytes(path, bytes) != FsError::None) {
    why = L"圧縮ファイルを読み込めません";
    return false;
  }
  Error e = type == ArchiveType::Zip ? archive::ListZip(bytes, listing) : archive::ListLzh(bytes, listing);
  if (e != Error::None) {
    why = ErrorReason(e, nullptr);
    return false;
  }
  return true;
}

// A DOS time is local: shifted by the machine's time-zone offset at that time.
std::uint64_t LastWriteOf(const Services& x, const Entry& e) {
  if (e.lastWrite != 0) return e.lastWrite;
  const std::uint64_t asUtc = archive::DosTimeToFileTime(e.dosTime);
  if (asUtc == 0) return 0;
  const LocalTime local = x.m.sys.LocalTimeOf(asUtc);
  const std::uint64_t shown =
      archive::CalendarToFileTime(local.year, local.month, local.day, local.hour, local.minute, local.second);
  if (shown == 0) return asUtc;
  return asUtc + asUtc - shown;
}

struct Target {
  const Entry* entry;
  std::vector<std::wstring> parts;
};

class Unpacker {
 public:
  Unpacker(const Services& x, std::wstring_view archive, std::wstring_view dest)
      : x_(x), name_(LastComponent(archive)), dest_(dest) {}

  bool Fail(const std::wstring& why) {
    x_.fe.AppendConsole(L"　★解凍できませんでした (" + why + L")");
    x_.fe.Ask(Quote(name_) + L"を解凍できませんでした||" + why, mb::kOk | mb::kIconExclamation, L"");
    return false;
  }

  // Every name and method checked before anything is written.
  bool Plan(const Listing& listing, std::uint64_t archiveSize, std::vector<Target>& targets) {
    std::uint64_t total = 0;
    for (const Entry& e : listing.entries) {
      Target t{&e, {}};
      if (e.link) return Fail(Quote(e.name) + L"はリンクのため解凍できません");
      std::wstring why = UnsafeNameReason(e.name, &t.parts);
      if (!why.empty()) return Fail(why);
      if (e.encrypted) return Fail(ErrorReason(Error::Encrypted, &e));
      if (e.method == archive::Method::Unsupported) return Fail(ErrorReason(Error::Unsupported, &e));
      if (!e.IsFolder()) total = e.size > UINT64_MAX - total ? UINT64_MAX : total + e.size;
      if (!t.parts.empty()) targets.push_back(std::move(t));
    }
    if (total / kMaxExpansion > std::max<std::uint64_t>(archiveSize, 1)) {
      return Fail(L"展開後のサイズ (" + Grouped(static_cast<long long>(std::min<std::uint64_t>(total, INT64_MAX))) + L" バイト) が圧縮ファイルの 1000 倍を超えます");
    }
    if (dest_.size() >= 3 && dest_[1] == L':') {
      std::optional<DiskSpace> space = x_.m.fs.SpaceOf(dest_.substr(0, 3), true);
      if (space && total > space->freeBytes) {
        return Fail(L"解凍には " + Grouped(static_cast<long long>(std::min<std::uint64_t>(total, INT64_MAX))) + L" バイトが必要ですが、空きは " +
                    Grouped(static_cast<long long>(std::min<std::uint64_t>(space->freeBytes, INT64_MAX))) + L" バイトです");
      }
    }
    return true;
  }

  // The folders of a path, each made once.
  bool MakeFolders(const std::vector<std::wstring>& parts, size_t count, std::wstring& path) {
    path = dest_;
    for (size_t i = 0; i < count; ++i) {
      path = JoinPath(path, parts[i]);
      if (made_.contains(ToUpper(path))) continue;
      FsError e = x_.m.fs.MakeFolder(path);
      if (e == FsError::AlreadyExists) {
        std::optional<FileEntry> existing = x_.m.fs.Stat(path);
        if (!existing || !existing->IsFolder()) e = FsError::AccessDenied;
        else e = FsError::None;
      }
      if (e != FsError::None) return Fail(Quote(path) + L"を作成できません");
      made_.insert(ToUpper(path));
    }
    return true;
  }

  bool Unpack(std::string_view bytes, archive::Format format, const std::vector<Target>& targets) {
    std::string data;
    size_t done = 0;
    for (const Target& t : targets) {
      if (++done % 16 == 0) x_.fe.Busy();
      const Entry& e = *t.entry;
      std::wstring path;
      if (e.IsFolder()) {
        if (!MakeFolders(t.parts, t.parts.size(), path)) return false;
        continue;
      }
      if (!MakeFolders(t.parts, t.parts.size() - 1, path)) return false;
      path = JoinPath(path, t.parts.back());
      Error error = archive::ReadEntry(bytes, format, e, data);
      if (error != Error::None) return Fail(ErrorReason(error, &e));
      const std::uint64_t time = LastWriteOf(x_, e);
      FsError written = x_.m.fs.WriteWholeFile(path, data, time, false);
      if (written == FsError::AlreadyExists) {
        std::optional<FileEntry> existing = x_.m.fs.Stat(path);
        if (existing && existing->IsFolder()) return Fail(Quote(path) + L"を書き込めません");
        if (x_.fe.Ask(Quote(path) + L"は既に存在します||上書きしていいですか？",
                      mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"") != mb::kResultYes) {
          continue;
        }
        written = x_.m.fs.WriteWholeFile(path, data, time, true);
      }
      if (written != FsError::None) return Fail(Quote(path) + L"を書き込めません");
    }
    return true;
  }

 private:
  const Services& x_;
  std::wstring name_;
  std::wstring dest_;
  std::unordered_set<std::wstring> made_;
};

}  // namespace

std::wstring UnsafeNameReason(std::wstring_view name, std::vector<std::wstring>* parts) {
  const std::wstring who = Quote(name);
  const std::wstring outside = who + L"は、解凍先のフォルダーの外を指す名前です";
  const std::wstring invalid = who + L"は、ファイル名に使えない名前です";
  if (parts) parts->clear();
  if (name.empty()) return invalid;
  if (name[0] == L'\\' || name[0] == L'/') return outside;
  if (name.size() >= 2 && name[1] == L':') return outside;  // a drive letter
  size_t at = 0;
  while (at <= name.size()) {
    size_t end = name.find_first_of(L"\\/", at);
    if (end == std::wstring_view::npos) end = name.size();
    const std::wstring_view part = name.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") return outside;
    for (wchar_t c : part) {
      if (c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos) return invalid;
    }
    // Windows drops a trailing dot or blank: the name would reach a neighbour.
    if (part.back() == L'.' || part.back() == L' ' || IsReservedDeviceName(part)) return invalid;
    if (parts) parts->emplace_back(part);
  }
  return std::wstring();
}

bool BuiltInExtract(const Services& x, ArchiveType type, std::wstring_view archive, std::wstring_view dest) {
  Unpacker unpacker(x, archive, dest);
  std::string bytes;
  Listing listing;
  std::wstring why;
  x.fe.SetStatus(L"解凍中： " + LastComponent(archive));
  x.fe.Busy();
  if (!Load(x, type, archive, bytes, listing, why)) return unpacker.Fail(why);
  std::vector<Target> targets;
  if (!unpacker.Plan(listing, bytes.size(), targets)) return false;
  return unpacker.Unpack(bytes, listing.format, targets);
}

bool BuiltInList(const Services& x, ArchiveType type, std::wstring_view archive) {
  std::string bytes;
  Listing listing;
  std::wstring why;
  if (!Load(x, type, archive, bytes, listing, why)) {
    x.fe.AppendConsole(L"　★一覧を取得できませんでした (" + why + L")");
    return false;
  }
  for (const Entry& e : listing.entries) {
    std::wstring size = std::to_wstring(e.size);
    if (size.size() < 10) size.insert(0, 10 - size.size(), L' ');
    x.fe.AppendConsole(size + L"  " + e.name + (e.IsFolder() ? L"\\" : L""));
  }
  return true;
}

}  // namespace zel
