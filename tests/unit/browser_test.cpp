#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/text.h"
#include "browser/drop.h"
#include "browser/file_filter.h"
#include "browser/folder_path.h"
#include "browser/mouse_help.h"
#include "browser/selection_lines.h"
#include "browser/text_view.h"
#include "platform/frontend.h"
#include "support/xp_machine.h"
#include "testrun/console_text.h"

namespace zel {
namespace {

TEST(Filters, ExtensionSetsAndTheListingOfAFolder) {
  // The DOS setting decides whether batch and PIF files count as programs.
  EXPECT_EQ(FilterExtensions(kFilterPrograms, L"NO"), L".EXE.SCR");
  EXPECT_EQ(FilterExtensions(kFilterPrograms, L"Yes "), L".EXE.PIF.BAT");
  EXPECT_TRUE(MatchesExtensionSet(L".EXE.SCR", L"Saver.Scr"));
  EXPECT_FALSE(MatchesExtensionSet(L".EXE.SCR", L"run.bat"));
  EXPECT_FALSE(MatchesExtensionSet(L".EXE.SCR", L"a.ex"));  // a part of an extension is not one
  EXPECT_TRUE(MatchesExtensionSet(L".*", L"README"));

  // A listing sorts case-blind and splits folders from files.
  testing::XpMachine x;
  x.fs.AddFile(L"C:\\dl\\a.zip", "x");
  x.fs.AddFile(L"C:\\dl\\B.LZH", "x");
  x.fs.AddFile(L"C:\\dl\\tool.exe", "x");
  x.fs.AddFolder(L"C:\\dl\\Gamma");
  x.fs.AddFolder(L"C:\\dl\\beta");
  x.fs.AddFile(L"C:\\dl\\.hidden.zip", "x");
  FolderListing l = ListFolder(x.fs, L"C:\\dl", FilterExtensions(kFilterArchives, L"NO"));
  EXPECT_EQ(l.folders, (std::vector<std::wstring>{L"beta", L"Gamma"}));
  ASSERT_EQ(l.files.size(), 2u);
  EXPECT_EQ(l.files[0].name, L"a.zip");
  EXPECT_EQ(l.files[1].name, L"B.LZH");
  // The folder list has the subfolders only, in the same order.
  EXPECT_EQ(ListSubfolders(x.fs, L"C:\\dl"), l.folders);
  EXPECT_EQ(ListSubfolders(x.fs, L"C:\\missing"), std::nullopt);
  x.fs.SetUnreadable(L"C:\\dl");
  l = ListFolder(x.fs, L"C:\\dl", L".*");
  EXPECT_FALSE(l.readable);
}

TEST(MouseHelp, AnIndexIsNotShownTwiceInARow) {
  MouseHelp help;
  std::vector<std::wstring> first = help.Enter(help::kTest);
  ASSERT_EQ(first.size(), 6u);
  EXPECT_EQ(first[5], L"【キー操作】Ｆ･７");
  EXPECT_TRUE(help.Enter(help::kTest).empty());   // moving within one control
  EXPECT_TRUE(help.Enter(help::kTest).empty());   // back: still the last one shown
  EXPECT_EQ(help.Enter(help::kWash).size(), 5u);
  EXPECT_EQ(help.Enter(help::kTest).size(), 6u);
  help.Forget();
  EXPECT_EQ(help.Enter(help::kTest).size(), 6u);  // the console was cleared
}

SelectedFile File(const wchar_t* name, int kind = -1) {
  SelectedFile f;
  f.name = name;
  f.size = 1234567;
  f.modified = LocalTime{2026, 1, 2, 3, 4, 5};
  f.executableKind = kind;
  return f;
}

// A Windows installer's lines are checked end to end; these are the other kinds.
TEST(SelectionLines, NameDateKindAndWhatTheButtonsWillDo) {
  EXPECT_EQ(SelectionLines(File(L"setup.exe", 0))[1], L"【setup.exe】 2026/01/02 03:04:05");
  SelectedFile zip = File(L"data.zip");
  EXPECT_EQ(SelectionLines(zip)[3], L"　★ZIP解凍用の DLLがありません");

  SelectedFile dos = File(L"old.exe", 2);
  dos.dosProgramsRun = false;
  EXPECT_EQ(SelectionLines(dos)[3], L"※ MS-DOSプログラムです。");
  EXPECT_EQ(SelectionLines(File(L"song.wav")).back(), L"テスト・ボタンを押すと、データを再生します");
  SelectedFile menu = File(L"MENU.EXE", 0);
  menu.onCdRom = true;
  EXPECT_EQ(SelectionLines(menu)[4], L"※ CD-ROMのメニュー･プログラムです");
}

TEST(ConsoleText, FreeSpaceEndOfRunAndStatusColours) {
  EXPECT_EQ(FreeSpaceText(1048576ULL * 12345), L"12,345M");
  EXPECT_EQ(FreeSpaceText(1048576ULL + 600000), L"2M");  // rounded to the nearest
  EXPECT_EQ(FreeSpaceChangeText(300), L"±0K");
  EXPECT_EQ(FreeSpaceChangeText(1024 * 1500), L"+1,500K");
  EXPECT_EQ(FreeSpaceChangeText(-1024 * 20), L"-20K");
  EXPECT_EQ(EndOfRunLines(L"TOOL.EXE").back(), L" 「洗浄」ボタンを押して下さい。");
  // The status colours follow the display's colour count.
  EXPECT_EQ(StatusColoursFor(StatusLook::Running, 1 << 24).background, 0x00F4FFu);
  EXPECT_EQ(StatusColoursFor(StatusLook::Running, 256).background, 0x00FFFFu);
}

TEST(Drop, ArchivesAndProgramsOnlyAndNothingWhileBusy) {
  EXPECT_EQ(RouteDrop(L"A.Zip", true), DropAction::Extract);
  EXPECT_EQ(RouteDrop(L"setup.exe", true), DropAction::Test);
  EXPECT_EQ(RouteDrop(L"setup.exe", false), DropAction::Refuse);
  EXPECT_EQ(RouteDrop(L"x.scr", true), DropAction::Ignore);  // only "/LZH/ZIP/EXE/" are taken
}

TEST(TextView, EncodingsAndLineEnds) {
  EXPECT_EQ(ViewerText(ToCp932(L"一行\n二行\r三行\r\n")), L"一行\r\n二行\r\n三行\r\n");
  EXPECT_EQ(ViewerText("\xEF\xBB\xBF" "abc"), L"abc");
  EXPECT_EQ(ViewerText(std::string("\xFF\xFE" "a\0b\0", 6)), L"ab");
  EXPECT_EQ(ViewerText(std::string("a\0b", 3)), L"a b");
}

TEST(FolderPaths, RootsAndTheListOfAFolder) {
  struct Case {
    const wchar_t* typed;
    const wchar_t* normalized;
    size_t rootLength;
  };
  const Case cases[] = {
      {L"C:", L"C:\\", 3},
      {L"C:\\a\\b\\\\", L"C:\\a\\b", 3},
      {L"\\\\srv\\share\\x\\", L"\\\\srv\\share\\x", 11},
      {L"\\\\srv", L"\\\\srv", 0},
      {L"", L"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizedFolder(c.typed), c.normalized) << c.typed;
    EXPECT_EQ(FolderRootLength(NormalizedFolder(c.typed)), c.rootLength) << c.typed;
    EXPECT_EQ(IsFullPath(c.normalized), c.rootLength > 0) << c.typed;
  }

  auto text = [](const std::vector<FolderLine>& lines) {
    std::wstring out;
    for (const FolderLine& l : lines)
      out += std::to_wstring(l.level) + (l.open ? L"+" : L"-") + l.name + L"=" + l.path + L"|";
    return out;
  };
  EXPECT_EQ(text(FolderListLines(L"C:\\Program Files\\Zel\\", {L"bin", L"doc"})),
            L"0+C:\\=C:\\|1+Program Files=C:\\Program Files|2+Zel=C:\\Program Files\\Zel|"
            L"3-bin=C:\\Program Files\\Zel\\bin|3-doc=C:\\Program Files\\Zel\\doc|");
  EXPECT_TRUE(FolderListLines(L"work\\x", {L"y"}).empty());
}

TEST(FolderPaths, FirstFolderFallsBackToTheNearestParentThenCurrentThenAFixedDrive) {
  const std::vector<std::wstring> readable = {L"C:\\", L"C:\\a", L"C:\\work", L"D:\\", L"\\\\srv\\share"};
  struct Case {
    const wchar_t* wanted;
    const wchar_t* current;
    std::vector<std::wstring> fixedRoots;
    const wchar_t* opened;
  };
  const Case cases[] = {
      {L"  c:\\a\\  ", L"C:\\work", {L"C:\\"}, L"c:\\a"},  // trimmed, trailing "\" dropped
      {L"C:\\a\\gone\\deeper", L"C:\\work", {L"C:\\"}, L"C:\\a"},
      {L"\\\\srv\\share\\gone", L"C:\\work", {}, L"\\\\srv\\share"},
      {L"E:\\x", L"C:\\work", {L"C:\\"}, L"C:\\work"},  // a drive that is not there
      {L"E:\\x", L"F:\\cd", {L"E:\\", L"D:\\", L"C:\\"}, L"D:\\"},
      {L"E:\\x", L"", {L"E:\\"}, L""},
  };
  for (const Case& c : cases) {
    std::vector<std::wstring> asked;
    const std::wstring opened = OpenFirstFolder(c.wanted, c.current, c.fixedRoots, [&](const std::wstring& path) {
      asked.push_back(path);
      for (const std::wstring& r : readable)
        if (EqualsNoCase(r, path)) return true;
      return false;
    });
    EXPECT_EQ(opened, c.opened) << c.wanted;
    // Nothing is asked after the first folder that opened.
    if (!opened.empty()) {
      EXPECT_EQ(asked.back(), opened) << c.wanted;
    }
  }
}

}  // namespace
}  // namespace zel
