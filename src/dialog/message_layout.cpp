#include "dialog/message_layout.h"

#include <algorithm>

namespace zel::dialog {

const wchar_t kPreferredFace[] = L"MS UI Gothic";
const wchar_t kFallbackFace[] = L"ＭＳ Ｐゴシック";

std::wstring NormalizeMarkup(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r') {
      out += L'|';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      out += L'|';
    } else {
      out += c;
    }
  }
  if (out.empty() || out.back() != L'|') out += L'|';
  return out;
}

std::vector<std::wstring> SplitLines(std::wstring_view normalized) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t bar = normalized.find(L'|'); bar != std::wstring_view::npos; bar = normalized.find(L'|', start)) {
    lines.emplace_back(normalized.substr(start, bar - start));
    start = bar + 1;
  }
  return lines;
}

bool HasBold(std::wstring_view text) { return text.find(L'\x08') != std::wstring_view::npos; }

std::wstring PlainText(std::wstring_view text) {
  std::wstring out;
  for (const std::wstring& line : SplitLines(NormalizeMarkup(text))) {
    for (wchar_t c : line) {
      if (static_cast<unsigned>(c) > 8) out += c;
    }
    out += L'\n';
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::vector<TextRun> DrawRuns(const std::vector<std::wstring>& lines) {
  std::vector<TextRun> runs;
  int colour = 0;
  bool bold = false;
  for (size_t n = 0; n < lines.size(); ++n) {
    std::wstring piece;
    for (wchar_t c : lines[n]) {
      if (static_cast<unsigned>(c) < 9) {
        if (!piece.empty()) runs.push_back({n, piece, colour, bold});
        piece.clear();
        if (c <= 6) colour = static_cast<int>(c);
        else bold = c == 8;
      } else {
        piece += c;
      }
    }
    if (!piece.empty()) runs.push_back({n, piece, colour, bold});
  }
  return runs;
}

std::uint32_t PaletteColour(std::int64_t displayColours, int index) {
  // Rich colours where the display has them; the sixteen standard ones where
  // it has 256 colours or fewer.
  static const wchar_t kRich[] = L"000000 E00000 007000 903000 4000A0 900090 3050C0";
  static const wchar_t kPlain[] = L"000000 800000 008000 808000 000080 800080 008080";
  const wchar_t* palette = displayColours > 256 ? kRich : kPlain;
  if (index < 0 || index > 6) index = 0;
  std::uint32_t value = 0;
  for (int i = 0; i < 6; ++i) {
    wchar_t c = palette[index * 7 + i];
    value = value * 16 + static_cast<std::uint32_t>(c <= L'9' ? c - L'0' : c - L'A' + 10);
  }
  return value;
}

int ResultOf(Button b) {
  switch (b) {
    case Button::Ok: return 1;
    case Button::Cancel: return 2;
    case Button::Yes: return 6;
    case Button::No: return 7;
  }
  return 2;
}

ButtonSet ButtonsFor(int style) {
  const bool second = (style & 0x100) != 0;
  const bool third = (style & 0x200) != 0;
  switch (style & 0xF) {
    case 1:
      return {{Button::Ok, Button::Cancel}, second ? Button::Cancel : Button::Ok};
    case 3:
      return {{Button::Yes, Button::No, Button::Cancel}, third ? Button::Cancel : second ? Button::No : Button::Yes};
    case 4:
      return {{Button::Yes, Button::No}, second ? Button::No : Button::Yes};
    default:
      return {{Button::Ok}, Button::Ok};
  }
}

int KeyResult(const ButtonSet& buttons, wchar_t key) {
  auto shown = [&](Button b) { return std::find(buttons.shown.begin(), buttons.shown.end(), b) != buttons.shown.end(); };
  if ((key == L'Y' || key == L'y') && shown(Button::Yes)) return 6;
  if ((key == L'N' || key == L'n') && shown(Button::No)) return 7;
  if (key == 27 && (shown(Button::Cancel) || shown(Button::Ok))) return 2;
  return 0;
}

LayoutResult LayoutMessageBox(const LayoutInput& in) {
  LayoutResult out;
  out.lineHeight = in.textHeightOfA + 2 * in.twipsPerPixelY;
  const int lines = static_cast<int>(in.lineWidths.size());
  out.iconTop = lines > 2 ? 330 : 120;

  int widest = 0;
  for (int w : in.lineWidths) widest = std::max(widest, w);
  int buttonsWidth = 0;
  for (int w : in.buttonWidths) buttonsWidth += w;

  out.window.width = in.frameWidth + widest + 750 + 90;
  if (out.window.width < buttonsWidth + 900) out.window.width = buttonsWidth + 900;
  out.window.height = in.frameHeight + lines * out.lineHeight + 210 + in.buttonHeight + 120;
  if (out.window.height < 1410) out.window.height = 1410;
  out.clientWidth = out.window.width - in.frameWidth;
  out.clientHeight = out.window.height - in.frameHeight;

  // Near the owner's lower right; centred on the screen when the owner is out
  // of sight (a minimised window stands at -32000).
  const bool ownerOnScreen = in.owner.left + in.owner.width > 0 && in.owner.top + in.owner.height > 0 &&
                             in.owner.left < in.screenWidth && in.owner.top < in.screenHeight;
  if (ownerOnScreen) {
    out.window.left = in.owner.left + (in.owner.width / 5) * 4;
    out.window.top = in.owner.top + (in.owner.height / 5) * 4;
  } else {
    out.window.left = (in.screenWidth - out.window.width) / 2;
    out.window.top = (in.screenHeight - out.window.height) / 2;
  }

  int x = (out.clientWidth - buttonsWidth) / 2;
  for (int w : in.buttonWidths) {
    out.buttonLefts.push_back(x);
    x += w + 60;
  }
  out.buttonTop = out.clientHeight - in.buttonHeight - 60;

  // On the screen on all four sides.
  const int bottomMargin = 60 * in.twipsPerPixelY;
  if (out.window.left + out.window.width > in.screenWidth) out.window.left = in.screenWidth - out.window.width;
  if (out.window.top + out.window.height > in.screenHeight - bottomMargin) {
    out.window.top = in.screenHeight - out.window.height - bottomMargin;
  }
  if (out.window.left < 0) out.window.left = 0;
  if (out.window.top < 0) out.window.top = 0;
  return out;
}

std::wstring ChooseFace(std::wstring_view faceReadBack) {
  return faceReadBack == kPreferredFace ? std::wstring(kPreferredFace) : std::wstring(kFallbackFace);
}

}  // namespace zel::dialog
