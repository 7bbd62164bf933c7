// Code page 932 (Shift-JIS as Windows defines it), the encoding of every text
// file the program writes and of the snapshot texts. A character without a
// mapping becomes "?", never a look-alike: "?" cannot occur in a real file
// name, so an encoded name that lost characters can never match another file.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// Appends the encoding of text to out. Returns false when a character had no
// mapping (the name lost characters). A surrogate pair counts as one character.
bool AppendCp932(std::wstring_view text, std::string& out);
std::string ToCp932(std::wstring_view text);
// Returns true and sets out when the text encodes without loss.
bool ToCp932Exact(std::wstring_view text, std::string& out);

// Decodes bytes; an undefined byte or pair becomes U+30FB ("・") so that the
// result is never shorter than the input suggests.
std::wstring FromCp932(std::string_view bytes);

// True when b is the first byte of a two-byte character.
bool IsCp932Lead(unsigned char b);

}  // namespace zel
