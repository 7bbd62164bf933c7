// The program's own ZIP and LZH reading, used when the archive library of
// the kind is absent or cannot be loaded: the extraction into a folder and
// the contents list, with the console lines and questions of the library
// path.
//
// An archive is hostile input. Before anything is written every name is
// checked (no "..", absolute path, drive letter, stream name, reserved
// device name, or link entry), and the declared sizes are checked against
// the target drive's free space and a thousandfold of the archive's size.
// Each file is expanded and checked (size and CRC) in memory before it is
// written, so a damaged entry leaves no part-written file. A file that exists
// is replaced only after the user said yes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "extract/extract.h"

namespace zel {

// Where an entry name would land: empty when it is a safe relative path (its
// components, "." dropped, go to *parts), else the reason it is refused.
std::wstring UnsafeNameReason(std::wstring_view name, std::vector<std::wstring>* parts);

// Extracts every entry into dest (an existing folder). On failure the user is
// told why with the archive's name; true when everything was extracted (or
// left as it was because the user kept an existing file).
bool BuiltInExtract(const Services& x, ArchiveType type, std::wstring_view archive, std::wstring_view dest);

// The contents as console lines: the size 10 wide, two blanks, the name ("\"
// after a folder). False (with the reason on the console) when the archive
// cannot be read.
bool BuiltInList(const Services& x, ArchiveType type, std::wstring_view archive);

}  // namespace zel
