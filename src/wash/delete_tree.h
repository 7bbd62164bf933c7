// Deleting what a test added: one file, or a folder with all it holds. Links
// are never followed: a link is removed as a link and its target stays. A
// line says "deleted" only when the thing is gone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/frontend.h"
#include "platform/machine.h"

namespace zel {

// Deletes the folder and everything below it; read-only entries are made
// writable first. True when the folder is gone.
bool DeleteTree(Machine& m, std::wstring_view folder);

// The same for a folder a test added, which may hold a folder the user had
// before the test (moved in): a folder inside created before `takenAt` is
// kept with all it holds, and its path added to `kept`. False while anything
// stays.
bool DeleteTree(Machine& m, std::wstring_view folder, std::uint64_t takenAt, std::vector<std::wstring>& kept);

// "●" + kind + "『" + subject + "』を削除しました" or "』は削除できません".
std::wstring WashLine(std::wstring_view kind, std::wstring_view subject, bool deleted);

// The temporary folder of an extraction: deleted with its line in the console.
// True when it is gone (or was not there).
bool WashTemporaryFolder(Machine& m, FrontEnd& fe, const std::wstring& folder);

}  // namespace zel
