// The test button: the selected file is started the way its type needs,
// opened with its application, shown, played, or refused with a message.
// A started program goes to the run monitor.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "extract/exe_kind.h"
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

// What the launch does with a file, decided before anything is touched.
enum class LaunchRoute {
  Nothing,   // no extension
  Picture,   // shown in the picture pane
  HandOver,  // played or opened by its application (see HandForm)
  Start,     // a test: the record, the libraries, the watch, then the start
};

// A question or refusal that comes before anything changes; all but Ask Dos
// end the launch, Ask Dos ends it unless answered Yes.
enum class LaunchGate {
  None,
  Unreadable,            // an "EXE" whose header cannot be read
  AskDos,                // an MS-DOS program
  RefuseSelfExtracting,  // a self-extracting archive goes to the extract button
  BatchRefused,          // a batch file with no extraction before it: a beep
};

enum class HandForm { Play, Open, AskOnce };  // AskOnce: unless the extension was allowed before
enum class StartForm { Shell, FontViewer, ScreenSaver };

struct LaunchPlan {
  LaunchRoute route = LaunchRoute::Nothing;
  LaunchGate gate = LaunchGate::None;
  HandForm hand = HandForm::Open;
  StartForm start = StartForm::Shell;
  bool installer = false;       // an "EXE" or "SCR" named like an installer
  bool extendedWait = false;    // the monitor waits for dialogs and hand-overs
  bool extractFirst = false;    // a self-extracting installer unpacks into a temporary folder first
  bool askScreenSaver = false;  // shown directly, or through the display settings
  bool warn = false;            // the start warning
};

// What the plan needs of the test so far and of this start of the program.
struct LaunchState {
  bool batchAllowed = false;  // an extraction came first, or an MS-DOS job allowed batch files
  bool warningDue = false;    // the warning is on and was not shown since the program started
};

// ext: LaunchExtension of the name; kind: the header's kind, read for "EXE"
// only (nullopt: unreadable).
LaunchPlan PlanLaunch(std::wstring_view ext, std::optional<ExeKind> kind, const LaunchRequest& request,
                      const LaunchState& state);

// Plans the launch and carries the plan out step by step. record: the test in
// progress, written to Zel32.dir; warningsShown: the start warning is shown
// once per start of the program.
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
