// The test button: the selected file is started the way its type needs,
// opened with its application, shown, played, or refused with a message.
// A started program goes to the run monitor.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/archiver.h"
#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "testrun/monitor.h"
#include "testrun/run_record.h"

namespace zel {

// The extension as the launch sees it: the text after the last "." within
// the last five characters of the name, upper-cased; empty when there is none.
std::wstring LaunchExtension(std::wstring_view name);

struct LaunchRequest {
  std::wstring path;            // the selected file
  bool fromTestButton = true;
  bool picturePaneVisible = false;
};

enum class LaunchOutcome {
  Nothing,    // no extension
  Cancelled,  // a question was answered No, or the file was refused
  Picture,    // show it in the picture pane
  Handed,     // played or opened by its application: no run
  Started,    // a run begins: see run
  Failed,     // could not be started (reported)
};

struct LaunchResult {
  LaunchOutcome outcome = LaunchOutcome::Nothing;
  RunState run;          // when Started
  int intervalMs = 3000;  // the monitor's interval for the program's drive
  bool librariesCopied = false;
  bool selectFileStatus = false;  // the status line asks for a file again
};

// record: the test in progress, written to Zel32.dir; warningsShown: the
// start warning is shown once per start of the program.
LaunchResult LaunchProgram(const Services& ctx, RunRecord& record, int& warningsShown, const LaunchRequest& request);

// The monitor's interval for a program on this kind of drive.
int MonitorInterval(DriveType type);

// The messages of the launch, as shown.
std::wstring DosQuestion(const std::wstring& name);
std::wstring SelfExtractingRefusal(const std::wstring& name);
std::wstring StartWarning(const std::wstring& name);
std::wstring ScreenSaverQuestion(const std::wstring& nameWithoutExtension);
extern const wchar_t kBadExecutableMessage[];

}  // namespace zel
