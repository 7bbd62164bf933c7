// Listing the monitored folders: one folder's file list, and the record of
// the folders below the Windows folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "report/report_log.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"

namespace zel {

// Why a listing ended the program: the place words and the detail line of the
// message ("Listup Files", "Files: " + the error text).
struct ListingStop {
  std::wstring place;
  std::wstring detail;
};

// The message that ends the program after a listing stop.
std::wstring ListingStopMessage(const ListingStop& stop);

// Lists folder + "\*.*" into out. Names beginning with "." are skipped; a name
// whose code-page form lost characters is added to lossyPaths (as a full
// path). A folder that cannot be read is marked failed; a missing folder is
// listed empty. False (with *stop set) only for a name longer than 255
// characters, which ends the program.
bool ListFiles(FileSystem& fs, FrontEnd& fe, std::wstring_view folder, FileList& out,
               std::vector<std::wstring>* lossyPaths, ListingStop* stop);

struct SubfolderListing {
  const MainFolderList& main;
  int checkLevel;
  ReportLog* report;  // null when the setting "Report" is off
  std::vector<std::wstring>* lossyPaths;
};

// "Listup Sub": the subfolder record from the Windows folder down, one level
// of subfolders at CheckLevel 1, the whole tree at 2. Never enters links, the
// program's own folders or the skipped system folders.
bool ListupSub(const Services& sv, const SubfolderListing& request, SubfolderRecord& out, ListingStop* stop);

// A description of a file-system error for messages.
std::wstring ErrorText(FsError error);

}  // namespace zel
