#include <gtest/gtest.h>

#include "dialog/message_layout.h"

namespace zel::dialog {
namespace {

TEST(Markup, LineBreaksColourWeightAndPalette) {
  EXPECT_EQ(NormalizeMarkup(L"a|b|"), L"a|b|");  // a trailing bar is not doubled
  EXPECT_EQ(NormalizeMarkup(L"a\rb\nc\r\n"), L"a|b|c|");
  EXPECT_EQ(NormalizeMarkup(L""), L"|");
  EXPECT_EQ(SplitLines(NormalizeMarkup(L"a||b")), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(PlainText(L"\x04赤|\x08太\x07字|"), L"赤\n太字");
  // Colour and weight carry on into the following lines.
  const std::wstring blackCode(1, L'\0');
  std::vector<TextRun> runs =
      DrawRuns({L"\x01" L"blue", L"still" + blackCode + L"black", L"\x08" L"bold", L"bold too\x07 plain"});
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[1].colour, 1);  // the code of line 0 goes on
  EXPECT_EQ(runs[2].colour, 0);
  EXPECT_TRUE(runs[3].bold);
  EXPECT_TRUE(runs[4].bold);
  EXPECT_EQ(runs[4].line, 3u);
  EXPECT_FALSE(runs[5].bold);
  EXPECT_TRUE(HasBold(L"x\x08y"));
  // The palette is chosen by the display's colour count.
  EXPECT_EQ(PaletteColour(257, 4), 0x4000A0u);  // rich
  EXPECT_EQ(PaletteColour(256, 1), 0x800000u);  // the standard sixteen
}

// The sets, the default buttons and the keys are also tried on the real box
// end to end; these are the cases that test does not reach.
TEST(Buttons, SetsDefaultsAndKeys) {
  EXPECT_EQ(ButtonsFor(48).shown, std::vector<Button>{Button::Ok});  // icon bits ignored
  EXPECT_EQ(ButtonsFor(4 | 0x100).focus, Button::No);
  EXPECT_EQ(ButtonsFor(3 | 0x200).focus, Button::Cancel);
  EXPECT_EQ(KeyResult(ButtonsFor(0), 27), 2);  // Escape on an OK-only box
  EXPECT_EQ(KeyResult(ButtonsFor(4 | 0x100), 27), 0);  // neither Cancel nor OK
}

LayoutInput Input(std::vector<int> lines, std::vector<int> buttons) {
  return {.lineWidths = std::move(lines), .textHeightOfA = 180, .frameWidth = 90, .frameHeight = 400,
          .buttonWidths = std::move(buttons), .buttonHeight = 375, .owner = {1500, 1500, 9000, 6000},
          .screenWidth = 19200, .screenHeight = 15360, .twipsPerPixelY = 15};
}

TEST(Layout, SizesFollowTheTextAndTheButtonsAndTheBoxStaysOnTheScreen) {
  LayoutResult r = LayoutMessageBox(Input({3000, 5000}, {1215, 1215}));
  EXPECT_EQ(r.window.width, 90 + 5000 + 750 + 90);
  EXPECT_EQ(r.window.height, 400 + 2 * 210 + 210 + 375 + 120);
  EXPECT_EQ(r.iconTop, 120);
  EXPECT_EQ(r.textTop(1), 210 + 210);
  // Centred without the gap, then each one 60 to the right of the last.
  EXPECT_EQ(r.buttonLefts[0], (r.clientWidth - 2430) / 2);
  EXPECT_EQ(r.buttonLefts[1], r.buttonLefts[0] + 1215 + 60);
  EXPECT_EQ(r.buttonTop, r.clientHeight - 375 - 60);
  // Near the owner's lower right, by whole fifths.
  EXPECT_EQ(r.window.left, 1500 + (9000 / 5) * 4);
  EXPECT_EQ(r.window.top, 1500 + (6000 / 5) * 4);

  // A one-line box has its minimum size.
  r = LayoutMessageBox(Input({200}, {1215}));
  EXPECT_EQ(r.window.height, 1410);
  EXPECT_EQ(r.window.width, 1215 + 900);

  // The box stays on the screen.
  LayoutInput in = Input({18000}, {1215});
  in.owner = {12000, 10000, 9000, 6000};
  r = LayoutMessageBox(in);
  EXPECT_EQ(r.window.left, in.screenWidth - r.window.width);
  EXPECT_EQ(r.window.top, in.screenHeight - r.window.height - 60 * 15);
  // A minimised owner stands at -32000: the box comes to the middle of the screen.
  in = Input({3000}, {1215});
  in.owner = {-32000, -32000, 2400, 450};
  r = LayoutMessageBox(in);
  EXPECT_EQ(r.window.left, (in.screenWidth - r.window.width) / 2);
  EXPECT_EQ(r.window.top, (in.screenHeight - r.window.height) / 2);
  // A box wider than the screen keeps its left edge visible.
  EXPECT_EQ(LayoutMessageBox(Input({30000}, {1215})).window.left, 0);
  // The fallback face when the system gave another.
  EXPECT_EQ(ChooseFace(L"MS UI Gothic"), L"MS UI Gothic");
  EXPECT_EQ(ChooseFace(L"Tahoma"), L"ＭＳ Ｐゴシック");
}

}  // namespace
}  // namespace zel::dialog
