#include "base/format.h"

#include <climits>

namespace zel {
namespace {

const char kHexDigits[] = "0123456789ABCDEF";

std::wstring HexPadded(std::uint32_t n, int width) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(kHexDigits[n & 0xF]));
    n >>= 4;
  } while (n != 0);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

}  // namespace

std::wstring Hex2(std::uint32_t n) { return HexPadded(n, 2); }
std::wstring Hex4(std::uint32_t n) { return HexPadded(n, 4); }
std::wstring Hex8(std::uint32_t n) { return HexPadded(n, 8); }

std::wstring ZeroPad(long long n, int width) {
  bool negative = n < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::wstring digits = std::to_wstring(magnitude);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), L'0');
  return negative ? L"-" + digits : digits;
}

std::wstring NumText(long long n) { return n < 0 ? std::to_wstring(n) : L" " + std::to_wstring(n); }

std::wstring Grouped(long long n) {
  bool negative = n < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
  std::wstring digits = std::to_wstring(magnitude);
  std::wstring out;
  int count = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    out.insert(out.begin(), digits[i]);
    if (++count % 3 == 0 && i > 0) out.insert(out.begin(), L',');
  }
  return negative ? L"-" + out : out;
}

void AppendTime16(std::string& out, std::uint64_t fileTime) {
  char buf[16];
  for (int i = 15; i >= 0; --i) {
    buf[i] = kHexDigits[fileTime & 0xF];
    fileTime >>= 4;
  }
  out.append(buf, 16);
}

std::wstring Time16(std::uint64_t fileTime) {
  std::string bytes;
  AppendTime16(bytes, fileTime);
  return std::wstring(bytes.begin(), bytes.end());
}

std::int32_t ParseLeadingInt(std::wstring_view text, bool* found) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
    negative = text[i] == L'-';
    ++i;
  }
  long long value = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    any = true;
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[i] - L'0');
  }
  if (found) *found = any;
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<std::int32_t>(value);
}

bool ParseHex(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 16) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  value = v;
  return true;
}

}  // namespace zel
