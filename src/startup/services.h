// The services every operation shares. One bundle per process: the main
// window builds it from what WinMain owns, unit tests from the in-memory
// machine. An operation takes the bundle and, where it has any, a request
// with its own inputs only.
#pragma once

#include "platform/archiver.h"
#include "platform/frontend.h"
#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/settings.h"

namespace zel {

struct Services {
  Machine& m;
  FrontEnd& fe;
  const Environment& env;
  Settings& settings;
  RunningOptions& options;
  ArchiveLibraries& libraries;

  // The same services reporting through another front end.
  Services With(FrontEnd& other) const { return {m, other, env, settings, options, libraries}; }
};

}  // namespace zel
