// The console lines written when a file is selected in the file list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace zel {

struct SelectedFile {
  std::wstring name;
  std::uint64_t size = 0;
  LocalTime modified;         // the last-write time in local time
  bool onCdRom = false;       // the file lies on a CD-ROM drive
  int executableKind = -1;    // for EXE files, the kind of its header; -1 unknown
  bool hasLibrary = false;    // the extraction library of an archive is present
  bool dosProgramsRun = true;  // MS-DOS programs can run on this Windows
};

// "YYYY/MM/DD HH:MM:SS".
std::wstring DateTimeText(const LocalTime& t);

// A blank line, "【name】 date time", the size line, then what the file is
// and what the test or extract button will do with it.
std::vector<std::wstring> SelectionLines(const SelectedFile& file);

}  // namespace zel
