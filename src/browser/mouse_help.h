// Mouse help: the lines shown in the console when the mouse moves over a
// control, selected by an index; the same index is not shown twice in a row.
#pragma once

#include <string>
#include <vector>

namespace zel {

namespace help {
constexpr int kExtract = 0;
constexpr int kWash = 1;
constexpr int kTest = 2;
constexpr int kTextWindow = 3;
constexpr int kCheck = 4;
constexpr int kWashRecords = 5;
constexpr int kFilterFirst = 20;  // 20 to 23, the four filters
constexpr int kFavourite = 24;
constexpr int kCopy = 25;
constexpr int kArchiveContents = 26;
constexpr int kOptions = 27;
constexpr int kLampFirst = 31;  // 31 to 33: WIN.INI, SYSTEM.INI, the registry
constexpr int kFreeSpaceToggle = 34;
constexpr int kFreeSpace = 35;
constexpr int kDrives = 36;
constexpr int kCdRom = 39;
constexpr int kDesktop = 40;
constexpr int kDocuments = 41;
// What a selected file is (shown with the selection, not on mouse moves).
constexpr int kDosProgram = 90;
constexpr int kDosProgramNotRunnable = 91;
constexpr int kWindowsProgram = 92;
constexpr int kSelfExtracting = 93;
constexpr int kNotRunnable = 94;
constexpr int kRestartRestores = 95;  // also the help of the restart notice
constexpr int kInstallerNote = 96;
constexpr int kCdRomMenu = 97;
}  // namespace help

// The lines of an index; empty for an index without help.
const std::vector<std::wstring>& HelpLines(int index);

class MouseHelp {
 public:
  // The lines to write for the mouse over the control of this index: a blank
  // line and the help, or nothing when this index was the last one shown.
  std::vector<std::wstring> Enter(int index);
  void Forget() { last_ = -1; }

 private:
  int last_ = -1;
};

}  // namespace zel
