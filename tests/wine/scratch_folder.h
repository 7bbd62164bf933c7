// A folder of a Win32 test's own in the temporary folder, and its removal.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32_machine.h"

namespace zel::win32 {

// Makes "<temp>\<stem><process id>" and returns its path.
std::wstring MakeScratchFolder(Win32FileSystem& fs, const wchar_t* stem);
// Removes FOLDER with all it holds, read-only files included.
void RemoveTree(Win32FileSystem& fs, const std::wstring& folder);
// The names PATTERN matches, without "." and "..".
std::vector<std::wstring> NamesIn(Win32FileSystem& fs, const std::wstring& pattern);

}  // namespace zel::win32
