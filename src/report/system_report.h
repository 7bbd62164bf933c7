// The report of the machine and of the program's configuration, written at
// start-up while the setting "Report" is on, to be sent along with a problem
// report. It replaces the report file of the program folder; the snapshot
// preparation, the check and the wash then append their logs (ReportLog).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel {

// Every line of the report, in order, without line ends.
std::vector<std::wstring> SystemReportLines(Machine& m, const Environment& env, const RunningOptions& options);

// Replaces the report file with those lines (code page 932, CR LF). Errors
// are ignored: the report never stops the start.
void WriteSystemReport(Machine& m, const Environment& env, const RunningOptions& options);

// A folder path, followed by " （DIR無）" when the folder does not exist.
std::wstring FolderValue(FileSystem& fs, const std::wstring& path);
// A file path, followed by " （DIR無）" when its folder does not exist, else by
// " （ファイル無）" when the file does not exist.
std::wstring FileValue(FileSystem& fs, const std::wstring& path);

// Bytes as whole megabytes (1,048,576 bytes, rounded) with thousands
// separators, right-aligned in 8 characters. A longer figure (a disk of a
// terabyte or more) keeps all its digits: cut to 8 it would read as another.
std::wstring MegabyteField(std::uint64_t bytes);

// The line of one drive ("・Drive C:   (HDD) ..."), or empty for a drive type
// that gets none. space is read for fixed drives only; none counts as 0.
std::wstring DriveLine(wchar_t letter, DriveType type, const std::optional<DiskSpace>& space);

}  // namespace zel
