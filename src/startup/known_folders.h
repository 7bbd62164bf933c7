// The folders present-day programs write to, as the platform names them, and
// the one list of what in them changes by itself while nothing is tested.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "startup/environment.h"

namespace zel {

// A monitored known folder and the kind digit of its role: "1" where
// shortcuts live, "2" the fonts, "0" everything else.
struct MonitoredKnownFolder {
  KnownFolder folder;
  wchar_t kind;
};

// Per user, per machine, the 32-bit system folder and the fonts, in the order
// they are listed.
const std::vector<MonitoredKnownFolder>& MonitoredKnownFolders();

// An entry that changes by itself: `name` inside the known folder `base`, or
// inside every monitored known folder when `everywhere` is set (base unused).
struct SelfChangingEntry {
  KnownFolder base;
  const wchar_t* name;
  bool everywhere;
};

// The noise list. Temporary folders, caches, thumbnail and crash-dump
// folders and the shell's own state: made, rewritten and emptied by Windows
// itself, so that a check of an untouched machine would otherwise never say
// nothing. Each entry is one name directly inside its base; nothing else is
// left out.
const std::vector<SelfChangingEntry>& SelfChangingEntries();

// The noise list resolved against the known folders: upper-cased full paths.
std::vector<std::wstring> SelfChangingPaths(const Environment& env);

// Reads the known folders into the record and resolves the noise list, with
// the TEMP and TMP folders added; on the kinds before NT 6.0 both stay empty.
void ReadKnownFolders(System& sys, Environment& env);

}  // namespace zel
