// The choice of what the wash does about a registry the test changed:
// "レジストリの復元指定" with ignore, repair now, restore at the next start.
#pragma once

#include <windows.h>

#include "registry/registry_wash.h"

namespace zel::ui {

// A button whose action is not offered is greyed; Escape and the close box
// ignore.
RegWashChoice ShowRegWashForm(HWND owner, const RegWashOffer& offer);

}  // namespace zel::ui
