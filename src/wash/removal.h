// Before the wash deletes anything, the programs that installed themselves
// get to remove themselves: the shell windows a CD-ROM's browser left open
// are closed, the uninstallers the test added are started, and the control
// panel's page for adding and removing applications is offered.
//
// Every wait here has a bound or a question that lets the user go on, and
// nothing is sent to a window but the one that was found and checked.
#pragma once

#include <string>
#include <vector>

#include "check/changes.h"

namespace zel {

// The question when the program under test was a CD-ROM's browser; on Yes
// the shell folder windows are closed. False: the user said No (the wash ends).
bool CloseBrowserWindows(const Services& c);

// The uninstallers the test added: "UNINST*.EXE" in the folder of the
// program under test (unless that is the Windows or the system folder) when
// it was not there at the start, then the first match of the usual names in
// every root folder of a recorded disk that the snapshot does not know.
std::vector<std::wstring> FindUninstallers(const Services& c, const Snapshot& snap, const RunRecord& record);
// Starts one and tells the user what to do; returns after the user's OK.
void LaunchUninstaller(const Services& c, const std::wstring& path);

// The display name in the added part of the uninstall key's export: the
// text between the quotes after "=" of the first "DisplayName" line.
std::wstring DisplayNameIn(const std::vector<std::wstring>& addedLines);

// Starts the control panel's page for adding and removing applications,
// tells the user what to pick, waits for the page to close and asks whether
// the wash goes on. False: the user said No (the registry step is skipped).
bool RunApplicationRemoval(const Services& c, const std::wstring& displayName);

// How long the control panel may take to open, and how long the wait for it
// to close runs before the user is asked whether to wait on.
constexpr unsigned kControlPanelAppearMs = 30000;
constexpr unsigned kControlPanelAskEveryMs = 600000;

std::wstring BrowserQuestion();
std::wstring UninstallerMessage();
extern const wchar_t kGoOnWashing[];

}  // namespace zel
