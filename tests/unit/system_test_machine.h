// A started in-memory machine with a small Windows folder, for the tests of
// the system save, compare and restore.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "support/started_machine.h"
#include "system/backup_set.h"
#include "system/system_compare.h"
#include "system/system_restore.h"
#include "system/system_save.h"

namespace zel::testing {

class SystemMachine : public ::testing::Test, public StartedMachine {
 protected:
  static constexpr std::uint64_t kOld = 0x01D0000000000100ULL;
  static constexpr std::uint64_t kNew = 0x01D0000000000900ULL;

  // The Windows folder of the tests, beside the machine's own folders.
  void SetUp() override {
    x.fs.AddFile(L"C:\\windows\\Setup.LOG", "setup", kOld);
    x.fs.AddFile(L"C:\\windows\\win386.swp", "swap", kOld);
    x.fs.AddFile(L"C:\\windows\\Fonts\\Mincho.TTF", "font", kOld);
    x.fs.AddFile(L"C:\\windows\\temp\\work.tmp", "tmp", kOld);
    x.fs.AddFile(L"C:\\windows\\system32\\drivers\\disk.sys", "disk", kOld);
    x.fs.AddFile(L"C:\\autoexec.bat", "PATH C:\\\r\n", kOld);
  }

  // The process start and the loading, as the main window runs them.
  void Start() {
    StartedMachine::Start();
    set = env.WorkDir + L"\\Recovery";
  }

  SaveResult Save() {
    fe.questions.clear();
    return SaveSystem(x.machine, fe, env, settings, set);
  }

  std::vector<std::wstring> Compare() {
    fe.console.clear();
    RunCompare(x.machine, fe, env, set);
    return fe.console;
  }

  std::string SetBytes(const wchar_t* name) { return x.fs.Content(set + L"\\" + name); }

  std::wstring set;
};

}  // namespace zel::testing
