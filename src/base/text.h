// Text helpers shared by every subsystem: case folding with Windows' simple
// case mapping, trimming and searching.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

wchar_t UpperChar(wchar_t c);
wchar_t LowerChar(wchar_t c);
std::wstring ToUpper(std::wstring_view s);
std::wstring ToLower(std::wstring_view s);
// Only the letters A to Z are changed.
std::wstring AsciiLower(std::wstring_view s);

// Compares the way Windows compares file names: case-blind.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix);

// Removes leading and trailing blanks (space, tab, and the NUL that fixed
// buffers leave behind).
std::wstring Trim(std::wstring_view s);
// Cuts the text at its first NUL.
// The lines of a text: split at each LF, a CR before it dropped; no line
// after a final LF.
std::vector<std::wstring> SplitTextLines(std::wstring_view text);

std::wstring_view CutAtNul(std::wstring_view s);

inline bool Contains(std::wstring_view hay, std::wstring_view needle) {
  return hay.find(needle) != std::wstring_view::npos;
}

// "/" + item + "/" occurs in list, as the "/A/B/" lists of names are searched.
bool InSlashList(std::wstring_view list, std::wstring_view item);

// Converts UTF-8 (used only for messages to the developer console and test
// output) to and from the program's wide text.
std::wstring FromUtf8(std::string_view s);
std::string ToUtf8(std::wstring_view s);
// One code point as UTF-8, appended.
void AppendUtf8(std::string& out, std::uint32_t cp);

}  // namespace zel
