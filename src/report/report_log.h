// Lines appended to the report file (code page 932, CR LF) while the setting
// "Report" is on. A failed write never stops the work the report describes;
// it is remembered, and the work tells the user once when it ends.
#pragma once

#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/frontend.h"
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
  // Whether a write failed so far (what was buffered then is lost).
  bool Failed() const { return failed_; }
  const std::wstring& Path() const { return path_; }

 private:
  FileSystem& fs_;
  std::wstring path_;
  std::string pending_;
  bool failed_ = false;
};

// Flushes the report and tells the user when some of it could not be
// written; nothing without a report.
void FinishReport(ReportLog* report, FrontEnd& fe);

// "HH:MM:SS".
std::wstring ClockText(const LocalTime& t);
// "YYYY/MM/DD".
std::wstring DateText(const LocalTime& t);

// The report file of the program folder.
std::wstring ReportPath(std::wstring_view programDir);

}  // namespace zel
