// Walking the entries of the snapshot texts. The texts are code page 932
// bytes, where "|" (0x7C) and "\" (0x5C) also occur as the second byte of a
// two-byte character ("ポ" is 83 7C): entries are split on character
// boundaries, never by a plain byte search.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zel {

// Calls visit(time16, name) for each "<16 hex digits>/<name>|" entry of a file
// list. Returns false when the text is not well formed (it then stops).
bool ForEachFileEntry(std::string_view text, const std::function<void(std::string_view, std::string_view)>& visit);

// Calls visit(item) for each item between "|" separators of a record that
// begins with "|" ("|A/|A\B|"). Returns false when the text is not well formed.
bool ForEachRecordItem(std::string_view text, const std::function<void(std::string_view)>& visit);

// The number of entries of a file list (0 for a malformed text).
size_t CountFileEntries(std::string_view text);

// The position of the next byte equal to c at a character boundary at or after
// from, or npos.
size_t FindCharCp932(std::string_view text, char c, size_t from);

}  // namespace zel
