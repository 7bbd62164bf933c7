// The window "システムの保存と復元" (SystemForm): one backup set of the
// running Windows in a folder the user chooses, with the save, the compare
// and the restore; and the restart notice (RebootForm) of a restore that must
// finish at the next start of Windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel::ui {

// Asks for the set folder ("システム保存フォルダーの選択"), then shows the
// window modally to owner; nothing opens when the chooser is cancelled.
// After a restore whose restart Windows accepted, the program is ending: the
// main window has had its end-of-session and the quit is posted.
void ShowSystemForm(HWND owner, Machine& machine, Settings& settings, const Environment& env);

// "これから、Windowsを再起動します", on top of everything, with the lines of
// what the restart cannot do; true when the user goes on (OK), false on Cancel.
bool ShowRebootForm(const std::vector<std::wstring>& notes);

}  // namespace zel::ui
