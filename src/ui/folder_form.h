// The folder chooser (FolderForm, "フォルダーの選択"): a drive list, the folder
// tree of the current drive and a line holding the chosen path, which the user
// may also type into.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace zel::ui {

// Shows the chooser modally to owner, opened on initial (or on the current
// folder when initial is empty or cannot be opened). title is the caption;
// empty gives "フォルダーの選択". Returns the text of the path line as it
// stands when the user accepts, unchecked (callers check that it exists);
// an empty text when the user cancels, presses Escape with the drive list
// closed, or closes the window.
std::wstring ChooseFolder(HWND owner, std::wstring_view initial, std::wstring_view title = {});

// True for a path that names its drive ("C:\...") or its server
// ("\\server\share..."): what a caller accepts from the chooser's path line,
// where a relative path would resolve against the process's current folder.
bool IsFullPath(std::wstring_view path);

}  // namespace zel::ui
