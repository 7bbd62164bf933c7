// The settings file: section "Options" of Zel32.INI in the work folder, one
// key=value line per setting. Numbers are stored with a leading blank when not
// negative, booleans as -1 and 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ini.h"

namespace zel {

// Reads with a 255-character buffer and an empty default, cut at the first
// NUL; a value that is blank after trimming reads as empty text.
std::wstring ReadIni(IniStore& ini, std::wstring_view file, std::wstring_view section, std::wstring_view key);
bool WriteIni(IniStore& ini, std::wstring_view file, std::wstring_view section, std::wstring_view key,
              std::wstring_view value);

class Settings {
 public:
  explicit Settings(IniStore& ini) : ini_(ini) {}
  void SetPath(std::wstring path) { path_ = std::move(path); }
  const std::wstring& Path() const { return path_; }

  std::wstring GetOption(std::wstring_view key, std::wstring_view defaultValue) const;
  std::int32_t GetOptionNum(std::wstring_view key, std::int32_t defaultValue) const;
  bool GetOptionBool(std::wstring_view key, bool defaultValue) const {
    return GetOptionNum(key, defaultValue ? -1 : 0) != 0;
  }
  void SetOption(std::wstring_view key, std::wstring_view value);
  void SetOptionNum(std::wstring_view key, std::int32_t value);
  void SetOptionBool(std::wstring_view key, bool value) { SetOptionNum(key, value ? -1 : 0); }

 private:
  IniStore& ini_;
  std::wstring path_;
};

// The running values of the settings, read once while the main window loads.
// "SaveAllSys" keeps its start-up value for the whole run.
struct RunningOptions {
  bool UseMouseHelp = true;
  bool QueryDirDel = true;
  bool ExtractDos = false;
  int CheckLevel = 1;
  bool UseWarning = true;
  bool RegScanInst = false;
  bool SaveAllSys = false;
  std::int32_t ZelBackColor4 = 13680792;
  int ZelConColType = 1;
  bool Report = false;
  bool RegRecord = false;  // the registry record at key and value level (present-day kind)
  std::int32_t Query2000 = 0;
  std::int32_t ForceMe = -1;
};

}  // namespace zel
