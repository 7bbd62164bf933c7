#include "browser/selection_lines.h"

#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "browser/mouse_help.h"

namespace zel {
namespace {

bool OneOf(const std::wstring& ext, std::initializer_list<const wchar_t*> list) {
  for (const wchar_t* e : list) {
    if (ext == e) return true;
  }
  return false;
}

void Append(std::vector<std::wstring>& out, int helpIndex) {
  const std::vector<std::wstring>& lines = HelpLines(helpIndex);
  out.insert(out.end(), lines.begin(), lines.end());
}

// What a program is, from its header kind and its name.
void ProgramLines(const SelectedFile& file, const std::wstring& upperName, std::vector<std::wstring>& out) {
  switch (file.executableKind) {
    case 2:
      Append(out, file.dosProgramsRun ? help::kDosProgram : help::kDosProgramNotRunnable);
      break;
    case 4:
    case 8:
    case 20:
      Append(out, help::kSelfExtracting);
      break;
    case 0:
    case 1:
      Append(out, help::kWindowsProgram);
      break;
    default:
      Append(out, help::kNotRunnable);
      return;
  }
  if (Contains(upperName, L"INSTALL") || Contains(upperName, L"INST") || Contains(upperName, L"SETUP")) {
    Append(out, help::kInstallerNote);
  }
  if (file.onCdRom && (Contains(upperName, L"MENU") || Contains(upperName, L"AUTORUN") || Contains(upperName, L"START"))) {
    Append(out, help::kCdRomMenu);
  }
}

}  // namespace

std::wstring DateTimeText(const LocalTime& t) {
  return ZeroPad(t.year, 4) + L"/" + ZeroPad(t.month, 2) + L"/" + ZeroPad(t.day, 2) + L" " + ZeroPad(t.hour, 2) + L":" +
         ZeroPad(t.minute, 2) + L":" + ZeroPad(t.second, 2);
}

std::vector<std::wstring> SelectionLines(const SelectedFile& file) {
  std::vector<std::wstring> out;
  out.emplace_back();
  out.push_back(L"【" + file.name + L"】 " + DateTimeText(file.modified));
  out.push_back(L"　　　　　　　　 (" + Grouped(static_cast<long long>(file.size)) + L" bytes)");

  const std::wstring ext = UpperExtension(file.name);
  const std::wstring upperName = ToUpper(file.name);
  if (ext == L"ZIP" || ext == L"LZH") {
    if (!file.hasLibrary) {
      out.push_back(ext == L"ZIP" ? L"　★ZIP解凍用の DLLがありません" : L"　★LZH解凍用の DLLがありません");
      out.push_back(L"　※インストール方法はヘルプを参照して");
      out.push_back(L"　　ください");
    } else {
      out.push_back(L"解凍ボタンか (F･6)キーを押して下さい");
    }
    return out;
  }
  const wchar_t* action = nullptr;
  if (OneOf(ext, {L"WAV", L"AVI", L"MPG", L"MP3", L"MID"})) action = L"データを再生します";
  else if (OneOf(ext, {L"FON", L"TTF", L"TTC"})) action = L"フォントを表示します";
  else if (ext == L"EXE" || ext == L"SCR") action = L"実行を開始します";  // the test button runs both
  else if (OneOf(ext, {L"BMP", L"JPG", L"TIF", L"PCX"})) action = L"実サイズで表示します";
  if (ext == L"EXE" || ext == L"SCR") {
    ProgramLines(file, upperName, out);
    if (file.executableKind == 4 || file.executableKind == 8) {
      out.push_back(L"解凍ボタンか (F･6)キーを押して下さい");
      return out;
    }
  }
  if (action) out.push_back(std::wstring(L"テスト・ボタンを押すと、") + action);
  return out;
}

}  // namespace zel
