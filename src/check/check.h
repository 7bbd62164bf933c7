// The check (確認): lists every addition and change since the snapshot in the
// console, one line each. These lines are the wash list.
#pragma once

#include <functional>
#include <string>

#include "check/changes.h"
#include "startup/settings.h"

namespace zel {

struct CheckRequest {
  const Snapshot& snap;
  const RunRecord& record;
  // The INI, group and registry comparison, which comes first; it writes its
  // own lines and returns how many.
  std::function<int()> compareIniAndRegistry;
};

struct CheckResult {
  int lines = 0;           // the lines it wrote (the wash list)
  std::wstring prompt;     // what the status line asks next
};

// The lines of one finding, as the check writes them.
std::vector<std::wstring> CheckLines(const Finding& f);

// Steps after the window's own preparation: the comparisons (only the
// temporary folders when no program was tested since the last wash), the
// report and the "nothing" line. The window adds the drive hint after it has
// taken the wash list.
CheckResult RunCheck(const Services& sv, const CheckRequest& request);

extern const wchar_t kNothingChanged[];
extern const wchar_t kCannotUndo[];

}  // namespace zel
