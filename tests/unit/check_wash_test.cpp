#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/cp932.h"
#include "base/text.h"
#include "support/snapshot_cycle.h"

namespace zel {
namespace {

using testing::Has;
using testing::SnapshotCycle;
using testing::XpMachine;

using Lines = std::vector<std::wstring>;
const std::wstring kNothing = L" ※ 変更・追加はありません";

// The user's files before the snapshot.
void Furnish(XpMachine& x) {
  x.fs.AddFile(L"C:\\windows\\notepad.exe", "old", 0x100);
  x.fs.AddFile(L"C:\\windows\\shared.dat", "mine", 0x100);
  x.fs.AddFile(L"C:\\windows\\inf\\deep\\b.pnf", "x", 0x100);
  x.fs.AddFile(L"C:\\config.sys", "FILES=40\r\n", 0x100);
  x.fs.AddFile(L"C:\\users\\root\\Documents\\letter.doc", "mine", 0x100);
}

class Cycle : public ::testing::Test, public SnapshotCycle {
 protected:
  void SetUp() override { Furnish(x); }
  void Make(std::initializer_list<const wchar_t*> files, const char* content = "x") {
    for (const wchar_t* f : files) x.fs.AddFile(f, content);
  }
};

// What the check must not take for a change of the test: it is neither
// listed nor washed.
TEST(CycleNoChange, WhatIsNoAdditionIsNeitherListedNorWashed) {
  using Step = std::function<void(SnapshotCycle&)>;
  const struct {
    const char* name;
    Step before;  // before the snapshot
    int level;
    Step after;
    std::vector<const wchar_t*> stay;  // made after the snapshot where missing, kept by the wash
  } cases[] = {
      {"excluded names and renames of the letter case only", nullptr, 1,
       [](SnapshotCycle& c) {
         c.x.fs.AddFile(L"C:\\windows\\win.ini", "[changed]");             // the INI comparison's
         c.x.fs.AddFile(L"C:\\windows\\system32\\WaveMix.Ini", "x", 0x100);  // never reported
         c.snap.system[3].text += "0000000000000001/WaveMix.Ini|";
         IgnoreError(c.x.fs.MoveOne(L"C:\\windows\\notepad.exe", L"C:\\windows\\NOTEPAD.EXE", false));  // the same file
         IgnoreError(c.x.fs.MoveOne(L"C:\\users", L"C:\\Users", false));  // a root folder, recorded as it was on disk
       },
       {L"C:\\windows\\system32\\WaveMix.Ini", L"C:\\windows\\NOTEPAD.EXE"}},
      {"a folder that could not be listed",
       [](SnapshotCycle& c) {
         c.x.fs.AddFile(L"C:\\Program Files\\Common Files\\x.dll", "x");
         c.x.fs.SetUnreadable(L"C:\\Program Files");
       },
       1, [](SnapshotCycle& c) { c.x.fs.SetUnreadable(L"C:\\Program Files", false); },
       {L"C:\\Program Files\\Common Files\\x.dll"}},
      // "deep" was named, never listed.
      {"below the second level at level one", nullptr, 1, nullptr,
       {L"C:\\windows\\inf\\deep\\newer.pnf", L"C:\\windows\\inf\\deep\\deeper\\f.txt"}},
      {"the snapshot's level 0, the setting raised after it", nullptr, 0,
       [](SnapshotCycle& c) { c.options.CheckLevel = 1; }, {L"C:\\windows\\inf\\deep\\x.pnf"}},
      {"the program's own folders", [](SnapshotCycle& c) { c.x.InstallProgram(L"C:\\windows\\Zel"); }, 1,
       nullptr,
       {L"C:\\windows\\Zel\\WinXP\\Zel32.dir", L"C:\\windows\\Zel\\報告書.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SnapshotCycle m;
    Furnish(m.x);
    if (c.before) c.before(m);
    m.Snap(c.level);
    if (c.after) c.after(m);
    for (const wchar_t* path : c.stay) {
      if (!m.x.fs.Exists(path)) m.x.fs.AddFile(path, "x");
    }
    EXPECT_EQ(m.Check(), Lines{kNothing});
    m.Wash();
    for (const wchar_t* path : c.stay) EXPECT_TRUE(m.x.fs.Exists(path)) << path;
  }
}

TEST_F(Cycle, AnInstallersChangesAreListedAndWashed) {
  Snap();
  const std::wstring made[] = {L"C:\\windows\\Fonts\\fix.ttf", L"C:\\windows\\system32\\fix.dll",
                               L"C:\\windows\\temp\\fix.tmp", L"C:\\windows\\fixgroup.grp",
                               L"C:\\windows\\inf\\new.inf", L"C:\\windows\\newdir\\inner.txt"};
  for (const std::wstring& file : made) x.fs.AddFile(file, "x");
  x.fs.AddFile(L"C:\\windows\\shared.dat", "theirs");
  x.fs.AddFile(L"C:\\config.sys", "FILES=99\r\n");

  // The end-to-end cycle lists what its real installer makes; these are the rest.
  const Lines c = Check();
  for (const wchar_t* line : {L"●ｸﾞﾙｰﾌﾟ『fixgroup.grp』が追加されています",
                              L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\newdir』が追加されています",
                              L"●ﾌｧｲﾙ『C:\\windows\\Temp\\fix.tmp』が追加されています",
                              L"●ﾌｧｲﾙ『C:\\windows\\inf\\new.inf』が追加されています",
                              L"●『C:\\config.sys』が変更されています"}) {
    EXPECT_TRUE(Has(c, line)) << ToUtf8(line);
  }

  Wash();
  EXPECT_EQ(washed.failures, 0);
  EXPECT_EQ(x.sys.removedFonts, Lines{L"C:\\windows\\Fonts\\fix.ttf"});  // before deletion
  for (const std::wstring& file : made) EXPECT_FALSE(x.fs.Exists(file)) << ToUtf8(file);
  EXPECT_FALSE(x.fs.Exists(L"C:\\windows\\newdir"));
  EXPECT_EQ(x.fs.Content(L"C:\\config.sys"), "FILES=40\r\n");
  EXPECT_EQ(x.fs.Content(L"C:\\windows\\shared.dat"), "theirs");  // no copy to put back
  EXPECT_EQ(x.fs.Content(L"C:\\users\\root\\Documents\\letter.doc"), "mine");

  // After the wash only the file that could not be put back differs.
  EXPECT_EQ(Check(), (Lines{L"●ﾌｧｲﾙ『C:\\windows\\shared.dat』が修正されています", L"　　　（このﾌｧｲﾙは元に戻せません）"}));
}

// The check writes its walk's lines to the report when asked. A report that
// cannot be written never stops the check or the wash, and the user is told,
// once each.
TEST_F(Cycle, TheReportGetsTheWalksLinesAndAnUnwritableOneIsToldOnce) {
  Snap();
  options.Report = true;
  x.fs.AddFile(L"C:\\windows\\temp\\fix.tmp", "x");
  Check();
  const std::string report = x.fs.Content(L"C:\\Zel32\\報告書.txt");
  EXPECT_NE(report.find(ToCp932(L"] C:\\windows\\Temp（ 1個）\r\n")), std::string::npos);

  x.fs.AddFile(L"C:\\windows\\added.dll", "new");
  ASSERT_EQ(x.fs.RemoveFile(L"C:\\Zel32\\報告書.txt"), FsError::None);
  x.fs.FailCreationBelow(env.ProgramDir);
  EXPECT_TRUE(Has(Check(), L"●ﾌｧｲﾙ『C:\\windows\\added.dll』が追加されています"));
  EXPECT_EQ(fe.questions.size(), 1u);
  Wash();
  EXPECT_FALSE(x.fs.Stat(L"C:\\windows\\added.dll"));
  EXPECT_EQ(fe.questions.size(), 2u);  // once more for the wash's lines
  EXPECT_TRUE(fe.AskedAbout(L"報告書『C:\\Zel32\\報告書.txt』を書き込めませんでした"));
}

TEST_F(Cycle, NothingSinceTheLastWashListsOnlyTheTemporaryFolder) {
  Snap();
  record.testDone = false;
  x.fs.AddFile(L"C:\\windows\\system32\\later.dll", "x");
  EXPECT_EQ(Check(), Lines{kNothing});
  x.fs.AddFile(L"C:\\tmp\\ZEL0001\\a.txt", "x");
  record.temporaryFolders = {L"C:\\tmp\\ZEL0001"};
  EXPECT_EQ(Check(), Lines{L"●ﾌｫﾙﾀﾞｰ『C:\\tmp\\ZEL0001』が作成されています"});
  EXPECT_EQ(Wash(), Lines{L"●ﾌｫﾙﾀﾞｰ『C:\\tmp\\ZEL0001』を削除しました"});
  EXPECT_TRUE(x.fs.Exists(L"C:\\windows\\system32\\later.dll"));  // no test: nothing else is touched
  EXPECT_TRUE(record.temporaryFolders.empty());
}

TEST_F(Cycle, EveryListOnAnotherDiskIsLeftAloneAndSaidOncePerDrive) {
  x.fs.AddDrive(L'D', DriveType::Fixed);
  x.fs.AddFile(L"D:\\Documents\\mine.doc", "mine", 0x100);
  x.SetShellFolder(L"Personal", L"D:\\Documents");
  Snap();
  // After a restart another disk is D:, with a documents folder of its own.
  x.fs.SetVolume(L'D', 0xBEEF);
  Make({L"D:\\Documents\\theirs.doc", L"D:\\Documents\\Sub\\more.doc"}, "theirs");
  EXPECT_EQ(Check().size(), 1u);  // said once; its text is checked end to end
  EXPECT_EQ(Wash().size(), 1u);
  EXPECT_EQ(x.fs.Content(L"D:\\Documents\\theirs.doc"), "theirs");
  EXPECT_EQ(x.fs.Content(L"D:\\Documents\\Sub\\more.doc"), "theirs");
  EXPECT_GT(washed.failures, 0);  // something stayed unwashed: the snapshot is kept
}

TEST_F(Cycle, AListedFolderThatBecameALinkIsNeverEntered) {
  Make({L"C:\\data\\precious.doc", L"C:\\data\\Album\\photo.jpg"}, "mine");
  x.fs.AddFolder(L"C:\\Redirected");
  x.fs.AddLink(L"C:\\users\\root\\Favorites", L"C:\\Redirected");  // a link already when listed
  Snap();
  x.fs.AddFile(L"C:\\Redirected\\new.url", "x");
  // A monitored folder, a system folder and the Windows folder's own list.
  for (const wchar_t* listed : {L"C:\\users\\root\\Documents", L"C:\\windows\\system32\\drivers"}) {
    IgnoreError(x.fs.MoveOne(listed, std::wstring(listed) + L".old", false));
    x.fs.AddLink(listed, L"C:\\data");
  }
  const Lines c = Check();
  EXPECT_TRUE(Has(c, L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\System32\\Drivers』は、記録したときと違いリンクになっています（確認しません）"));
  EXPECT_FALSE(std::any_of(c.begin(), c.end(), [](const std::wstring& l) { return Contains(l, L"precious"); }));
  EXPECT_TRUE(Has(c, L"●ﾌｧｲﾙ『C:\\users\\root\\Favorites\\new.url』が追加されています"));
  EXPECT_TRUE(Has(Wash(), L"●ﾌｫﾙﾀﾞｰ『C:\\users\\root\\Documents』は、記録したときと違いリンクになっているため、洗浄しません"));
  EXPECT_EQ(x.fs.Content(L"C:\\data\\precious.doc"), "mine");
  EXPECT_GT(washed.failures, 0);
}

// One test run that leaves what the wash must not follow or cannot tell from
// the user's own: each is kept and said so, and the rest of the wash goes on.
TEST_F(Cycle, WhatTheWashCannotTellFromTheUsersOwnIsKept) {
  Make({L"C:\\data\\precious.doc", L"C:\\windows\\caf\u00e9\\keep.txt", L"C:\\Projects\\report.doc",
        L"C:\\windows\\userstuff\\keep.txt"}, "mine");
  Snap(2);
  // Links to a folder go as links, what they lead to stays.
  x.fs.AddLink(L"C:\\linked", L"C:\\data");
  x.fs.AddLink(L"C:\\windows\\linked", L"C:\\data");
  // Another folder whose code-page form is the same as the recorded one's.
  x.fs.AddFile(L"C:\\windows\\caf\u00e8\\mine.txt", "mine");
  x.fs.AddFile(L"C:\\windows\\caf\u00e9\\new.txt", "x");
  // The user's folder moved into one the test added.
  Make({L"C:\\windows\\temp\\Setup\\junk.tmp", L"C:\\windows\\temp\\Setup\\Cache\\more.tmp"});
  IgnoreError(x.fs.MoveOne(L"C:\\Projects", L"C:\\windows\\temp\\Setup\\Cache\\Projects", false));
  // A folder older than the snapshot, renamed.
  IgnoreError(x.fs.MoveOne(L"C:\\windows\\userstuff", L"C:\\windows\\renamed", false));
  // A name without a code page form, and a file in use.
  Make({L"C:\\windows\\system32\\caf\u00e9.dll", L"C:\\windows\\temp\\busy.dll",
        L"C:\\windows\\temp\\free.txt"});
  x.fs.SetInUse(L"C:\\windows\\temp\\busy.dll");
  EXPECT_TRUE(Has(Check(), L"●ﾌｧｲﾙ『C:\\windows\\System32\\caf\u00e9.dll』が追加されています"));

  const Lines w = Wash();
  for (const wchar_t* line : {L"●ﾌｫﾙﾀﾞｰ『C:\\linked』を削除しました", L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\linked』を削除しました",
                              L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\Temp\\Setup\\Cache\\Projects』は削除できません",
                              L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\Temp\\Setup』は削除できません",
                              L"●ﾌｫﾙﾀﾞｰ『C:\\windows\\renamed』は削除できません",
                              L"●ﾌｧｲﾙ『C:\\windows\\System32\\caf\u00e9.dll』は削除できません",
                              L"●ﾌｧｲﾙ『C:\\windows\\Temp\\busy.dll』は削除できません",
                              L"●ﾌｧｲﾙ『C:\\windows\\Temp\\free.txt』を削除しました"}) {
    EXPECT_TRUE(Has(w, line)) << ToUtf8(line) << "\n" << ::testing::PrintToString(w);
  }
  for (const wchar_t* gone : {L"C:\\linked", L"C:\\windows\\linked", L"C:\\windows\\temp\\Setup\\junk.tmp",
                              L"C:\\windows\\temp\\Setup\\Cache\\more.tmp"}) {
    EXPECT_FALSE(x.fs.Exists(gone)) << ToUtf8(gone);
  }
  for (const wchar_t* kept : {L"C:\\data\\precious.doc", L"C:\\windows\\caf\u00e8\\mine.txt",
                              L"C:\\windows\\temp\\Setup\\Cache\\Projects\\report.doc",
                              L"C:\\windows\\renamed\\keep.txt"}) {
    EXPECT_EQ(x.fs.Content(kept), "mine") << ToUtf8(kept);
  }
  EXPECT_TRUE(x.fs.Exists(L"C:\\windows\\caf\u00e9\\new.txt"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\windows\\system32\\caf\u00e9.dll"));
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text.rfind(L"『busy.dll』はシステムで使用中のため削除できません。", 0), 0u);
  EXPECT_EQ(washed.failures, 5);  // each line "cannot be deleted"
}

// A saved library copy is put back only when it is the copy of this
// snapshot's file; any other copy, or a put-back that fails, is a failure.
TEST_F(Cycle, ASystemLibraryComesBackOnlyFromThisSnapshotsCopy) {
  const std::wstring sys = L"C:\\windows\\system32\\";
  const std::wstring saves = L"C:\\Zel32\\WinXP\\Library\\";
  const std::uint64_t older = x.fs.Stat(sys + L"kernel32.dll")->lastWrite;
  x.fs.AddFile(sys + L"kernel32.dll", "MZ updated", older + 5000);  // the system was updated since
  x.fs.AddFile(sys + L"user32.dll", "MZ", 0x200);
  x.fs.AddFile(sys + L"gdi32.dll", "MZ", 0x300);
  Snap();
  x.fs.AddFile(saves + L"kernel32.dll", "MZ old", older);  // an earlier test's copy
  x.fs.AddFile(saves + L"user32.dll", "MZ", 0x200);
  x.fs.AddFile(saves + L"gdi32.dll", "MZ", 0x300);
  record.attached = L"/KERNEL32.DLL|/USER32.DLL|/GDI32.DLL|";
  record.librarySaves = L"C:\\Zel32\\WinXP\\Library";
  for (const wchar_t* name : {L"kernel32.dll", L"user32.dll", L"gdi32.dll"}) {
    x.fs.AddFile(sys + name, "MZ theirs");
  }
  x.fs.SetInUse(sys + L"user32.dll");
  const Lines c = Check();
  const std::wstring lost = L"　　　（このﾌｧｲﾙは元に戻せません）";
  const auto at = std::find(c.begin(), c.end(), L"●ﾌｧｲﾙ『C:\\windows\\System32\\kernel32.dll』が修正されています");
  ASSERT_TRUE(at != c.end() && at + 1 != c.end());
  EXPECT_EQ(at[1], lost);
  EXPECT_EQ(std::count(c.begin(), c.end(), lost), 1);  // not for gdi32.dll: its copy is this snapshot's
  const Lines w = Wash();
  EXPECT_TRUE(Has(w, L"●ﾌｧｲﾙ『C:\\windows\\System32\\kernel32.dll』は復元できません"));
  EXPECT_TRUE(Has(w, L"●ﾌｧｲﾙ『C:\\windows\\System32\\user32.dll』は復元できません"));
  EXPECT_TRUE(Has(w, L"●ﾌｧｲﾙ『C:\\windows\\System32\\gdi32.dll』を復元しました"));
  EXPECT_EQ(x.fs.Content(sys + L"kernel32.dll"), "MZ theirs");
  EXPECT_EQ(x.fs.Content(sys + L"gdi32.dll"), "MZ");
  EXPECT_EQ(washed.failures, 2);
}

}  // namespace
}  // namespace zel
