// The kind of an "EXE" file, decided from the first bytes of its header: an
// MS-DOS program, a Windows program, or one of the self-extracting archives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace zel {

// The 16-bit values the launch and the extraction act on.
enum class ExeKind : std::uint16_t {
  Windows = 0,       // a Windows program whose new header starts at 0x80
  WindowsOther = 1,  // a Windows program of another header layout
  Dos = 2,           // an MS-DOS program (also a "PK*" program with "PK" in its header)
  DosSfxLzh = 4,     // an MS-DOS self-extracting LZH archive
  SfxZip = 8,        // a self-extracting ZIP archive
  WinSfxLzh = 20,    // a Windows self-extracting LZH archive (an installer)
};

// The number of header bytes the decision reads.
constexpr std::size_t kExeHeaderBytes = 128;

// header: the first bytes of the file (more are ignored); upperName: the file
// name without its folder, upper-cased. A byte beyond the end of a short file
// reads as 0, as in a zero-filled header buffer: an empty or truncated file is
// an MS-DOS program (2), which the launch asks about before running.
ExeKind ExecutableKind(std::string_view header, std::wstring_view upperName);

// The file name of a path as the table compares it: the part after the last
// "\" (or, without one, after the first ":"), upper-cased.
std::wstring UpperFileName(std::wstring_view path);

// Reads the file's header and decides its kind; nullopt when it cannot be read.
std::optional<ExeKind> ReadExecutableKind(FileSystem& fs, std::wstring_view path);

// Self-extracting archives of any kind (4, 8, 20).
inline bool IsSelfExtracting(ExeKind kind) {
  return kind == ExeKind::DosSfxLzh || kind == ExeKind::SfxZip || kind == ExeKind::WinSfxLzh;
}

}  // namespace zel
