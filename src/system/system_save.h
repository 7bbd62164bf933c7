// The system save: choosing the set folder, and the save of the Windows
// folder and the root of the Windows drive into it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel {

// --- the set folder ---------------------------------------------------------------

// "RecoveryDir", or WorkDir + "\Recovery".
std::wstring CurrentSetFolder(const Settings& settings, const Environment& env);

enum class SetFolderRefusal {
  None,
  TooLittleSpace,  // less than 80 MiB free on its drive
  TooShort,        // fewer than 4 characters, or not a full "X:\..." path
  CannotCreate,
  HoldsWindows,    // the Windows folder itself, or a folder above it
};

// Checks a chosen folder in the order the user hears about it, and makes it
// when it is missing. folder loses a trailing "\".
SetFolderRefusal CheckSetFolder(Machine& m, const Environment& env, std::wstring& folder);
std::wstring SetFolderRefusalText(SetFolderRefusal refusal);

// Asks for the folder with the chooser (given the folder to open on) until
// one is accepted; each refusal is shown, then the chooser opens again. Empty
// when the user cancels.
using FolderChooser = std::function<std::wstring(const std::wstring& initial)>;
std::wstring ChooseSetFolder(Machine& m, FrontEnd& fe, const Environment& env, const std::wstring& initial,
                             const FolderChooser& choose);

// --- the save ------------------------------------------------------------------------

// "現在のシステムを保存します", OK + Cancel with Cancel the default: true on OK.
bool ConfirmSave(FrontEnd& fe);

struct SaveResult {
  bool saved = false;          // "Recovery.dat" was written
  size_t copied = 0;           // files copied into the set
  std::vector<std::wstring> uncopied;  // files that could not be copied (in use...)
};

// Deletes "Recovery.dat", walks the Windows folder (copying new and changed
// files, writing "Windows.lst"), writes "Program.lst", walks the root of the
// Windows drive ("Root.lst"), then writes "Recovery.dat", stores the folder
// as "RecoveryDir" and says "保存が完了しました". A save that stops early
// (the Windows folder unreadable, the set's disk full, a list that cannot be
// written) says why and leaves no "Recovery.dat". Copies are never deleted.
// The folder being saved is shown through SetStatus; files that could not be
// copied are listed through AppendConsole.
SaveResult SaveSystem(Machine& m, FrontEnd& fe, const Environment& env, Settings& settings,
                      const std::wstring& setFolder);

// Makes the folder and any missing folders above it; true when it exists.
bool EnsureFolder(FileSystem& fs, const std::wstring& folder);

}  // namespace zel
