#include "platform/frontend.h"

namespace zel {

std::wstring PlainMessageText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (static_cast<unsigned>(c) <= 8) out += L' ';
    else if (c == L'|') out += L'\r';
    else out += c;
  }
  return out;
}

}  // namespace zel
