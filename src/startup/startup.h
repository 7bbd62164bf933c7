// The process start and the environment part of the main window's loading.
// Both fill the environment record; a refusal ends the program.
#pragma once

#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel {

enum class Outcome { Continue, End };

// The text that ends every refusal of a machine the program cannot serve.
extern const wchar_t kCannotUseHere[];

// From the executable's folder to the drive types, before any window exists.
// Messages go through the platform's standard box (AskPlatform) with the
// record's MsgBoxStyle added.
Outcome RunProcessStart(Machine& m, FrontEnd& fe, Environment& env, Settings& settings);

// The main window's loading up to the main folder list: boot drive, Windows
// Me's System Restore, the backup folder, the settings, the shell folders and
// the documents folder.
Outcome LoadEnvironment(Machine& m, FrontEnd& fe, Environment& env, Settings& settings, RunningOptions& options);

// The NT-family notice about programs without an uninstaller, asked until the
// user accepts it once.
Outcome ConfirmRegistryNotice(FrontEnd& fe, const Environment& env, Settings& settings);

}  // namespace zel
