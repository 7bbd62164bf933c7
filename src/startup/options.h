// The options dialog without its window: what it shows, what OK writes and
// in which order, and the Windows installations found on the machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/frontend.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel {

// The console schemes, in the order of the dialog's option group and as
// stored in "ZelConColType".
enum ConsoleScheme { kBlackOnWhite = 0, kWhiteOnBlack = 1, kOrangeOnBlack = 2 };

struct OptionValues {
  bool UseMouseHelp = true;
  bool QueryDirDel = true;
  bool CanUseFAT32 = false;
  bool ExtractDos = false;
  int CheckLevel = 1;
  bool UseWarning = true;
  bool Report = false;
  bool SaveAllSys = false;
  bool RegRecord = false;
  std::int32_t BackColor = 13680792;
  int ConsoleScheme = kWhiteOnBlack;
};

// What the dialog opens with: the running values.
OptionValues CurrentOptions(const RunningOptions& running, const Environment& env);

struct AppliedOptions {
  bool backColorChanged = false;
  bool consoleSchemeChanged = false;
};

// OK: the check boxes (running value and setting), the CheckLevel, the
// warning, report and restore settings (the restore setting's running value
// stays until the next start, which the user is told once), then the
// background colour and the console scheme when they changed.
AppliedOptions ApplyOptions(const OptionValues& picked, Settings& settings, RunningOptions& running,
                            Environment& env, FrontEnd& fe);

extern const wchar_t kWashFirst[];

// The Windows installations named by the boot drive's "Boot.ini" (entries of
// [operating systems] with "PARTITION(", "RDISK(" or "DISK(") and "MSDOS.SYS"
// ("WinDir", "WinBootDir"), one display line each.
std::vector<std::wstring> FindWindowsInstallations(FileSystem& fs, const std::wstring& bootDrive);

}  // namespace zel
