// Files, folders and drives as the core sees them. The Win32 implementation
// works on the W functions with "\\?\" paths; the in-memory machine stands in
// for it in unit tests. Method names avoid the Win32 macro names
// (CopyFile, DeleteFile, ...) so that both sides can include <windows.h>.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zel {

enum class [[nodiscard]] FsError {
  None,
  NotFound,       // the file does not exist, or a pattern matched nothing
  PathNotFound,   // a folder of the path does not exist
  AccessDenied,
  AlreadyExists,
  CannotMake,     // the folder can hold no more entries (a full FAT root)
  DiskFull,
  InUse,          // held open by another program
  NotEmpty,
  NameTooLong,
  Other,
};

// Says at a clean-up site that a failure does not matter there: what could
// not be removed is gone already, or harmless, or told about by what follows.
inline void IgnoreError(FsError) {}

namespace attr {
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kHidden = 0x2;
constexpr std::uint32_t kSystem = 0x4;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kNormal = 0x80;
constexpr std::uint32_t kReparsePoint = 0x400;
}  // namespace attr

struct FileEntry {
  std::wstring name;
  std::uint32_t attributes = 0;
  std::uint64_t lastWrite = 0;  // 100-ns units, as the file system reports it
  std::uint64_t creation = 0;
  std::uint64_t size = 0;

  bool IsFolder() const { return (attributes & attr::kDirectory) != 0; }
  bool IsReparsePoint() const { return (attributes & attr::kReparsePoint) != 0; }
};

// Drive types as the platform numbers them.
enum class DriveType : std::uint16_t {
  Unknown = 0,
  NoRoot = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

struct DiskSpace {
  std::uint64_t freeBytes = 0;
  std::uint64_t totalBytes = 0;
};

struct VolumeId {
  std::uint32_t serial = 0;
  std::uint64_t totalBytes = 0;
  bool operator==(const VolumeId&) const = default;
};

using EntrySink = std::function<void(const FileEntry&)>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Calls sink for each entry matching pattern (a path whose last component
  // may hold wildcards), in the platform's enumeration order, including "."
  // and ".." where the platform reports them. Returns NotFound when nothing
  // matched, PathNotFound when the folder does not exist, another error when
  // the folder could not be read.
  virtual FsError Enumerate(std::wstring_view pattern, const EntrySink& sink) = 0;
  // Attributes, times and size of one path (the name is its last component).
  virtual std::optional<FileEntry> Stat(std::wstring_view path) = 0;

  virtual FsError MakeFolder(std::wstring_view path) = 0;
  // Removes an empty folder, or a link to a folder without touching its target.
  virtual FsError RemoveFolder(std::wstring_view path) = 0;
  virtual FsError RemoveFile(std::wstring_view path) = 0;
  // Copies a file with its time; never writes through a link (a reparse
  // point) at the target: that is refused.
  virtual FsError CopyOne(std::wstring_view from, std::wstring_view to, bool overwrite) = 0;
  // Moves a file, replacing the target when replace is set (atomic on one volume).
  virtual FsError MoveOne(std::wstring_view from, std::wstring_view to, bool replace) = 0;
  virtual FsError SetAttributes(std::wstring_view path, std::uint32_t attributes) = 0;

  virtual FsError ReadBytes(std::wstring_view path, std::string& bytes) = 0;
  // At most maxBytes from the start of the file.
  virtual FsError ReadHead(std::wstring_view path, size_t maxBytes, std::string& bytes) = 0;
  // Copies a file compressed with the platform's file compression as its
  // expanded content (a file that is not compressed is copied as it is).
  virtual FsError ExpandOne(std::wstring_view from, std::wstring_view to) = 0;
  // Creates or truncates the file and writes bytes.
  virtual FsError WriteBytes(std::wstring_view path, std::string_view bytes) = 0;
  virtual FsError AppendBytes(std::wstring_view path, std::string_view bytes) = 0;
  // Writes a whole file in one go, for files unpacked in bulk: fails with
  // AlreadyExists when the file is there and replace is not set; gives the
  // file the last-write time (a file time; 0 leaves the time of writing).
  // A write that fails part-way leaves no file behind.
  // This fallback keeps the time of writing.
  virtual FsError WriteWholeFile(std::wstring_view path, std::string_view bytes, std::uint64_t lastWrite,
                                 bool replace) {
    (void)lastWrite;
    if (!replace && Stat(path)) return FsError::AlreadyExists;
    FsError error = WriteBytes(path, bytes);
    if (error != FsError::None) IgnoreError(RemoveFile(path));
    return error;
  }

  // root is "X:\".
  virtual DriveType DriveTypeOf(std::wstring_view root) = 0;
  // extended: the 64-bit free-space call; otherwise the cluster arithmetic.
  virtual std::optional<DiskSpace> SpaceOf(std::wstring_view root, bool extended) = 0;
  virtual std::optional<VolumeId> VolumeOf(std::wstring_view root) = 0;
  // The short (8.3) form of an existing path as the file system reports it:
  // each component replaced by its short name. A component that has no short
  // name comes back as it stands, as the platform returns it; callers that need
  // the 8.3 form check the result. Empty when the path does not exist.
  virtual std::optional<std::wstring> ShortPathOf(std::wstring_view path) = 0;

  virtual bool SetCurrentFolder(std::wstring_view path) = 0;

  // The platform's own text for an error, as its messages show it (the
  // text of the last failure of that kind where the platform knows more).
  virtual std::wstring ErrorMessage(FsError error) = 0;

  // Has the platform move from over to when Windows next starts, before any
  // program can hold to open (to is replaced); an empty to deletes from then.
  // A machine that cannot do this answers Other.
  virtual FsError MoveAtRestart(std::wstring_view from, std::wstring_view to) {
    (void)from;
    (void)to;
    return FsError::Other;
  }
};

}  // namespace zel
