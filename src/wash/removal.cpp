#include "wash/removal.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/path.h"
#include "base/text.h"
#include "snapshot/entries.h"

namespace zel {
namespace {

using markup::kBlack;
using markup::kDarkRed;

// Red words in black text.
std::wstring Red(const wchar_t* word) { return std::wstring(1, kDarkRed) + word + kBlack; }

constexpr unsigned kPollMs = 500;
constexpr int kShellWindowTries = 20;  // a shell window that will not close is left open

bool Listed(const std::string& list, const std::wstring& name) {
  bool found = false;
  const std::wstring upper = ToUpper(name);
  ForEachFileEntry(list, [&](std::string_view, std::string_view listed) {
    if (!found && ToUpper(FromCp932(listed)) == upper) found = true;
  });
  return found;
}

// The first file of the folder matching the pattern that was not there
// before (listed: its name was), or empty.
template <typename Listed>
std::wstring FirstNewMatch(FileSystem& fs, const std::wstring& folder, const wchar_t* pattern, Listed listed) {
  std::wstring found;
  IgnoreError(fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (found.empty() && !e.IsFolder() && !e.IsReparsePoint() && MatchWildcard(pattern, ToUpper(e.name)) &&
        !listed(e.name)) {
      found = JoinPath(folder, e.name);
    }
  }));
  return found;
}

// The root folders of the recorded disks that the snapshot does not know:
// the same findings as the drive wash, so a renamed old folder, a link, a
// name without a code-page form or another disk under the letter never count.
class NewRootFolders : public ChangeVisitor {
 public:
  void OnFinding(const Finding& f) override {
    if (f.kind == Finding::Kind::Added && f.folder && !f.keep && !f.link) folders.push_back(f.path);
  }
  void OnOtherVolume(wchar_t) override {}
  void OnBecameLink(const std::wstring&) override {}
  std::vector<std::wstring> folders;
};

// Polls until found() is true or the time is up; the window stays alive.
template <typename Found>
bool PollUntil(const Services& c, unsigned limitMs, Found found) {
  const std::uint64_t start = c.m.sys.TickMs();
  while (!found()) {
    if (c.m.sys.TickMs() - start >= limitMs) return false;
    c.fe.Busy();
    c.m.sys.SleepMs(kPollMs);
  }
  return true;
}

std::vector<std::wstring> ControlPanelTitles(const Environment& env) {
  // Windows 2000 names the page "アプリケーションの追加と削除", XP and later
  // "プログラムの追加と削除".
  if (env.NtFamily()) return {L"アプリケーションの追加と削除", L"プログラムの追加と削除"};
  return {L"ｱﾌﾟﾘｹｰｼｮﾝの追加と削除のﾌﾟﾛﾊﾟﾃｨ", L"ｱﾌﾟﾘｹｰｼｮﾝの追加と削除 のﾌﾟﾛﾊﾟﾃｨ",
          L"ｱﾌﾟﾘｹｰｼｮﾝの追加と削除のプロパティ", L"アプリケーションの追加と削除のプロパティ",
          L"アプリケーションの追加と削除 のプロパティ"};
}

WindowHandle FindControlPanel(Desktop& desktop, const std::vector<std::wstring>& titles) {
  for (const std::wstring& title : titles) {
    if (WindowHandle w = desktop.FindTopLevel(L"", title)) return w;
  }
  return 0;
}

}  // namespace

std::wstring BrowserQuestion() {
  return Red(L"CD-ROM") + L"のブラウザーを終了しましたか？||現在もブラウザーを使用中なのに 「" + Red(L"実行終了") +
         L"」 が表示された場合は|　「" + Red(L"いいえ") + L"」 をクリックして下さい。|　 ここで 「" + Red(L"はい") +
         L"」 を押すと、これ以降にブラウザーで実行|　 したプログラムを削除できなくなります。||"
         L"★ システムのライブラリ･ファイルを保護したい場合は、「" + Red(L"はい") + L"」|　 を押した後 " + Red(L"洗浄") +
         L"ボタンを押し、" + Red(L"テスト") + L"ボタンを使って、|　 個別にプログラムを実行して下さい。";
}

std::wstring UninstallerMessage() {
  return std::wstring(L"アンインストーラーを起動します||■ オプションの中に|　　　・アンインストール|　　　・削除|"
                      L"　　　・Remove||　 などの項目があるときは、そのチェックをオンにして、プログラムを削除して下さい||"
                      L"■ 上記の項目が見つからないときは、キャンセルして下さい。||★ 処理が終わってから、下の ") +
         Red(L"OK") + L"ボタンを押して下さい";
}

const wchar_t kGoOnWashing[] = L"洗浄を続行していいですか？";

bool CloseBrowserWindows(const Services& c) {
  if (c.fe.Ask(BrowserQuestion(), mb::kYesNo | mb::kIconQuestion, L"") != mb::kResultYes) return false;
  // Each shell folder window is asked to close, a few times at most.
  for (int tries = 0; tries < kShellWindowTries; ++tries) {
    WindowHandle shell = c.m.desktop.FindTopLevel(L"CabinetWClass", L"");
    if (!shell) break;
    c.m.desktop.BringToTop(shell);
    c.m.desktop.PostClose(shell);
    c.fe.Busy();
    c.m.sys.SleepMs(kPollMs);
  }
  return true;
}

std::vector<std::wstring> FindUninstallers(const Services& c, const Snapshot& snap, const RunRecord& record) {
  std::vector<std::wstring> found;
  // The folder of the program under test, when its list at the start is
  // known: an uninstaller that was there already is not the test's.
  const std::wstring folder = record.programFolder;
  if (!folder.empty() && !EqualsNoCase(folder, c.env.WinDir) && !EqualsNoCase(folder, c.env.SysDir) &&
      !c.env.IsOwnFolder(folder)) {
    std::wstring uninstaller = FirstNewMatch(c.m.fs, folder, L"UNINST*.EXE", [&](const std::wstring& name) {
      return Listed(record.programFolderList, name);
    });
    if (!uninstaller.empty()) found.push_back(uninstaller);
  }
  ChangeWalk walk{c, snap, record, false, nullptr, L"洗浄中"};
  NewRootFolders roots;
  WalkDrives(walk, roots);
  for (const std::wstring& root : roots.folders) {
    for (const wchar_t* pattern : {L"UNINST*.EXE", L"INST*.EXE", L"*INST.EXE", L"*SETUP.EXE", L"SETUP*.EXE"}) {
      // The whole folder is new, and so is everything in it.
      std::wstring uninstaller = FirstNewMatch(c.m.fs, root, pattern, [](const std::wstring&) { return false; });
      if (!uninstaller.empty()) {
        found.push_back(uninstaller);
        break;
      }
    }
  }
  return found;
}

void LaunchUninstaller(const Services& c, const std::wstring& path) {
  if (!c.m.desktop.StartProgram(L"\"" + path + L"\"", ParentFolder(path), ShowMode::Normal)) {
    c.fe.Ask(L"アンインストーラー『" + path + L"』を起動できません", mb::kOk | mb::kIconExclamation, L"");
    return;
  }
  c.fe.Ask(UninstallerMessage(), mb::kOk | mb::kIconInformation, L"");
}

std::wstring DisplayNameIn(const std::vector<std::wstring>& addedLines) {
  for (const std::wstring& line : addedLines) {
    if (line.find(L"DisplayName") == std::wstring::npos) continue;
    size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) continue;
    size_t open = line.find(L'"', eq);
    if (open == std::wstring::npos) continue;
    size_t close = line.find(L'"', open + 1);
    if (close == std::wstring::npos) continue;
    return line.substr(open + 1, close - open - 1);
  }
  return {};
}

bool RunApplicationRemoval(const Services& c, const std::wstring& displayName) {
  Desktop& desktop = c.m.desktop;
  const std::vector<std::wstring> titles = ControlPanelTitles(c.env);
  WindowHandle panel = 0;
  // The system's own control panel, by its full path: a CONTROL.EXE beside
  // this program or in the current folder is not it.
  std::wstring control = L"CONTROL.EXE";
  for (const std::wstring& folder : {c.env.SysDir, c.env.WinDir}) {
    if (!folder.empty() && c.m.fs.Stat(JoinPath(folder, L"control.exe"))) {
      control = L"\"" + JoinPath(folder, L"control.exe") + L"\"";
      break;
    }
  }
  if (desktop.StartProgram(control + L" AppWiz.CPL", L"", ShowMode::Normal)) {
    c.fe.SetStatus(L"洗浄中 : アプリケーションの追加と削除");
    PollUntil(c, kControlPanelAppearMs, [&] { return (panel = FindControlPanel(desktop, titles)) != 0; });
  }
  if (!panel) {
    // It never came: the user removes the program some other way, or not.
    return c.fe.Ask(L"「" + Red(L"アプリケーションの追加と削除") + L"」 の画面が開きません||" + kGoOnWashing,
                    mb::kYesNo | mb::kIconQuestion, L"") == mb::kResultYes;
  }
  desktop.BringToTop(panel);
  if (!displayName.empty()) {
    c.fe.Ask(L"削除できるリストの中から、" + Red(L"「 ") + std::wstring(1, kDarkRed) + displayName + L" 」" + kBlack +
                 L"をクリックし、「" + Red(L"追加と削除") + L"」ボタンを押してください",
             mb::kOk | mb::kIconInformation, L"");
  } else if (c.fe.Ask(L"削除できるリストの中に、" + Red(L"試しにインストールしたプログラム") +
                          L" のタイトルと思われる項目がありますか？",
                      mb::kYesNo | mb::kIconQuestion, L"") != mb::kResultYes) {
    desktop.PostClose(panel);  // only that window: as Escape would close it
  } else {
    c.fe.Ask(L"リストの中の、削除したいプログラム名をクリックして、「" + Red(L"追加と削除") + L"」 ボタンを押して下さい",
             mb::kOk | mb::kIconInformation, L"");
  }
  // The user works in the control panel for as long as it takes; every so
  // often the wait asks whether to go on waiting.
  while (!PollUntil(c, kControlPanelAskEveryMs, [&] { return !desktop.WindowExists(panel); })) {
    if (c.fe.Ask(L"「" + Red(L"アプリケーションの追加と削除") + L"」 の終了を待っています||まだ待ちますか？",
                 mb::kYesNo | mb::kIconQuestion, L"") != mb::kResultYes) {
      break;
    }
  }
  return c.fe.Ask(kGoOnWashing, mb::kYesNo | mb::kIconQuestion, L"") == mb::kResultYes;
}

}  // namespace zel
