#include "startup/restart_marks.h"

#include "base/cp932.h"

namespace zel {

const wchar_t kAutoexecMarker[] = L"rem ---これ以下は、Zel32自動挿入---";
const wchar_t kRestartBatchName[] = L"Zel.BAT";

size_t MarkerLineAt(const std::string& bytes) {
  const std::string marker = ToCp932(kAutoexecMarker);
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string_view line(bytes.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line == marker) return start;
    start = end + 1;
  }
  return std::string::npos;
}

bool HoldsRestartBlock(FileSystem& fs, std::wstring_view autoexec) {
  std::string bytes;
  return fs.ReadBytes(autoexec, bytes) == FsError::None && MarkerLineAt(bytes) != std::string::npos;
}

bool RegistryRestorePending(FileSystem& fs, const Environment& env) {
  if (!env.RegClearPath.empty() && fs.Stat(env.RegClearPath)) return true;
  return !env.AutoexecBat.empty() && HoldsRestartBlock(fs, env.AutoexecBat);
}

std::wstring RestartBatchPath(const Environment& env) { return env.BootDrive + kRestartBatchName; }

}  // namespace zel
