#include <gtest/gtest.h>

#include "platform/memory/memory_machine.h"
#include "registry/value_check.h"
#include "registry/value_wash.h"
#include "snapshot/snapshot_codec.h"
#include "snapshot/value_record.h"
#include "startup/environment.h"
#include "support/recording_front_end.h"

namespace zel {
namespace {

const RegRoot LM = RegRoot::LocalMachine, CU = RegRoot::CurrentUser;
const RegView V64 = RegView::Bits64, V32 = RegView::Bits32;
const wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}
std::string Text(std::wstring_view t) {  // UTF-16LE with its NUL
  std::string s;
  for (wchar_t c : t) s += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
  return s + std::string(2, '\0');
}

// A machine as a user has it before the test: values of each type in both
// views, the user's settings, a service, a Run entry.
class RegistryValues : public ::testing::Test {
 protected:
  void SetUp() override {
    reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"Path", regtype::kSz, Text(L"C:\\App"));
    reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"Level", regtype::kDword, Bytes({1, 0, 0, 0}));
    reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"", regtype::kSz, Text(L"default"));
    reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App\\Parts\\Deep", L"Blob", regtype::kBinary, Bytes({0, 1, 2}));
    reg.Put(LM, V32, L"SOFTWARE\\Vendor\\Old", L"Size", regtype::kQword, Bytes({9, 0, 0, 0, 0, 0, 0, 0}));
    reg.Put(LM, V64, kRun, L"Agent", regtype::kSz, Text(L"agent.exe"));
    reg.Put(CU, V64, L"Software\\Prefs", L"Paths", regtype::kMultiSz, Text(L"a") + Text(L"b"));
    reg.Put(LM, V64, L"SYSTEM\\CurrentControlSet\\Services\\Svc", L"Start", regtype::kDword, Bytes({2, 0, 0, 0}));
  }
  RegRecord Record() { return RecordRegistry(reg, &fe, 77); }
  std::vector<std::wstring> Lines(const RegRecord& r) {
    std::vector<std::wstring> lines;
    const std::vector<RegFinding> findings = CompareRegistry(reg, r, nullptr);
    for (const RegFinding* f : ListingOrder(findings)) lines.push_back(RegCheckLine(*f));
    return lines;
  }

  MemoryRegistry reg;
  testing::RecordingFrontEnd fe;
};

TEST_F(RegistryValues, AnUntouchedRegistryAndItsNoiseCheckClean) {
  reg.CreateKey(CU, V64, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
  reg.CreateKey(LM, V64, L"SOFTWARE\\Microsoft\\Cryptography\\RNG");
  const RegRecord r = Record();
  for (int a = 0; a < kRegAreaCount; ++a) EXPECT_EQ(r.areas[a].state, RegAreaState::Recorded) << a;
  // The shell's own bookkeeping changes while nothing is tested.
  reg.Put(CU, V64, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs", L"0", regtype::kBinary, "x");
  reg.Put(LM, V64, L"SOFTWARE\\Microsoft\\Cryptography\\RNG", L"Seed", regtype::kBinary, "y");
  EXPECT_EQ(Lines(r), std::vector<std::wstring>{});
}

// One change of every kind: the check lists each once and the wash puts each back in the view it
// was found in (that autostart entries come first is shown end to end).
TEST_F(RegistryValues, TheCheckListsEachChangeOnceAndTheWashPutsItBackOrSaysItCannot) {
  const RegRecord r = Record();
  // Added: a key with a subkey (only the top one is listed), values.
  reg.Put(LM, V64, L"SOFTWARE\\New\\Sub", L"x", regtype::kSz, Text(L"1"));
  reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"Added", regtype::kExpandSz, Text(L"%TEMP%"));
  // Changed: the data; only the type; the default value.
  reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"Level", regtype::kDword, Bytes({2, 0, 0, 0}));
  reg.Put(LM, V32, L"SOFTWARE\\Vendor\\Old", L"Size", regtype::kBinary, Bytes({9, 0, 0, 0, 0, 0, 0, 0}));
  reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"", regtype::kSz, Text(L"other"));
  // Deleted: a value, a key with a subkey, every value of a key that stays.
  reg.DeleteValue(LM, V64, L"SOFTWARE\\Vendor\\App", L"Path");
  reg.DeleteKey(LM, V64, L"SOFTWARE\\Vendor\\App\\Parts");
  reg.DeleteValue(CU, V64, L"Software\\Prefs", L"Paths");
  // The same in both views: one line.
  reg.Put(LM, V64, L"SOFTWARE\\Both", L"v", regtype::kSz, Text(L"1"));
  reg.Put(LM, V32, L"SOFTWARE\\Both", L"v", regtype::kSz, Text(L"1"));

  const std::wstring lm = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\";
  const std::vector<std::wstring> check = {
      L"●レジストリ『" + lm + L"Both』が追加されています",
      L"●レジストリ『" + lm + L"New』が追加されています",
      L"●レジストリ値『" + lm + L"Vendor\\App』の『Level』が変更されています",
      L"●レジストリ値『" + lm + L"Vendor\\App』の『（既定）』が変更されています",
      L"●レジストリ値『" + lm + L"Vendor\\App』の『Added』が追加されています",
      L"●レジストリ値『" + lm + L"Vendor\\App』の『Path』が削除されています",
      L"●レジストリ『" + lm + L"Vendor\\App\\Parts』が削除されています",
      L"●レジストリ値［32ビット］『" + lm + L"Vendor\\Old』の『Size』が変更されています",
      L"●レジストリ値『HKEY_CURRENT_USER\\Software\\Prefs』の『Paths』が削除されています",
  };
  EXPECT_EQ(Lines(r), check);

  const RegWashResult result = WashRegistryValues(reg, fe, r);
  EXPECT_EQ(result.failures, 0);
  EXPECT_EQ(result.lines, static_cast<int>(check.size()));
  // Checked again: every value is back in its own view, and nothing is left over in either.
  EXPECT_EQ(Lines(r), std::vector<std::wstring>{});
  // A second wash has nothing to do and writes nothing.
  const int writes = reg.writes;
  fe.console.clear();
  EXPECT_EQ(WashRegistryValues(reg, fe, r).lines, 0);
  EXPECT_EQ(reg.writes, writes);

  // What the wash cannot write is reported, counted, and keeps the test's value.
  reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App", L"Level", regtype::kDword, Bytes({2, 0, 0, 0}));
  reg.Put(LM, V64, L"SOFTWARE\\Vendor\\App\\Parts", L"Added", regtype::kDword, Bytes({2, 0, 0, 0}));
  reg.Put(LM, V64, L"SOFTWARE\\New\\Locked", L"x", regtype::kSz, Text(L"1"));
  reg.Find(LM, V64, L"SOFTWARE\\Vendor\\App")->readOnly = true;
  reg.Find(LM, V64, L"SOFTWARE\\New\\Locked")->readOnly = true;

  EXPECT_EQ(WashRegistryValues(reg, fe, r).failures, 2);
  EXPECT_EQ(fe.console, (std::vector<std::wstring>{
                            L"●レジストリ『" + lm + L"New』は削除できません",
                            L"●レジストリ値『" + lm + L"Vendor\\App』の『Level』は元に戻せません",
                            L"●レジストリ値『" + lm + L"Vendor\\App\\Parts』の『Added』を削除しました",
                        }));
  EXPECT_EQ(reg.Get(LM, V64, L"SOFTWARE\\Vendor\\App", L"Level")->data, Bytes({2, 0, 0, 0}));
}

TEST_F(RegistryValues, AKeyNotReadInFullIsNeverTakenForAddedOrDeleted) {
  reg.Put(LM, V64, L"SOFTWARE\\Secret\\Inner", L"v", regtype::kSz, Text(L"1"));
  reg.Find(LM, V64, L"SOFTWARE\\Secret")->unreadable = true;
  const RegRecord r = Record();
  reg.Find(LM, V64, L"SOFTWARE\\Secret")->unreadable = false;
  reg.Put(LM, V64, L"SOFTWARE\\Secret", L"Seen", regtype::kSz, Text(L"now readable"));
  reg.Put(LM, V64, L"SOFTWARE\\Secret\\Also", L"v", regtype::kSz, Text(L"1"));
  // Readable then, unreadable now: its recorded content is not gone.
  reg.Find(LM, V64, L"SOFTWARE\\Vendor\\App")->unreadable = true;
  EXPECT_EQ(Lines(r), std::vector<std::wstring>{});
  EXPECT_EQ(WashRegistryValues(reg, fe, r).lines, 0);
  EXPECT_TRUE(reg.HasKey(LM, L"SOFTWARE\\Secret\\Also"));
}

TEST_F(RegistryValues, OneViewMachinesRecordTheSoftwareKeyOnce) {
  reg.twoViews = false;
  const RegRecord r = Record();
  EXPECT_EQ(r.areas[static_cast<int>(RegArea::Software32)].state, RegAreaState::NotRecorded);
  reg.Put(LM, V64, L"SOFTWARE\\New", L"x", regtype::kSz, Text(L"1"));
  EXPECT_EQ(Lines(r).size(), 1u);  // the one view's key, once
}

TEST_F(RegistryValues, TheLoaderRefusesEveryCutFlipAndHugeLength) {
  const std::string bytes = EncodeRegRecord(Record());
  for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(DecodeRegRecord(bytes.substr(0, n))) << "cut at " << n;
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string flipped = bytes;
    flipped[at] ^= 0x20;
    EXPECT_FALSE(DecodeRegRecord(flipped)) << "flipped at " << at;
  }
  // Huge lengths and counts behind a correct check sum: refused by the
  // lengths themselves, without reserving anything.
  auto resealed = [](std::string body) {
    std::uint64_t sum = Hash64(body);
    for (int i = 0; i < 8; ++i) body += static_cast<char>((sum >> (8 * i)) & 0xFF);
    return body;
  };
  const std::string body = bytes.substr(0, bytes.size() - 8);
  ASSERT_TRUE(DecodeRegRecord(resealed(body)));
  const size_t firstName = 8 + 8 + 4 + 2;  // magic, time, area count, area and state
  for (size_t at : {size_t{16}, firstName, firstName + 4 + 2 * 8 + 1}) {  // area count, name length, value count
    std::string huge = body;
    huge.replace(at, 4, "\xff\xff\xff\x7f");
    EXPECT_FALSE(DecodeRegRecord(resealed(huge))) << "huge at " << at;
  }
}

TEST_F(RegistryValues, TheFileKeepsExactNamesIsWrittenWholeAndLoadsOnlyForItsOwnSnapshot) {
  reg.Put(CU, V64, L"Software\\名前 \\ünï", L"値\x0001", regtype::kBinary, std::string("\0\xff\x80", 3));
  const RegRecord r = Record();
  MemoryMachine x;
  x.fs.AddDrive(L'C', DriveType::Fixed);
  const std::wstring work = L"C:\\Zel32\\WinXP";
  x.fs.AddFolder(work);
  std::shared_ptr<const RegRecord> loaded;
  ASSERT_EQ(WriteRegRecord(x.fs, work, r), FsError::None);
  EXPECT_EQ(LoadRegRecord(x.fs, work, 78, loaded), RegRecordLoad::Damaged);  // another snapshot's
  EXPECT_EQ(LoadRegRecord(x.fs, work, 77, loaded), RegRecordLoad::Loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(EncodeRegRecord(*loaded), EncodeRegRecord(r));
  DeleteRegRecord(x.fs, work);
  // A record that cannot be written leaves no half-written file behind.
  x.fs.FailCreationBelow(L"C:\\Zel32");
  x.fs.AddFolder(work + L"\\Zel32.rgv.new");  // the temporary name taken by a folder
  EXPECT_NE(WriteRegRecord(x.fs, work, r), FsError::None);
  EXPECT_EQ(LoadRegRecord(x.fs, work, 77, loaded), RegRecordLoad::Missing);
}

}  // namespace
}  // namespace zel
