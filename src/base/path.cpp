#include "base/path.h"

#include "base/text.h"

namespace zel {

std::wstring ParentFolder(std::wstring_view path) {
  size_t slash = path.rfind(L'\\');
  return slash == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, slash));
}

std::wstring LastComponent(std::wstring_view path) {
  size_t slash = path.rfind(L'\\');
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring out(folder);
  if (out.empty() || out.back() != L'\\') out += L'\\';
  out += name;
  return out;
}

std::wstring UpperExtension(std::wstring_view name) {
  size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos) return std::wstring();
  return ToUpper(name.substr(dot + 1));
}

bool IsSameOrBelow(std::wstring_view path, std::wstring_view folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.remove_suffix(1);
  if (folder.empty() || !StartsWithNoCase(path, folder)) return false;
  return path.size() == folder.size() || path[folder.size()] == L'\\';
}

namespace {

bool Glob(std::wstring_view p, std::wstring_view s) {
  size_t pi = 0, si = 0, starP = std::wstring_view::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && (p[pi] == L'?' || UpperChar(p[pi]) == UpperChar(s[si]))) {
      ++pi;
      ++si;
    } else if (pi < p.size() && p[pi] == L'*') {
      starP = pi++;
      starS = si;
    } else if (starP != std::wstring_view::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == L'*') ++pi;
  return pi == p.size();
}

}  // namespace

bool MatchWildcard(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*" || pattern == L"*.*") return true;
  if (Glob(pattern, name)) return true;
  // "NAME.*" also finds "NAME"; "*." finds names without an extension.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == L".*" &&
      name.find(L'.') == std::wstring_view::npos) {
    return Glob(pattern.substr(0, pattern.size() - 2), name);
  }
  if (!pattern.empty() && pattern.back() == L'.' && name.find(L'.') == std::wstring_view::npos) {
    return Glob(pattern.substr(0, pattern.size() - 1), name);
  }
  return false;
}

}  // namespace zel
