#include "startup/settings.h"

#include "base/format.h"
#include "base/text.h"

namespace zel {

std::wstring ReadIni(IniStore& ini, std::wstring_view file, std::wstring_view section, std::wstring_view key) {
  std::wstring raw = ini.ReadRaw(file, section, key, 255);
  std::wstring cut(CutAtNul(raw));
  if (Trim(cut).empty()) return std::wstring();
  return cut;
}

bool WriteIni(IniStore& ini, std::wstring_view file, std::wstring_view section, std::wstring_view key,
              std::wstring_view value) {
  return ini.WriteValue(file, section, key, value);
}

std::wstring Settings::GetOption(std::wstring_view key, std::wstring_view defaultValue) const {
  std::wstring value = ReadIni(ini_, path_, L"Options", key);
  return value.empty() ? std::wstring(defaultValue) : value;
}

std::int32_t Settings::GetOptionNum(std::wstring_view key, std::int32_t defaultValue) const {
  std::wstring value = ReadIni(ini_, path_, L"Options", key);
  if (value.empty()) return defaultValue;
  return ParseLeadingInt(value);
}

void Settings::SetOption(std::wstring_view key, std::wstring_view value) { WriteIni(ini_, path_, L"Options", key, value); }

void Settings::SetOptionNum(std::wstring_view key, std::int32_t value) { SetOption(key, NumText(value)); }

}  // namespace zel
