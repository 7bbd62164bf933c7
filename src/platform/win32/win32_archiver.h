// The archive libraries on LoadLibraryExW and GetProcAddress.
#pragma once

#include <cstddef>

#include "platform/archiver.h"

namespace zel::win32 {

class Win32ArchiveLibraries : public ArchiveLibraries {
 public:
  // The size of the output buffer handed to the entry point.
  static constexpr std::size_t kOutputBytes = 64 * 1024;

  std::optional<int> Run(std::wstring_view libraryPath, const char* entry, std::string_view commandLine,
                         std::string* output) override;
};

}  // namespace zel::win32
