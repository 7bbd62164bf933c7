// The libraries a program brings: DLL, OCX and VBX files in its folder are
// copied into the system folder when Windows has none of that name, so that
// the program finds them, and the wash finds the copies as additions. Every
// name the program brings goes into the attached-library list, and an
// existing system library of that name is saved first, so that the wash can
// put it back if the program overwrites it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/services.h"

namespace zel {

struct LibraryCopy {
  const Services& sv;
  // "/" + upper-cased name + "|" for every library and module the program
  // brings, copied or not.
  std::wstring& attached;
  // Where the existing system libraries of those names are saved.
  std::wstring saveFolder;
  bool copiedAny = false;
};

// The folder that keeps the saved system libraries: WorkDir + "\Library".
std::wstring LibrarySaveFolder(const Environment& env);

// Source folders whose neighbours are the system's own libraries: nothing
// there is attached, saved, copied or expanded.
bool IsQuietFolder(const Environment& env, std::wstring_view folder);

// The main pass ("DLL"), then the module passes for "OCX" and "VBX", then the
// compressed names ("_" at the end).
void CopyLibraries(LibraryCopy& copy, std::wstring_view folder);
// One pass of a type: "DLL" (the main pass, with its own clash lines) or a module
// type; the launch also uses it with "SCR" for a screen saver.
void CopyModules(LibraryCopy& copy, std::wstring_view folder, std::wstring_view type);
void CopyCompressed(LibraryCopy& copy, std::wstring_view folder);

// "YYYY/MM/DD" of a file time (UTC file time in local time, as given).
std::wstring FileDateText(const LocalTime& t);

}  // namespace zel
