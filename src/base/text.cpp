#include "base/text.h"

#include <algorithm>
#include <cstdint>

namespace zel {
namespace tables {
extern const std::uint16_t kUpperFrom[];
extern const std::uint16_t kUpperTo[];
extern const std::uint32_t kUpperCount;
}  // namespace tables

namespace {

struct LowerTable {
  // Sorted by upper-case code point: the inverse of the generated mapping.
  std::uint16_t from[2048];
  std::uint16_t to[2048];
  std::uint32_t count = 0;
  LowerTable() {
    struct Pair {
      std::uint16_t up, low;
    };
    Pair pairs[2048];
    std::uint32_t n = 0;
    for (std::uint32_t i = 0; i < tables::kUpperCount && n < 2048; ++i) {
      pairs[n++] = {tables::kUpperTo[i], tables::kUpperFrom[i]};
    }
    std::stable_sort(pairs, pairs + n, [](const Pair& a, const Pair& b) { return a.up < b.up; });
    for (std::uint32_t i = 0; i < n; ++i) {
      if (count > 0 && from[count - 1] == pairs[i].up) continue;  // the first lower form wins
      from[count] = pairs[i].up;
      to[count] = pairs[i].low;
      ++count;
    }
  }
};

const LowerTable& Lower() {
  static const LowerTable table;
  return table;
}

wchar_t Lookup(const std::uint16_t* from, const std::uint16_t* to, std::uint32_t count, wchar_t c) {
  const std::uint16_t* end = from + count;
  const std::uint16_t* it = std::lower_bound(from, end, static_cast<std::uint16_t>(c));
  if (it != end && *it == static_cast<std::uint16_t>(c)) return static_cast<wchar_t>(to[it - from]);
  return c;
}

// wchar_t is 32 bits on the host: code points beyond the BMP have no mapping.
bool InBmp(wchar_t c) {
  return (static_cast<std::uint32_t>(c) & ~0xFFFFu) == 0;
}

}  // namespace

wchar_t UpperChar(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  if (!InBmp(c)) return c;
  return Lookup(tables::kUpperFrom, tables::kUpperTo, tables::kUpperCount, c);
}

wchar_t LowerChar(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  if (!InBmp(c)) return c;
  const LowerTable& t = Lower();
  return Lookup(t.from, t.to, t.count, c);
}

std::wstring ToUpper(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = UpperChar(c);
  return out;
}

std::wstring ToLower(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) c = LowerChar(c);
  return out;
}

std::wstring AsciiLower(std::wstring_view s) {
  std::wstring out(s);
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
  }
  return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && UpperChar(a[i]) != UpperChar(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::vector<std::wstring> SplitTextLines(std::wstring_view text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring_view::npos) end = text.size();
    std::wstring line(text.substr(start, end - start));
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::wstring_view CutAtNul(std::wstring_view s) {
  size_t nul = s.find(L'\0');
  return nul == std::wstring_view::npos ? s : s.substr(0, nul);
}

std::wstring Trim(std::wstring_view s) {
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\0'; };
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return std::wstring(s.substr(b, e - b));
}

bool InSlashList(std::wstring_view list, std::wstring_view item) {
  std::wstring key;
  key.reserve(item.size() + 2);
  key += L'/';
  key += item;
  key += L'/';
  return Contains(list, key);
}

std::wstring FromUtf8(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp;
    int extra;
    if (c < 0x80) {
      cp = c;
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (!ok) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000 && sizeof(wchar_t) == 2) {
      cp -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (cp >> 10));
      out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
  }
  return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string ToUtf8(std::wstring_view s) {
  std::string out;
  out.reserve(s.size() * 3);
  for (size_t i = 0; i < s.size(); ++i) {
    std::uint32_t cp = static_cast<std::uint32_t>(s[i]);
    if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size()) {
      std::uint32_t lo = static_cast<std::uint32_t>(s[i + 1]);
      if (lo >= 0xDC00 && lo < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace zel
