// The archive libraries (UNLHA32.DLL, UNZIP32.DLL): loaded by full path for
// one call of their command entry point and unloaded again.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zel {

class ArchiveLibraries {
 public:
  virtual ~ArchiveLibraries() = default;
  // Loads the library at libraryPath (a full path; never a search), calls its
  // entry point "int WINAPI entry(HWND, LPCSTR commandLine, LPSTR output,
  // DWORD size)" with the command line in code page 932 bytes, and unloads it.
  // Returns the entry point's result (0 is success) and sets *output to the
  // text it wrote, cut at its first NUL. nullopt when the library cannot be
  // loaded (missing, damaged, or built for another architecture) or lacks the
  // entry point.
  virtual std::optional<int> Run(std::wstring_view libraryPath, const char* entry, std::string_view commandLine,
                                 std::string* output) = 0;
};

}  // namespace zel
