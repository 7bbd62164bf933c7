#include <windows.h>
#include <lzexpand.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"

namespace zel::win32 {
namespace {

std::uint64_t Join(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }
std::uint64_t TimeOf(const FILETIME& t) { return Join(t.dwHighDateTime, t.dwLowDateTime); }

std::wstring Str(std::wstring_view s) { return std::wstring(s); }

}  // namespace

std::wstring ExtendedPath(std::wstring_view path) {
  if (path.size() >= 4 && path.substr(0, 4) == L"\\\\?\\") return Str(path);
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + Str(path);
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') return L"\\\\?\\UNC\\" + Str(path.substr(2));
  return Str(path);
}

// The platform's code of the last failure, for its own error text.
thread_local unsigned long lastFailure = ERROR_SUCCESS;

FsError MapError(unsigned long code) {
  lastFailure = code;
  switch (code) {
    case ERROR_SUCCESS: return FsError::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES: return FsError::NotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_NOT_READY: return FsError::PathNotFound;
    case ERROR_ACCESS_DENIED: return FsError::AccessDenied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return FsError::AlreadyExists;
    case ERROR_CANNOT_MAKE: return FsError::CannotMake;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FsError::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FsError::InUse;
    case ERROR_DIR_NOT_EMPTY: return FsError::NotEmpty;
    case ERROR_FILENAME_EXCED_RANGE: return FsError::NameTooLong;
    default: return FsError::Other;
  }
}

FsError Win32FileSystem::Enumerate(std::wstring_view pattern, const EntrySink& sink) {
  WIN32_FIND_DATAW data;
  const std::wstring path = ExtendedPath(pattern);
  // The basic information level and the large fetch are faster; Windows
  // before 7 knows neither and answers "invalid parameter".
  FindHandle find(::FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
  if (!find && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    find.Reset(::FindFirstFileExW(path.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0));
  }
  if (!find) return MapError(::GetLastError());
  FileEntry entry;
  do {
    entry.name.assign(data.cFileName, wcsnlen(data.cFileName, MAX_PATH));
    entry.attributes = data.dwFileAttributes;
    entry.lastWrite = TimeOf(data.ftLastWriteTime);
    entry.creation = TimeOf(data.ftCreationTime);
    entry.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    sink(entry);
  } while (::FindNextFileW(find.Get(), &data));
  DWORD code = ::GetLastError();
  return code == ERROR_NO_MORE_FILES ? FsError::None : MapError(code);
}

std::optional<FileEntry> Win32FileSystem::Stat(std::wstring_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(ExtendedPath(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  FileEntry entry;
  size_t slash = path.rfind(L'\\');
  entry.name = Str(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
  entry.attributes = data.dwFileAttributes;
  entry.lastWrite = TimeOf(data.ftLastWriteTime);
  entry.creation = TimeOf(data.ftCreationTime);
  entry.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
  return entry;
}

FsError Win32FileSystem::MakeFolder(std::wstring_view path) {
  return ::CreateDirectoryW(ExtendedPath(path).c_str(), nullptr) ? FsError::None : MapError(::GetLastError());
}

FsError Win32FileSystem::RemoveFolder(std::wstring_view path) {
  return ::RemoveDirectoryW(ExtendedPath(path).c_str()) ? FsError::None : MapError(::GetLastError());
}

FsError Win32FileSystem::RemoveFile(std::wstring_view path) {
  return ::DeleteFileW(ExtendedPath(path).c_str()) ? FsError::None : MapError(::GetLastError());
}

FsError Win32FileSystem::CopyOne(std::wstring_view from, std::wstring_view to, bool overwrite) {
  const std::wstring source = ExtendedPath(from), target = ExtendedPath(to);
  const DWORD targetAttributes = ::GetFileAttributesW(target.c_str());
  if (targetAttributes == INVALID_FILE_ATTRIBUTES) {
    return ::CopyFileW(source.c_str(), target.c_str(), TRUE) ? FsError::None : MapError(::GetLastError());
  }
  if (!overwrite) return FsError::AlreadyExists;
  // A link at the target would have the copy written into whatever it leads
  // to. A link that says so is refused; any other target is replaced by a
  // copy made beside it and moved over it, which replaces a link the
  // platform does not report (a symbolic link to a file under Wine) instead
  // of writing through it, and leaves the old file whole if the copy fails.
  if (targetAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return FsError::AccessDenied;
  const std::wstring staged = target + L".zel-new";
  ::DeleteFileW(staged.c_str());
  if (!::CopyFileW(source.c_str(), staged.c_str(), TRUE)) return MapError(::GetLastError());
  if (::MoveFileExW(staged.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return FsError::None;
  }
  const DWORD error = ::GetLastError();
  ::DeleteFileW(staged.c_str());
  return MapError(error);
}

FsError Win32FileSystem::MoveOne(std::wstring_view from, std::wstring_view to, bool replace) {
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  return ::MoveFileExW(ExtendedPath(from).c_str(), ExtendedPath(to).c_str(), flags) ? FsError::None
                                                                                   : MapError(::GetLastError());
}

FsError Win32FileSystem::SetAttributes(std::wstring_view path, std::uint32_t attributes) {
  DWORD value = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileAttributesW(ExtendedPath(path).c_str(), value) ? FsError::None : MapError(::GetLastError());
}

FsError Win32FileSystem::ReadBytes(std::wstring_view path, std::string& bytes) {
  FileHandle file(::CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return MapError(::GetLastError());
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.Get(), &size)) return MapError(::GetLastError());
  if (size.QuadPart > 0x7FFFFFFF) return FsError::Other;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!::ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr)) return MapError(::GetLastError());
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return FsError::None;
}

FsError Win32FileSystem::ReadHead(std::wstring_view path, size_t maxBytes, std::string& bytes) {
  FileHandle file(::CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return MapError(::GetLastError());
  bytes.assign(maxBytes, '\0');
  DWORD got = 0;
  if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(maxBytes), &got, nullptr)) return MapError(::GetLastError());
  bytes.resize(got);
  return FsError::None;
}

FsError Win32FileSystem::ExpandOne(std::wstring_view from, std::wstring_view to) {
  // The old file compression (LZ) of distribution disks; a file that is not
  // compressed comes out as it was.
  std::wstring source(from), target(to);
  OFSTRUCT so = {}, to_ = {};
  INT in = ::LZOpenFileW(source.data(), &so, OF_READ);
  if (in < 0) return FsError::NotFound;
  INT out = ::LZOpenFileW(target.data(), &to_, OF_CREATE);
  if (out < 0) {
    ::LZClose(in);
    return FsError::AccessDenied;
  }
  LONG copied = ::LZCopy(in, out);
  ::LZClose(in);
  ::LZClose(out);
  return copied < 0 ? FsError::Other : FsError::None;
}

namespace {

FsError WriteAll(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
    if (!::WriteFile(file, bytes.data() + done, want, &wrote, nullptr)) return MapError(::GetLastError());
    if (wrote == 0) return FsError::DiskFull;
    done += wrote;
  }
  return FsError::None;
}

}  // namespace

FsError Win32FileSystem::WriteBytes(std::wstring_view path, std::string_view bytes) {
  FileHandle file(::CreateFileW(ExtendedPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return MapError(::GetLastError());
  FsError error = WriteAll(file.Get(), bytes);
  if (error == FsError::None && !::FlushFileBuffers(file.Get())) error = MapError(::GetLastError());
  return error;
}

FsError Win32FileSystem::WriteWholeFile(std::wstring_view path, std::string_view bytes, std::uint64_t lastWrite,
                                        bool replace) {
  const std::wstring full = ExtendedPath(path);
  FsError error = FsError::None;
  {
    FileHandle file(::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return MapError(::GetLastError());
    error = WriteAll(file.Get(), bytes);
    if (error == FsError::None && lastWrite != 0) {
      FILETIME time{static_cast<DWORD>(lastWrite), static_cast<DWORD>(lastWrite >> 32)};
      if (!::SetFileTime(file.Get(), nullptr, nullptr, &time)) error = MapError(::GetLastError());
    }
  }
  // A part-written file is not left behind.
  if (error != FsError::None) ::DeleteFileW(full.c_str());
  return error;
}

FsError Win32FileSystem::AppendBytes(std::wstring_view path, std::string_view bytes) {
  FileHandle file(::CreateFileW(ExtendedPath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return MapError(::GetLastError());
  return WriteAll(file.Get(), bytes);
}

DriveType Win32FileSystem::DriveTypeOf(std::wstring_view root) {
  return static_cast<DriveType>(::GetDriveTypeW(Str(root).c_str()));
}

std::optional<DiskSpace> Win32FileSystem::SpaceOf(std::wstring_view root, bool extended) {
  std::wstring r = Str(root);
  UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::optional<DiskSpace> result;
  if (extended) {
    ULARGE_INTEGER avail, total, totalFree;
    if (::GetDiskFreeSpaceExW(r.c_str(), &avail, &total, &totalFree)) {
      result = DiskSpace{avail.QuadPart, total.QuadPart};
    }
  } else {
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (::GetDiskFreeSpaceW(r.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
      std::uint64_t cluster = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
      result = DiskSpace{cluster * freeClusters, cluster * totalClusters};
    }
  }
  ::SetErrorMode(oldMode);
  return result;
}

std::optional<VolumeId> Win32FileSystem::VolumeOf(std::wstring_view root) {
  std::wstring r = Str(root);
  UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  DWORD serial = 0;
  BOOL ok = ::GetVolumeInformationW(r.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
  ::SetErrorMode(oldMode);
  if (!ok) return std::nullopt;
  std::optional<DiskSpace> space = SpaceOf(root, true);
  return VolumeId{serial, space ? space->totalBytes : 0};
}

std::optional<std::wstring> Win32FileSystem::ShortPathOf(std::wstring_view path) {
  const std::wstring longPath = ExtendedPath(path);
  DWORD size = ::GetShortPathNameW(longPath.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring shortPath(size, L'\0');
  DWORD got = ::GetShortPathNameW(longPath.c_str(), shortPath.data(), size);
  if (got == 0 || got >= size) return std::nullopt;
  shortPath.resize(got);
  // The answer keeps the "\\?\" form it was asked in.
  if (shortPath.rfind(L"\\\\?\\UNC\\", 0) == 0) shortPath.replace(0, 8, L"\\\\");
  else if (shortPath.rfind(L"\\\\?\\", 0) == 0) shortPath.erase(0, 4);
  return shortPath;
}

FsError Win32FileSystem::MoveAtRestart(std::wstring_view from, std::wstring_view to) {
  const std::wstring source = ExtendedPath(from);
  const std::wstring target = to.empty() ? std::wstring() : ExtendedPath(to);
  const DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (to.empty() ? 0 : MOVEFILE_REPLACE_EXISTING);
  return ::MoveFileExW(source.c_str(), to.empty() ? nullptr : target.c_str(), flags) ? FsError::None
                                                                                     : MapError(::GetLastError());
}

std::wstring Win32FileSystem::ErrorMessage(FsError error) {
  // The last failure's own code when it was of this kind, else the usual one.
  unsigned long code = ERROR_GEN_FAILURE;
  switch (error) {
    case FsError::None: code = ERROR_SUCCESS; break;
    case FsError::NotFound: code = ERROR_FILE_NOT_FOUND; break;
    case FsError::PathNotFound: code = ERROR_PATH_NOT_FOUND; break;
    case FsError::AccessDenied: code = ERROR_ACCESS_DENIED; break;
    case FsError::AlreadyExists: code = ERROR_ALREADY_EXISTS; break;
    case FsError::CannotMake: code = ERROR_CANNOT_MAKE; break;
    case FsError::DiskFull: code = ERROR_DISK_FULL; break;
    case FsError::InUse: code = ERROR_SHARING_VIOLATION; break;
    case FsError::NotEmpty: code = ERROR_DIR_NOT_EMPTY; break;
    case FsError::NameTooLong: code = ERROR_FILENAME_EXCED_RANGE; break;
    case FsError::Other: break;
  }
  const unsigned long last = lastFailure;
  if (last != ERROR_SUCCESS && MapError(last) == error) code = last;
  lastFailure = last;
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length && text ? std::wstring(text, length) : L"Error " + std::to_wstring(code);
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
    message.pop_back();
  }
  return message;
}

bool Win32FileSystem::SetCurrentFolder(std::wstring_view path) {
  return ::SetCurrentDirectoryW(Str(path).c_str()) != FALSE;
}

}  // namespace zel::win32
