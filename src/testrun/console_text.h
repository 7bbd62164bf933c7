// The console's fixed lines and colours, the status line's colour pairs and
// the free-space display's formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

extern const wchar_t kStartSeparator[];  // 22 heavy box-drawing characters
extern const wchar_t kEndSeparator[];    // 22 light box-drawing characters

// The end-of-run lines for a program name.
std::vector<std::wstring> EndOfRunLines(const std::wstring& programName);
extern const wchar_t kInstallerEndMessage[];

// Text and background of a console scheme (0 black on white, 1 white on
// black, 2 orange on black), as 0xBBGGRR.
struct ConsoleColours {
  std::uint32_t text;
  std::uint32_t background;
};
ConsoleColours ConsoleSchemeColours(int scheme);

// The status line: each operation sets the text colour and a background; every
// colour is a pair, the first for displays of more than 256 colours.
enum class StatusLook { Running, Idle, FlashOn, FlashOff };
struct StatusColours {
  std::uint32_t text;
  std::uint32_t background;
};
StatusColours StatusColoursFor(StatusLook look, std::int64_t displayColours);

// Free space: whole megabytes (1048576 bytes) with thousands separators and
// "M"; 0 shows "0M".
std::wstring FreeSpaceText(std::uint64_t bytes);
// The change since the start of a test in kilobytes: "+1,234K", "-56K", "±0K".
std::wstring FreeSpaceChangeText(std::int64_t bytesNowMinusStart);

}  // namespace zel
