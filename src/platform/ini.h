// INI files, through the platform's profile functions.
#pragma once

#include <string>
#include <string_view>

namespace zel {

class IniStore {
 public:
  virtual ~IniStore() = default;
  // The value as the platform returns it into a buffer of maxChars characters
  // with an empty default (it may hold blanks; callers trim).
  virtual std::wstring ReadRaw(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                               size_t maxChars) = 0;
  virtual bool WriteValue(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                          std::wstring_view value) = 0;
};

}  // namespace zel
