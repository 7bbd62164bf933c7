#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "base/cp932.h"
#include "records/test_history.h"
#include "records/version_info.h"
#include "records/wash_records.h"
#include "support/started_machine.h"

namespace zel {
namespace {

class Records : public testing::Started {
 protected:
  std::string Bytes(const std::wstring& path) { return x.fs.Content(path); }
  const Services& ctx = sv;
};

// A minimal PE file whose version resource holds fileVersion (ms, ls); the
// resource section sits at 0x400 of a 0x600-byte file.
std::string MakeProgram(bool pe64, std::uint32_t ms, std::uint32_t ls, size_t extra = 0) {
  std::string b(0x600 + extra, '\0');
  auto put = [&b](size_t at, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
  };
  const std::uint32_t optionalSize = pe64 ? 240 : 224;
  const size_t opt = 0x58, dirs = opt + (pe64 ? 112 : 96), section = opt + optionalSize;
  const size_t r = 0x400, v = r + 0x58;  // the resource section, the version resource in it
  std::memcpy(&b[0], "MZ", 2);
  std::memcpy(&b[0x40], "PE\0\0", 4);
  std::memcpy(&b[section], ".rsrc", 5);
  const char16_t key[] = u"VS_VERSION_INFO";
  for (size_t i = 0; key[i]; ++i) put(v + 6 + 2 * i, key[i], 2);
  // (offset, value, width) of every field the reader walks through.
  const std::tuple<size_t, std::uint32_t, int> fields[] = {
      {0x3C, 0x40, 4}, {0x44, pe64 ? 0x8664 : 0x14C, 2}, {0x46, 1, 2}, {0x54, optionalSize, 2},
      {opt, pe64 ? 0x20B : 0x10B, 2}, {dirs - 4, 16, 4}, {dirs + 16, 0x1000, 4}, {dirs + 20, 0x200, 4},
      {section + 8, 0x200, 4}, {section + 12, 0x1000, 4}, {section + 16, 0x200, 4}, {section + 20, 0x400, 4},
      {r + 14, 1, 2}, {r + 16, 16, 4}, {r + 20, 0x80000018, 4},            // type directory: the version type
      {r + 0x18 + 14, 1, 2}, {r + 0x28, 1, 4}, {r + 0x2C, 0x80000030, 4},  // name directory
      {r + 0x30 + 14, 1, 2}, {r + 0x40, 0x411, 4}, {r + 0x44, 0x48, 4},    // language directory
      {r + 0x48, 0x1058, 4}, {r + 0x4C, 92, 4},                            // data entry
      {v, 92, 2}, {v + 2, 52, 2}, {v + 40, 0xFEEF04BD, 4}, {v + 44, 0x10000, 4}, {v + 48, ms, 4}, {v + 52, ls, 4},
  };
  for (const auto& [at, value, width] : fields) put(at, value, width);
  return b;
}

TEST(WashList, LabelsBecomeFullWidthInFrontOfTheSubjectOnlyAndEachLineEndsInCode8) {
  const std::pair<const wchar_t*, const wchar_t*> rows[] = {
      {L"●ｼｽﾃﾑ･ﾚｼﾞｽﾄﾘが変更されています", L"●システム・レジストリが変更されています"},
      {L"●ﾌｧｲﾙ『C:\\windows\\ﾌｫﾙﾀﾞｰ.dll』が修正されています", L"●ファイル『C:\\windows\\ﾌｫﾙﾀﾞｰ.dll』が修正されています"},
      {L"●ﾌｫﾝﾄ『X.TTF』が追加されています", L"●ﾌｫﾝﾄ『X.TTF』が追加されています"},
      {L"", L""},
  };
  std::vector<std::wstring> lines, kept;
  std::wstring expected;
  for (const auto& [from, to] : rows) {
    lines.push_back(from);
    kept.push_back(to);
    expected += std::wstring(to) + L"\x08";
  }
  EXPECT_EQ(WashListText(lines), expected);
  EXPECT_EQ(WashListLines(expected), kept);
}

TEST_F(Records, TheLatestListIsAHeadingAndItsLinesInCodePage932ShownWithAWarningForSharedLibraries) {
  std::wstring text = WashListText({L"●ﾌｧｲﾙ『C:\\a\\é.txt』が追加されています", L" ※ 変更・追加はありません"});
  ASSERT_TRUE(SaveLatestWashList(x.machine, env, text, L"C:\\DL\\SETUP.EXE"));
  // "é" has no code and is written "?".
  const std::string bytes = Bytes(env.WorkDir + L"\\最新の洗浄リスト.TXT");
  EXPECT_EQ(bytes, ToCp932(L"■ 2026/12/06 10:30:00  C:\\DL\\SETUP.EXE\r\n"
                           L"●ファイル『C:\\a\\?.txt』が追加されています\r\n"
                           L" ※ 変更・追加はありません\r\n"));
  EXPECT_EQ(LatestListForViewer(ctx), FromCp932(bytes));
  // A text without a separator at its end still ends its last line; a wash
  // with nothing to list keeps the list before it.
  const std::string ab = ToCp932(L"■ 2026/12/06 10:30:00  （プログラムなし）\r\na\r\nb\r\n");
  ASSERT_TRUE(SaveLatestWashList(x.machine, env, L"a\x08" L"b", L""));
  EXPECT_EQ(Bytes(LatestListPath(env)), ab);
  EXPECT_FALSE(SaveLatestWashList(x.machine, env, L"", L"C:\\X.EXE"));
  EXPECT_EQ(Bytes(LatestListPath(env)), ab);

  ASSERT_TRUE(SaveLatestWashList(x.machine, env, WashListText({L"●ﾌｧｲﾙ『C:\\w\\Ctl.Ocx』が追加されています"}), L""));
  std::optional<std::wstring> warned = LatestListForViewer(ctx);
  ASSERT_TRUE(warned);
  EXPECT_EQ(warned->find(L"リストアップされたファイルの内、DLL, OCX, VBX の各ファイル"), 0u);
}

TEST_F(Records, AppendingAddsTheLatestListOnceAndClearingAsksFirst) {
  EXPECT_EQ(AppendLatestToRecords(ctx), RecordsOutcome::NoList);
  EXPECT_TRUE(fe.AskedAbout(L"最新の洗浄リストはありません"));
  ASSERT_TRUE(SaveLatestWashList(x.machine, env, WashListText({L"●ﾌｧｲﾙ『C:\\a.txt』が追加されています"}), L"C:\\A.EXE"));
  const std::string first = Bytes(LatestListPath(env));
  EXPECT_EQ(AppendLatestToRecords(ctx), RecordsOutcome::Done);
  EXPECT_EQ(AppendLatestToRecords(ctx), RecordsOutcome::AlreadyRecorded);
  x.sys.now.minute = 45;
  ASSERT_TRUE(SaveLatestWashList(x.machine, env, WashListText({L"●ﾌｧｲﾙ『C:\\b.dll』を削除しました"}), L"C:\\B.EXE"));
  EXPECT_EQ(AppendLatestQuietly(x.machine, env), RecordsOutcome::Done);
  EXPECT_EQ(Bytes(RecordsPath(env)),
            first + "\r\n" + ToCp932(L"■ 2026/12/06 10:45:00  C:\\B.EXE\r\n●ファイル『C:\\b.dll』を削除しました\r\n\r\n"));

  fe.questions.clear();
  fe.answers = {mb::kResultCancel};
  EXPECT_EQ(ClearRecords(ctx), RecordsOutcome::Declined);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"洗浄した記録を消去します");
  EXPECT_TRUE(x.fs.Exists(RecordsPath(env)));
  fe.answers = {mb::kResultOk};
  EXPECT_EQ(ClearRecords(ctx), RecordsOutcome::Done);
  EXPECT_FALSE(x.fs.Exists(RecordsPath(env)));
  EXPECT_TRUE(x.fs.Exists(LatestListPath(env)));  // the latest list stays
  EXPECT_EQ(ClearRecords(ctx), RecordsOutcome::NoRecords);
}

TEST_F(Records, ACommentGoesToTheRecordsAndTheHistory) {
  fe.inputs = {L""};
  EXPECT_EQ(WriteComment(ctx, L"C:\\DL\\setup.exe"), RecordsOutcome::Declined);
  EXPECT_FALSE(x.fs.Exists(RecordsPath(env)));

  fe.inputs = {L"  動作を\t確認しました "};
  EXPECT_EQ(WriteComment(ctx, L"C:\\DL\\setup.exe"), RecordsOutcome::Done);
  EXPECT_EQ(Bytes(RecordsPath(env)),
            ToCp932(L"◆ 2026/12/06 10:30:00  C:\\DL\\setup.exe\r\nコメント：動作を 確認しました\r\n\r\n"));
  EXPECT_EQ(x.ini.ReadRaw(env.ProgramDir + L"\\ZELDIR.INI", L"History", L"1", 255),
            L"2026/12/06 10:30:00 コメント SETUP.EXE：動作を 確認しました");
}

TEST(FileVersion, ReadFromTheVersionResourceOfBothPeKindsAndNeverPastTheBytes) {
  EXPECT_EQ(FileVersionText(MakeProgram(false, 0x00010002, 0x00030004)), L"1.2.3.4");
  EXPECT_EQ(FileVersionText(MakeProgram(true, 0x000A0000, 0x00000001)), L"10.0.0.1");
  const std::string whole = MakeProgram(false, 0x00010002, 0x00030004);
  for (size_t n = 0; n < 0x400 + 0x58 + 52; ++n) {
    EXPECT_EQ(FileVersionText(std::string_view(whole).substr(0, n)), L"") << n;
  }
  // Damage anywhere: an answer or none, never a read outside the bytes.
  for (size_t i = 0; i < 0x500; ++i) {
    std::string bad = whole;
    bad[i] = static_cast<char>(0xFF);
    (void)FileVersionText(bad);
  }
}

TEST_F(Records, TheHistoryTellsThisEditionFromAnotherByVersionSizeOrFileDate) {
  const std::wstring path = L"C:\\DL\\setup.exe";
  x.fs.AddFile(path, MakeProgram(false, 0x00010002, 0x00030004));
  EXPECT_EQ(TestHistoryLine(x.machine, env, path), L"");
  std::optional<TestedProgram> first = DescribeProgram(x.machine, path, L"2026/12/01");
  ASSERT_TRUE(first);
  RecordTestedProgram(x.machine, env, *first);
  EXPECT_EQ(x.fs.Content(env.ProgramDir + L"\\ZELDIR.INI"),
            ToCp932(L"[Executed]\r\nSETUP.EXE=2026/12/01,1536,1.2.3.4\r\n[History]\r\n"
                    L"1=2026/12/06 10:30:00 テスト SETUP.EXE 1.2.3.4版 (1,536 bytes)\r\nLast=1\r\n"));
  EXPECT_EQ(TestHistoryLine(x.machine, env, path), L"　　■2026/12/01 にテスト済み");

  // Another version of another size: another edition.
  x.fs.AddFile(path, MakeProgram(false, 0x00020000, 0, 100));
  EXPECT_EQ(TestHistoryLine(x.machine, env, path), L"　　■別バージョンをテスト済み (1.2.3.4版)");
  RecordTestedProgram(x.machine, env, *DescribeProgram(x.machine, path, L"2026/12/05"));
  // Both editions are kept; the first, tested again, moves to the front with its new date.
  x.fs.AddFile(path, MakeProgram(false, 0x00010002, 0x00030004));
  RecordTestedProgram(x.machine, env, *DescribeProgram(x.machine, path, L"2026/12/06"));
  std::vector<TestedProgram> editions = TestedEditions(x.machine, env, L"Setup.Exe");
  ASSERT_EQ(editions.size(), 2u);
  EXPECT_EQ(editions[0].date, L"2026/12/06");
  EXPECT_EQ(editions[1].version, L"2.0.0.0");

  // Without a version the file's date names the edition.
  const std::wstring plain = L"C:\\DL\\ツール.exe";
  x.fs.AddFile(plain, "MZ plain", 0);
  std::optional<TestedProgram> p = DescribeProgram(x.machine, plain, L"2026/12/01");
  ASSERT_TRUE(p);
  const std::wstring fileDate = p->version;
  RecordTestedProgram(x.machine, env, *p);
  // The same bytes written a year later: another edition by its date.
  x.fs.AddFile(plain, "MZ plain", x.fs.Find(plain)->lastWrite + 365ULL * 24 * 3600 * 10000000ULL);
  EXPECT_EQ(TestHistoryLine(x.machine, env, plain), L"　　■別バージョンをテスト済み (" + fileDate + L"版)");
  // Damaged entries are skipped.
  x.ini.WriteValue(HistoryPath(env), L"Executed", L"BROKEN.EXE", L"junk;2026/1/1,5,1;2026/11/30,x,1;2026/11/29,8,1.0");
  editions = TestedEditions(x.machine, env, L"broken.exe");
  ASSERT_EQ(editions.size(), 1u);
  EXPECT_EQ(editions[0].date, L"2026/11/29");
}

}  // namespace
}  // namespace zel
