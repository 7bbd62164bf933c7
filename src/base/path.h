// Path text helpers. Paths are Windows paths with "\" separators and no
// trailing "\" unless they are a drive root ("C:\").
#pragma once

#include <string>
#include <string_view>

namespace zel {

// The text before the last "\" (empty when there is none).
std::wstring ParentFolder(std::wstring_view path);
// The text after the last "\" (the whole text when there is none).
std::wstring LastComponent(std::wstring_view path);
// folder + "\" + name, without doubling a trailing "\" of a drive root.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);
// The text after the last "." of the name, upper-cased; empty when none.
std::wstring UpperExtension(std::wstring_view name);
// True when path equals folder or lies below it (case-blind).
bool IsSameOrBelow(std::wstring_view path, std::wstring_view folder);

// Windows wildcard match of one name: "*" and "?", case-blind, and the old
// rules that "*.*" matches every name and a trailing ".*" also matches a name
// without an extension.
bool MatchWildcard(std::wstring_view pattern, std::wstring_view name);

}  // namespace zel
