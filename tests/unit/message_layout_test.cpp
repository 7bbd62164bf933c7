#include <gtest/gtest.h>

#include "dialog/message_layout.h"

namespace zel::dialog {
namespace {

TEST(Markup, LineBreaksAreNormalisedToBars) {
  EXPECT_EQ(NormalizeMarkup(L"a|b"), L"a|b|");
  EXPECT_EQ(NormalizeMarkup(L"a|b|"), L"a|b|");  // a trailing bar is not doubled
  EXPECT_EQ(NormalizeMarkup(L"a\r\nb"), L"a|b|");
  EXPECT_EQ(NormalizeMarkup(L"a\rb\nc\r\n"), L"a|b|c|");
  EXPECT_EQ(NormalizeMarkup(L""), L"|");
  EXPECT_EQ(SplitLines(NormalizeMarkup(L"a||b")), (std::vector<std::wstring>{L"a", L"", L"b"}));
  EXPECT_EQ(SplitLines(NormalizeMarkup(L"a\r\n\r\nb")), SplitLines(NormalizeMarkup(L"a||b")));
  EXPECT_EQ(SplitLines(NormalizeMarkup(L"one")).size(), 1u);
  EXPECT_EQ(PlainText(L"\x04赤|\x08太\x07字|"), L"赤\n太字");
}

TEST(Markup, ColourAndWeightCarryOnIntoTheFollowingLines) {
  const std::wstring blackCode(1, L'\0');
  std::vector<TextRun> runs =
      DrawRuns({L"\x01" L"blue", L"still" + blackCode + L"black", L"\x08" L"bold", L"bold too\x07 plain"});
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[0].colour, 1);
  EXPECT_EQ(runs[1].line, 1u);
  EXPECT_EQ(runs[1].colour, 1);  // the code of line 0 goes on
  EXPECT_EQ(runs[2].colour, 0);
  EXPECT_TRUE(runs[3].bold);
  EXPECT_TRUE(runs[4].bold);
  EXPECT_EQ(runs[4].line, 3u);
  EXPECT_FALSE(runs[5].bold);
  EXPECT_TRUE(HasBold(L"x\x08y"));
  EXPECT_FALSE(HasBold(L"x\x07y"));
}

TEST(Palette, ChosenByTheDisplaysColourCount) {
  EXPECT_EQ(PaletteColour(1 << 24, 1), 0xE00000u);  // blue, rich
  EXPECT_EQ(PaletteColour(257, 4), 0x4000A0u);
  EXPECT_EQ(PaletteColour(256, 1), 0x800000u);       // the standard sixteen
  EXPECT_EQ(PaletteColour(16, 6), 0x008080u);
  EXPECT_EQ(PaletteColour(1 << 24, 0), 0u);
  EXPECT_EQ(PaletteColour(1 << 24, 9), 0u);  // out of range: black
}

TEST(Buttons, SetsAndDefaults) {
  EXPECT_EQ(ButtonsFor(0).shown, std::vector<Button>{Button::Ok});
  EXPECT_EQ(ButtonsFor(48).shown, std::vector<Button>{Button::Ok});  // icon bits ignored
  EXPECT_EQ(ButtonsFor(2).shown, std::vector<Button>{Button::Ok});   // unknown set
  EXPECT_EQ(ButtonsFor(1).focus, Button::Ok);
  EXPECT_EQ(ButtonsFor(1 | 0x100).focus, Button::Cancel);
  EXPECT_EQ(ButtonsFor(305).focus, Button::Cancel);
  EXPECT_EQ(ButtonsFor(4).focus, Button::Yes);
  EXPECT_EQ(ButtonsFor(4 | 0x100).focus, Button::No);
  EXPECT_EQ(ButtonsFor(3).shown, (std::vector<Button>{Button::Yes, Button::No, Button::Cancel}));
  EXPECT_EQ(ButtonsFor(3 | 0x100).focus, Button::No);
  EXPECT_EQ(ButtonsFor(3 | 0x200).focus, Button::Cancel);
}

TEST(Buttons, KeysAnswerOnlyForShownButtons) {
  EXPECT_EQ(KeyResult(ButtonsFor(0), 27), 2);  // Escape on an OK-only box
  EXPECT_EQ(KeyResult(ButtonsFor(0), L'Y'), 0);
  EXPECT_EQ(KeyResult(ButtonsFor(4), L'y'), 6);
  EXPECT_EQ(KeyResult(ButtonsFor(4), L'N'), 7);
  EXPECT_EQ(KeyResult(ButtonsFor(4 | 0x100), 27), 0);  // neither Cancel nor OK
  EXPECT_EQ(KeyResult(ButtonsFor(3), 27), 2);
  EXPECT_EQ(KeyResult(ButtonsFor(1), L'n'), 0);
}

LayoutInput Input(std::vector<int> lines, std::vector<int> buttons) {
  LayoutInput in;
  in.lineWidths = std::move(lines);
  in.textHeightOfA = 180;
  in.frameWidth = 90;
  in.frameHeight = 400;
  in.buttonWidths = std::move(buttons);
  in.buttonHeight = 375;
  in.owner = {1500, 1500, 9000, 6000};
  in.screenWidth = 19200;
  in.screenHeight = 15360;
  in.twipsPerPixelY = 15;
  return in;
}

TEST(Layout, SizesFollowTheTextAndTheButtons) {
  LayoutResult r = LayoutMessageBox(Input({3000, 5000}, {1215, 1215}));
  EXPECT_EQ(r.lineHeight, 180 + 30);
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
}

TEST(Layout, AOneLineBoxHasItsMinimumSize) {
  LayoutResult r = LayoutMessageBox(Input({200}, {1215}));
  EXPECT_EQ(r.window.height, 1410);
  EXPECT_EQ(r.window.width, 1215 + 900);
  EXPECT_EQ(LayoutMessageBox(Input({1, 1, 1}, {1215})).iconTop, 330);
}

TEST(Layout, TheBoxStaysOnTheScreen) {
  LayoutInput in = Input({18000}, {1215});
  in.owner = {12000, 10000, 9000, 6000};
  LayoutResult r = LayoutMessageBox(in);
  EXPECT_EQ(r.window.left, in.screenWidth - r.window.width);
  EXPECT_EQ(r.window.top, in.screenHeight - r.window.height - 60 * 15);
  // A minimised owner stands at -32000: the box comes to the middle of the screen.
  in = Input({3000}, {1215});
  in.owner = {-32000, -32000, 2400, 450};
  r = LayoutMessageBox(in);
  EXPECT_EQ(r.window.left, (in.screenWidth - r.window.width) / 2);
  EXPECT_EQ(r.window.top, (in.screenHeight - r.window.height) / 2);
  // A box wider than the screen keeps its left edge visible.
  in = Input({30000}, {1215});
  r = LayoutMessageBox(in);
  EXPECT_EQ(r.window.left, 0);
}

TEST(Layout, TheFallbackFaceWhenTheSystemGaveAnother) {
  EXPECT_EQ(ChooseFace(L"MS UI Gothic"), L"MS UI Gothic");
  EXPECT_EQ(ChooseFace(L"Tahoma"), L"ＭＳ Ｐゴシック");
}

}  // namespace
}  // namespace zel::dialog
