#include "base/cp932.h"

#include <cstdint>

namespace zel {
namespace tables {
extern const std::uint16_t kCp932Encode[0x10000];
extern const std::uint16_t kCp932DecodeSingle[256];
extern const std::uint8_t kCp932LeadIndex[256];
extern const std::uint16_t kCp932DecodeDouble[][256];
}  // namespace tables

bool IsCp932Lead(unsigned char b) { return tables::kCp932LeadIndex[b] != 0; }

bool AppendCp932(std::wstring_view text, std::string& out) {
  bool exact = true;
  for (size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = static_cast<std::uint32_t>(text[i]);
    if (c == 0) {
      out += '\0';
      continue;
    }
    if (c > 0xFFFF) {  // a whole code point beyond the BMP (32-bit wchar_t)
      out += '?';
      exact = false;
      continue;
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      std::uint32_t lo = static_cast<std::uint32_t>(text[i + 1]);
      if (lo >= 0xDC00 && lo < 0xE000) ++i;  // one character, one "?"
      out += '?';
      exact = false;
      continue;
    }
    std::uint16_t code = tables::kCp932Encode[c];
    if (code == 0) {
      out += '?';
      exact = false;
    } else if (code < 0x100) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  }
  return exact;
}

std::string ToCp932(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  AppendCp932(text, out);
  return out;
}

bool ToCp932Exact(std::wstring_view text, std::string& out) {
  out.clear();
  return AppendCp932(text, out);
}

std::wstring FromCp932(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == 0) {
      out += L'\0';
      continue;
    }
    std::uint8_t lead = tables::kCp932LeadIndex[b];
    if (lead == 0) {
      std::uint16_t c = tables::kCp932DecodeSingle[b];
      out += c ? static_cast<wchar_t>(c) : L'\x30FB';
      continue;
    }
    if (i + 1 >= bytes.size()) {
      out += L'\x30FB';
      break;
    }
    std::uint16_t c = tables::kCp932DecodeDouble[lead - 1][static_cast<unsigned char>(bytes[i + 1])];
    if (c) {
      out += static_cast<wchar_t>(c);
      ++i;
    } else {
      out += L'\x30FB';
    }
  }
  return out;
}

}  // namespace zel
