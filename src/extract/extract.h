// Archive extraction for the main window's extract button (F6), its right
// button (a folder the user names) and the archive-contents button.
//
// Routing, for an ".LZH" or ".ZIP" file or a self-extracting ".EXE" (kinds 4,
// 8 and 20 of its header):
//   1. an MS-DOS self-extracting LZH (4) with the setting ExtractDos runs
//      itself in an MS-DOS window (the job batch, see dos_job.h);
//   2. else UNLHA32.DLL ("Unlha") or UNZIP32.DLL ("UnZip") of the system
//      folder when it is there and loads;
//   3. else the program's own reader (builtin.h), when the environment says
//      the kind can be read;
//   4. else the user is told that no extraction program was found.
// Every failure is told to the user; nothing that failed reports success.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/archiver.h"
#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "testrun/exe_kind.h"

namespace zel {

enum class ArchiveType { None, Lzh, Zip };

// What the extraction works with; the references outlive the call.
enum class ExtractResult {
  Extracted,     // the library or the program's own reader extracted the archive
  DosStarted,    // the MS-DOS job was started; it runs on its own and is not awaited
  Failed,        // the library or the start reported an error
  NotAnArchive,  // neither LZH nor ZIP, nor a self-extracting program
  NoExtractor,   // neither the library nor the MS-DOS program is there
  Refused,       // a path the library or the batch cannot take safely, or a destination of the program's own
  NoFolder,      // no temporary folder could be made, or the named destination does not exist
};

struct ExtractOutcome {
  ExtractResult result = ExtractResult::Failed;
  // The folder extracted into. For the temporary extraction it is set
  // whenever a folder made for it remains, also after a failure (it may hold
  // part of the archive): the window holds it and the wash deletes it. An
  // empty folder left by a failure is removed again and not reported. For a
  // named folder it is that folder, on success only.
  std::wstring folder;
  int code = 0;  // the library's result when it ran
  bool Succeeded() const { return result == ExtractResult::Extracted || result == ExtractResult::DosStarted; }
};

// "UNLHA32.DLL" / "UNZIP32.DLL" and their entry points "Unlha" / "UnZip".
const wchar_t* LibraryName(ArchiveType type);
const char* LibraryEntry(ArchiveType type);
// The environment says archives of the type can be read (HasUnlha, HasUnzip).
bool HasLibrary(const Environment& env, ArchiveType type);
// The archive library of the type is in the system folder.
bool LibraryPresent(Machine& m, const Environment& env, ArchiveType type);

// By the upper-case extension ("LZH", "ZIP"), and for "EXE" by the header kind.
ArchiveType ArchiveTypeOf(std::wstring_view upperExt, std::optional<ExeKind> kind);

// The library commands: extraction of every entry with its folders into dest
// (a trailing "\" added), and the listing. Paths are quoted.
//   Unlha: x -a1 "<archive>" "<dest>\" *
//   UnZip: x "<archive>" "<dest>\" *
//   both:  l "<archive>"
std::wstring LibraryExtractCommand(ArchiveType type, std::wstring_view archive, std::wstring_view dest);
std::wstring LibraryListCommand(std::wstring_view archive);

// The message when the kind cannot be read.
std::wstring NotFoundMessage(ArchiveType type);

// A new, empty folder for one extraction: "<base>\ZEL" + four digits, the
// first number from 0001 whose folder could be created (an existing name is
// never reused). The base is the first of the TEMP and TMP variables and the
// Windows folder's "TEMP" that is an existing folder on a fixed disk ("X:\..."),
// outside the program's folder and its work folder. Empty when none works.
std::wstring MakeTemporaryFolder(Machine& m, const Environment& env);

// The extract button: into a new temporary folder.
ExtractOutcome ExtractToTemporary(const Services& x, std::wstring_view archive);
// The right button: into dest, an existing folder the user named (never one
// of the program's own folders).
ExtractOutcome ExtractToFolder(const Services& x, std::wstring_view archive, std::wstring_view dest);
// The archive-contents button: the library's listing (or the program's own)
// as console lines. When the kind cannot be read the console says that the
// library is missing. True when it listed.
bool ListArchive(const Services& x, std::wstring_view archive);

}  // namespace zel
