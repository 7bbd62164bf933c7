#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/format.h"
#include "base/key_table.h"
#include "base/path.h"
#include "base/text.h"
#include "snapshot/entries.h"

namespace zel {
namespace {

TEST(Format, WidthsSignsAndLeadingNumbers) {
  EXPECT_EQ(Hex2(0x5), L"05");
  EXPECT_EQ(ZeroPad(-7, 3), L"-007");
  // Numbers carry a leading blank unless negative.
  EXPECT_EQ(NumText(1), L" 1");
  EXPECT_EQ(NumText(-1), L"-1");
  EXPECT_EQ(Grouped(1234567), L"1,234,567");
  // A leading number stops at the first other character.
  bool found = true;
  EXPECT_EQ(ParseLeadingInt(L"abc", &found), 0);
  EXPECT_FALSE(found);
  EXPECT_EQ(ParseLeadingInt(L"12abc"), 12);
  EXPECT_EQ(ParseLeadingInt(L"99999999999"), 2147483647);
}

TEST(Cp932, RoundTripDuplicateCodesAndUnmappedCharacters) {
  const std::wstring name = L"ゼルカ_ﾌｧｲﾙ_漢字①ポソ.txt";
  std::string bytes;
  EXPECT_TRUE(ToCp932Exact(name, bytes));
  EXPECT_EQ(FromCp932(bytes), name);
  // Known bytes: "ソ" is 83 5C, its trail byte a backslash.
  EXPECT_EQ(ToCp932(L"ソ"), std::string("\x83\x5C"));
  // Characters with two codes take the one Windows writes: NEC row 13 for
  // the roman numerals, the IBM extension before the NEC-selected one.
  EXPECT_EQ(ToCp932(L"\u2160"), std::string("\x87\x54"));  // Roman numeral one
  EXPECT_EQ(ToCp932(L"\u2170"), std::string("\xFA\x40"));  // small roman numeral one
  EXPECT_EQ(ToCp932(L"\uFFE2"), std::string("\x81\xCA"));  // fullwidth not sign
  EXPECT_EQ(FromCp932(std::string("\xEE\xEF")), L"\u2170");

  // Unmapped characters become a question mark, never a look-alike ("e" for U+00E9).
  std::string out;
  EXPECT_FALSE(ToCp932Exact(L"caf\u00e9", out));
  EXPECT_EQ(out, "caf?");
  // A character beyond the BMP is one character, one "?".
  std::wstring emoji = FromUtf8("a\xF0\x9F\x98\x80" "b");
  EXPECT_FALSE(ToCp932Exact(emoji, out));
  EXPECT_EQ(out, "a?b");
}

TEST(Text, CaseFoldingPathPartsAndWildcards) {
  EXPECT_EQ(ToUpper(L"abc\u00e9ａｂ"), L"ABC\u00c9ＡＢ");
  EXPECT_TRUE(EqualsNoCase(L"C:\\Windows\\Temp", L"c:\\WINDOWS\\temp"));
  EXPECT_TRUE(InSlashList(L"/WIN.INI/SYSTEM.INI/", L"SYSTEM.INI"));
  EXPECT_FALSE(InSlashList(L"/WIN.INI/SYSTEM.INI/", L"SYSTEM"));
  // Paths: a root keeps no trailing backslash as a parent and gets none doubled.
  EXPECT_EQ(ParentFolder(L"C:\\x.exe"), L"C:");
  EXPECT_EQ(JoinPath(L"C:\\", L"x"), L"C:\\x");
  EXPECT_TRUE(IsSameOrBelow(L"C:\\Zel\\WinXP\\Backup", L"c:\\zel"));
  EXPECT_FALSE(IsSameOrBelow(L"C:\\Zel2", L"C:\\Zel"));
  EXPECT_TRUE(MatchWildcard(L"*.*", L"README"));
  EXPECT_TRUE(MatchWildcard(L"BOOT.*", L"BOOT"));
  EXPECT_FALSE(MatchWildcard(L"BOOT.*", L"BOOTSECT.DOS"));
  EXPECT_TRUE(MatchWildcard(L"UNINST*.EXE", L"uninst32.exe"));
  EXPECT_FALSE(MatchWildcard(L"*.DLL", L"a.dll.bak"));
}

TEST(Entries, SeparatorsAreFoundOnCharacterBoundariesOnly) {
  // "ポ" ends in 7C, the byte of "|": a byte search would split the name.
  std::string list = "0000000000000001/" + ToCp932(L"ポA") + "|0000000000000002/B|";
  std::vector<std::string> names;
  EXPECT_TRUE(ForEachFileEntry(list, [&](std::string_view, std::string_view name) { names.emplace_back(name); }));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(FromCp932(names[0]), L"ポA");
  EXPECT_EQ(CountFileEntries(list), 2u);
  EXPECT_EQ(CountFileEntries("0000000000000001/A"), 0u);  // unterminated
  std::vector<std::string> items;
  EXPECT_TRUE(ForEachRecordItem("|" + ToCp932(L"ポ") + "/|" + ToCp932(L"ポ\\X") + "|",
                                [&](std::string_view item) { items.emplace_back(item); }));
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(FromCp932(items[1]), L"ポ\\X");
}

TEST(KeyTable, KeepsEveryKeyThroughGrowthAndOverwritesInPlace) {
  std::vector<std::string> keys;
  for (int i = 0; i < 3000; ++i) keys.push_back("K" + std::to_string(i));
  keys.push_back("");
  KeyTable<int> table;  // sized for none: grows many times
  for (size_t i = 0; i < keys.size(); ++i) table.Put(keys[i], static_cast<int>(i));
  table.Put(keys[7], -7);
  ASSERT_EQ(table.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    ASSERT_NE(table.Find(keys[i]), nullptr) << keys[i];
    EXPECT_EQ(*table.Find(keys[i]), i == 7 ? -7 : static_cast<int>(i));
  }
  EXPECT_FALSE(table.Has("K3000"));
  EXPECT_FALSE(table.Has("K1 "));
}

}  // namespace
}  // namespace zel
