// Lines appended to the report file (code page 932, CR LF) while the setting
// "Report" is on. Errors while writing the report are ignored: it must never
// stop the work it describes.
#pragma once

#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/system.h"

namespace zel {

class ReportLog {
 public:
  ReportLog(FileSystem& fs, std::wstring path) : fs_(fs), path_(std::move(path)) {}
  ~ReportLog() { Flush(); }
  ReportLog(const ReportLog&) = delete;
  ReportLog& operator=(const ReportLog&) = delete;

  void Line(std::wstring_view text);
  // Appends what was buffered to the file.
  void Flush();

 private:
  FileSystem& fs_;
  std::wstring path_;
  std::string pending_;
};

// "HH:MM:SS".
std::wstring ClockText(const LocalTime& t);
// "YYYY/MM/DD".
std::wstring DateText(const LocalTime& t);

// The report file of the program folder.
std::wstring ReportPath(std::wstring_view programDir);

}  // namespace zel
