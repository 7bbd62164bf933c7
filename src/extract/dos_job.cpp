#include "extract/dos_job.h"

#include "base/cp932.h"
#include "base/path.h"
#include "base/text.h"

namespace zel {

bool IsBatchSafe(std::wstring_view text, std::string* encoded) {
  if (text.empty()) return false;
  std::string bytes;
  if (!ToCp932Exact(text, bytes)) return false;
  for (unsigned char b : bytes) {
    if (b < 0x20 || b == 0x7F) return false;
    switch (b) {
      case '&': case '|': case '<': case '>': case '^': case '%': case '"': return false;
      default: break;
    }
  }
  if (encoded) *encoded = std::move(bytes);
  return true;
}

std::wstring DosPifPath(const Environment& env) { return env.WinDir + L"\\PIF\\LHA.PIF"; }
std::wstring DosBatchPath(const Environment& env) { return env.WinDir + L"\\PIF\\ZEL32.BAT"; }

bool IsDriveLetterPath(std::wstring_view path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

std::wstring BatchArgument(std::wstring_view path) {
  if (path.find_first_of(L" ,;=\t") == std::wstring_view::npos) return std::wstring(path);
  return L"\"" + std::wstring(path) + L"\"";
}

std::vector<std::wstring> DosJobLines(std::wstring_view dest, std::wstring_view command) {
  std::vector<std::wstring> lines;
  lines.emplace_back(L"@ECHO OFF");
  lines.push_back(std::wstring(dest.substr(0, 2)));
  lines.push_back(L"CD " + BatchArgument(dest));
  lines.emplace_back(command);
  return lines;
}

std::string DosJobBytes(const std::vector<std::wstring>& lines) {
  std::string out;
  for (const std::wstring& line : lines) {
    AppendCp932(line, out);
    out += "\r\n";
  }
  return out;
}

}  // namespace zel
