// What the text viewer shows of a file's bytes.
#pragma once

#include <string>

namespace zel {

// The text of a file: UTF-16 or UTF-8 when it starts with their byte-order
// mark, code page 932 otherwise; line ends become CR LF and NUL a blank.
std::wstring ViewerText(const std::string& bytes);

}  // namespace zel
