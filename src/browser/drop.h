// What a file dropped on the console does.
#pragma once

#include <string_view>

namespace zel {

enum class DropAction {
  Ignore,   // not an archive or a program
  Refuse,   // the window is busy or a program runs: a beep
  Extract,  // "ZIP" and "LZH" go to the extraction
  Test,     // "EXE" (and "SCR") go to the test
};

DropAction RouteDrop(std::wstring_view fileName, bool accepting);

}  // namespace zel
