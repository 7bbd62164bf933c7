// The folder chooser (FolderForm, "フォルダーの選択"): a drive list, the folder
// tree of the current drive and a line holding the chosen path, which the user
// may also type into.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "browser/folder_path.h"
#include "platform/filesystem.h"

namespace zel::ui {

// Shows the chooser modally to owner, listing folders through fs, opened on
// initial (or on its nearest parent, the current folder or a fixed drive, see
// OpenFirstFolder). title is the caption;
// empty gives "フォルダーの選択". Returns the text of the path line as it
// stands when the user accepts, unchecked (callers check that it exists);
// an empty text when the user cancels, presses Escape with the drive list
// closed, or closes the window.
std::wstring ChooseFolder(HWND owner, FileSystem& fs, std::wstring_view initial, std::wstring_view title = {});

}  // namespace zel::ui
