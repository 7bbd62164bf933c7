// The MS-DOS extraction. The job is written into "ZEL32.BAT" in the Windows
// folder's "PIF" folder (prepared at start-up); the extraction then opens
// "LHA.PIF" beside it through the shell, with that folder as the current one,
// so that the program the PIF names runs in an MS-DOS window with the PIF's
// settings (close on exit). The PIF must name "ZEL32.BAT" as its program for
// the job to run. Nothing of this runs under Wine, which has no MS-DOS.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "startup/environment.h"

namespace zel {

// True when the text can stand in a batch line as it is: it is not empty, it
// encodes in code page 932 without loss, and no byte of that encoding (trail
// bytes of two-byte characters included) is a control character or one the
// command interpreter acts on: & | < > ^ % ". Sets *encoded when given.
bool IsBatchSafe(std::wstring_view text, std::string* encoded = nullptr);

// "X:\..." with a drive letter: the only form a batch line can change to.
bool IsDriveLetterPath(std::wstring_view path);

// "<WinDir>\PIF\LHA.PIF" and "<WinDir>\PIF\ZEL32.BAT".
std::wstring DosPifPath(const Environment& env);
std::wstring DosBatchPath(const Environment& env);

// A path as one argument of a batch line: in quotes when it holds a blank or
// one of , ; = (which separate arguments), else as it stands.
std::wstring BatchArgument(std::wstring_view path);

// The job: switch to the drive and folder of dest ("X:\..."), then run
// command (already made of batch-safe parts). Every path must have passed
// IsBatchSafe.
std::vector<std::wstring> DosJobLines(std::wstring_view dest, std::wstring_view command);

// The lines as the batch file holds them: code page 932, CR LF after each.
std::string DosJobBytes(const std::vector<std::wstring>& lines);

}  // namespace zel
