#include "registry/reg_export.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/cp932.h"
#include "base/text.h"

namespace zel {

const wchar_t kAfterExportName[] = L"AfterIns.reg";

namespace {

constexpr std::wstring_view kUnicodeHeader = L"Windows Registry Editor Version 5.00";
constexpr std::string_view kAnsiHeader = "REGEDIT4";

// UTF-16LE to the program's wide text (pairs joined where wchar_t is wider).
std::wstring FromUtf16Le(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if constexpr (sizeof(wchar_t) >= 4) {
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        char32_t low = static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
          i += 2;
          continue;
        }
      }
    }
    out += static_cast<wchar_t>(unit);
  }
  return out;
}

bool IsKeyLine(std::wstring_view line) { return line.size() >= 2 && line.front() == L'[' && line.back() == L']'; }

std::wstring KeyId(std::wstring_view path) { return ToUpper(path); }

std::wstring TrimRight(std::wstring_view s) {
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return std::wstring(s);
}

}  // namespace

std::optional<RegExport> ParseRegExport(std::string_view bytes) {
  RegExport out;
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    out.unicode = true;
    text = FromUtf16Le(bytes.substr(2));
  } else if (bytes.substr(0, 4) == std::string_view("W\0i\0", 4)) {  // the same without its mark
    out.unicode = true;
    text = FromUtf16Le(bytes);
  } else if (bytes.substr(0, kAnsiHeader.size()) == kAnsiHeader) {
    text = FromCp932(bytes);
  } else {
    return std::nullopt;
  }
  if (text.empty() || text.back() != L'\n') return std::nullopt;
  std::vector<std::wstring> lines = SplitTextLines(text);
  if (lines.empty()) return std::nullopt;
  const std::wstring header = TrimRight(lines[0]);
  if (out.unicode ? header != kUnicodeHeader : header != L"REGEDIT4") return std::nullopt;

  std::unordered_map<std::wstring, size_t> index;
  RegKey* key = nullptr;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::wstring line = lines[i];
    if (TrimRight(line).empty()) continue;
    if (IsKeyLine(TrimRight(line))) {
      line = TrimRight(line);
      std::wstring path = line.substr(1, line.size() - 2);
      auto [it, added] = index.emplace(KeyId(path), out.keys.size());
      if (added) out.keys.push_back(RegKey{path, {}});
      key = &out.keys[it->second];
      continue;
    }
    // A value, with the lines it goes on in.
    while (!line.empty() && line.back() == L'\\' && i + 1 < lines.size()) {
      line.pop_back();
      std::wstring_view next = lines[++i];
      size_t first = next.find_first_not_of(L" \t");
      if (first != std::wstring_view::npos) line += next.substr(first);
    }
    if (key && !line.empty() && line.front() != L';') key->values.push_back(std::move(line));
  }
  return out;
}

std::optional<std::wstring> DisplayNameOf(std::wstring_view line) {
  constexpr std::wstring_view kName = L"\"DisplayName\"";
  if (line.size() < kName.size() || !EqualsNoCase(line.substr(0, kName.size()), kName)) return std::nullopt;
  std::wstring_view rest = line.substr(kName.size());
  size_t first = rest.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos || rest[first] != L'=') return std::nullopt;
  rest = rest.substr(first + 1);
  first = rest.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos || rest[first] != L'"') return std::nullopt;
  std::wstring value;
  for (size_t i = first + 1; i < rest.size(); ++i) {
    wchar_t c = rest[i];
    if (c == L'"') return value;
    if (c == L'\\' && i + 1 < rest.size() && (rest[i + 1] == L'\\' || rest[i + 1] == L'"')) c = rest[++i];
    if (c >= 0x20) value += c;
  }
  return std::nullopt;  // no closing quote
}

RegExportDiff CompareRegExports(const RegExport& before, const RegExport& after) {
  RegExportDiff diff;
  std::unordered_map<std::wstring, const RegKey*> old;
  for (const RegKey& k : before.keys) old.emplace(KeyId(k.path), &k);
  std::unordered_set<std::wstring> seen;
  std::wstring changedName;
  for (const RegKey& k : after.keys) {
    const std::wstring id = KeyId(k.path);
    seen.insert(id);
    auto it = old.find(id);
    if (it == old.end()) {
      diff.added.push_back(k);
      if (diff.displayName.empty()) {
        for (const std::wstring& v : k.values) {
          if (std::optional<std::wstring> name = DisplayNameOf(v); name && !name->empty()) {
            diff.displayName = *name;
            break;
          }
        }
      }
      continue;
    }
    std::vector<std::wstring> a = it->second->values, b = k.values;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    if (a == b) continue;
    diff.modified.push_back(k.path);
    if (changedName.empty()) {
      for (const std::wstring& v : k.values) {
        if (std::binary_search(a.begin(), a.end(), v)) continue;
        if (std::optional<std::wstring> name = DisplayNameOf(v); name && !name->empty()) {
          changedName = *name;
          break;
        }
      }
    }
  }
  for (const RegKey& k : before.keys) {
    if (!seen.count(KeyId(k.path))) diff.deleted.push_back(k.path);
  }
  if (diff.displayName.empty()) diff.displayName = changedName;
  return diff;
}

std::vector<std::wstring> RegExportLines(const RegExportDiff& diff) {
  std::vector<std::wstring> lines;
  auto section = [&lines](const wchar_t* heading, const auto& keys, auto pathOf) {
    if (keys.empty()) return;
    lines.emplace_back(heading);
    for (const auto& k : keys) lines.push_back(L"　" + pathOf(k));
  };
  section(L"●以下のレジストリが追加されています", diff.added, [](const RegKey& k) { return k.path; });
  section(L"●以下のレジストリが削除されています", diff.deleted, [](const std::wstring& p) { return p; });
  section(L"●以下のレジストリが修正されています", diff.modified, [](const std::wstring& p) { return p; });
  return lines;
}

}  // namespace zel
