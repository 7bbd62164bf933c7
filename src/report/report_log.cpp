#include "report/report_log.h"

#include "base/cp932.h"
#include "base/format.h"

namespace zel {

void ReportLog::Line(std::wstring_view text) {
  AppendCp932(text, pending_);
  pending_ += "\r\n";
  if (pending_.size() > 64 * 1024) Flush();
}

void ReportLog::Flush() {
  if (pending_.empty()) return;
  if (fs_.AppendBytes(path_, pending_) != FsError::None) failed_ = true;
  pending_.clear();
}

void FinishReport(ReportLog* report, FrontEnd& fe) {
  if (!report) return;
  report->Flush();
  if (report->Failed()) {
    fe.Ask(L"報告書『" + report->Path() + L"』を書き込めませんでした|（報告書の一部が欠けています）", mb::kOk | mb::kIconExclamation, L"");
  }
}

std::wstring ClockText(const LocalTime& t) {
  return ZeroPad(t.hour, 2) + L":" + ZeroPad(t.minute, 2) + L":" + ZeroPad(t.second, 2);
}

std::wstring DateText(const LocalTime& t) {
  return ZeroPad(t.year, 4) + L"/" + ZeroPad(t.month, 2) + L"/" + ZeroPad(t.day, 2);
}

std::wstring ReportPath(std::wstring_view programDir) { return std::wstring(programDir) + L"\\報告書.txt"; }

}  // namespace zel
