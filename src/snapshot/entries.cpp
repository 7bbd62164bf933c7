#include "snapshot/entries.h"

#include "base/cp932.h"

namespace zel {

size_t FindCharCp932(std::string_view text, char c, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsCp932Lead(b)) {
      ++i;  // the trail byte is never a separator
      continue;
    }
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}

bool ForEachFileEntry(std::string_view text, const std::function<void(std::string_view, std::string_view)>& visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    if (text.size() - pos < 18 || text[pos + 16] != '/') return false;
    size_t end = FindCharCp932(text, '|', pos + 17);
    if (end == std::string_view::npos) return false;
    visit(text.substr(pos, 16), text.substr(pos + 17, end - pos - 17));
    pos = end + 1;
  }
  return true;
}

bool ForEachRecordItem(std::string_view text, const std::function<void(std::string_view)>& visit) {
  if (text.empty()) return true;
  if (text[0] != '|') return false;
  size_t pos = 1;
  while (pos < text.size()) {
    size_t end = FindCharCp932(text, '|', pos);
    if (end == std::string_view::npos) return false;
    visit(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return true;
}

size_t CountFileEntries(std::string_view text) {
  size_t n = 0;
  if (!ForEachFileEntry(text, [&n](std::string_view, std::string_view) { ++n; })) return 0;
  return n;
}

}  // namespace zel
