// The main window's file browser: drives, folders, filters, the selected
// file, the favourite folder, copying, the viewers, the keys and the menus.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <olectl.h>
#include <shellapi.h>

#include "base/path.h"
#include "records/test_history.h"
#include "base/text.h"
#include "browser/drop.h"
#include "browser/selection_lines.h"
#include "startup/file_helpers.h"
#include "ui/control_ids.h"
#include "ui/doc_form.h"
#include "ui/folder_form.h"
#include "ui/main_controls.h"
#include "ui/message_box.h"
#include "ui/form.h"
#include "ui/option_form.h"

namespace zel::ui {
namespace {

LocalTime LocalTimeOf(std::uint64_t fileTime) {
  FILETIME utc{static_cast<DWORD>(fileTime & 0xFFFFFFFF), static_cast<DWORD>(fileTime >> 32)}, local;
  SYSTEMTIME st = {};
  ::FileTimeToLocalFileTime(&utc, &local);
  ::FileTimeToSystemTime(&local, &st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// A picture file as a bitmap, through the platform's picture loading.
win32::Bitmap LoadPictureFile(FileSystem& fs, const std::wstring& path) {
  std::string bytes;
  if (fs.ReadBytes(path, bytes) != FsError::None || bytes.empty()) return {};
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!memory) return {};
  memcpy(::GlobalLock(memory), bytes.data(), bytes.size());
  ::GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    ::GlobalFree(memory);
    return {};
  }
  IPicture* picture = nullptr;
  HRESULT hr = ::OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr) || !picture) return {};
  OLE_HANDLE handle = 0;
  short type = 0;
  win32::Bitmap copy;
  if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle))) {
    copy.Reset(static_cast<HBITMAP>(::CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0)));
  }
  picture->Release();
  return copy;
}

}  // namespace

bool MainWindow::PreTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  if (msg.hwnd != window_ && !::IsChild(window_, msg.hwnd)) return false;
  const UINT vk = static_cast<UINT>(msg.wParam);
  if (msg.message == WM_SYSKEYDOWN) {  // with Alt
    if (vk == 'D') ::SetFocus(c_->grid);
    else if (vk == 'F') ::SetFocus(c_->files);
    else return false;
    return true;
  }
  if (vk == VK_ESCAPE) return true;  // swallowed
  if (vk >= VK_F1 && vk <= VK_F9) {
    const int key = static_cast<int>(vk - VK_F1) + 1;
    if (key <= 4) SelectFilter(key - 1);
    else if (key == 5) FavouriteFolder();
    else {
      HWND buttons[] = {c_->extract, c_->test, c_->check, c_->wash};
      HWND button = buttons[key - 6];
      if (::IsWindowEnabled(button)) OnCommand(::GetDlgCtrlID(button), BN_CLICKED, button);
      else Beep();
    }
    return true;
  }
  if (vk >= 'A' && vk <= 'Z' && ::GetKeyState(VK_CONTROL) < 0) {
    if (c_->drives[vk - 'A']) SelectDrive(static_cast<wchar_t>(vk));
    return true;
  }
  return false;
}

void MainWindow::OnCommand(int id, int code, HWND control) {
  if (code == LBN_SELCHANGE && id == kIdFileList) {
    OnFileSelected();
    return;
  }
  if (code == LBN_DBLCLK && id == kIdFolderGrid) {
    OnFolderActivated();
    return;
  }
  if (code == LBN_DBLCLK && id == kIdFileList) {
    OpenTextViewer();
    return;
  }
  if (code != BN_CLICKED && code != STN_CLICKED) return;
  if (id >= kIdDriveFirst && id < kIdDriveFirst + 26) {
    SelectDrive(static_cast<wchar_t>(L'A' + (id - kIdDriveFirst)));
    return;
  }
  if (id >= kIdPanelFirst && id < kIdPanelFirst + 4) {
    SelectFilter(id - kIdPanelFirst);
    return;
  }
  switch (id) {
    case kIdPanelFirst + 4: FavouriteFolder(); break;
    case kIdPanelFirst + 5: CopySelectedFile(); break;
    case kIdPanelFirst + 6: ListArchiveContents(); break;
    case kIdPanelFirst + 7: OpenOptions(); break;
    case kIdDesktopImage: if (!env_.DesktopDir.empty()) ChangeFolder(env_.DesktopDir); break;
    case kIdDocumentsImage: if (!env_.PersonalDir.empty()) ChangeFolder(env_.PersonalDir); break;
    case kIdTextButton: OpenTextViewer(); break;
    case kIdHelpButton: OpenHelp(); break;
    case kIdFreeToggle:
      showStartFree_ = !showStartFree_;
      ::SetWindowTextW(c_->freeToggle, showStartFree_ ? L"開始時" : L"現在値");
      UpdateFreeSpace();
      break;
    case kIdExtractButton: Extract(false); break;
    case kIdTestButton: StartTest(); break;
    case kIdCheckButton: RunCheckAction(); break;
    case kIdWashButton: RunWashAction(); break;
    case kIdRecordsButton: ShowRecordsMenu(); break;
    default: break;
  }
  (void)control;
}

void MainWindow::OnRightClick(int id) {
  if (id >= kIdDriveFirst && id < kIdDriveFirst + 26) ShowDriveMenu(static_cast<wchar_t>(L'A' + (id - kIdDriveFirst)));
  else if (id == kIdPanelFirst + 4) SetFavouriteFolder();
  else if (id == kIdExtractButton && ::IsWindowEnabled(c_->extract)) Extract(true);
  else if (id == kIdRecordsButton) ShowRecordsMenu();
}

void MainWindow::ShowMouseHelp(int index) {
  if (!options_.UseMouseHelp || !loaded_ || busy_ > 0 || run_.running) return;
  if (index == -2) {  // a drive button: the CD-ROM ones have their own help
    POINT p;
    ::GetCursorPos(&p);
    HWND under = ::WindowFromPoint(p);
    int id = ::GetDlgCtrlID(under) - kIdDriveFirst;
    index = id >= 0 && id < 26 && env_.DriveTypes[id] == DriveType::CdRom ? help::kCdRom : help::kDrives;
  }
  if (index < 0) return;
  ShowConsole();
  for (const std::wstring& line : mouseHelp_.Enter(index)) AppendConsole(line);
}

// --- folders and files ------------------------------------------------------------

void MainWindow::SelectDrive(wchar_t letter) {
  const std::wstring root{letter, L':', L'\\'};
  if (!FolderExists(machine_.fs, root)) {
    Ask(std::wstring(L"ドライブ ") + letter + L": を読み取れません||ディスクが入っているか確かめて下さい",
        mb::kOk | mb::kIconExclamation, L"");
    return;
  }
  ChangeFolder(root);
}

void MainWindow::ChangeFolder(const std::wstring& folder) {
  std::wstring f = folder;
  if (f.size() == 2 && f[1] == L':') f += L'\\';
  if (f.size() > 3 && f.back() == L'\\') f.pop_back();
  folder_ = f;
  ::SetWindowTextW(c_->folderDisplay, folder_.c_str());
  FolderListing listing = ListFolder(machine_.fs, folder_, L".*");
  folders_ = listing.folders;
  ::SendMessageW(c_->grid, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(c_->grid, LB_RESETCONTENT, 0, 0);
  if (folder_.size() > 3) ::SendMessageW(c_->grid, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L".."));
  for (const std::wstring& name : folders_) ::SendMessageW(c_->grid, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageW(c_->grid, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(c_->grid, nullptr, TRUE);
  for (HWND d : c_->drives) {
    if (d) ::InvalidateRect(d, nullptr, FALSE);
  }
  RefreshFileList();
}

void MainWindow::RefreshFileList() {
  std::wstring dos = settings_.GetOption(L"DOS", L"NO");
  FolderListing listing = ListFolder(machine_.fs, folder_, FilterExtensions(filter_, dos));
  files_ = std::move(listing.files);
  ::SendMessageW(c_->files, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(c_->files, LB_RESETCONTENT, 0, 0);
  for (const FileEntry& f : files_) ::SendMessageW(c_->files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.name.c_str()));
  ::SendMessageW(c_->files, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(c_->files, nullptr, TRUE);
  EnableActions();
}

void MainWindow::SelectFilter(int filter) {
  filter_ = filter;
  ShowConsole();
  if (loaded_) RefreshFileList();
  for (HWND p : c_->panel) ::InvalidateRect(p, nullptr, FALSE);
  ::SetFocus(c_->files);
}

void MainWindow::OnFolderActivated() {
  LRESULT index = ::SendMessageW(c_->grid, LB_GETCURSEL, 0, 0);
  if (index < 0) return;
  const std::wstring name = ListItemText(c_->grid, static_cast<int>(index));
  if (name == L"..") ChangeFolder(ParentFolder(folder_));
  else ChangeFolder(JoinPath(folder_, name));
}

std::wstring MainWindow::SelectedPath() const {
  LRESULT index = ::SendMessageW(c_->files, LB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= files_.size()) return std::wstring();
  return JoinPath(folder_, files_[static_cast<size_t>(index)].name);
}

void MainWindow::OnFileSelected() {
  LRESULT index = ::SendMessageW(c_->files, LB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= files_.size()) return;
  const FileEntry& entry = files_[static_cast<size_t>(index)];
  const std::wstring path = JoinPath(folder_, entry.name);
  SelectedFile file;
  file.name = entry.name;
  file.size = entry.size;
  file.modified = LocalTimeOf(entry.lastWrite);
  const wchar_t drive = folder_.empty() ? L'C' : UpperChar(folder_[0]);
  file.onCdRom = drive >= L'A' && drive <= L'Z' && env_.DriveTypes[drive - L'A'] == DriveType::CdRom;
  const std::wstring ext = UpperExtension(entry.name);
  file.hasLibrary = ext == L"ZIP" ? env_.HasUnzip : env_.HasUnlha;
  file.executableKind = ext == L"EXE" ? ExecutableKindOf(path) : -1;
  file.dosProgramsRun = sizeof(void*) == 4;  // 64-bit Windows runs no MS-DOS program
  std::vector<std::wstring> lines = SelectionLines(file);
  // A program tested before says so, before the line about the test button.
  if (ext == L"EXE" || ext == L"COM" || ext == L"BAT" || ext == L"PIF" || ext == L"SCR") {
    const std::wstring history = TestHistoryLine(machine_.machine, env_, path);
    if (!history.empty()) {
      auto at = lines.end();
      if (!lines.empty() && lines.back().rfind(L"テスト・ボタンを押すと、", 0) == 0) --at;
      lines.insert(at, history);
    }
  }
  ShowConsole();
  for (const std::wstring& line : lines) AppendConsole(line);
  if (ext == L"BMP" || ext == L"JPG" || ext == L"JPEG" || ext == L"JEPG" || ext == L"GIF") ShowPicture(path);
  EnableActions();
}

void MainWindow::ShowConsole() {
  if (::IsWindowVisible(c_->picture)) {
    ::ShowWindow(c_->picture, SW_HIDE);
    ::ShowWindow(c_->console, SW_SHOW);
  }
}

void MainWindow::ShowPicture(const std::wstring& path) {
  win32::Bitmap bitmap = LoadPictureFile(machine_.fs, path);
  if (!bitmap) return;
  picture_ = std::move(bitmap);
  ::ShowWindow(c_->console, SW_HIDE);
  ::ShowWindow(c_->picture, SW_SHOW);
  ::InvalidateRect(c_->picture, nullptr, TRUE);
}

void MainWindow::DrawPicture(HDC dc, const RECT& r) {
  {
    const win32::Brush back(::CreateSolidBrush(RGB(64, 64, 64)));
    ::FillRect(dc, &r, back.Get());
  }
  if (!picture_) return;
  BITMAP bm;
  ::GetObjectW(picture_.Get(), sizeof bm, &bm);
  const win32::MemoryDc mem(::CreateCompatibleDC(dc));
  const win32::SelectGuard withPicture(mem.Get(), picture_.Get());
  // At its own size when it fits, otherwise scaled down to fit.
  int w = bm.bmWidth, h = bm.bmHeight;
  const int maxW = r.right - r.left, maxH = r.bottom - r.top;
  if (w > maxW || h > maxH) {
    double scale = std::min(static_cast<double>(maxW) / w, static_cast<double>(maxH) / h);
    w = static_cast<int>(w * scale);
    h = static_cast<int>(h * scale);
  }
  ::SetStretchBltMode(dc, HALFTONE);
  ::StretchBlt(dc, r.left + (maxW - w) / 2, r.top + (maxH - h) / 2, w, h, mem.Get(), 0, 0, bm.bmWidth, bm.bmHeight,
               SRCCOPY);
}

// --- the favourite folder, copying, the viewers -------------------------------------

void MainWindow::FavouriteFolder() {
  if (env_.DownLoad.empty()) {
    Ask(std::wstring(L"よく使うフォルダーを一発で選択するボタンです||このボタンを") + markup::kDarkRed + L"右クリック" +
            markup::kBlack + L"すると、現在表示中のフォルダーに設定変更できます",
        mb::kOk | mb::kIconInformation, L"");
    return;
  }
  if (!FolderExists(machine_.fs, env_.DownLoad)) {
    Ask(L"フォルダー『" + env_.DownLoad + L"』が見つかりません", mb::kOk | mb::kIconExclamation, L"");
    return;
  }
  ChangeFolder(env_.DownLoad);
}

void MainWindow::SetFavouriteFolder() {
  if (folder_.empty()) return;
  int answer = Ask(FavouriteFolderQuestion(folder_), mb::kOkCancel | mb::kIconQuestion, L"");
  if (answer != mb::kResultOk) return;
  env_.DownLoad = folder_;
  settings_.SetOption(L"DownLoad", folder_);
}

void MainWindow::CopySelectedFile() {
  const std::wstring path = SelectedPath();
  if (path.empty()) {
    Ask(L"コピーするファイルを選択して下さい", mb::kOk | mb::kIconInformation, L"");
    return;
  }
  Action action(*this);
  if (!action) return;
  // The chooser opens where the last copy went.
  std::wstring dest = Trim(ChooseFolder(window_, machine_.fs, saveDirs_[0].empty() ? folder_ : saveDirs_[0], L"保存先の選択"));
  if (dest.size() > 3 && dest.back() == L'\\') dest.pop_back();
  if (!dest.empty()) {
    // A typed relative path would land wherever the process's current folder is.
    if (!IsFullPath(dest) || !FolderExists(machine_.fs, dest)) {
      Ask(L"フォルダー『" + dest + L"』は存在しません", mb::kOk | mb::kIconExclamation, L"");
    } else {
      const std::wstring target = JoinPath(dest, LastComponent(path));
      bool go = !FileExists(machine_.fs, target) ||
                Ask(L"『" + target + L"』は既に存在します||上書きしていいですか？",
                    mb::kYesNo | mb::kIconQuestion | mb::kDefault2, L"") == mb::kResultYes;
      if (go) {
        const bool copied = CopyFileChecked(machine_.machine, *this, path, target);
        ShowConsole();
        AppendConsole(copied ? L"●『" + LastComponent(path) + L"』を『" + dest + L"』へコピーしました"
                             : L"●『" + LastComponent(path) + L"』をコピーできません");
        if (copied) RememberSaveDir(dest);
      }
    }
  }
}

void MainWindow::RememberSaveDir(const std::wstring& dest) {
  std::array<std::wstring, 3> next{dest, L"", L""};
  int n = 1;
  for (const std::wstring& d : saveDirs_) {
    if (n < 3 && !d.empty() && !EqualsNoCase(d, dest)) next[n++] = d;
  }
  if (next != saveDirs_) {
    saveDirs_ = next;
    saveDirsChanged_ = true;
  }
}

void MainWindow::OpenTextViewer() {
  const std::wstring path = SelectedPath();
  if (!docForm_) docForm_ = std::make_unique<DocForm>(machine_.fs);
  docForm_->Show(window_, path);
}

void MainWindow::OpenHelp() {
  const std::wstring chm = env_.ProgramDir + L"\\Zel.chm";
  if (machine_.desktop.ShellOpen(chm, env_.ProgramDir) <= 32) {
    Ask(L"ヘルプ・ファイル『" + chm + L"』を開けません", mb::kOk | mb::kIconExclamation, L"");
  }
}

void MainWindow::OpenOptions() {
  Action action(*this);
  if (!action) return;
  OptionFormContext ctx{
      .settings = settings_,
      .running = options_,
      .env = env_,
      .machine = machine_.machine,
      .testPending = TestPending(session_.Stage()),
      .previewBackColour = [this](std::int32_t colour) { SetBackColour(colour); },
      .applied =
          [this](const AppliedOptions& applied) {
            if (applied.backColorChanged) SetBackColour(options_.ZelBackColor4);
            if (applied.consoleSchemeChanged) SetConsoleScheme(options_.ZelConColType);
          },
  };
  ShowOptionForm(window_, ctx);
}

// --- menus and drops --------------------------------------------------------------

void MainWindow::OnDrop(HDROP drop) {
  // The first file, at its real length.
  std::wstring file(::DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
  file.resize(::DragQueryFileW(drop, 0, file.data(), static_cast<UINT>(file.size())));
  ::DragFinish(drop);
  if (file.empty()) return;
  const DropAction action = RouteDrop(LastComponent(file), busy_ == 0 && !run_.running && loaded_);
  if (action == DropAction::Ignore) return;
  if (action == DropAction::Refuse) {
    Beep();
    return;
  }
  // The dropped file becomes the selected one, then goes on as its kind asks.
  ChangeFolder(ParentFolder(file));
  for (size_t i = 0; i < files_.size(); ++i) {
    if (EqualsNoCase(files_[i].name, LastComponent(file))) {
      ::SendMessageW(c_->files, LB_SETCURSEL, i, 0);
      OnFileSelected();
      break;
    }
  }
  if (SelectedPath().empty()) {
    SelectFilter(kFilterAll);
    for (size_t i = 0; i < files_.size(); ++i) {
      if (EqualsNoCase(files_[i].name, LastComponent(file))) {
        ::SendMessageW(c_->files, LB_SETCURSEL, i, 0);
        OnFileSelected();
      }
    }
  }
  if (action == DropAction::Extract) Extract(false);
  else StartTest();
}

}  // namespace zel::ui
