#include <gtest/gtest.h>

#include <algorithm>

#include "drive/drive_protection.h"
#include "drive/drive_record.h"
#include "startup/startup.h"
#include "support/recording_front_end.h"
#include "support/xp_machine.h"
#include "platform/memory/memory_archiver.h"

namespace zel {
namespace {

using testing::RecordingFrontEnd;
using testing::XpMachine;

// The started XP machine with a second fixed drive D: holding the user's files.
class Drive : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunProcessStart(x.machine, fe, env, settings), Outcome::Continue);
    ASSERT_EQ(LoadEnvironment(x.machine, fe, env, settings, options), Outcome::Continue);
    x.fs.AddDrive(L'D', DriveType::Fixed);
    x.fs.AddFile(L"D:\\docs\\報告.txt", "mine");
    x.fs.AddFile(L"D:\\docs\\sub\\a.txt", "mine");
    x.fs.AddFile(L"D:\\top.txt", "mine");
    fe.questions.clear();
    fe.console.clear();
  }
  DriveRecord Load(wchar_t letter) {
    DriveRecord record;
    EXPECT_TRUE(DecodeDriveRecord(x.fs.Content(DriveRecordPath(env, letter)), letter, record));
    return record;
  }
  std::vector<std::wstring> Check(wchar_t letter = L'D') {
    fe.console.clear();
    EXPECT_EQ(CheckDriveAdditions(sv, letter), DriveOutcome::Done);
    return fe.console;
  }
  XpMachine x;
  RecordingFrontEnd fe;
  Environment env;
  Settings settings{x.ini};
  RunningOptions options;
  MemoryArchiveLibraries libs;
  Services sv{x.machine, fe, env, settings, options, libs};
};

using Lines = std::vector<std::wstring>;

TEST_F(Drive, TheRecordKeepsExactNamesAndLeavesLinksSystemFoldersAndUnreadableFoldersUnknown) {
  x.fs.AddFile(L"D:\\café.txt", "x");  // no code page 932 form
  x.fs.AddFile(L"C:\\users\\root\\Documents\\precious.doc", "mine");
  x.fs.AddLink(L"D:\\link", L"C:\\users\\root\\Documents");
  x.fs.AddFile(L"D:\\RECYCLER\\S-1\\gone.txt", "x");
  x.fs.AddFile(L"D:\\locked\\inside.txt", "x");
  x.fs.SetUnreadable(L"D:\\locked");
  ASSERT_EQ(RecordDriveNames(sv, L'd'), DriveOutcome::Done);
  EXPECT_EQ(fe.console, (Lines{L"ドライブ D のファイル名を記録しました（ファイル 4 個、フォルダー 5 個）",
                               L"　※ フォルダー『D:\\locked』は読み取れません"}));
  const std::string bytes = x.fs.Content(env.WorkDir + L"\\DrvList.D");
  EXPECT_EQ(bytes.rfind("Zel32 drive record 1\r\nDRIVE 00000001:D\r\n", 0), 0u);
  EXPECT_NE(bytes.find("FILE 00000009:caf\xC3\xA9.txt\r\n"), std::string::npos);
  EXPECT_FALSE(x.fs.Exists(env.WorkDir + L"\\DrvList.D.new"));

  DriveRecord r = Load(L'D');
  EXPECT_EQ(r.volume, *x.fs.VolumeOf(L"D:\\"));
  EXPECT_TRUE(r.known.count(L"DOCS\\報告.TXT"));
  EXPECT_TRUE(r.known.count(L"CAFÉ.TXT"));
  EXPECT_FALSE(r.known.count(L"CAF?.TXT"));
  EXPECT_TRUE(r.known.count(L"LINK"));
  for (const wchar_t* listed : {L"", L"DOCS", L"DOCS\\SUB"}) EXPECT_TRUE(r.listed.count(listed)) << listed;
  for (const wchar_t* unknown : {L"LINK", L"RECYCLER", L"LOCKED"}) EXPECT_FALSE(r.listed.count(unknown)) << unknown;
  EXPECT_FALSE(r.known.count(L"RECYCLER\\S-1"));

  // Nothing added yet: the unknown folders stay unknown, also once readable.
  x.fs.SetUnreadable(L"D:\\locked", false);
  x.fs.AddFile(L"D:\\locked\\later.txt", "x");
  x.fs.AddFile(L"D:\\RECYCLER\\S-1\\later.txt", "x");
  x.fs.AddFolder(L"D:\\System Volume Information");
  x.fs.AddFile(L"C:\\users\\root\\Documents\\later.doc", "x");
  EXPECT_EQ(Check(), (Lines{L"追加されたファイルはありません"}));
}

TEST_F(Drive, TheCheckListsWhatIsNotInTheRecordCaseBlindAndAnAddedFolderOnce) {
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  x.fs.AddFile(L"D:\\new.txt", "x");
  x.fs.AddFile(L"D:\\DOCS\\SUB\\B.TXT", "x");
  x.fs.AddFile(L"D:\\docs\\新しいフォルダー\\deep\\x.txt", "x");
  x.fs.Find(L"D:\\top.txt")->name = L"TOP.TXT";  // only the letter case changed
  x.fs.AddFolder(L"D:\\empty");
  EXPECT_EQ(Check(), (Lines{L"●ﾌｧｲﾙ『D:\\new.txt』が追加されています", L"●ﾌｫﾙﾀﾞｰ『D:\\empty』が追加されています",
                            L"●ﾌｫﾙﾀﾞｰ『D:\\docs\\新しいフォルダー』が追加されています",
                            L"●ﾌｧｲﾙ『D:\\docs\\sub\\B.TXT』が追加されています"}));
  EXPECT_NE(std::find(fe.statuses.begin(), fe.statuses.end(), L"確認中： D:\\docs\\sub"), fe.statuses.end());

  // A recorded folder that is a link now is not looked into; one that cannot
  // be read now is said so and left alone.
  x.fs.AddFile(L"C:\\users\\root\\Documents\\precious.doc", "mine");
  ASSERT_EQ(x.fs.RemoveFile(L"D:\\docs\\sub\\a.txt"), FsError::None);
  ASSERT_EQ(x.fs.RemoveFile(L"D:\\docs\\sub\\B.TXT"), FsError::None);
  ASSERT_EQ(x.fs.RemoveFolder(L"D:\\docs\\sub"), FsError::None);
  x.fs.AddLink(L"D:\\docs\\sub", L"C:\\users\\root\\Documents");
  x.fs.SetUnreadable(L"D:\\docs");
  EXPECT_EQ(Check(), (Lines{L"●ﾌｧｲﾙ『D:\\new.txt』が追加されています", L"●ﾌｫﾙﾀﾞｰ『D:\\empty』が追加されています",
                            L"　※ フォルダー『D:\\docs』は読み取れません"}));
  x.fs.SetUnreadable(L"D:\\docs", false);
  EXPECT_EQ(Check(), (Lines{L"●ﾌｧｲﾙ『D:\\new.txt』が追加されています", L"●ﾌｫﾙﾀﾞｰ『D:\\empty』が追加されています",
                            L"●ﾌｫﾙﾀﾞｰ『D:\\docs\\新しいフォルダー』が追加されています"}));
  options.QueryDirDel = false;
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::Done);
  EXPECT_TRUE(x.fs.Exists(L"C:\\users\\root\\Documents\\precious.doc"));
  EXPECT_TRUE(x.fs.Exists(L"D:\\docs\\sub"));
}

TEST_F(Drive, DeletingAsksBeforeEachFolderAndSaysWhatHappenedAfterIt) {
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  x.fs.AddFile(L"D:\\newA\\a.dll", "x").attributes = attr::kReadOnly;
  x.fs.AddFolder(L"D:\\newB");
  x.fs.AddFile(L"D:\\new.txt", "x");
  x.fs.AddFile(L"D:\\busy.txt", "x");
  x.fs.SetInUse(L"D:\\busy.txt");
  x.fs.AddFolder(L"D:\\newC");
  fe.console.clear();
  fe.answers = {mb::kResultYes, mb::kResultNo, mb::kResultCancel};
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::Declined);
  ASSERT_EQ(fe.questions.size(), 3u);
  EXPECT_EQ(fe.questions[0].text, L"追加されたフォルダー|『D:\\newA』|を削除していいですか？");
  EXPECT_EQ(fe.questions[0].style, mb::kYesNoCancel | mb::kIconQuestion | mb::kDefault2);
  EXPECT_EQ(fe.console, (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\newA』を削除しました", L"●ﾌｧｲﾙ『D:\\new.txt』を削除しました",
                               L"●ﾌｧｲﾙ『D:\\busy.txt』は削除できません"}));
  EXPECT_FALSE(x.fs.Exists(L"D:\\newA"));
  EXPECT_TRUE(x.fs.Exists(L"D:\\newB"));
  EXPECT_TRUE(x.fs.Exists(L"D:\\newC"));  // Cancel ended the deletion
  EXPECT_TRUE(x.fs.Exists(L"D:\\busy.txt"));

  // Without QueryDirDel nothing is asked; the user's files stay.
  options.QueryDirDel = false;
  x.fs.SetInUse(L"D:\\busy.txt", false);
  fe.questions.clear();
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::Done);
  EXPECT_TRUE(fe.questions.empty());
  EXPECT_EQ(fe.console, (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\newB』を削除しました", L"●ﾌｧｲﾙ『D:\\busy.txt』を削除しました",
                               L"●ﾌｫﾙﾀﾞｰ『D:\\newC』を削除しました"}));
  for (const wchar_t* kept : {L"D:\\docs\\報告.txt", L"D:\\docs\\sub\\a.txt", L"D:\\top.txt"}) {
    EXPECT_TRUE(x.fs.Exists(kept)) << kept;
  }
  EXPECT_EQ(Check(), (Lines{L"追加されたファイルはありません"}));
}


TEST_F(Drive, LinksOwnFoldersLossyNamesAndRenamedFoldersAreNeverDeletedThrough) {
  // The program lives on D: below a folder the walk does not know yet.
  Environment own = env;
  own.ProgramDir = L"D:\\Apps\\Zel32";
  own.WorkDir = own.ProgramDir + L"\\WinXP";
  own.BackupDir = own.WorkDir + L"\\Backup";
  x.fs.AddFolder(L"D:\\old");
  x.fs.AddFile(L"D:\\old\\keep.txt", "mine");
  Services here{x.machine, fe, own, settings, options, libs};
  x.fs.AddFolder(own.WorkDir);
  ASSERT_EQ(RecordDriveNames(here, L'D'), DriveOutcome::Done);
  x.fs.AddFile(own.ProgramDir + L"\\Zel32.exe", "MZ");
  x.fs.AddFile(own.WorkDir + L"\\Zel32.dat", "snapshot");
  x.fs.AddFile(L"C:\\users\\root\\Documents\\precious.doc", "mine");
  x.fs.AddLink(L"D:\\trap", L"C:\\users\\root\\Documents");
  x.fs.AddFile(L"D:\\naïve.txt", "x");
  ASSERT_EQ(x.fs.MoveOne(L"D:\\old", L"D:\\renamed", false), FsError::None);
  options.QueryDirDel = false;
  fe.console.clear();
  // The record lies inside the work folder, which the walk never enters.
  EXPECT_EQ(CheckDriveAdditions(here, L'D'), DriveOutcome::Done);
  EXPECT_EQ(fe.console, (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\trap』が追加されています", L"●ﾌｧｲﾙ『D:\\naïve.txt』が追加されています",
                               L"●ﾌｫﾙﾀﾞｰ『D:\\renamed』が追加されています"}));
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(here, L'D'), DriveOutcome::Done);
  EXPECT_EQ(fe.console, (Lines{L"●ﾌｫﾙﾀﾞｰ『D:\\trap』を削除しました", L"●ﾌｧｲﾙ『D:\\naïve.txt』は削除できません",
                               L"●ﾌｫﾙﾀﾞｰ『D:\\renamed』は削除できません"}));
  EXPECT_FALSE(x.fs.Exists(L"D:\\trap"));
  EXPECT_TRUE(x.fs.Exists(L"C:\\users\\root\\Documents\\precious.doc"));
  EXPECT_TRUE(x.fs.Exists(L"D:\\naïve.txt"));
  EXPECT_EQ(x.fs.Content(L"D:\\renamed\\keep.txt"), "mine");
  EXPECT_TRUE(x.fs.Exists(own.WorkDir + L"\\Zel32.dat"));
  EXPECT_TRUE(x.fs.Exists(own.WorkDir + L"\\DrvList.D"));

  // A folder added after the record that holds the program's folders is
  // listed but kept.
  Environment later = own;
  later.ProgramDir = L"D:\\Tools\\Zel32";
  later.WorkDir = later.ProgramDir + L"\\WinXP";
  later.BackupDir = later.WorkDir + L"\\Backup";
  x.fs.AddFolder(later.WorkDir);
  ASSERT_EQ(x.fs.CopyOne(own.WorkDir + L"\\DrvList.D", later.WorkDir + L"\\DrvList.D", false), FsError::None);
  x.fs.AddFile(L"D:\\Tools\\other.txt", "x");
  Services moved{x.machine, fe, later, settings, options, libs};
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(moved, L'D'), DriveOutcome::Done);
  EXPECT_NE(std::find(fe.console.begin(), fe.console.end(), L"●ﾌｫﾙﾀﾞｰ『D:\\Tools』は削除できません"), fe.console.end());
  EXPECT_TRUE(x.fs.Exists(L"D:\\Tools\\other.txt"));
  EXPECT_TRUE(x.fs.Exists(later.WorkDir + L"\\DrvList.D"));
  // The program's folder itself, new since the record: neither listed nor touched.
  Environment fresh = own;
  fresh.ProgramDir = L"D:\\Fresh";
  fresh.WorkDir = fresh.ProgramDir + L"\\WinXP";
  fresh.BackupDir = fresh.WorkDir + L"\\Backup";
  x.fs.AddFolder(fresh.WorkDir);
  ASSERT_EQ(x.fs.CopyOne(own.WorkDir + L"\\DrvList.D", fresh.WorkDir + L"\\DrvList.D", false), FsError::None);
  x.fs.AddFile(fresh.ProgramDir + L"\\ZELDIR.INI", "x");
  Services third{x.machine, fe, fresh, settings, options, libs};
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(third, L'D'), DriveOutcome::Done);
  for (const std::wstring& line : fe.console) EXPECT_EQ(line.find(L"Fresh"), std::wstring::npos) << line;
  EXPECT_TRUE(x.fs.Exists(fresh.ProgramDir + L"\\ZELDIR.INI"));
}

TEST_F(Drive, AnotherVolumeUnderTheLetterIsNeverDeletedFrom) {
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  x.fs.AddFile(L"D:\\new.txt", "x");
  x.fs.SetVolume(L'D', 0xBEEF);
  options.QueryDirDel = false;
  fe.console.clear();
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::VolumeChanged);
  EXPECT_TRUE(x.fs.Exists(L"D:\\new.txt"));
  EXPECT_EQ(fe.console, (Lines{L" ※ ドライブ D は、ファイル名を記録した時と別のディスクです"}));
  EXPECT_TRUE(fe.AskedAbout(L"このドライブのファイルは削除しません"));
  EXPECT_EQ(CheckDriveAdditions(sv, L'D'), DriveOutcome::VolumeChanged);
  EXPECT_TRUE(fe.AskedAbout(L"調べられません"));
  // The drive gone altogether.
  x.fs.RemoveDrive(L'D');
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::VolumeChanged);
  EXPECT_EQ(CheckDriveAdditions(sv, L'E'), DriveOutcome::NoRecord);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ E のファイル名は記録されていません"));
}

TEST_F(Drive, ADamagedRecordDeletesNothing) {
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  x.fs.AddFile(L"D:\\new.txt", "x");
  const std::wstring path = DriveRecordPath(env, L'D');
  std::string bytes = x.fs.Content(path);
  bytes[bytes.size() / 2] ^= 0x20;
  ASSERT_EQ(x.fs.WriteBytes(path, bytes), FsError::None);
  options.QueryDirDel = false;
  EXPECT_EQ(DeleteDriveAdditions(sv, L'D'), DriveOutcome::Damaged);
  EXPECT_EQ(CheckDriveAdditions(sv, L'D'), DriveOutcome::Damaged);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ D のファイル名記録が壊れています"));
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
  EXPECT_EQ(r.files, 2u);
  EXPECT_EQ(r.folders, 1u);
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

TEST_F(Drive, RecordingAgainAndClearingAskFirst) {
  EXPECT_FALSE(AnyDriveRecord(x.fs, env));
  EXPECT_EQ(ClearDriveRecord(sv, L'D'), DriveOutcome::NoRecord);
  fe.questions.clear();
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  EXPECT_TRUE(fe.questions.empty());
  EXPECT_TRUE(AnyDriveRecord(x.fs, env));
  EXPECT_TRUE(HasDriveRecord(x.fs, env, L'd'));
  const std::string before = x.fs.Content(DriveRecordPath(env, L'D'));
  x.fs.AddFile(L"D:\\new.txt", "x");
  fe.answers = {mb::kResultNo};
  EXPECT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Declined);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"ドライブ D の情報は既に読み込まれています||もう一度、情報を読み直しますか？");
  EXPECT_EQ(x.fs.Content(DriveRecordPath(env, L'D')), before);
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  EXPECT_EQ(Check(), (Lines{L"追加されたファイルはありません"}));

  fe.questions.clear();
  fe.answers = {mb::kResultNo};
  EXPECT_EQ(ClearDriveRecord(sv, L'D'), DriveOutcome::Declined);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"ドライブ D のファイル名記録を|消去していいですか？");
  EXPECT_TRUE(HasDriveRecord(x.fs, env, L'D'));
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(ClearDriveRecord(sv, L'D'), DriveOutcome::Done);
  EXPECT_FALSE(AnyDriveRecord(x.fs, env));
  EXPECT_TRUE(x.fs.Exists(L"D:\\new.txt"));
}

TEST_F(Drive, AtTheEndEachRecordedDriveIsOfferedThenItsRecordGoes) {
  x.fs.AddDrive(L'E', DriveType::Removable);
  x.fs.AddFile(L"E:\\data.bin", "x");
  x.fs.AddDrive(L'F', DriveType::Fixed);
  x.fs.AddFile(L"F:\\f.txt", "x");
  for (wchar_t letter : {L'D', L'E', L'F'}) ASSERT_EQ(RecordDriveNames(sv, letter), DriveOutcome::Done);
  x.fs.AddFile(L"D:\\new.txt", "x");
  x.fs.AddFolder(L"D:\\newdir");
  ASSERT_EQ(x.fs.WriteBytes(DriveRecordPath(env, L'F'), "damaged"), FsError::None);
  options.QueryDirDel = false;
  fe.questions.clear();
  fe.console.clear();
  fe.answers = {mb::kResultYes};
  OfferDriveDeletionsAtEnd(sv);
  ASSERT_EQ(fe.questions.size(), 2u);  // D: has additions, E: none, F: damaged
  EXPECT_EQ(fe.questions[0].text,
            L"ドライブ D へ、ファイル名を記録した後で|追加されたファイルやフォルダーが 2 個あります||これらを削除していいですか？");
  EXPECT_EQ(fe.questions[0].style, mb::kYesNo | mb::kIconQuestion | mb::kDefault2);
  EXPECT_NE(fe.questions[1].text.find(L"ドライブ F のファイル名記録が壊れています"), std::wstring::npos);
  EXPECT_EQ(fe.console, (Lines{L"●ﾌｧｲﾙ『D:\\new.txt』が追加されています", L"●ﾌｫﾙﾀﾞｰ『D:\\newdir』が追加されています",
                               L"●ﾌｧｲﾙ『D:\\new.txt』を削除しました", L"●ﾌｫﾙﾀﾞｰ『D:\\newdir』を削除しました"}));
  EXPECT_FALSE(AnyDriveRecord(x.fs, env));
  EXPECT_TRUE(x.fs.Exists(L"F:\\f.txt"));

  // Declined: the additions stay, the record goes all the same.
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  x.fs.AddFile(L"D:\\again.txt", "x");
  fe.answers = {mb::kResultNo};
  OfferDriveDeletionsAtEnd(sv);
  EXPECT_TRUE(x.fs.Exists(L"D:\\again.txt"));
  EXPECT_FALSE(HasDriveRecord(x.fs, env, L'D'));
}

TEST_F(Drive, TheWalkIsBoundedReportsWhereItIsAndNeverLeavesAHalfRecord) {
  for (int i = 0; i < 1000; ++i) x.fs.AddFile(L"D:\\big\\f" + std::to_wstring(i) + L".txt", "");
  fe.busyCalls = 0;
  ASSERT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Done);
  EXPECT_GE(fe.busyCalls, 5);
  EXPECT_NE(std::find(fe.statuses.begin(), fe.statuses.end(), L"保存中：  D:\\big"), fe.statuses.end());
  fe.busyCalls = 0;
  EXPECT_EQ(Check(), (Lines{L"追加されたファイルはありません"}));
  EXPECT_GE(fe.busyCalls, 5);

  const std::string before = x.fs.Content(DriveRecordPath(env, L'D'));
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(RecordDriveNames(sv, L'D', 500), DriveOutcome::TooLarge);
  EXPECT_EQ(x.fs.Content(DriveRecordPath(env, L'D')), before);
  x.fs.FailCreationBelow(env.WorkDir);
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::WriteFailed);
  EXPECT_TRUE(fe.AskedAbout(L"ドライブ D のファイル名記録を保存できません"));
  EXPECT_EQ(x.fs.Content(DriveRecordPath(env, L'D')), before);
  EXPECT_FALSE(x.fs.Exists(DriveRecordPath(env, L'D') + L".new"));

  x.fs.SetUnreadable(L"D:\\");
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(RecordDriveNames(sv, L'D'), DriveOutcome::Unreadable);
}

TEST(DriveHints, TheCheckAndTheWashEndWithTheirOwnHint) {
  EXPECT_EQ(DriveCheckHintLines(),
            (Lines{L"", L" ※ ドライブへのファイル追加を確認したいときは", L" 　 ドライブ･ボタンを右クリックして下さい"}));
  EXPECT_EQ(DriveWashHintLines(),
            (Lines{L"", L" ※ ドライブへ追加されたファイルを削除したい", L" 　 ときはドライブ･ボタンを右クリックして下さい"}));
}

}  // namespace
}  // namespace zel
