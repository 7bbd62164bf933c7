// Comparing with a saved set and restoring it: the lines of CONLST, what is
// put back at once, what waits for the restart and how it is written.
#include "base/text.h"
#include "system_test_machine.h"

namespace zel {
namespace {

using testing::SystemMachine;

class SystemRestore : public SystemMachine {
 protected:
  void SaveNow() {
    ASSERT_TRUE(Save().saved);
    fe.questions.clear();
    fe.console.clear();
  }
  RestoreResult Restore() {
    fe.questions.clear();
    fe.console.clear();
    return RestoreSystem(x.machine, fe, env, set);
  }
};

TEST_F(SystemRestore, TheCompareListsEachKindWithItsHeadingMarkerAndNote) {
  Start();
  // Renamed only in case, in a full-width alphabet: the same file, never listed.
  x.fs.AddFile(L"C:\\windows\\\uFF21bc.txt", "mine", kOld);
  x.fs.AddFile(L"C:\\windows\\system32\\old.dll", "old", kOld);
  x.fs.AddFile(L"C:\\windows\\Fonts\\Gothic.TTF", "g", kOld);
  x.fs.AddFile(L"C:\\windows\\Gone\\a.txt", "a", kOld);
  SaveNow();
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\\uFF21bc.txt"));
  x.fs.AddFile(L"C:\\windows\\\uFF41bc.txt", "mine", kOld);
  x.fs.AddFile(L"C:\\windows\\Setup.LOG", "changed", kNew);         // changed, copy there: ○
  x.fs.AddFile(L"C:\\windows\\Fonts\\Mincho.TTF", "font 2", kNew);  // changed in a list-only folder: ★
  x.fs.AddFile(L"C:\\New.TXT", "new", kNew);                        // added in the root: ・
  x.fs.AddFile(L"C:\\windows\\temp\\later.tmp", "t", kNew);         // a skipped folder: nothing
  x.fs.AddFolder(L"C:\\windows\\Added");
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\system32\\old.dll"));               // deleted, copy there: ○
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\Fonts\\Gothic.TTF"));               // deleted in a list-only folder: ★
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\Gone\\a.txt"));
  IgnoreError(x.fs.RemoveFile(set + L"\\Gone\\a.txt"));
  IgnoreError(x.fs.RemoveFolder(set + L"\\Gone"));                                // the backup of a folder deleted
  EXPECT_EQ(Compare(), (std::vector<std::wstring>{
                           L"C:\\windows\\Gone　…バックアップが削除されています",
                           L"以下のフォルダーが追加されています",
                           L"　・C:\\windows\\Added",
                           L"以下のファイルが追加されています",
                           L"　・C:\\New.txt\t",
                           L"以下のファイルが変更されています",
                           L"　○ C:\\Windows\\Setup.log\t",
                           L"　★ C:\\Windows\\Fonts\\Mincho.ttf\t（復元できません）",
                           L"以下のファイルが削除されています",
                           L"　○ C:\\Windows\\System32\\Old.dll\t",
                           L"　★ C:\\Windows\\Fonts\\Gothic.ttf\t（復元できません）",
                       }));
}

// The files put back at once, and those that are not: a copy in the set of
// another time than the listed one, and the CD player's settings (the user's own).
TEST_F(SystemRestore, OrdinaryFilesGoBackAtOnceWithoutARestart) {
  Start();
  x.fs.AddFile(L"C:\\windows\\system32\\Old.DLL", "old", kOld);
  x.fs.AddFile(L"C:\\windows\\cdplayer.ini", "[disc]", kOld);
  x.fs.Find(L"C:\\windows\\Setup.LOG")->attributes |= attr::kReadOnly;
  SaveNow();
  x.fs.AddFile(L"C:\\windows\\Setup.LOG", "changed", kNew);
  x.fs.Find(L"C:\\windows\\Setup.LOG")->attributes |= attr::kReadOnly;
  IgnoreError(x.fs.RemoveFile(L"C:\\windows\\system32\\Old.DLL"));
  x.fs.AddFile(L"C:\\windows\\Fonts\\Added.TTF", "f", kNew);
  x.fs.AddFile(L"C:\\windows\\cdplayer.ini", "[disc 2]", kNew);
  x.fs.AddFile(set + L"\\Windows\\cdplayer.ini", "[disc]", kOld);
  x.fs.AddFile(L"C:\\windows\\system32\\kernel32.dll", "k3", kNew + 2);
  x.fs.AddFile(set + L"\\system32\\kernel32.dll", "other", kNew + 1);
  const std::wstring note = L"（○印は復元できます）", changed = L"以下のファイルが変更されています";
  const std::wstring cdplayer = L"　★ C:\\Windows\\Cdplayer.ini\t（復元できません）";
  const std::wstring kernel32 = L"　★ C:\\Windows\\System32\\Kernel32.dll\t（復元できません）";

  RestoreResult r = Restore();
  ASSERT_EQ(r.outcome, RestoreOutcome::Restored);
  EXPECT_EQ(fe.questions.back().text, kRestoredMessage);
  EXPECT_EQ(x.fs.Stat(L"C:\\windows\\Setup.LOG")->lastWrite, kOld);
  EXPECT_TRUE(x.fs.Exists(L"C:\\windows\\system32\\Old.DLL"));
  EXPECT_EQ(x.sys.removedFonts, std::vector<std::wstring>{L"C:\\windows\\Fonts\\Added.TTF"});
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\system32\\kernel32.dll"), "k3");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\cdplayer.ini"), "[disc 2]");
  EXPECT_EQ(Compare(), (std::vector<std::wstring>{note, changed, cdplayer, kernel32}));

  // Cancel changes nothing.
  x.fs.AddFile(L"C:\\New.TXT", "new", kNew);
  fe.answers = {mb::kResultCancel};
  EXPECT_EQ(Restore().outcome, RestoreOutcome::Cancelled);
  EXPECT_TRUE(x.fs.Exists(L"C:\\New.TXT"));
}

TEST_F(SystemRestore, AFileThatCannotGoBackIsWorkForTheRestartNeverRestored) {
  Start();
  SaveNow();
  x.fs.AddFile(L"C:\\windows\\Setup.LOG", "changed", kNew);
  x.fs.SetInUse(L"C:\\windows\\Setup.LOG");  // copying over it fails
  x.fs.AddFile(L"C:\\windows\\Held.dll", "h", kNew);
  x.fs.SetInUse(L"C:\\windows\\Held.dll");  // deleting it fails
  x.fs.AddFile(L"C:\\windows\\win.ini", "[windows]\r\nload=x\r\n", kNew);  // always at the restart
  // The restart declined: the staged copies are removed.
  RestoreResult r = Restore();
  ASSERT_EQ(r.work.staged.size(), 2u);  // Setup.LOG and win.ini
  DiscardRestartWork(x.machine, r.work);
  EXPECT_FALSE(x.fs.Exists(r.work.staged[0].staged));

  r = Restore();
  ASSERT_EQ(r.outcome, RestoreOutcome::RestartNeeded);
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\Setup.LOG"), "changed");  // never deleted first
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\win.ini"), "[windows]\r\nload=x\r\n");
  ASSERT_EQ(r.lists.restores.size(), 2u);
  EXPECT_EQ(r.lists.deletions, std::vector<std::wstring>{L"C:\\windows\\Held.dll"});

  // The NT family: staged beside the file, replaced as Windows next starts.
  ASSERT_TRUE(r.work.nt);
  std::vector<std::wstring> notRestored;
  ASSERT_TRUE(ApplyRestartWork(x.machine, env, r.work, notRestored));
  EXPECT_TRUE(notRestored.empty());
  x.fs.RunRestartMoves();
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\Setup.LOG"), "setup");
  EXPECT_FALSE(x.fs.Exists(L"C:\\windows\\Held.dll"));
  EXPECT_FALSE(x.fs.Exists(r.work.staged[0].staged));
}

TEST_F(SystemRestore, AChangedHiveOf98WritesTheRestartBatchInOrder) {
  x.MakeWin98();
  for (const wchar_t* name : {L"SYSTEM.DAT", L"USER.DAT", L"SYSTEM.INI"}) {
    x.fs.AddFile(std::wstring(L"C:\\windows\\") + name, "saved", kOld).attributes =
        attr::kHidden | attr::kSystem | attr::kReadOnly;
  }
  x.fs.AddFile(L"C:\\windows\\a&b.txt", "amp", kOld);
  Start();
  SaveNow();
  x.fs.AddFile(L"C:\\windows\\SYSTEM.DAT", "changed", kNew);
  x.fs.AddFile(L"C:\\windows\\Setup.LOG", "changed", kNew);
  x.fs.SetInUse(L"C:\\windows\\Setup.LOG");
  x.fs.AddFile(L"C:\\windows\\Held.dll", "h", kNew);
  x.fs.SetInUse(L"C:\\windows\\Held.dll");
  // A name with a batch metacharacter never reaches the batch (rule 7).
  x.fs.AddFile(L"C:\\windows\\a&b.txt", "amp 2", kNew);
  x.fs.SetInUse(L"C:\\windows\\a&b.txt");
  x.fs.SetShortName(env.WorkDir, L"WIN98");

  RestoreResult r = Restore();
  ASSERT_EQ(r.outcome, RestoreOutcome::RestartNeeded);
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\SYSTEM.DAT"), "changed");  // the hive waits for the restart
  // Four guarded lines per hive and INI file (their text is checked on the real machine),
  // then the copy over the file in use by its short path, the deletion, and autoexec back.
  ASSERT_EQ(r.work.batchLines.size(), 20u);
  EXPECT_EQ(std::vector<std::wstring>(r.work.batchLines.begin() + 16, r.work.batchLines.end()),
            (std::vector<std::wstring>{L"COPY C:\\Zel32\\WIN98\\Recovery\\Windows\\Setup.LOG C:\\windows/Y",
                                       L"del C:\\windows\\Held.dll", L"del C:\\autoexec.bat",
                                       L"ren C:\\autoexec.Zel autoexec.bat"}));
  ASSERT_EQ(r.notRestored.size(), 1u);
  EXPECT_NE(r.notRestored[0].find(L"a&b.txt"), std::wstring::npos);

  std::vector<std::wstring> notRestored;
  ASSERT_TRUE(ApplyRestartWork(x.machine, env, r.work, notRestored));
  EXPECT_EQ(x.fs.Content(L"C:\\Zel.BAT"), RestartBatchBytes(r.work.batchLines));

  // While the restart is pending, a second restore is refused and the
  // program's own batch files are never taken for additions.
  EXPECT_EQ(Restore().outcome, RestoreOutcome::Refused);
  EXPECT_TRUE(x.fs.Exists(L"C:\\Zel.BAT"));
}

TEST_F(SystemRestore, ADamagedOrForeignListIsNeverActedOn) {
  Start();
  SaveNow();
  x.fs.AddFile(L"C:\\New.TXT", "new", kNew);
  // A group that leads out of the Windows folder through "..".
  x.fs.AddFile(L"C:\\Data\\letter.doc", "mine", kOld);
  x.fs.AddFile(set + L"\\" + kWindowsList, SetBytes(kWindowsList) + "\x02" "c:\\windows\\..\\data\x08");
  EXPECT_EQ(Restore().outcome, RestoreOutcome::Refused);
  EXPECT_TRUE(x.fs.Exists(L"C:\\Data\\letter.doc"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\New.TXT"));
  // The compare says so and compares the rest.
  std::vector<std::wstring> lines = Compare();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], L"保存された一覧が壊れています（読み取れた所までを比較しました）");
  EXPECT_EQ(lines.back(), L"　・C:\\New.txt\t");
}

// Left alone by the compare and the restore: the set's own files (the set inside the Windows
// folder), an earlier restore's batch file, a folder that cannot be read, and a folder that
// became a link (what it leads to is the user's).
TEST_F(SystemRestore, TheSetsOwnFilesAnUnreadableFolderAndALinkAreLeftAlone) {
  Start();
  set = L"C:\\windows\\ZelSet";
  x.fs.AddFile(L"C:\\windows\\Help\\guide.hlp", "help", kOld);
  SaveNow();
  x.fs.AddFile(set + L"\\notes.txt", "kept", kNew);
  x.fs.AddFile(L"C:\\Zel.BAT", "old batch", kNew);
  x.fs.SetUnreadable(L"C:\\windows\\system32\\drivers");
  x.fs.AddFile(L"C:\\data\\guide.hlp", "mine", kNew);
  x.fs.AddFile(L"C:\\data\\letter.doc", "mine", kNew);
  IgnoreError(x.fs.MoveOne(L"C:\\windows\\Help", L"C:\\windows\\Help.old", false));
  x.fs.AddLink(L"C:\\windows\\Help", L"C:\\data");
  const std::vector<std::wstring> lines = Compare();
  for (const wchar_t* line : {L"C:\\windows\\system32\\drivers　…フォルダーを読み取れません",
                              L"C:\\windows\\Help　…リンクになっているため、比較しません"}) {
    const auto same = [&](const std::wstring& l) { return EqualsNoCase(l, line); };
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), same)) << ToUtf8(line);
  }
  EXPECT_EQ(Restore().outcome, RestoreOutcome::Restored);
  EXPECT_TRUE(x.fs.Exists(set + L"\\notes.txt"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\Zel.BAT"));
  EXPECT_EQ(x.fs.Content(L"C:\\data\\guide.hlp"), "mine");
  EXPECT_EQ(x.fs.Content(L"C:\\data\\letter.doc"), "mine");
  // Nothing below the unreadable folder was added or deleted.
  x.fs.SetUnreadable(L"C:\\windows\\system32\\drivers", false);
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\system32\\drivers\\disk.sys"), "disk");
}

}  // namespace
}  // namespace zel
