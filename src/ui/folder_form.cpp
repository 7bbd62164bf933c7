#include "ui/folder_form.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "base/path.h"
#include "base/text.h"
#include "ui/control_ids.h"
#include "ui/form.h"
#include "ui/message_box.h"

namespace zel::ui {
namespace {

constexpr wchar_t kCaption[] = L"フォルダーの選択";
// Posted to the form, so that a drive or folder opens (and may ask) after the
// control that asked for it has finished its own handling.
constexpr UINT kChangeDrive = WM_APP + 20;
constexpr UINT kOpenEntry = WM_APP + 21;
constexpr UINT_PTR kSubclassId = 1;

struct Form {
  explicit Form(FileSystem& files) : fs(files) {}
  FileSystem& fs;
  HWND window = nullptr;
  HWND drives = nullptr;   // DRVBOX
  HWND folders = nullptr;  // DIRBOX
  HWND line = nullptr;     // DIRLIN
  HWND ok = nullptr;       // OKBTN
  HWND cancel = nullptr;   // CANBTN
  win32::Font font;
  int itemHeight = 18;
  std::wstring path;  // the folder list's path
  std::vector<FolderLine> entries;
  std::vector<wchar_t> driveLetters;  // by drive-list index
  int lastDrive = -1;                 // the last drive that opened
  bool dropped = false;               // the drive list's drop-down is open
  int pendingDrive = -1;              // the drive asked for, posted once
  bool mouseDown = false;             // a click in the folder list is under way
  bool keyMoving = false;             // the keyboard moves the folder list's highlight
  int result = 0;
};

// The subfolders of a folder; none when it cannot be read (a drive without a
// medium among others). The platform's "insert a disk" box is kept from
// showing.
std::optional<std::vector<std::wstring>> SubfoldersOf(Form& f, const std::wstring& folder) {
  const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::optional<std::vector<std::wstring>> names = ListSubfolders(f.fs, folder);
  ::SetErrorMode(oldMode);
  return names;
}

int Tell(Form& f, const std::wstring& text) { return MsgBoxEx(text, MB_OK | MB_ICONEXCLAMATION, L"", f.window); }

void SelectDriveOf(Form& f, const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return;
  const wchar_t letter = UpperChar(path[0]);
  for (size_t i = 0; i < f.driveLetters.size(); ++i) {
    if (f.driveLetters[i] == letter) {
      f.lastDrive = static_cast<int>(i);
      ::SendMessageW(f.drives, CB_SETCURSEL, i, 0);
      return;
    }
  }
}

// Makes path the folder list's path: the list shows it with its parents and
// its subfolders, and the path line takes it. False (nothing changes) when
// the folder cannot be read. The process's current folder is left alone: a
// current folder is held open by the system, and a folder merely looked at
// here must stay free to be deleted, renamed or washed.
bool SetPath(Form& f, const std::wstring& wanted) {
  const std::wstring path = NormalizedFolder(wanted);
  if (!IsFullPath(path)) return false;
  std::optional<std::vector<std::wstring>> subfolders = SubfoldersOf(f, path);
  if (!subfolders) return false;
  std::vector<FolderLine> entries = FolderListLines(path, *subfolders);
  const int current = static_cast<int>(entries.size() - subfolders->size()) - 1;

  f.entries = std::move(entries);
  f.path = path;
  ::SendMessageW(f.folders, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(f.folders, LB_RESETCONTENT, 0, 0);
  for (const FolderLine& e : f.entries) {
    ::SendMessageW(f.folders, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.name.c_str()));
  }
  ::SendMessageW(f.folders, LB_SETCURSEL, current, 0);
  ::SendMessageW(f.folders, LB_SETTOPINDEX, std::max(0, current - 2), 0);
  ::SendMessageW(f.folders, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(f.folders, nullptr, TRUE);
  ::SetWindowTextW(f.line, path.c_str());
  SelectDriveOf(f, path);
  return true;
}

void OpenEntry(Form& f, int index) {
  if (index < 0 || index >= static_cast<int>(f.entries.size())) return;
  const std::wstring target = f.entries[static_cast<size_t>(index)].path;
  if (EqualsNoCase(target, f.path)) return;
  if (!SetPath(f, target)) {
    for (size_t i = 0; i < f.entries.size(); ++i) {
      if (EqualsNoCase(f.entries[i].path, f.path)) ::SendMessageW(f.folders, LB_SETCURSEL, i, 0);
    }
    Tell(f, L"フォルダー『" + target + L"』を開けません");
  }
}

// Opens the root of the drive at index. A drive that cannot be read (no
// medium, not ready) leaves the list on the drive that was open.
void ChangeDrive(Form& f, int index) {
  if (index < 0 || index >= static_cast<int>(f.driveLetters.size())) return;
  const wchar_t letter = f.driveLetters[static_cast<size_t>(index)];
  if (index == f.lastDrive && f.path.size() >= 2 && UpperChar(f.path[0]) == letter) return;
  const std::wstring root = std::wstring(1, letter) + L":\\";
  if (SetPath(f, root)) {
    f.lastDrive = index;
    return;
  }
  ::SendMessageW(f.drives, CB_SETCURSEL, f.lastDrive, 0);
  Tell(f, L"ドライブ " + std::wstring(1, letter) + L": を読み込めません||ディスクが入っているか、確かめて下さい");
  ::SetFocus(f.drives);
}

// The label of a volume; empty when it has none or cannot be read. The
// platform asks for room for its longest name and has no way to tell the
// length first.
std::wstring VolumeLabel(const std::wstring& root) {
  std::wstring label(MAX_PATH + 1, L'\0');
  if (!::GetVolumeInformationW(root.c_str(), label.data(), static_cast<DWORD>(label.size()), nullptr, nullptr, nullptr,
                               nullptr, 0)) {
    return std::wstring();
  }
  label.resize(label.find(L'\0'));
  return label;
}

// The drive list: every drive the system knows, "c: [ラベル]" for hard disks
// (removable media are not touched while the list is made).
void FillDrives(Form& f) {
  const DWORD mask = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    const wchar_t letter = static_cast<wchar_t>(L'A' + i);
    const std::wstring root = std::wstring(1, letter) + L":\\";
    const UINT type = ::GetDriveTypeW(root.c_str());
    if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) continue;
    std::wstring text = std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L":";
    if (type == DRIVE_FIXED) {
      const std::wstring label = VolumeLabel(root);
      if (!label.empty()) text += L" [" + label + L"]";
    }
    ::SendMessageW(f.drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    f.driveLetters.push_back(letter);
  }
}

// The folder picture of the list: a tab and a body, filled for the open
// folders (the path and its parents).
void DrawFolderIcon(const Canvas& c, bool open) {
  const win32::Pen pen(::CreatePen(PS_SOLID, Scale(1), RGB(128, 96, 0)));
  const win32::Brush brush(::CreateSolidBrush(open ? RGB(255, 224, 96) : RGB(240, 200, 80)));
  const win32::SelectGuard withPen(c.dc, pen.Get()), withBrush(c.dc, brush.Get());
  ::Rectangle(c.dc, c.X(0), c.Y(0), c.X(6), c.Y(3));
  ::Rectangle(c.dc, c.X(0), c.Y(2), c.X(15), c.Y(12));
  if (open) {
    ::MoveToEx(c.dc, c.X(2), c.Y(11), nullptr);
    ::LineTo(c.dc, c.X(5), c.Y(5));
    ::LineTo(c.dc, c.X(15), c.Y(5));
  }
}

void DrawEntry(Form& f, const DRAWITEMSTRUCT& d) {
  if (d.itemID == static_cast<UINT>(-1) || d.itemID >= f.entries.size()) return;
  const FolderLine& e = f.entries[d.itemID];
  const bool selected = (d.itemState & ODS_SELECTED) != 0;
  ::FillRect(d.hDC, &d.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
  const int x = static_cast<int>(d.rcItem.left) + Scale(3 + e.level * 12);
  const int height = d.rcItem.bottom - d.rcItem.top;
  DrawFolderIcon({d.hDC, x, d.rcItem.top + (height - Scale(12)) / 2}, e.open);
  const win32::SelectGuard withFont(d.hDC, f.font.Get());
  SIZE size = MeasureText(d.hDC, f.font.Get(), e.name);
  RECT text = {x + Scale(19), d.rcItem.top, x + Scale(19) + size.cx + Scale(4), d.rcItem.bottom};
  if (selected) ::FillRect(d.hDC, &text, ::GetSysColorBrush(COLOR_HIGHLIGHT));
  ::SetBkMode(d.hDC, TRANSPARENT);
  ::SetTextColor(d.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ::TextOutW(d.hDC, text.left + 2, d.rcItem.top + (height - size.cy) / 2, e.name.c_str(),
             static_cast<int>(e.name.size()));
  if (d.itemState & ODS_FOCUS) ::DrawFocusRect(d.hDC, &text);
}

// A click in the drop-down can report its choice twice (the end of the
// selection and the change): the drive opens once, so that a drive without a
// medium says so once.
void PostChangeDrive(Form& f, LRESULT index) {
  if (index < 0) return;
  const bool posted = f.pendingDrive >= 0;
  f.pendingDrive = static_cast<int>(index);
  if (!posted) ::PostMessageW(f.window, kChangeDrive, 0, 0);
}

bool DroppedDown(const Form& f) {
  return f.dropped || ::SendMessageW(f.drives, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

// Alt with D or F moves to the drive list or the folder list.
bool AltJump(Form& f, WPARAM vk) {
  if (vk == 'D') ::SetFocus(f.drives);
  else if (vk == 'F') ::SetFocus(f.folders);
  else return false;
  return true;
}

LRESULT CALLBACK ControlProc(HWND control, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  Form& f = *reinterpret_cast<Form*>(data);
  switch (msg) {
    case WM_SYSKEYDOWN:
      if (AltJump(f, wp)) return 0;
      break;
    case WM_SYSCHAR:
      if (wp == 'd' || wp == 'D' || wp == 'f' || wp == 'F') return 0;  // no menu to look for
      break;
    case WM_CHAR:
      if (wp == L'\r' || wp == 0x1B || wp == L'\t') return 0;  // handled as keys
      break;
  }
  if (msg == WM_KEYDOWN && wp == VK_TAB) {
    HWND next = ::GetNextDlgTabItem(f.window, control, ::GetKeyState(VK_SHIFT) < 0);
    if (next) ::SetFocus(next);
    return 0;
  }

  if (control == f.line && msg == WM_KEYDOWN && wp == VK_RETURN) {
    ::SetFocus(f.ok);
    return 0;
  }

  if (control == f.drives && msg == WM_KEYDOWN) {
    const bool dropped = DroppedDown(f);
    if ((wp == VK_UP || wp == VK_DOWN) && !dropped) {
      ::SendMessageW(f.drives, CB_SHOWDROPDOWN, TRUE, 0);
      return 0;
    }
    if (wp == VK_RETURN) {
      const LRESULT highlighted = ::SendMessageW(f.drives, CB_GETCURSEL, 0, 0);
      if (dropped) ::SendMessageW(f.drives, CB_SHOWDROPDOWN, FALSE, 0);
      PostChangeDrive(f, highlighted);
      return 0;
    }
    if (wp == VK_ESCAPE) {
      if (dropped) ::SendMessageW(f.drives, CB_SHOWDROPDOWN, FALSE, 0);
      ::SendMessageW(f.drives, CB_SETCURSEL, f.lastDrive, 0);
      return 0;
    }
  }

  if (control == f.folders) {
    switch (msg) {
      case WM_KEYDOWN:
        if (wp == VK_RETURN) {
          ::PostMessageW(f.window, kOpenEntry, ::SendMessageW(f.folders, LB_GETCURSEL, 0, 0), 0);
          return 0;
        }
        [[fallthrough]];
      case WM_CHAR: {
        // Moving the highlight is not opening.
        f.keyMoving = true;
        LRESULT r = ::DefSubclassProc(control, msg, wp, lp);
        f.keyMoving = false;
        return r;
      }
      case WM_LBUTTONDOWN:
        f.mouseDown = true;
        break;
      case WM_LBUTTONDBLCLK:
        // The first click opened the folder: the second one would open
        // whatever now lies under the pointer.
        return 0;
      case WM_LBUTTONUP: {
        LRESULT r = ::DefSubclassProc(control, msg, wp, lp);
        if (f.mouseDown) {
          f.mouseDown = false;
          const LRESULT hit = ::SendMessageW(f.folders, LB_ITEMFROMPOINT, 0, lp);
          if (HIWORD(hit) == 0) ::PostMessageW(f.window, kOpenEntry, LOWORD(hit), 0);
        }
        return r;
      }
    }
  }
  return ::DefSubclassProc(control, msg, wp, lp);
}

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* f = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!f) return ::DefWindowProcW(window, msg, wp, lp);
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const int code = HIWORD(wp);
      if (id == IDOK && code == BN_CLICKED) f->result = 1;
      else if (id == IDCANCEL && code == BN_CLICKED) f->result = 2;
      else if (id == kIdFolderDrives) {
        const LRESULT selected = ::SendMessageW(f->drives, CB_GETCURSEL, 0, 0);
        if (code == CBN_DROPDOWN) f->dropped = true;
        else if (code == CBN_CLOSEUP) f->dropped = false;
        else if (code == CBN_SELENDOK) PostChangeDrive(*f, selected);
        else if (code == CBN_SELENDCANCEL) ::SendMessageW(f->drives, CB_SETCURSEL, f->lastDrive, 0);
        else if (code == CBN_SELCHANGE && !DroppedDown(*f)) PostChangeDrive(*f, selected);
      } else if (id == kIdFolderTree) {
        const LRESULT selected = ::SendMessageW(f->folders, LB_GETCURSEL, 0, 0);
        if ((code == LBN_SELCHANGE && !f->mouseDown && !f->keyMoving) || code == LBN_DBLCLK) {
          ::PostMessageW(window, kOpenEntry, static_cast<WPARAM>(selected), 0);
        }
      }
      return 0;
    }
    case kChangeDrive: {
      const int index = f->pendingDrive;
      f->pendingDrive = -1;
      ChangeDrive(*f, index);
      return 0;
    }
    case kOpenEntry:
      OpenEntry(*f, static_cast<int>(wp));
      return 0;
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      m->itemHeight = static_cast<UINT>(f->itemHeight);
      return TRUE;
    }
    case WM_DRAWITEM:
      DrawEntry(*f, *reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      if (msg == WM_KEYDOWN && wp == VK_ESCAPE && DroppedDown(*f)) {
        ::SendMessageW(f->drives, CB_SHOWDROPDOWN, FALSE, 0);
        ::SendMessageW(f->drives, CB_SETCURSEL, f->lastDrive, 0);
        return 0;
      }
      // Any other key that reaches the form itself goes to the control that
      // has the focus, as the keyboard would have sent it.
      HWND focus = ::GetFocus();
      if (focus && focus != window && ::IsChild(window, focus)) return ::SendMessageW(focus, msg, wp, lp);
      if (msg == WM_SYSKEYDOWN && AltJump(*f, wp)) return 0;
      break;
    }
    case WM_SYSCHAR:
      if (wp == 'd' || wp == 'D' || wp == 'f' || wp == 'F') return 0;
      break;
    case WM_CLOSE:
      f->result = 2;
      return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

HWND Add(Form& f, const ControlSetup& setup) { return AddControl(f.window, f.font.Get(), setup, Units::Pixels); }

// The current folder of the process, however long.
std::wstring CurrentFolder() {
  const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return std::wstring();
  std::wstring folder(size, L'\0');
  const DWORD got = ::GetCurrentDirectoryW(size, folder.data());
  folder.resize(got < size ? got : 0);
  return folder;
}

void OpenFirst(Form& f, std::wstring_view initial) {
  std::vector<std::wstring> fixedRoots;
  for (wchar_t letter : f.driveLetters) {
    const std::wstring root = std::wstring(1, letter) + L":\\";
    if (::GetDriveTypeW(root.c_str()) == DRIVE_FIXED) fixedRoots.push_back(root);
  }
  OpenFirstFolder(initial, CurrentFolder(), fixedRoots, [&f](const std::wstring& path) { return SetPath(f, path); });
}

}  // namespace

std::wstring ChooseFolder(HWND owner, FileSystem& fs, std::wstring_view initial, std::wstring_view title) {
  auto form = std::make_unique<Form>(fs);
  Form& f = *form;
  const std::wstring caption = title.empty() ? std::wstring(kCaption) : std::wstring(title);
  f.font = CreateUiFont(false);
  const win32::Window window =
      CreateForm({.cls = {kFolderFormClass, FormProc}, .title = caption.c_str(), .owner = owner, .state = form.get()});
  if (!window) return std::wstring();
  f.window = window.Get();
  int textH = 0;
  {
    win32::WindowDc dc(f.window);
    textH = MeasureText(dc.Get(), f.font.Get(), L"Aあ").cy;
  }
  f.itemHeight = std::max<int>(Scale(18), textH + Scale(4));

  // The path line on top, the folder list with OK and Cancel beside it, the
  // drive list at the bottom.
  const int margin = Scale(10), listW = Scale(260), buttonW = Scale(88), buttonH = Scale(26), gap = Scale(8);
  const int lineH = std::max(Scale(22), textH + Scale(6)), labelH = std::max(Scale(16), textH);
  const int listH = f.itemHeight * 11 + Scale(4);
  const int clientW = margin + listW + margin + buttonW + margin;
  int y = margin;
  f.line = Add(f, {L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, kIdFolderLine, margin, y, clientW - 2 * margin, lineH,
                   WS_EX_CLIENTEDGE});
  y += lineH + gap;
  Add(f, {L"STATIC", L"ﾌｫﾙﾀﾞｰ (&F)", 0, kIdFolderTreeLabel, margin, y, listW, labelH});
  y += labelH + Scale(2);
  const int listTop = y;
  f.folders = Add(f, {L"LISTBOX", L"",
                      WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                      kIdFolderTree, margin, y, listW, listH, WS_EX_CLIENTEDGE});
  f.ok = Add(f, {L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, margin + listW + margin, listTop, buttonW,
                 buttonH});
  f.cancel = Add(f, {L"BUTTON", L"キャンセル", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, margin + listW + margin,
                     listTop + buttonH + gap, buttonW, buttonH});
  y += listH + gap;
  Add(f, {L"STATIC", L"ﾄﾞﾗｲﾌﾞ (&D)", 0, kIdFolderDrivesLabel, margin, y, listW, labelH});
  y += labelH + Scale(2);
  f.drives = Add(f, {L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdFolderDrives, margin, y, listW,
                     Scale(240)});
  RECT comboRect;
  ::GetWindowRect(f.drives, &comboRect);
  y += (comboRect.bottom - comboRect.top) + margin;
  const int clientH = y;

  for (HWND control : {f.line, f.folders, f.drives, f.ok, f.cancel}) {
    ::SetWindowSubclass(control, ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(form.get()));
  }
  FillDrives(f);
  OpenFirst(f, initial);

  PlaceForm(f.window, owner, clientW, clientH);
  ::ShowWindow(f.window, SW_SHOW);
  ::SetFocus(f.line);
  ::SendMessageW(f.line, EM_SETSEL, 0, -1);

  const int answer = RunModal(f.window, owner, &f.result, [&f](UINT vk) {
    if (vk == VK_ESCAPE) return DroppedDown(f) ? 0 : 2;  // an open drop-down closes first
    if (vk == VK_RETURN) {
      HWND focus = ::GetFocus();
      if (focus == f.ok) return 1;
      if (focus == f.cancel) return 2;
    }
    return 0;
  });
  const std::wstring result = answer == 1 ? WindowText(f.line) : std::wstring();
  for (HWND control : {f.line, f.folders, f.drives, f.ok, f.cancel}) {
    ::RemoveWindowSubclass(control, ControlProc, kSubclassId);
  }
  return result;
}

}  // namespace zel::ui
