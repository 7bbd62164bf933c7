// Archive libraries for unit tests: records every call and answers from a
// script; a handler may act on the in-memory machine as the library would.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/archiver.h"

namespace zel {

class MemoryArchiveLibraries : public ArchiveLibraries {
 public:
  struct Call {
    std::wstring library;
    std::string entry;
    std::string commandLine;  // code page 932 bytes
  };

  std::vector<Call> calls;
  // Libraries (full paths, case-blind) that fail to load.
  std::vector<std::wstring> unloadable;
  // Entry points every library lacks.
  std::vector<std::string> missingEntries;
  // Result and output of a call when no handler is set.
  int result = 0;
  std::string output;
  // Called for each call after it loaded; its return value is the result.
  std::function<int(const Call& call, std::string* output)> handler;

  std::optional<int> Run(std::wstring_view libraryPath, const char* entry, std::string_view commandLine,
                         std::string* output) override;
};

}  // namespace zel
