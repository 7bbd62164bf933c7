// Everything of the machine the core reaches, passed by reference.
#pragma once

#include "platform/desktop.h"
#include "platform/filesystem.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace zel {

struct Machine {
  FileSystem& fs;
  Registry& reg;
  IniStore& ini;
  System& sys;
  Desktop& desktop;
};

}  // namespace zel
