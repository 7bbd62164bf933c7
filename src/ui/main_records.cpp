// The main window's record menus: the wash records (the records button) and
// drive protection (the right button on a drive button).
#include <cstring>

#include "drive/drive_protection.h"
#include "records/wash_records.h"
#include "ui/control_ids.h"
#include "ui/doc_form.h"
#include "ui/main_controls.h"

namespace zel::ui {
namespace {

// The menu at the mouse pointer; the chosen item, or 0.
int TrackMenu(HWND owner, HMENU menu) {
  POINT p;
  ::GetCursorPos(&p);
  const int chosen = static_cast<int>(
      ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, p.x, p.y, 0, owner, nullptr));
  ::DestroyMenu(menu);
  return chosen;
}

bool CopyToClipboard(HWND owner, const std::wstring& text) {
  if (!::OpenClipboard(owner)) return false;
  ::EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool done = false;
  if (memory) {
    if (void* p = ::GlobalLock(memory)) {
      std::memcpy(p, text.c_str(), bytes);
      ::GlobalUnlock(memory);
      done = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!done) ::GlobalFree(memory);
  }
  ::CloseClipboard();
  return done;
}

}  // namespace

void MainWindow::ShowRecordsMenu() {
  HMENU menu = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_STRING, kIdMenuLatestShow, L"最新の洗浄リストを表示");
  ::AppendMenuW(menu, MF_STRING, kIdMenuLatestEditor, L"最新の洗浄リストを開く");
  ::AppendMenuW(menu, MF_STRING, kIdMenuCopy, L"最新の洗浄リストをコピー");
  ::AppendMenuW(menu, MF_STRING, kIdMenuAppend, L"最新の洗浄リストを記録に追加");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kIdMenuPastShow, L"過去の洗浄リストを表示");
  ::AppendMenuW(menu, MF_STRING, kIdMenuPastEditor, L"過去の洗浄リストを開く");
  ::AppendMenuW(menu, MF_STRING, kIdMenuClear, L"洗浄記録をクリア");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kIdMenuComment, L"テスト履歴にコメントを記入");
  const int chosen = TrackMenu(window_, menu);
  if (chosen == 0) return;
  Action action(*this);
  if (!action) return;
  const Services& rc = services_;
  auto view = [&](const std::optional<std::wstring>& text, const std::wstring& name) {
    if (!text) return;
    if (!docForm_) docForm_ = std::make_unique<DocForm>(machine_.fs);
    docForm_->ShowText(window_, name, *text);
  };
  auto edit = [&](const std::wstring& path) {
    if (!path.empty() && machine_.desktop.ShellOpen(path, env_.WorkDir) <= 32) {
      Ask(L"『" + path + L"』を開けません", mb::kOk | mb::kIconExclamation, L"");
    }
  };
  switch (chosen) {
    case kIdMenuLatestShow: view(LatestListForViewer(rc), L"最新の洗浄リスト"); break;
    case kIdMenuLatestEditor: edit(LatestListForEditor(rc)); break;
    case kIdMenuCopy:
      if (std::optional<std::wstring> text = LatestListForCopy(rc); text && !CopyToClipboard(window_, *text)) {
        Ask(L"クリップボードにコピーできません", mb::kOk | mb::kIconExclamation, L"");
      }
      break;
    case kIdMenuAppend: AppendLatestToRecords(rc); break;
    case kIdMenuPastShow: view(PastRecordsForViewer(rc), L"洗浄記録"); break;
    case kIdMenuPastEditor: edit(PastRecordsForEditor(rc)); break;
    case kIdMenuClear: ClearRecords(rc); break;
    case kIdMenuComment: WriteComment(rc, session_.record().program); break;
    default: break;
  }
}

void MainWindow::ShowDriveMenu(wchar_t letter) {
  HMENU menu = ::CreatePopupMenu();
  ::AppendMenuW(menu, MF_STRING, kIdMenuDriveRecord, L"このドライブの現在のファイル名を記録");
  ::AppendMenuW(menu, MF_STRING, kIdMenuDriveClear, L"記録したファイル名情報をクリア");
  ::AppendMenuW(menu, MF_STRING, kIdMenuDriveCheck, L"このドライブへ追加されたファイルをチェック");
  ::AppendMenuW(menu, MF_STRING, kIdMenuDriveDelete, L"このドライブへ追加されたファイルを自動削除");
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kIdMenuDriveClose, L"このメニューを消す");
  const int chosen = TrackMenu(window_, menu);
  if (chosen == 0 || chosen == kIdMenuDriveClose) return;
  const bool running = run_.running;
  {
    Action action(*this);
    if (!action) return;
    RunDriveMenu(chosen, letter, running);
  }
  EnableActions();
  if (!running) ShowStatus(L"ファイルを選択して下さい", Look::Idle);
}

void MainWindow::RunDriveMenu(int chosen, wchar_t letter, bool running) {
  // During a run the console holds the run's lines and the status says it
  // runs: the drive's lines come after them, and the status stays.
  KeepStatusFrontEnd keepStatus(*this);
  const Services dc = running ? services_.With(keepStatus) : services_;
  ShowConsole();
  if (!running) ClearConsole();
  DisableActions();
  switch (chosen) {
    case kIdMenuDriveRecord: RecordDriveNames(dc, letter); break;
    case kIdMenuDriveClear: ClearDriveRecord(dc, letter); break;
    case kIdMenuDriveCheck: CheckDriveAdditions(dc, letter); break;
    case kIdMenuDriveDelete: DeleteDriveAdditions(dc, letter); break;
    default: break;
  }
}

}  // namespace zel::ui
