// A file system for the tests of what a crash leaves: it delegates to the
// memory file system and throws Crash at its n-th change, as a machine that
// loses power would stop the program; the write or copy it stops is left
// half done. changes counts the changes made before it.
#pragma once

#include "platform/memory/memory_machine.h"

namespace zel::testing {

struct Crash {};

class CrashingFileSystem : public FileSystem {
 public:
  CrashingFileSystem(MemoryFileSystem& fs, int crashAt) : fs_(fs), left_(crashAt) {}
  FsError Enumerate(std::wstring_view p, const EntrySink& s) override { return fs_.Enumerate(p, s); }
  std::optional<FileEntry> Stat(std::wstring_view p) override { return fs_.Stat(p); }
  FsError MakeFolder(std::wstring_view p) override { return Step() ? fs_.MakeFolder(p) : FsError::None; }
  FsError RemoveFolder(std::wstring_view p) override { return Step() ? fs_.RemoveFolder(p) : FsError::None; }
  FsError RemoveFile(std::wstring_view p) override { return Step() ? fs_.RemoveFile(p) : FsError::None; }
  FsError CopyOne(std::wstring_view a, std::wstring_view b, bool o) override {
    if (left_ == 0) IgnoreError(fs_.WriteBytes(b, fs_.Content(a).substr(0, fs_.Content(a).size() / 2)));
    return Step() ? fs_.CopyOne(a, b, o) : FsError::None;
  }
  FsError MoveOne(std::wstring_view a, std::wstring_view b, bool r) override {
    return Step() ? fs_.MoveOne(a, b, r) : FsError::None;
  }
  FsError SetAttributes(std::wstring_view p, std::uint32_t a) override {
    return Step() ? fs_.SetAttributes(p, a) : FsError::None;
  }
  FsError ReadBytes(std::wstring_view p, std::string& b) override { return fs_.ReadBytes(p, b); }
  FsError ReadHead(std::wstring_view p, size_t n, std::string& b) override { return fs_.ReadHead(p, n, b); }
  FsError ExpandOne(std::wstring_view a, std::wstring_view b) override { return Step() ? fs_.ExpandOne(a, b) : FsError::None; }
  FsError WriteBytes(std::wstring_view p, std::string_view b) override {
    if (left_ == 0) IgnoreError(fs_.WriteBytes(p, b.substr(0, b.size() / 2)));
    return Step() ? fs_.WriteBytes(p, b) : FsError::None;
  }
  FsError AppendBytes(std::wstring_view p, std::string_view b) override {
    return Step() ? fs_.AppendBytes(p, b) : FsError::None;
  }
  DriveType DriveTypeOf(std::wstring_view r) override { return fs_.DriveTypeOf(r); }
  std::optional<DiskSpace> SpaceOf(std::wstring_view r, bool e) override { return fs_.SpaceOf(r, e); }
  std::optional<VolumeId> VolumeOf(std::wstring_view r) override { return fs_.VolumeOf(r); }
  std::optional<std::wstring> ShortPathOf(std::wstring_view p) override { return fs_.ShortPathOf(p); }
  bool SetCurrentFolder(std::wstring_view p) override { return fs_.SetCurrentFolder(p); }
  std::wstring ErrorMessage(FsError e) override { return fs_.ErrorMessage(e); }
  int changes = 0;

 private:
  bool Step() {
    if (left_-- == 0) throw Crash();
    ++changes;
    return true;
  }
  MemoryFileSystem& fs_;
  int left_;
};

}  // namespace zel::testing
