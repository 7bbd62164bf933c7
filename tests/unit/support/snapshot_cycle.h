// A started machine with a snapshot taken: the tests then change the disk as
// a program under test would, and check and wash.
#pragma once

#include <string>
#include <vector>

#include "check/check.h"
#include "snapshot/main_folders.h"
#include "snapshot/prepare.h"
#include "support/started_machine.h"
#include "wash/wash.h"

namespace zel::testing {

struct SnapshotCycle : StartedMachine {
  MainFolderList main;
  Snapshot snap;
  RunRecord record;
  std::wstring prompt;  // the check's
  WashResult washed;

  // The main folders and the snapshot at the options' check level.
  Snapshot Prepare() {
    main = BuildMainFolderList(x.fs, env, options.CheckLevel);
    Snapshot s;
    EXPECT_EQ(PrepareSnapshot(sv, main, s), Outcome::Continue);
    return s;
  }
  // Start, the snapshot at LEVEL, and a test of C:\dl\setup.exe run after it.
  void Snap(int level = 1) {
    Start();
    options.CheckLevel = level;
    snap = Prepare();
    x.clock += 1000000;
    record.testDone = true;
    record.program = L"C:\\dl\\setup.exe";
    fe.console.clear();
    fe.questions.clear();
  }
  std::vector<std::wstring> Check() {
    fe.console.clear();
    CheckRequest r{snap, record, {}};
    prompt = RunCheck(sv, r).prompt;
    return fe.console;
  }
  std::vector<std::wstring> Wash() {
    fe.console.clear();
    WashRequest r{snap, record, {}};
    washed = RunWash(sv, r);
    return fe.console;
  }
};

}  // namespace zel::testing
