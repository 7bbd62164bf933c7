// A machine as the main window has it once the process start and the loading
// have run: the in-memory machine laid out like the sandbox's, a front end
// that records what it is told, the environment record, the settings, the
// running options, archive libraries, and the services bundle of them all.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/memory/memory_archiver.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "startup/startup.h"
#include "support/recording_front_end.h"
#include "support/xp_machine.h"

namespace zel::testing {

struct StartedMachine {
  XpMachine x;
  RecordingFrontEnd fe;
  Environment env;
  Settings settings{x.ini};
  RunningOptions options;
  MemoryArchiveLibraries libs;  // stand-ins answering from a script
  Services sv{x.machine, fe, env, settings, options, libs};

  Outcome StartProcess() { return RunProcessStart(x.machine, fe, env, settings); }
  Outcome Load() { return LoadEnvironment(x.machine, fe, env, settings, options); }
  // Both, as the main window runs them; what they asked and wrote is dropped.
  void Start() {
    ASSERT_EQ(StartProcess(), Outcome::Continue);
    ASSERT_EQ(Load(), Outcome::Continue);
    fe.questions.clear();
    fe.console.clear();
  }
};

// The fixture of the tests on a started machine; a test class that must
// change the machine first overrides SetUp and calls Start itself.
class Started : public ::testing::Test, public StartedMachine {
 protected:
  void SetUp() override { Start(); }
};

inline bool Has(const std::vector<std::wstring>& lines, const std::wstring& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace zel::testing
