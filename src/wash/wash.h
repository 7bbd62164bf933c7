// The wash (洗浄): the same walks as the check, acting on what they find.
// Added files and folders are deleted, changed files put back where a copy
// was saved, the start-up files of the drives put back, the temporary
// folders deleted. Every line says what happened, after it happened.
#pragma once

#include <functional>
#include <string>

#include "check/changes.h"
#include "startup/settings.h"

namespace zel {

struct WashRequest {
  const Snapshot& snap;
  RunRecord& record;
  // The INI and group restore, which comes first; it writes its own lines
  // and returns how many things it could not put back.
  std::function<int()> restoreIniFiles;
};

struct WashResult {
  int failures = 0;      // things it tried to delete or put back and could not
  int lines = 0;
};

// The lines of one finding after the wash acted on it (done: it worked).
std::wstring WashLine(const Finding& f, bool done);

// The file part of the wash (only the temporary folders when no program was
// tested since the last wash).
WashResult RunWash(const Services& sv, const WashRequest& request);

// The message for a file the system holds open.
std::wstring InUseMessage(const std::wstring& name);

}  // namespace zel
