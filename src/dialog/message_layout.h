// The program's message box without its window: the text markup, the
// palettes, the buttons and keys, and the layout arithmetic in twips. The
// Win32 box (ui/message_box.cpp) measures text and places controls from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel::dialog {

// --- markup ------------------------------------------------------------------

// The text as the box lays it out: it ends in "|", every CR (with an LF right
// after it) and every other LF is a "|".
std::wstring NormalizeMarkup(std::wstring_view text);
// The lines of a normalized text: one per "|" ("a||b|" gives "a", "", "b").
std::vector<std::wstring> SplitLines(std::wstring_view normalized);
// True when code 8 (bold on) occurs anywhere: the box measures bold then.
bool HasBold(std::wstring_view text);
// The text without markup codes, lines joined by "\n" (what a reader sees).
std::wstring PlainText(std::wstring_view text);

// One piece of a line drawn in one colour and weight.
struct TextRun {
  size_t line;
  std::wstring text;
  int colour;  // palette index 0 to 6
  bool bold;
};
// The pieces of every line in drawing order. Colour and weight are set once
// for the whole box, so a code carries on into the following lines.
std::vector<TextRun> DrawRuns(const std::vector<std::wstring>& lines);

// --- palettes ----------------------------------------------------------------

// Colour i of the palette for a display of this many colours, as 0xBBGGRR.
std::uint32_t PaletteColour(std::int64_t displayColours, int index);

// --- buttons and keys --------------------------------------------------------

enum class Button { Ok, Cancel, Yes, No };
int ResultOf(Button b);  // 1, 2, 6, 7

struct ButtonSet {
  std::vector<Button> shown;  // left to right
  Button focus;               // the default button: it has the focus and takes Enter
};
ButtonSet ButtonsFor(int style);

// The answer a key gives, or 0 when the key does nothing. key: the character
// for letters ('Y', 'y', 'N', 'n'), 27 for Escape.
int KeyResult(const ButtonSet& buttons, wchar_t key);

// --- layout ------------------------------------------------------------------

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct LayoutInput {
  std::vector<int> lineWidths;  // twips, measured in the box's font (bold when HasBold)
  int textHeightOfA = 0;        // twips
  int frameWidth = 0;           // window width minus client width, twips
  int frameHeight = 0;          // window height minus client height, twips
  std::vector<int> buttonWidths;  // of the shown buttons, left to right, twips
  int buttonHeight = 0;
  Rect owner;                   // twips; the owner's left, top, width, height
  int screenWidth = 0, screenHeight = 0;  // twips
  int twipsPerPixelY = 15;
};

struct LayoutResult {
  Rect window;
  int clientWidth = 0, clientHeight = 0;
  int lineHeight = 0;
  int iconTop = 0;
  std::vector<int> buttonLefts;
  int buttonTop = 0;
  int textLeft = 750;
  int textTop(size_t line) const { return static_cast<int>(line) * lineHeight + 210; }
};

LayoutResult LayoutMessageBox(const LayoutInput& in);

// The face the box uses: the preferred one when the system gave it, else the
// fallback.
extern const wchar_t kPreferredFace[];
extern const wchar_t kFallbackFace[];
std::wstring ChooseFace(std::wstring_view faceReadBack);

}  // namespace zel::dialog
