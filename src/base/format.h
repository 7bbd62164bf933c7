// Number formatting in the forms the program's files and settings use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

// Upper-case hexadecimal, left-padded with "0" to 2, 4 and 8 digits. A value
// wider than the field keeps all its digits.
std::wstring Hex2(std::uint32_t n);
std::wstring Hex4(std::uint32_t n);
std::wstring Hex8(std::uint32_t n);
// Decimal text left-padded with "0" to width; a negative number keeps its sign
// in front of the padding.
std::wstring ZeroPad(long long n, int width);
// Decimal with one leading blank when not negative: " 1", " 0", "-1".
std::wstring NumText(long long n);
// Thousands separators: 1234567 -> "1,234,567".
std::wstring Grouped(long long n);

// 16 upper-case hexadecimal digits of a 64-bit file time, high word first,
// appended to a byte string (the file-list entry form).
void AppendTime16(std::string& out, std::uint64_t fileTime);
std::wstring Time16(std::uint64_t fileTime);

// The leading decimal number of a text: blanks, an optional sign, digits;
// stops at the first other character. "abc" gives 0, " 12x" gives 12.
// Sets *found when a digit was seen. Clamps to the 32-bit range.
std::int32_t ParseLeadingInt(std::wstring_view text, bool* found = nullptr);
// Upper or lower-case hexadecimal; false when a character is not a hex digit
// or the text is empty.
bool ParseHex(std::string_view text, std::uint64_t& value);

}  // namespace zel
