#include "browser/mouse_help.h"

#include <map>

namespace zel {
namespace {

std::map<int, std::vector<std::wstring>> BuildTable() {
  std::map<int, std::vector<std::wstring>> t;
  t[help::kExtract] = {L"●選択された「LZH」または「ZIP」ファイル", L"　を臨時フォルダーに解凍します。",
                       L"　　※洗浄ボタンで自動的に削除されます",  L"【キー操作】Ｆ･６",
                       L"●マウスの右ボタンでクリックすると、",     L"　任意のフォルダーに解凍できます。",
                       L"　　※ 自動的には削除されません"};
  t[help::kWash] = {L"●解凍用に作成された臨時フォルダーや、プ", L"　ログラム実行時に作成されたフォルダー、",
                    L"　ファイルを削除し、元の状態に戻します。", L"【キー操作】Ｆ･９"};
  t[help::kTest] = {L"●指定されたプログラムを起動します。プロ", L"　グラムが終了すると『ZEL』に戻ります。",
                    L"※ プログラムの実行中は、なるべく他のプ", L"　 ログラムを起動しないで下さい", L"【キー操作】Ｆ･７"};
  t[help::kTextWindow] = {L"●テキスト表示用ウィンドウを開きます", L"※ テキスト･ファイルの内容表示は、この",
                          L"　 ウィンドウを使うと 見やすくなります"};
  t[help::kCheck] = {L"●プログラム実行時に追加されたり、変更さ", L"　れたファイルやフォルダーを 一覧表示し",
                     L"　ます。",                                L"●このリストに表示されたものが、洗浄ボタ",
                     L"　ンを押したときに削除、または元の状態に", L"　戻されます。",
                     L"【キー操作】Ｆ･８"};
  t[help::kWashRecords] = {L"【左クリック】", L"　●最新の洗浄リストを、別ウィンドウに", L"　　表示します。",
                           L"【右クリック】", L"　●最新の洗浄リストや過去の洗浄リストに", L"　　関するメニューが出ます。"};
  t[help::kFilterFirst + 0] = {L"●ファイル一覧に圧縮ファイルを表示します", L"【キー操作】Ｆ･１"};
  t[help::kFilterFirst + 1] = {L"●ファイル一覧に実行形式ファイルを", L"　　表示します", L"【キー操作】Ｆ･２"};
  t[help::kFilterFirst + 2] = {L"●ファイル一覧にアイコン・画像ファイルを", L"　　表示します", L"【キー操作】Ｆ･３"};
  t[help::kFilterFirst + 3] = {L"●ファイル一覧にすべてのファイルを", L"　　表示します", L"【キー操作】Ｆ･４"};
  t[help::kFavourite] = {L"●よく利用するフォルダーをワン・クリック", L"　　で選択するボタンです",
                         L"●マウスの右ボタンでクリックすると、", L"　 現在表示中のフォルダーに変更できます",
                         L"【キー操作】Ｆ･５"};
  t[help::kCopy] = {L"●選択されたファイルを、他のフォルダーへ", L"　　コピーします"};
  t[help::kArchiveContents] = {L"●LZHファイルや ZIPファイルを選択して", L"　このボタンを押すと、圧縮ファイルの",
                               L"　内容をリスト表示します。"};
  t[help::kOptions] = {L"●オプション設定画面を表示します"};
  t[help::kLampFirst + 0] = {L"※ プログラムが「WIN.INI」を書き換えると", L"このランプが点灯します。"};
  t[help::kLampFirst + 1] = {L"※ プログラムが「SYSTEM.INI」を書き換え", L"　 ると、", L"このランプが点灯します。"};
  t[help::kLampFirst + 2] = {L"※ プログラムが登録データを書き換えると", L"このランプが点灯します。"};
  t[help::kFreeSpaceToggle] = {L"●現在のディスク空き容量と開始時の空き", L"　容量とを切り替えて表示します。"};
  t[help::kFreeSpace] = {L"※ ディスクの空き容量を表示します。", L"※ プログラム実行後に空き容量が減少した",
                         L"　 ドライブは、", L"このランプが点灯します。"};
  t[help::kDrives] = {L"●ドライブの選択",
                      L"●マウスの右ボタンでクリックすると、",
                      L"　ドライブ保護用のメニューが出ます。",
                      L"※現在のドライブの状態を記憶しておき",
                      L"　これ以降に追加されたファイルを、",
                      L"　テスター終了時か、削除メニューを使って",
                      L"　自動的に削除することができます"};
  t[help::kCdRom] = {L"●ＣＤ－ＲＯＭを選択します",
                     L"※ CD-ROM に付属のブラウザを使ってプロ",
                     L"　 グラムを試用したい場合は、そのブラウ",
                     L"　 ザ自体をこのテスターで実行して下さい。",
                     L"※ すでにブラウザが起動されている場合は、",
                     L"　 一旦 終了させて下さい。",
                     L"★ ブラウザでプログラムを起動した場合、",
                     L"　 ライブラリの保護機能は働きません。"};
  t[help::kDesktop] = {L"●デスクトップのフォルダーを開きます"};
  t[help::kDocuments] = {L"●マイ・ドキュメントを開きます"};
  t[help::kDosProgram] = {L"※ MS-DOSプログラムです。"};
  t[help::kDosProgramNotRunnable] = {L"※ MS-DOSプログラムです。", L"　 実行できません。"};
  t[help::kWindowsProgram] = {L"※ Windows プログラムです。"};
  t[help::kSelfExtracting] = {L"※ 自己解凍形式の圧縮ファイルです。"};
  t[help::kNotRunnable] = {L"※ 実行できません"};
  t[help::kRestartRestores] = {L"※ Windowsを再起動すると、この時点の", L"　　システム設定状態に戻ります"};
  t[help::kInstallerNote] = {L"※ プログラムやドライバーの インストール", L"　　と削除は、必ず Windowsを 再起動して",
                             L"　　から行なって下さい"};
  t[help::kCdRomMenu] = {L"※ CD-ROMのメニュー･プログラムです",       L"このプログラムをテスト･ボタンで実行し、",
                         L"出てきたメニューを使って、さまざまなオン", L"ライン・ソフトや体験版ソフトを試しても構",
                         L"いません。",                               L"この場合､メニュー終了後に、試した総ての",
                         L"プログラムを削除できます。"};
  return t;
}

}  // namespace

const std::vector<std::wstring>& HelpLines(int index) {
  static const std::map<int, std::vector<std::wstring>> table = BuildTable();
  static const std::vector<std::wstring> none;
  auto it = table.find(index);
  return it == table.end() ? none : it->second;
}

std::vector<std::wstring> MouseHelp::Enter(int index) {
  if (index == last_) return {};
  const std::vector<std::wstring>& lines = HelpLines(index);
  if (lines.empty()) return {};
  last_ = index;
  std::vector<std::wstring> out;
  out.reserve(lines.size() + 1);
  out.emplace_back();
  out.insert(out.end(), lines.begin(), lines.end());
  return out;
}

}  // namespace zel
