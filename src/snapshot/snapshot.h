// The state recorded before a test: the file lists of the monitored folders,
// the Windows and system folders and the drive roots, and the subfolder record
// below the Windows folder. Texts are code page 932 bytes, in memory as on
// disk, so that names are looked up in one domain at snapshot, check and wash.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace zel {

struct RegRecord;
// A registry record, shared and never changed; equal by content.
struct RegRecordHandle {
  std::shared_ptr<const RegRecord> record;
  bool operator==(const RegRecordHandle& other) const;  // snapshot/value_record.cpp
  explicit operator bool() const { return record != nullptr; }
  const RegRecord& operator*() const { return *record; }
};

// One folder's entries: 16 upper-case hex digits of the last-write time,
// "/", the name and "|" per entry, in enumeration order.
struct FileList {
  std::string text;
  // The folder could not be read: its content is unknown, not empty, and no
  // later step may take anything in it for an addition.
  bool failed = false;
  // The folder itself was a link (a reparse point) when it was listed, as a
  // user may have set up a redirected folder. One that becomes a link later
  // leads somewhere the snapshot never saw and is not entered.
  bool link = false;
  bool operator==(const FileList&) const = default;
};

// The record of the folders below the Windows folder ("|" + entries, each
// entry the path relative to the Windows folder, upper-cased, "/" after a
// folder, and "|").
struct SubfolderRecord {
  std::string text;
  // The CheckLevel the listing ran at: at 1 the second-level folders are named
  // but their files were never listed; at 0 there is no record at all.
  int level = 0;
  // Folders named in the record but never entered, in the record's own form
  // ("|" + "REL\NAME/" + "|" ...): links, the program's own folders and
  // folders whose listing failed. Nothing inside them is ever an addition.
  std::string unentered = "|";
  // The Windows folder itself could not be read: the record is unknown.
  bool failed = false;
  bool operator==(const SubfolderRecord&) const = default;
};

struct MainFolderListing {
  std::wstring entry;  // kind digit followed by the folder path
  FileList list;
  bool operator==(const MainFolderListing&) const = default;
};

struct Snapshot {
  std::wstring date;  // "YYYY/MM/DD"
  // The file time (UTC) at the start of the preparation: a folder created
  // before it existed before the test, whatever its name is now.
  std::uint64_t takenAt = 0;
  FileList windows;
  std::array<FileList, 5> system;
  // "/" + upper-cased name + "/" per folder of the drive root; empty for
  // drives not listed.
  std::array<std::string, 26> driveRoots;
  // The drive's root could not be read: the drive is never washed.
  std::array<bool, 26> driveRootFailed{};
  std::array<std::uint64_t, 26> freeSpace{};
  // Serial number and size of each fixed drive listed: a drive that shows
  // another volume later is not the disk the snapshot saw.
  std::array<std::optional<VolumeId>, 26> volumes{};
  int checkLevel = 1;
  std::vector<MainFolderListing> main;
  SubfolderRecord deeper;
  // Full paths of names whose code-page form lost characters: never deleted
  // or overwritten.
  std::vector<std::wstring> lossyPaths;
  // Last-write times of the registry hive files (user, system) when the
  // snapshot was taken; 0 for a hive that was not there.
  std::uint64_t userHiveTime = 0;
  std::uint64_t systemHiveTime = 0;
  // The uninstall key was exported completely at the snapshot.
  bool uninstallExported = false;
  // The registry record at key and value level (Zel32.rgv), when one was
  // taken: the present-day kind with the setting on.
  RegRecordHandle registry;
  bool operator==(const Snapshot&) const = default;
};

}  // namespace zel
