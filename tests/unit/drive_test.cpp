#include <gtest/gtest.h>

#include <algorithm>

#include "drive/drive_protection.h"
#include "drive/drive_record.h"
#include "base/text.h"
#include "support/started_machine.h"

namespace zel {
namespace {

using Lines = std::vector<std::wstring>;
const Lines kNoneAdded = {L"追加されたファイルはありません"};
const std::wstring kPrecious = L"C:\\users\\root\\Documents\\precious.doc";

// The started XP machine with a second fixed drive D: holding the user's files.
// Deleting asks nothing unless a test turns QueryDirDel back on.
class Drive : public ::testing::Test, public testing::StartedMachine {
 protected:
  void SetUp() override {
    Start();
    options.QueryDirDel = false;
    x.fs.AddDrive(L'D', DriveType::Fixed);
    x.fs.AddFile(L"D:\\docs\\報告.txt", "mine");
    x.fs.AddFile(L"D:\\docs\\sub\\a.txt", "mine");
    x.fs.AddFile(L"D:\\top.txt", "mine");
    x.fs.AddFile(kPrecious, "mine");
  }
  void Record(const Services& s) { ASSERT_EQ(RecordDriveNames(s, L'D'), DriveOutcome::Done); }
  void Record() { Record(sv); }
  Lines Check(const Services& s) {
    fe.console.clear();
    EXPECT_EQ(CheckDriveAdditions(s, L'D'), DriveOutcome::Done);
    return fe.console;
  }
  Lines Check() { return Check(sv); }
  void Add(std::initializer_list<std::wstring> files) {
    for (const std::wstring& f : files) x.fs.AddFile(f, "x");
  }
  void ExpectThere(std::initializer_list<std::wstring> paths, bool there = true) {
    for (const std::wstring& p : paths) EXPECT_EQ(x.fs.Exists(p), there) << p;
  }
  Lines Delete(const Services& s) {
    fe.console.clear();
    EXPECT_EQ(DeleteDriveAdditions(s, L'D'), DriveOutcome::Done);
    return fe.console;
  }
  // The program's folders below PROGRAMDIR, with its work folder made.
  Environment At(const wchar_t* programDir) {
    Environment e = env;
    e.ProgramDir = programDir;
    e.WorkDir = e.ProgramDir + L"\\WinXP";
    e.BackupDir = e.WorkDir + L"\\Backup";
    x.fs.AddFolder(e.WorkDir);
    return e;
  }
};

TEST_F(Drive, TheRecordKeepsExactNamesAndLeavesLinksSystemFoldersAndUnreadableFoldersUnknown) {
  // café.txt has no code page 932 form.
  Add({L"D:\\café.txt", L"D:\\RECYCLER\\S-1\\gone.txt", L"D:\\locked\\inside.txt"});
  x.fs.AddLink(L"D:\\link", L"C:\\users\\root\\Documents");
  x.fs.SetUnreadable(L"D:\\locked");
  ASSERT_EQ(RecordDriveNames(sv, L'd'), DriveOutcome::Done);
  EXPECT_EQ(fe.console, (Lines{L"ドライブ D のファイル名を記録しました（ファイル 4 個、フォルダー 5 個）",
                               L"　※ フォルダー『D:\\locked』は読み取れません"}));
  const std::string bytes = x.fs.Content(env.WorkDir + L"\\DrvList.D");
  EXPECT_EQ(bytes.rfind("Zel32 drive record 1\r\nDRIVE 00000001:D\r\n", 0), 0u);
  EXPECT_NE(bytes.find("FILE 00000009:caf\xC3\xA9.txt\r\n"), std::string::npos);

  DriveRecord r;
  ASSERT_TRUE(DecodeDriveRecord(bytes, L'D', r));
  for (const wchar_t* n : {L"DOCS\\報告.TXT", L"CAFÉ.TXT", L"LINK"}) EXPECT_TRUE(r.known.count(n)) << n;
  for (const wchar_t* n : {L"CAF?.TXT", L"RECYCLER\\S-1"}) EXPECT_FALSE(r.known.count(n)) << n;
  for (const wchar_t* n : {L"", L"DOCS", L"DOCS\\SUB"}) EXPECT_TRUE(r.listed.count(n)) << n;
  for (const wchar_t* n : {L"LINK", L"RECYCLER", L"LOCKED"}) EXPECT_FALSE(r.listed.count(n)) << n;

  // Nothing added yet: the unknown folders stay unknown, also once readable.
  x.fs.SetUnreadable(L"D:\\locked", false);
  Add({L"D:\\locked\\later.txt", L"D:\\RECYCLER\\S-1\\later.txt", L"C:\\users\\root\\Documents\\later.doc"});
  EXPECT_EQ(Check(), kNoneAdded);
}

TEST_F(Drive, TheCheckListsWhatIsNotInTheRecordCaseBlindAndAnAddedFolderOnce) {
  Record();
  Add({L"D:\\new.txt", L"D:\\DOCS\\SUB\\B.TXT", L"D:\\docs\\新しいフォルダー\\deep\\x.txt"});
  x.fs.Find(L"D:\\top.txt")->name = L"TOP.TXT";  // only the letter case changed
  x.fs.AddFolder(L"D:\\empty");
  const Lines added = {L"●ﾌｧｲﾙ『D:\\new.txt』が追加されています", L"●ﾌｫﾙﾀﾞｰ『D:\\empty』が追加されています",
                       L"●ﾌｫﾙﾀﾞｰ『D:\\docs\\新しいフォルダー』が追加されています",
                       L"●ﾌｧｲﾙ『D:\\docs\\sub\\B.TXT』が追加されています"};
  EXPECT_EQ(Check(), added);

  // A recorded folder that is a link now is not looked into; one that cannot
  // be read now is said so and left alone.
  ASSERT_EQ(x.fs.RemoveFile(L"D:\\docs\\sub\\a.txt"), FsError::None);
  ASSERT_EQ(x.fs.RemoveFile(L"D:\\docs\\sub\\B.TXT"), FsError::None);
  ASSERT_EQ(x.fs.RemoveFolder(L"D:\\docs\\sub"), FsError::None);
  x.fs.AddLink(L"D:\\docs\\sub", L"C:\\users\\root\\Documents");
  x.fs.SetUnreadable(L"D:\\docs");
  EXPECT_EQ(Check().size(), 3u);  // the first two, then the unreadable folder
  x.fs.SetUnreadable(L"D:\\docs", false);
  EXPECT_EQ(Check(), Lines(added.begin(), added.begin() + 3));
  Delete(sv);
  ExpectThere({kPrecious, L"D:\\docs\\sub", L"D:\\docs\\報告.txt"});
}

TEST_F(Drive, DeletingAsksBeforeEachFolderAndSaysWhatHappenedAfterIt) {
  Record();
  x.fs.AddFile(L"D:\\newA\\a.dll", "x").attributes = attr::kReadOnly;
  x.fs.AddFolder(L"D:\\newB");
  Add({L"D:\\new.txt", L"D:\\busy.txt"});
  x.fs.SetInUse(L"D:\\busy.txt");
  x.fs.AddFolder(L"D:\\newC");
  options.QueryDirDel = true;
  fe.console.clear();
  fe.answers = {mb::kResultYes, mb::kResultNo, mb::kResultCancel};
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::Declined);
  ASSERT_EQ(fe.questions.size(), 3u);
  EXPECT_EQ(fe.questions[0].text, L"追加されたフォルダー|『D:\\newA』|を削除していいですか？");
  EXPECT_EQ(fe.console, (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\newA』を削除しました", L"●ﾌｧｲﾙ『D:\\new.txt』を削除しました",
                               L"●ﾌｧｲﾙ『D:\\busy.txt』は削除できません"}));
  EXPECT_FALSE(x.fs.Exists(L"D:\\newA"));
  ExpectThere({L"D:\\newB", L"D:\\newC", L"D:\\busy.txt"});  // "No" kept newB, Cancel ended it

  // Without QueryDirDel nothing is asked; the user's files stay.
  options.QueryDirDel = false;
  x.fs.SetInUse(L"D:\\busy.txt", false);
  fe.questions.clear();
  EXPECT_EQ(Delete(sv).size(), 3u);  // newB, busy.txt, newC
  EXPECT_TRUE(fe.questions.empty());
  ExpectThere({L"D:\\docs\\報告.txt", L"D:\\docs\\sub\\a.txt", L"D:\\top.txt"});
}

TEST_F(Drive, LinksOwnFoldersLossyNamesAndRenamedFoldersAreNeverDeletedThrough) {
  // The program lives on D: below a folder the walk does not know yet.
  const Environment own = At(L"D:\\Apps\\Zel32");
  x.fs.AddFile(L"D:\\old\\keep.txt", "mine");
  const Services here{x.machine, fe, own, settings, options, libs};
  Record(here);
  x.fs.AddFile(own.WorkDir + L"\\Zel32.dat", "snapshot");
  x.fs.AddLink(L"D:\\trap", L"C:\\users\\root\\Documents");
  Add({L"D:\\naïve.txt"});
  ASSERT_EQ(x.fs.MoveOne(L"D:\\old", L"D:\\renamed", false), FsError::None);
  // The record lies inside the work folder, which the walk never enters.
  EXPECT_EQ(Check(here), (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\trap』が追加されています", L"●ﾌｧｲﾙ『D:\\naïve.txt』が追加されています",
                                L"●ﾌｫﾙﾀﾞｰ『D:\\renamed』が追加されています"}));
  EXPECT_EQ(Delete(here), (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\trap』を削除しました", L"●ﾌｧｲﾙ『D:\\naïve.txt』は削除できません",
                                 L"●ﾌｫﾙﾀﾞｰ『D:\\renamed』は削除できません"}));
  EXPECT_FALSE(x.fs.Exists(L"D:\\trap"));
  ExpectThere({kPrecious, L"D:\\naïve.txt", own.WorkDir + L"\\Zel32.dat", own.WorkDir + L"\\DrvList.D"});
  EXPECT_EQ(x.fs.Content(L"D:\\renamed\\keep.txt"), "mine");

  // A folder added after the record that holds the program's folders is
  // listed but kept.
  const Environment later = At(L"D:\\Tools\\Zel32");
  Add({L"D:\\Tools\\other.txt"});
  ASSERT_EQ(x.fs.CopyOne(own.WorkDir + L"\\DrvList.D", later.WorkDir + L"\\DrvList.D", false), FsError::None);
  EXPECT_TRUE(testing::Has(Delete(Services{x.machine, fe, later, settings, options, libs}),
                           L"●ﾌｫﾙﾀﾞｰ『D:\\Tools』は削除できません"));
  ExpectThere({L"D:\\Tools\\other.txt", later.WorkDir + L"\\DrvList.D"});
}

// Another disk under the letter or a damaged record: nothing is deleted and
// the user is told why.
TEST_F(Drive, AnotherVolumeOrADamagedRecordIsNeverDeletedFrom) {
  Record();
  x.fs.AddFile(L"D:\\new.txt", "x");
  const std::wstring path = DriveRecordPath(env, L'D');
  const std::string good = x.fs.Content(path);
  std::string bad = good;
  bad[bad.size() / 2] ^= 0x20;
  ASSERT_EQ(x.fs.WriteBytes(path, bad), FsError::None);
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::Damaged);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ D のファイル名記録が壊れています"));

  ASSERT_EQ(x.fs.WriteBytes(path, good), FsError::None);
  x.fs.SetVolume(L'D', 0xBEEF);
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::VolumeChanged);
  EXPECT_EQ(fe.console, (Lines{L" ※ ドライブ D は、ファイル名を記録した時と別のディスクです"}));
  EXPECT_TRUE(fe.AskedAbout(L"このドライブのファイルは削除しません"));
  EXPECT_TRUE(x.fs.Exists(L"D:\\new.txt"));
}

TEST(DriveRecordCodec, EveryChangedTruncatedOrMisplacedByteIsDamage) {
  DriveRecordWriter w(L'D', VolumeId{0x1234ABCD, 42949672960ULL}, 0x01D0000000000001ULL);
  w.Folder(L"");
  w.Name(L"dir", true);
  w.Name(L"file.txt", false);
  w.Folder(L"dir");
  w.Name(L"名前", false);
  const std::string good = w.Finish();
  DriveRecord r;
  ASSERT_TRUE(DecodeDriveRecord(good, L'd', r));
  EXPECT_EQ(r.volume, (VolumeId{0x1234ABCD, 42949672960ULL}));
  EXPECT_EQ(r.takenAt, 0x01D0000000000001ULL);
  EXPECT_TRUE(r.known.count(L"DIR\\名前"));
  EXPECT_FALSE(DecodeDriveRecord(good, L'E', r));  // another drive's record
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] ^= 0x01;
    EXPECT_FALSE(DecodeDriveRecord(bad, L'D', r)) << i;
    EXPECT_FALSE(DecodeDriveRecord(std::string_view(good).substr(0, i), L'D', r)) << i;
  }
  EXPECT_FALSE(DecodeDriveRecord(good + "x", L'D', r));
  // Well summed but wrong inside: a folder its parent did not name, a name
  // with a separator, no root.
  DriveRecordWriter stray(L'D', VolumeId{}, 1);
  stray.Folder(L"");
  stray.Name(L"file", false);
  stray.Folder(L"file");
  EXPECT_FALSE(DecodeDriveRecord(stray.Finish(), L'D', r));
  DriveRecordWriter slash(L'D', VolumeId{}, 1);
  slash.Folder(L"");
  slash.Name(L"a\\b", false);
  EXPECT_FALSE(DecodeDriveRecord(slash.Finish(), L'D', r));
  EXPECT_FALSE(DecodeDriveRecord(DriveRecordWriter(L'D', VolumeId{}, 1).Finish(), L'D', r));
}

// Recording again and clearing ask first; a record declined, too large,
// unwritable or unreadable leaves the old one whole.
TEST_F(Drive, RecordingAgainAndClearingAskFirstAndNeverLeaveAHalfRecord) {
  EXPECT_EQ(ClearDriveRecord(sv, L'D'), DriveOutcome::NoRecord);
  Record();
  const std::wstring path = DriveRecordPath(env, L'D');
  std::string before = x.fs.Content(path);
  x.fs.AddFile(L"D:\\new.txt", "x");
  fe.answers = {mb::kResultNo, mb::kResultYes};
  EXPECT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Declined);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ D の情報は既に読み込まれています||もう一度、情報を読み直しますか？"));
  EXPECT_EQ(RecordDriveNames(sv, L'D', 3), DriveOutcome::TooLarge);
  EXPECT_EQ(x.fs.Content(path), before);
  fe.answers = {mb::kResultYes};
  Record();
  EXPECT_EQ(Check(), kNoneAdded);

  before = x.fs.Content(path);
  x.fs.FailCreationBelow(env.WorkDir);
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::WriteFailed);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ D のファイル名記録を保存できません"));
  EXPECT_FALSE(x.fs.Exists(path + L".new"));
  EXPECT_EQ(x.fs.Content(path), before);

  fe.answers = {mb::kResultNo, mb::kResultYes};
  EXPECT_EQ(ClearDriveRecord(sv, L'D'), DriveOutcome::Declined);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ D のファイル名記録を|消去していいですか？"));
  EXPECT_TRUE(HasDriveRecord(x.fs, env, L'D'));
  EXPECT_EQ(ClearDriveRecord(sv, L'D'), DriveOutcome::Done);
  EXPECT_FALSE(AnyDriveRecord(x.fs, env));
  EXPECT_TRUE(x.fs.Exists(L"D:\\new.txt"));
}

TEST_F(Drive, AtTheEndEachRecordedDriveIsOfferedThenItsRecordGoes) {
  x.fs.AddDrive(L'E', DriveType::Removable);
  x.fs.AddDrive(L'F', DriveType::Fixed);
  Add({L"E:\\data.bin", L"F:\\f.txt"});
  for (wchar_t letter : {L'D', L'E', L'F'}) ASSERT_EQ(RecordDriveNames(sv, letter), DriveOutcome::Done);
  Add({L"D:\\new.txt", L"E:\\new.bin"});
  x.fs.AddFolder(L"D:\\newdir");
  ASSERT_EQ(x.fs.WriteBytes(DriveRecordPath(env, L'F'), "damaged"), FsError::None);
  fe.questions.clear();
  fe.console.clear();
  fe.answers = {mb::kResultYes, mb::kResultNo};
  OfferDriveDeletionsAtEnd(sv);
  ASSERT_EQ(fe.questions.size(), 3u);  // D: and E: have additions, F: is damaged
  EXPECT_EQ(fe.questions[0].text,
            L"ドライブ D へ、ファイル名を記録した後で|追加されたファイルやフォルダーが 2 個あります||これらを削除していいですか？");
  EXPECT_NE(fe.questions[2].text.find(L"ドライブ F のファイル名記録が壊れています"), std::wstring::npos);
  EXPECT_EQ(fe.console.size(), 5u);  // each listed, then D:'s deleted
  ExpectThere({L"D:\\new.txt", L"D:\\newdir"}, false);
  // Declined for E:, its additions stay; every record goes all the same.
  EXPECT_FALSE(AnyDriveRecord(x.fs, env));
  ExpectThere({L"E:\\new.bin", L"F:\\f.txt"});
}

}  // namespace
}  // namespace zel
