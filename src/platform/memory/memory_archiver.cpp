#include "platform/memory/memory_archiver.h"

#include <algorithm>

#include "base/text.h"

namespace zel {

std::optional<int> MemoryArchiveLibraries::Run(std::wstring_view libraryPath, const char* entry,
                                               std::string_view commandLine, std::string* out) {
  if (out) out->clear();
  for (const std::wstring& path : unloadable) {
    if (EqualsNoCase(path, libraryPath)) return std::nullopt;
  }
  if (std::find(missingEntries.begin(), missingEntries.end(), entry) != missingEntries.end()) return std::nullopt;
  calls.push_back({std::wstring(libraryPath), entry, std::string(commandLine)});
  if (handler) {
    std::string text;
    int r = handler(calls.back(), &text);
    if (out) *out = text;
    return r;
  }
  if (out) *out = output;
  return result;
}

}  // namespace zel
