// The real machine: the platform interfaces on the Win32 W functions.
#pragma once

#include "platform/desktop.h"
#include "platform/filesystem.h"
#include "platform/ini.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace zel::win32 {

// "\\?\" form of an absolute path, so that names ending in "." or " " are
// taken exactly as they stand. Relative paths are returned unchanged.
std::wstring ExtendedPath(std::wstring_view path);
FsError MapError(unsigned long code);

class Win32FileSystem : public FileSystem {
 public:
  FsError Enumerate(std::wstring_view pattern, const EntrySink& sink) override;
  std::optional<FileEntry> Stat(std::wstring_view path) override;
  FsError MakeFolder(std::wstring_view path) override;
  FsError RemoveFolder(std::wstring_view path) override;
  FsError RemoveFile(std::wstring_view path) override;
  FsError CopyOne(std::wstring_view from, std::wstring_view to, bool overwrite) override;
  FsError MoveOne(std::wstring_view from, std::wstring_view to, bool replace) override;
  FsError SetAttributes(std::wstring_view path, std::uint32_t attributes) override;
  FsError ReadBytes(std::wstring_view path, std::string& bytes) override;
  FsError ReadHead(std::wstring_view path, size_t maxBytes, std::string& bytes) override;
  FsError ExpandOne(std::wstring_view from, std::wstring_view to) override;
  FsError WriteBytes(std::wstring_view path, std::string_view bytes) override;
  FsError AppendBytes(std::wstring_view path, std::string_view bytes) override;
  FsError WriteWholeFile(std::wstring_view path, std::string_view bytes, std::uint64_t lastWrite,
                         bool replace) override;
  DriveType DriveTypeOf(std::wstring_view root) override;
  std::optional<DiskSpace> SpaceOf(std::wstring_view root, bool extended) override;
  std::optional<VolumeId> VolumeOf(std::wstring_view root) override;
  std::optional<std::wstring> ShortPathOf(std::wstring_view path) override;
  bool SetCurrentFolder(std::wstring_view path) override;
  std::wstring ErrorMessage(FsError error) override;
  FsError MoveAtRestart(std::wstring_view from, std::wstring_view to) override;
};

class Win32Registry : public Registry {
 public:
  std::wstring ReadText(RegRoot root, std::wstring_view key, std::wstring_view value) override;
  bool HasTwoViews() override;
  RegError Walk(RegRoot root, RegView view, std::wstring_view key, RegWalker& walker) override;
  RegError SetValue(RegRoot root, RegView view, std::wstring_view key, const RegValueRef& value) override;
  RegError CreateKey(RegRoot root, RegView view, std::wstring_view key) override;
  RegError DeleteValue(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name) override;
  RegError DeleteKey(RegRoot root, RegView view, std::wstring_view key) override;
};

class Win32Ini : public IniStore {
 public:
  std::wstring ReadRaw(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                       size_t maxChars) override;
  bool WriteValue(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                  std::wstring_view value) override;
};

class Win32System : public System {
 public:
  std::wstring EnvVar(std::wstring_view name) override;
  std::wstring ExecutablePath() override;
  DisplayInfo Display() override;
  std::wstring KnownFolderPath(KnownFolder folder) override;
  bool RemoveFont(std::wstring_view path) override;
  void Beep() override;
  LocalTime Now() override;
  LocalTime LocalTimeOf(std::uint64_t fileTime) override;
  std::uint64_t NowFileTime() override;
  std::uint64_t TickMs() override;
  void SleepMs(unsigned ms) override;
  std::vector<std::wstring> LoadedLibraries() override;
};

class Win32Desktop : public Desktop {
 public:
  std::vector<TopWindow> TopLevelWindows() override;
  bool WindowExists(WindowHandle window) override;
  WindowHandle FindTopLevel(std::wstring_view className, std::wstring_view title) override;
  bool BringToTop(WindowHandle window) override;
  bool PostClose(WindowHandle window) override;
  std::intptr_t ShellOpen(std::wstring_view file, std::wstring_view workFolder) override;
  bool StartProgram(std::wstring_view commandLine, std::wstring_view workFolder, ShowMode show) override;
  bool PlaySoundFile(std::wstring_view path) override;
};

struct Win32Machine {
  Win32FileSystem fs;
  Win32Registry reg;
  Win32Ini ini;
  Win32System sys;
  Win32Desktop desktop;
  Machine machine{fs, reg, ini, sys, desktop};
};

}  // namespace zel::win32
