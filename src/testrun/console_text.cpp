#include "testrun/console_text.h"

#include "base/format.h"

namespace zel {

const wchar_t kStartSeparator[] = L"━━━━━━━━━━━━━━━━━━━━━━";
const wchar_t kEndSeparator[] = L"──────────────────────";

std::vector<std::wstring> EndOfRunLines(const std::wstring& programName) {
  return {kEndSeparator,
          L"    " + programName + L" 実行終了",
          kEndSeparator,
          L"★ブラウザーを利用中なら、そのまま使い",
          L"　続けて構いません。",
          L"★ブラウザーでのテストが総て終了したら、",
          L" 「洗浄」ボタンを押して下さい。"};
}

const wchar_t kInstallerEndMessage[] =
    L"グループ･アイコンや プログラムのショートカットが作成されたら、|"
    L"そのアイコンをダブルクリックして、プログラム本体を起動して下さい||"
    L"※ アイコンが見つからないときは、インストールされたフォルダーを"
    L"　 このテスターで開き、プログラム･ファイルを選択して、テストして下さい";

ConsoleColours ConsoleSchemeColours(int scheme) {
  switch (scheme) {
    case 0: return {0x000000, 0xFFFFFF};  // black on white
    case 2: return {0x0080FF, 0x000000};  // orange on black
    default: return {0xFFFFFF, 0x000000};  // white on black
  }
}

StatusColours StatusColoursFor(StatusLook look, std::int64_t displayColours) {
  const bool rich = displayColours > 256;
  switch (look) {
    case StatusLook::Running: return {0x000000, rich ? 0x00F4FFu : 0x00FFFFu};
    case StatusLook::Idle: return {0x000000, rich ? 0xFBF0E1u : 0xFFC0C0u};
    case StatusLook::FlashOn: return {0x000000, rich ? 0x00F0FFu : 0x00FFFFu};
    case StatusLook::FlashOff: return {0xFFFFFF, rich ? 0x00B0B0u : 0x008080u};
  }
  return {0x000000, 0xFFFFFF};
}

// Whole units, rounded to the nearest as the display formats round.
long long Rounded(std::int64_t value, std::int64_t unit) {
  return value >= 0 ? (value + unit / 2) / unit : -((-value + unit / 2) / unit);
}

std::wstring FreeSpaceText(std::uint64_t bytes) {
  long long mb = Rounded(static_cast<std::int64_t>(bytes), 1048576);
  return (mb == 0 ? std::wstring(L"0") : Grouped(mb)) + L"M";
}

std::wstring FreeSpaceChangeText(std::int64_t bytesNowMinusStart) {
  long long kb = Rounded(bytesNowMinusStart, 1024);
  if (kb == 0) return L"±0K";
  return (kb > 0 ? L"+" : L"") + Grouped(kb) + L"K";
}

}  // namespace zel
