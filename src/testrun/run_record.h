// The record of the test in progress, "Zel32.dir" in the work folder: what a
// check and a wash after a restart need to give the same lines as without it.
#pragma once

#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace zel {

struct RunRecord {
  std::wstring program;        // the program under test
  bool testDone = false;       // a program was started since the last wash
  bool installer = false;
  bool fromCdRom = false;      // the program under test lay on a CD-ROM (its browser, as a rule)
  std::wstring attached;       // "/" + NAME + "|" of every library the program brought
  std::wstring librarySaves;   // where the replaced system libraries were saved
  std::vector<std::wstring> temporaryFolders;  // made by the extraction
  bool batchAllowed = false;
  std::wstring dateStamp;      // "YYYY/MM/DD" of the start
  std::wstring programFolder;
  std::string programFolderList;  // its file list at the start (code page 932)

  bool operator==(const RunRecord&) const = default;
};

// The text of the record (UTF-8 lines, a check sum at the end).
std::string EncodeRunRecord(const RunRecord& record);
// False when the text is damaged (the caller treats it like a damaged snapshot).
bool DecodeRunRecord(std::string_view text, RunRecord& record);

// Written to a temporary file and moved over the old one.
FsError WriteRunRecord(FileSystem& fs, const std::wstring& path, const RunRecord& record);
enum class RunRecordRead { Read, Missing, Damaged };
RunRecordRead ReadRunRecord(FileSystem& fs, const std::wstring& path, RunRecord& record);

}  // namespace zel
