#include <gtest/gtest.h>

#include "session/test_session.h"
#include "snapshot/prepare.h"
#include "snapshot/store.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using S = TestStage;
using E = SessionEvent;

TEST(SessionStages, TransitionsButtonsAndWashSteps) {
  const struct {
    S from;
    E event;
    S to;
  } moves[] = {
      {S::Fresh, E::Extracted, S::Prepared},          {S::Washed, E::Started, S::Running},
      {S::Prepared, E::Started, S::RunningWithChanges},
      {S::Fresh, E::StartedWithLibraries, S::RunningWithChanges},
      {S::RunningWithChanges, E::RunEnded, S::Tested}, {S::Tested, E::WashCompleted, S::Washed},
      {S::Tested, E::WashLeftSome, S::Tested},         {S::Washed, E::WashLeftSome, S::Prepared},
      {S::RunningWithChanges, E::WashLeftSome, S::Tested}, {S::Fresh, E::Resumed, S::Tested},
  };
  for (const auto& m : moves) {
    EXPECT_EQ(NextStage(m.from, m.event), m.to) << static_cast<int>(m.from) << " " << static_cast<int>(m.event);
  }
  // check, wash, kept for a resume when Windows ends
  const struct {
    S stage;
    bool check, wash, pending;
  } buttons[] = {
      {S::Fresh, false, false, false},  {S::Prepared, true, true, false},
      {S::Running, false, false, true}, {S::RunningWithChanges, false, true, true},
      {S::Tested, true, true, true},    {S::Washed, true, false, false},
  };
  for (const auto& b : buttons) {
    SCOPED_TRACE(static_cast<int>(b.stage));
    EXPECT_EQ(CanCheck(b.stage), b.check);
    EXPECT_EQ(CanWash(b.stage), b.wash);
    EXPECT_EQ(TestPending(b.stage), b.pending);
  }
  using W = WashStep;
  EXPECT_EQ(WashSteps(true, true), (std::vector<W>{W::CloseBrowser, W::Uninstallers, W::ClearConsole,
                                                   W::ApplicationRemoval, W::Files, W::Settle}));
  // Without a test only the temporary folders are washed: no program to remove.
  EXPECT_EQ(WashSteps(false, true), (std::vector<W>{W::ClearConsole, W::Files, W::Settle}));
}

// What the window is asked to do, in order.
struct RecordingView : SessionView {
  explicit RecordingView(testing::RecordingFrontEnd& fe) : fe(fe) {}
  void ShowConsole() override {}
  void ClearConsole() override { calls.push_back(L"clear"), fe.console.clear(); }
  std::vector<std::wstring> ConsoleLines() override { return fe.console; }
  void ShowStage(bool busy) override { calls.push_back(busy ? L"busy" : L"stage"); }
  RegWashChoice ChooseRegistryWash(const RegWashOffer&) override { return RegWashChoice::Ignore; }
  void ShowRestartNotice() override {}
  void LampOff(int lamp) override { calls.push_back(L"lamp" + std::to_wstring(lamp)); }
  void LeaveFolder(const std::wstring& folder) override { calls.push_back(L"leave " + folder); }
  void GoToFolder(const std::wstring& folder) override { calls.push_back(L"go " + folder); }
  void ShowFreeSpace(const std::array<std::optional<std::uint64_t>, 26>& space) override {
    calls.push_back(space[2] ? L"space C" : L"space");
  }
  void Finished(const std::wstring& prompt) override { calls.push_back(L"finished " + prompt); }
  testing::RecordingFrontEnd& fe;
  std::vector<std::wstring> calls;
};

class Session : public testing::Started {
 protected:
  void SetUp() override {
    Start();
    options.UseWarning = false;
    x.fs.AddFile(L"C:\\dl\\tool.exe", testing::ExeHeader());  // the user's, before the snapshot
    x.fs.AddFile(L"C:\\dl\\own.dll", "MZ");
    main = BuildMainFolderList(x.fs, env, options.CheckLevel);
    ASSERT_EQ(PrepareSnapshot(sv, main, session.snapshot()), Outcome::Continue);
    x.clock += 1000000;
    files = SnapshotFilesIn(env.WorkDir);
    fe.console.clear();
  }
  // The launch of C:\dl\tool.exe with the browser in FOLDER.
  LaunchResult Launch(const std::wstring& folder = L"C:\\dl") {
    LaunchRequest request;
    request.path = L"C:\\dl\\tool.exe";
    return session.Launch(request, folder);
  }
  bool Kept() { return x.fs.Exists(files.data) && x.fs.Exists(files.run); }

  MainFolderList main;
  TestSession session{sv};
  RecordingView view{fe};
  SnapshotFiles files;
};

// A failed launch leaves its copies to the wash; a complete wash spends the
// snapshot and the record and goes back to the folder of the test.
TEST_F(Session, ALaunchThenACompleteWash) {
  x.desktop.shellResult = 2;
  EXPECT_EQ(Launch().outcome, LaunchOutcome::Failed);
  EXPECT_EQ(session.Stage(), S::Tested);  // whatever it copied is the wash's
  EXPECT_TRUE(x.fs.Exists(L"C:\\windows\\System32\\own.dll"));
  x.desktop.shellResult = 42;
  const LaunchResult r = Launch(L"C:\\elsewhere");
  ASSERT_EQ(r.outcome, LaunchOutcome::Started);
  EXPECT_EQ(x.fs.CurrentFolder(), L"C:\\dl");
  session.RunEnded();
  ASSERT_TRUE(Kept());  // the record of the test is on disk for a resume
  x.fs.AddFile(L"C:\\Program Files\\Fix\\app.exe", "x");

  session.Wash(view);
  EXPECT_FALSE(x.fs.Exists(L"C:\\Program Files\\Fix\\app.exe"));
  EXPECT_FALSE(x.fs.Exists(L"C:\\windows\\System32\\own.dll"));
  EXPECT_EQ(session.Stage(), S::Washed);
  EXPECT_TRUE(session.SnapshotSpent());  // its files' removal is checked on the real machine
  EXPECT_EQ(session.record(), RunRecord());
  EXPECT_EQ(view.calls, (std::vector<std::wstring>{L"busy", L"clear", L"busy", L"lamp0", L"lamp1", L"space C",
                                                   L"go C:\\dl", L"finished ファイルを選択して下さい"}));
}

// A wash that left something keeps the snapshot and the record, so the wash
// can run again; at the end the test stays only while Windows ends.
TEST_F(Session, WhatIsLeftStaysForTheNextWashAndTheResume) {
  ASSERT_EQ(Launch().outcome, LaunchOutcome::Started);
  session.RunEnded();
  x.fs.AddFile(L"C:\\Program Files\\Fix\\app.exe", "x");
  x.fs.SetInUse(L"C:\\Program Files\\Fix\\app.exe");
  session.Wash(view);
  EXPECT_EQ(session.Stage(), S::Tested);
  EXPECT_TRUE(Kept());

  bool wash = false;
  ASSERT_TRUE(session.AskAtEnd(true, &wash));
  EXPECT_FALSE(wash);  // nothing is asked while Windows ends
  session.End(true, wash, view);
  EXPECT_TRUE(Kept());

  fe.answers = {mb::kResultNo, mb::kResultOk};  // ended without the wash
  ASSERT_TRUE(session.AskAtEnd(false, &wash));
  EXPECT_FALSE(wash);
  session.End(false, wash, view);
  EXPECT_FALSE(Kept());
  EXPECT_TRUE(x.fs.Exists(L"C:\\Program Files\\Fix\\app.exe"));
}

}  // namespace
}  // namespace zel
