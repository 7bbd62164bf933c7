// An in-memory machine for fast unit tests of the portable core: drives with
// folders, files, links and failures, a registry, INI files kept as real file
// text in the memory drives, a clock and a desktop. It behaves like the
// platform where the core depends on it (enumeration order, "." entries,
// pattern matching, case-blind names, kept last-write times on copies).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/filesystem.h"
#include "platform/ini.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace zel {

class MemoryFileSystem : public FileSystem {
 public:
  struct Node {
    std::wstring name;
    std::uint32_t attributes = 0;
    std::uint64_t lastWrite = 0;
    std::uint64_t creation = 0;
    std::string content;
    std::vector<std::unique_ptr<Node>> children;  // in enumeration order
    std::wstring linkTarget;                      // set for a link to a folder
    std::wstring shortName;                       // the 8.3 name of a longer name, when it has one
    bool unreadable = false;                      // enumeration fails
    bool inUse = false;                           // deletion fails
    bool IsFolder() const { return (attributes & attr::kDirectory) != 0; }
  };

  explicit MemoryFileSystem(std::uint64_t* clock);

  // Set-up helpers for tests. Paths are absolute ("C:\a\b"); missing parent
  // folders are created. Times of 0 take the current clock.
  void AddDrive(wchar_t letter, DriveType type, std::uint64_t freeBytes = 1ULL << 32,
                std::uint64_t totalBytes = 1ULL << 36);
  void RemoveDrive(wchar_t letter);
  void SetFreeSpace(wchar_t letter, std::uint64_t freeBytes);
  void SetVolume(wchar_t letter, std::uint32_t serial);
  Node& AddFolder(std::wstring_view path, std::uint64_t time = 0);
  Node& AddFile(std::wstring_view path, std::string_view content = {}, std::uint64_t lastWrite = 0);
  // A link at path that leads to the folder target.
  Node& AddLink(std::wstring_view path, std::wstring_view target);
  void SetUnreadable(std::wstring_view path, bool unreadable = true);
  void SetInUse(std::wstring_view path, bool inUse = true);
  // Gives the entry at path a short (8.3) name. Without one, ShortPathOf
  // gives the entry's own name, as the platform does for a name that is
  // already in 8.3 form or has no short name (a volume that makes none).
  void SetShortName(std::wstring_view path, std::wstring_view shortName);
  // Makes every folder creation below this path fail.
  void FailCreationBelow(std::wstring_view path) { failCreate_ = path; }
  bool Exists(std::wstring_view path);
  std::string Content(std::wstring_view path);
  Node* Find(std::wstring_view path);
  std::wstring CurrentFolder() const { return current_; }

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

  // The moves asked for the next start of Windows, in order; RunRestartMoves
  // carries them out as that start does (a missing source is passed over).
  struct RestartMove {
    std::wstring from, to;  // to empty: delete
  };
  std::vector<RestartMove> restartMoves;
  void RunRestartMoves();

 private:
  struct Drive {
    DriveType type = DriveType::Fixed;
    std::uint64_t freeBytes = 0, totalBytes = 0;
    std::uint32_t serial = 0;
    Node root;
  };
  // Resolves a path to its node, following links in the folders on the way
  // (and in the last component when followLast is set).
  Node* Resolve(std::wstring_view path, bool followLast, Node** parent = nullptr);
  Node* ParentFor(std::wstring_view path, std::wstring* leaf, FsError* error);
  std::uint64_t Now() { return ++*clock_; }

  std::uint64_t* clock_;
  std::map<wchar_t, Drive> drives_;
  std::wstring current_;
  std::wstring failCreate_;
};

// The registry as a tree of keys with exact names and typed values. On a
// machine with two views (the default), HKLM\SOFTWARE in the 32-bit view is
// kept under HKLM\SOFTWARE\Wow6432Node, as on a 64-bit Windows, and that key
// is not listed in the 32-bit view. Keys are listed in the order of their
// upper-case names, values in the order they were made.
class MemoryRegistry : public Registry {
 public:
  struct Value {
    std::wstring name;
    std::uint32_t type = 0;
    std::string data;
  };
  struct Key {
    std::wstring name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> subkeys;
    bool unreadable = false;  // opening it fails
    bool readOnly = false;    // writes and deletions in it fail
  };

  // A REG_SZ value (UTF-16 with its NUL), as the platform stores text.
  void Set(RegRoot root, std::wstring_view key, std::wstring_view value, std::wstring_view data);
  void Put(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name, std::uint32_t type,
           std::string_view data);
  bool HasKey(RegRoot root, std::wstring_view key, RegView view = RegView::Bits64);
  std::optional<Value> Get(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name);
  // The key, made with its parents when make is set; nullptr when missing.
  Key* Find(RegRoot root, RegView view, std::wstring_view key, bool make = false);
  bool twoViews = true;
  int writes = 0;  // successful changes, for tests that expect none

  std::wstring ReadText(RegRoot root, std::wstring_view key, std::wstring_view value) override;
  bool HasTwoViews() override { return twoViews; }
  RegError Walk(RegRoot root, RegView view, std::wstring_view key, RegWalker& walker) override;
  RegError SetValue(RegRoot root, RegView view, std::wstring_view key, const RegValueRef& value) override;
  RegError CreateKey(RegRoot root, RegView view, std::wstring_view key) override;
  RegError DeleteValue(RegRoot root, RegView view, std::wstring_view key, std::wstring_view name) override;
  RegError DeleteKey(RegRoot root, RegView view, std::wstring_view key) override;

 private:
  std::vector<std::wstring> PathOf(RegRoot root, RegView view, std::wstring_view key) const;
  // Finds along path; a key on the way that cannot be opened gives *error Denied.
  Key* Walkdown(RegRoot root, RegView view, std::wstring_view key, RegError* error);
  Key lm_, cu_;
};

// INI values live as text files (code page 932, CR LF) in the memory drives,
// so that copying a settings file carries its values, as on the platform.
class MemoryIni : public IniStore {
 public:
  explicit MemoryIni(MemoryFileSystem& fs) : fs_(fs) {}
  std::wstring ReadRaw(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                       size_t maxChars) override;
  bool WriteValue(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                  std::wstring_view value) override;

 private:
  MemoryFileSystem& fs_;
};

class MemorySystem : public System {
 public:
  explicit MemorySystem(std::uint64_t* clock) : clock_(clock) {}
  std::map<std::wstring, std::wstring> env;  // upper-case names
  std::wstring exePath = L"C:\\Zel32\\Zel32.exe";
  DisplayInfo display;
  LocalTime now{2026, 12, 6, 10, 30, 0};
  std::vector<std::wstring> removedFonts;
  int beeps = 0;

  std::wstring EnvVar(std::wstring_view name) override;
  std::wstring ExecutablePath() override { return exePath; }
  DisplayInfo Display() override { return display; }
  // What KnownFolderPath answers; missing roles give an empty path.
  std::map<KnownFolder, std::wstring> knownFolders;
  std::wstring KnownFolderPath(KnownFolder folder) override {
    auto it = knownFolders.find(folder);
    return it == knownFolders.end() ? std::wstring() : it->second;
  }
  bool RemoveFont(std::wstring_view path) override;
  void Beep() override { ++beeps; }
  LocalTime Now() override { return now; }
  // File times are taken as local times here (no time zone).
  LocalTime LocalTimeOf(std::uint64_t fileTime) override;
  std::uint64_t NowFileTime() override { return *clock_; }
  std::uint64_t TickMs() override { return tick_; }
  // Sleeping only advances the tick; onSleep then lets a test make another
  // program's work appear as time passes.
  void SleepMs(unsigned ms) override {
    tick_ += ms;
    if (onSleep) onSleep(tick_);
  }
  std::function<void(std::uint64_t tickMs)> onSleep;
  // What LoadedLibraries lists.
  std::vector<std::wstring> libraries;
  std::vector<std::wstring> LoadedLibraries() override { return libraries; }

 private:
  std::uint64_t* clock_;
  std::uint64_t tick_ = 0;
};

class MemoryDesktop : public Desktop {
 public:
  std::vector<TopWindow> windows;
  std::vector<std::wstring> opened;   // files given to the shell
  std::vector<std::wstring> started;  // command lines
  std::vector<std::wstring> played;   // sound files
  std::intptr_t shellResult = 42;
  bool startResult = true;
  // Called for each started command line after startResult allowed it, as the
  // started program would begin its work.
  std::function<void(std::wstring_view commandLine)> onStart;

  std::vector<TopWindow> TopLevelWindows() override { return windows; }
  bool WindowExists(WindowHandle window) override;
  WindowHandle FindTopLevel(std::wstring_view className, std::wstring_view title) override;
  bool BringToTop(WindowHandle) override { return true; }
  // Closes the window at once unless onPostClose says it stays.
  bool PostClose(WindowHandle window) override;
  std::vector<WindowHandle> closeRequests;
  std::function<bool(WindowHandle)> onPostClose;  // true: the window closes
  std::intptr_t ShellOpen(std::wstring_view file, std::wstring_view) override;
  bool StartProgram(std::wstring_view commandLine, std::wstring_view, ShowMode) override;
  bool PlaySoundFile(std::wstring_view path) override {
    played.emplace_back(path);
    return true;
  }
};

// A whole machine: drive C: fixed, the usual Windows XP folders and values
// are left to the test (see the unit tests' fixtures).
struct MemoryMachine {
  std::uint64_t clock = 0x01D0000000000000ULL;
  MemoryFileSystem fs{&clock};
  MemoryRegistry reg;
  MemoryIni ini{fs};
  MemorySystem sys{&clock};
  MemoryDesktop desktop;
  Machine machine{fs, reg, ini, sys, desktop};
};

}  // namespace zel
