#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/text.h"
#include "snapshot/listing.h"
#include "snapshot/snapshot_codec.h"
#include "snapshot/store.h"
#include "support/crashing_file_system.h"
#include "support/snapshot_cycle.h"

namespace zel {
namespace {

using testing::Crash;
using testing::CrashingFileSystem;

MainFolderListing Listing(const std::wstring& entry, const std::string& text) {
  MainFolderListing m;
  m.entry = entry;
  m.list.text = text;
  return m;
}

// A snapshot with something in every field, Japanese names among them ("ポ"
// ends with the byte of "|", "表" with the byte of "\").
Snapshot Sample() {
  Snapshot s;
  s.date = L"2026/12/06";
  s.takenAt = 0x01DC66A0B1C2D3E4ULL;
  s.checkLevel = 1;
  s.windows.text = "01D0F3A2B4C5D6E7/win.ini|0000000000000010/" + ToCp932(L"ポ表.dll") + "|";
  s.system[3].text = "0000000000001234/kernel32.dll|";
  s.system[4].failed = true;
  s.driveRoots[2] = "/WINDOWS/" + ToCp932(L"ソフト") + "/USERS/";
  s.driveRootFailed[4] = true;
  s.freeSpace[2] = 8ULL << 30;
  s.freeSpace[3] = 9876543210987654ULL;  // more than Zel32.dat's slot holds
  s.volumes[2] = VolumeId{0x1234ABCDu, 40ULL << 30};
  s.main = {Listing(L"0C:\\windows\\Temp", "0000000000000099/t.tmp|"), Listing(L"2C:\\windows\\Fonts", ""),
            Listing(L"1C:\\users\\root\\デスクトップ", "0000000000000001/" + ToCp932(L"表示.lnk") + "|")};
  s.main[1].list.failed = true;
  s.main[2].list.link = true;
  s.system[0].link = true;
  s.deeper.level = 1;
  s.deeper.text = "|SYSTEM32/|INF/|INF\\A.INF|INF\\" + ToCp932(L"ポ") + "/|";
  s.deeper.unentered = "|INF\\" + ToCp932(L"ポ") + "/|";
  s.deeper.failed = false;
  // Both are "caf?.txt" in the lists; the record keeps them apart, an
  // unpaired surrogate (a name Windows allows) and a character beyond the BMP too.
  s.lossyPaths = {L"C:\\data\\caf\u00e9.txt", L"C:\\data\\caf\u00e8.txt",
                  std::wstring(L"C:\\x\\") + static_cast<wchar_t>(0xD800) + L"y.txt", L"C:\\x\\\U0001F600.txt"};
  s.userHiveTime = 0x01D0000000000001ULL;
  s.systemHiveTime = 0x01D0000000000002ULL;
  s.uninstallExported = true;
  return s;
}

std::string Data(const Snapshot& s) {
  std::string data;
  EXPECT_TRUE(EncodeSnapshotData(s, data));
  return data;
}

TEST(SnapshotFile, ASmallSnapshotByteForByte) {
  Snapshot s;
  s.checkLevel = 2;
  s.windows.text = "A";
  s.system[1].text = "BB";
  s.driveRoots[2] = "/WINDOWS/";
  s.main = {Listing(L"0C:\\a", "11"), Listing(L"0C:\\b", ""), Listing(L"0C:\\c", "333")};
  s.deeper.text = "|D|";
  s.freeSpace[0] = 1234;
  s.freeSpace[1] = 123456789012ULL;      // 12 digits: the slot exactly
  s.freeSpace[2] = 9876543210987654ULL;  // 16 digits: capped
  std::string slots = " 1234       " "123456789012" "999999999999";
  for (int drive = 3; drive < 26; ++drive) slots += " 0          ";
  // The lengths of Windows, System's five and the drives' roots (C: only),
  // CheckLevel, the main lists' count and lengths, the deeper-folder text's.
  std::string header = "00000001" "00000000" "00000002" + std::string(40, '0') + "00000009" +
                       std::string(184, '0') + "02" "0003" "00000002" "00000000" "00000003" "00000003";
  header.resize(1024, '\0');
  // Texts of length 0 take no room: the data area is the texts alone.
  EXPECT_EQ(Data(s), slots + header + "ABB/WINDOWS/11333|D|");
}

TEST(SnapshotFile, EverythingRoundTripsHoweverManyListsThereAre) {
  const Snapshot s = Sample();
  const std::string data = Data(s);
  Snapshot back;
  ASSERT_TRUE(DecodeSnapshot(data, EncodeSnapshotRecord(s, data), back));
  EXPECT_TRUE(back == s);  // every field, the lossy paths and the failure marks among them
  // More than 94 lists: Zel32.dat's header holds 94 lengths, the record the rest.
  Snapshot many = s;
  many.main.clear();
  for (int i = 0; i < 100; ++i) {
    many.main.push_back(Listing(L"0C:\\f" + std::to_wstring(i), std::string(i % 3, 'a' + i % 26)));
  }
  many.deeper.text = "|DEEP|";
  const std::string manyData = Data(many);
  EXPECT_EQ(manyData.substr(kDriveBlockSize + 258, 4), "005E");  // the count the header holds
  EXPECT_EQ(manyData.substr(kDriveBlockSize + 262 + 8 * 94, 8), "00000006");  // the deeper text's, last
  ASSERT_TRUE(DecodeSnapshot(manyData, EncodeSnapshotRecord(many, manyData), back));
  EXPECT_TRUE(back == many);
}

TEST(SnapshotFile, EveryTruncationOrFlippedByteIsDamaged) {
  const Snapshot s = Sample();
  const std::string data = Data(s);
  const std::string record = EncodeSnapshotRecord(s, data);
  Snapshot back;
  for (const bool inRecord : {false, true}) {
    const std::string& whole = inRecord ? record : data;
    auto loads = [&](std::string_view part) {
      return inRecord ? DecodeSnapshot(data, part, back) : DecodeSnapshot(part, record, back);
    };
    for (size_t n = 0; n < whole.size(); ++n) {
      ASSERT_FALSE(loads(std::string_view(whole).substr(0, n))) << "record " << inRecord << " cut at " << n;
    }
    for (size_t i = 0; i < whole.size(); ++i) {
      std::string bad = whole;
      bad[i] ^= inRecord ? 0x01 : 0x20;
      ASSERT_FALSE(loads(bad)) << "record " << inRecord << " byte " << i;
    }
  }
  EXPECT_TRUE(back == Snapshot());  // never half-filled
}

TEST(SnapshotFile, LengthsAreCheckedBeforeAnythingIsTaken) {
  Snapshot s;
  s.windows.text = "abc";
  const std::string good = Data(s);
  Snapshot back;
  auto withField = [&](size_t position, const std::string& field) {
    std::string bad = good;
    bad.replace(kDriveBlockSize + position - 1, field.size(), field);
    return DecodeSnapshotData(bad, back);
  };
  ASSERT_TRUE(DecodeSnapshotData(good, back));
  EXPECT_FALSE(withField(1, "00000004"));   // one byte past it
  EXPECT_FALSE(withField(1, "00000002"));   // a byte left over
  EXPECT_FALSE(withField(1, "0000000g"));   // not hexadecimal
  EXPECT_FALSE(withField(257, "03"));       // no such CheckLevel
  EXPECT_FALSE(withField(259, "005F"));     // 95 lengths cannot fit the header
  EXPECT_FALSE(withField(300, "x"));        // after the last field: NUL only
  std::string allHuge = good;
  for (size_t at = 0; at < 256; at += 8) allHuge.replace(kDriveBlockSize + at, 8, "FFFFFFFF");
  EXPECT_FALSE(DecodeSnapshotData(allHuge, back));
  std::string badSlot = good;
  badSlot.replace(0, 3, " 1x");
  EXPECT_FALSE(DecodeSnapshotData(badSlot, back));
}

TEST(SnapshotFile, ARecordOnlyFitsItsOwnData) {
  const Snapshot s = Sample();
  const std::string data = Data(s);
  auto loads = [](const Snapshot& with) {
    Snapshot back;
    return DecodeSnapshot(Data(with), EncodeSnapshotRecord(with, Data(with)), back);
  };
  Snapshot back;
  // A list without its path, or a path twice, cannot be matched to folders.
  Snapshot fewer = s;
  fewer.main.pop_back();
  EXPECT_FALSE(DecodeSnapshot(data, EncodeSnapshotRecord(fewer, data), back));
  Snapshot twice = s;
  twice.main[1].entry = L"2C:\\WINDOWS\\temp";
  EXPECT_FALSE(loads(twice));
  for (const wchar_t* path : {L"windows\\Temp", L"\\\\?\\C:\\Temp", L"\\\\.\\pipe\\x"}) {
    Snapshot odd = s;
    odd.main[0].entry = L"0" + std::wstring(path);
    EXPECT_FALSE(loads(odd)) << ToUtf8(path);
  }
  // A documents folder redirected to a share is a folder like any other.
  Snapshot shared = s;
  shared.main[0].entry = L"0\\\\server\\users\\root\\Documents";
  EXPECT_TRUE(loads(shared));
}

TEST(SnapshotFile, RecordTextIsStrictUtf8) {
  std::wstring w;
  EXPECT_TRUE(RecordTextToWide(WideToRecordText(L"デスクトップ"), w));
  EXPECT_EQ(w, L"デスクトップ");
  EXPECT_FALSE(RecordTextToWide("\xC0\xAF", w));  // overlong "/"
  EXPECT_FALSE(RecordTextToWide(std::string("a\0b", 3), w));
  // The check sum is XXH64: published values, short and past its 32-byte stripes.
  EXPECT_EQ(Hash64("abc"), 0x44BC2CF5AD770999ULL);
  EXPECT_EQ(Hash64("0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnop"), 0xEDDCE6EC01F7E595ULL);
}

// On the machine: saving, loading, the resume question.

class Store : public ::testing::Test, public testing::SnapshotCycle {
 protected:
  void SetUp() override {
    Start();
    files = SnapshotFilesIn(env.WorkDir);
  }
  SnapshotFiles files;
};

TEST_F(Store, ThePreparationSavesWhatItListedAndTheListsStayWithTheirFolders) {
  x.fs.AddFile(L"C:\\windows\\system32\\" + std::wstring(L"ポ表.dll"), "x", 0x1234);
  x.fs.AddFile(L"C:\\windows\\Temp\\t.tmp", "x", 0x11);
  x.fs.AddFile(L"C:\\Program Files\\caf\u00e9.txt", "x");
  // Copies an earlier test saved go: config.sys is gone since, the library copy is stale.
  IgnoreError(x.fs.RemoveFile(L"C:\\config.sys"));
  x.fs.AddFile(env.BackupDir + L"\\config.C", "FILES=20\r\n", 0x100);
  x.fs.AddFile(env.WorkDir + L"\\Library\\kernel32.dll", "MZ old", 0x100);
  const Snapshot snap = Prepare();
  EXPECT_FALSE(x.fs.Exists(env.BackupDir + L"\\config.C"));
  EXPECT_FALSE(x.fs.Exists(env.WorkDir + L"\\Library\\kernel32.dll"));
  // An installer creates SendTo, which comes early in a rebuilt folder list:
  // the saved lists keep the folders they were made of.
  x.fs.AddFile(L"C:\\windows\\SendTo\\new.lnk", "x");
  ASSERT_EQ(BuildMainFolderList(x.fs, env, options.CheckLevel).Count(), main.Count() + 1);
  Snapshot back;
  ASSERT_EQ(LoadSnapshot(x.fs, env, back), LoadResult::Loaded);
  EXPECT_TRUE(back == snap);
  EXPECT_EQ(back.lossyPaths, std::vector<std::wstring>{L"C:\\Program Files\\caf\u00e9.txt"});
}

TEST_F(Store, ACrashWhileSavingLeavesTheOldSnapshotOrTheNewOne) {
  const Snapshot older = Sample();
  Snapshot newer = Sample();
  newer.windows.text += "0000000000000002/added.dll|";
  newer.main.pop_back();

  CrashingFileSystem counting(x.fs, 1000);
  ASSERT_EQ(WriteSnapshotFiles(counting, env.WorkDir, older), FsError::None);
  ASSERT_EQ(counting.changes, 4);  // two writes, two moves
  for (int crashAt = 0; crashAt <= 4; ++crashAt) {
    ASSERT_EQ(WriteSnapshotFiles(x.fs, env.WorkDir, older), FsError::None);
    CrashingFileSystem crashing(x.fs, crashAt);
    try {
      IgnoreError(WriteSnapshotFiles(crashing, env.WorkDir, newer));
    } catch (const Crash&) {
    }
    Snapshot back;
    ASSERT_EQ(LoadSnapshot(x.fs, env, back), LoadResult::Loaded) << "crash at change " << crashAt;
    // Zel32.dat's own move (the third change) is the one that counts.
    EXPECT_TRUE(back == (crashAt > 2 ? newer : older)) << "crash at change " << crashAt;
    // A pair put together by the loader stays together.
    Snapshot again;
    ASSERT_EQ(LoadSnapshot(x.fs, env, again), LoadResult::Loaded);
    EXPECT_TRUE(again == back);
  }
}

TEST_F(Store, AFailedSaveIsReportedAndLeavesNoSnapshotBehind) {
  ASSERT_EQ(WriteSnapshotFiles(x.fs, env.WorkDir, Sample()), FsError::None);
  x.fs.FailCreationBelow(env.WorkDir);  // the new files cannot be written
  EXPECT_FALSE(SaveSnapshot(x.machine, fe, env, Sample()));
  ASSERT_EQ(fe.questions.size(), 1u);
  // The platform's own text of the failure, then the place.
  EXPECT_EQ(fe.questions[0].text, L"Access is denied.||場所＝Save For Down");
  EXPECT_EQ(fe.questions[0].style, mb::kOk | mb::kIconError);
  // The old pair goes too: resumed, it would describe a machine that no longer is.
  for (const std::wstring& f : {files.data, files.record, files.dataTemp, files.recordTemp}) {
    EXPECT_FALSE(x.fs.Exists(f)) << ToUtf8(f);
  }
}

TEST_F(Store, NoToTheResumeQuestionDeletesTheFilesAndAPendingRestoreResumesUnasked) {
  Prepare();
  x.fs.AddFile(files.run, "");
  fe.questions.clear();
  fe.answers = {mb::kResultNo};
  Snapshot resumed;
  EXPECT_EQ(AskResume(x.machine, fe, env, resumed), ResumeChoice::Fresh);
  for (const std::wstring& f : {files.data, files.record, files.run}) {
    EXPECT_FALSE(x.fs.Exists(f)) << ToUtf8(f);
  }

  // A registry restore left pending resumes without asking.
  const Snapshot pending = Prepare();
  x.fs.AddFile(env.RegClearPath, "");
  fe.questions.clear();
  EXPECT_EQ(AskResume(x.machine, fe, env, resumed), ResumeChoice::Resumed);
  EXPECT_TRUE(resumed == pending);
  EXPECT_TRUE(fe.questions.empty());
  EXPECT_TRUE(x.fs.Exists(files.record));
}

TEST_F(Store, ADamagedSnapshotIsReportedAndDeleted) {
  Prepare();
  std::string data = x.fs.Content(files.data);
  x.fs.AddFile(files.data, data.substr(0, data.size() - 1));
  fe.questions.clear();
  Snapshot snap;
  EXPECT_EQ(AskResume(x.machine, fe, env, snap, false), ResumeChoice::Damaged);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text,
            L"保存された情報が正しくありません||洗浄せずに、終了します。|次回の起動時は、現在の状態から開始します");
  EXPECT_EQ(fe.questions[0].style, mb::kOk | mb::kIconError);
  EXPECT_FALSE(x.fs.Exists(files.record));
  // So is one naming the program's own folders: a wash could delete the snapshot.
  Snapshot own = Sample();
  own.main[0].entry = L"0" + env.BackupDir;
  ASSERT_EQ(WriteSnapshotFiles(x.fs, env.WorkDir, own), FsError::None);
  EXPECT_EQ(LoadSnapshot(x.fs, env, snap), LoadResult::Damaged);
}

}  // namespace
}  // namespace zel
