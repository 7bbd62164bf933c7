// The main window's archive buttons: extract (F6) into a new temporary folder
// or, with the right button, into a folder the user names; list an archive.
#include "base/path.h"
#include "base/text.h"
#include "extract/exe_kind.h"
#include "extract/extract.h"
#include "ui/folder_form.h"
#include "ui/main_controls.h"

namespace zel::ui {

int MainWindow::ExecutableKindOf(const std::wstring& path) {
  std::optional<ExeKind> kind = ReadExecutableKind(machine_.fs, path);
  return kind ? static_cast<int>(*kind) : -1;
}

void MainWindow::Extract(bool intoNamedFolder) {
  const std::wstring archive = SelectedPath();
  if (archive.empty()) {
    Ask(L"解凍する圧縮ファイルを選択して下さい", mb::kOk | mb::kIconInformation, L"");
    return;
  }
  {
    Action action(*this);
    if (!action) return;
    ExtractWith(archive, intoNamedFolder);
  }
  EnableActions();
  ShowStatus(L"ファイルを選択して下さい", Look::Idle);
}

void MainWindow::ExtractWith(const std::wstring& archive, bool intoNamedFolder) {
  ShowConsole();
  const Services& x = services_;
  ExtractOutcome outcome;
  if (intoNamedFolder) {
    // A folder of the user's: the wash does not delete it.
    std::wstring dest = Trim(ChooseFolder(window_, machine_.fs, folder_, L"解凍先の選択"));
    if (dest.size() > 3 && dest.back() == L'\\') dest.pop_back();
    // A typed relative path would land wherever the process's current folder is.
    if (!dest.empty() && !IsFullPath(dest)) {
      Ask(L"『" + dest + L"』というフォルダーは見つかりません", mb::kOk | mb::kIconExclamation, L"");
    } else if (!dest.empty()) {
      outcome = ExtractToFolder(x, archive, dest);
    }
  } else {
    outcome = ExtractToTemporary(x, archive);
  }
  // The temporary folder is the wash's; a batch file that an MS-DOS-mode
  // extraction made may be started.
  session_.Extracted(intoNamedFolder ? std::wstring() : outcome.folder, outcome.result == ExtractResult::DosStarted);
  if (outcome.result == ExtractResult::Extracted && !outcome.folder.empty()) {
    AppendConsole(L"●『" + LastComponent(archive) + L"』を『" + outcome.folder + L"』に解凍しました");
    ChangeFolder(outcome.folder);
  }
}

void MainWindow::ListArchiveContents() {
  const std::wstring archive = SelectedPath();
  if (archive.empty()) {
    Ask(L"LZHファイルや ZIPファイルを選択して下さい", mb::kOk | mb::kIconInformation, L"");
    return;
  }
  Action action(*this);
  if (!action) return;
  ShowConsole();
  const Services& x = services_;
  ListArchive(x, archive);
}

}  // namespace zel::ui
