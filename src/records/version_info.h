// The file version a Windows program carries in its version resource, read
// from the file's bytes without loading it.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// The bytes read from the start of a program to look for its version.
constexpr size_t kVersionReadBytes = 8u << 20;

// "major.minor.build.revision" of the fixed file information of the first
// version resource of a PE file (32 or 64-bit); empty when bytes hold no
// such resource, or it lies past their end. Every offset is checked against
// the bytes: a damaged file gives empty text, never a read outside them.
std::wstring FileVersionText(std::string_view bytes);

}  // namespace zel
