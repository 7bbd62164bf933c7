#include "ui/folder_form.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "base/path.h"
#include "base/text.h"
#include "platform/win32/win32_machine.h"
#include "ui/control_ids.h"
#include "ui/message_box.h"
#include "ui/modal.h"

namespace zel::ui {
namespace {

constexpr wchar_t kCaption[] = L"フォルダーの選択";
// Posted to the form, so that a drive or folder opens (and may ask) after the
// control that asked for it has finished its own handling.
constexpr UINT kChangeDrive = WM_APP + 20;
constexpr UINT kOpenEntry = WM_APP + 21;
constexpr UINT_PTR kSubclassId = 1;

// One line of the folder list: the root and each folder down to the list's
// path (open), then the subfolders of that path.
struct FolderEntry {
  std::wstring path;
  std::wstring name;
  int level = 0;
  bool open = false;
};

struct Form {
  HWND window = nullptr;
  HWND drives = nullptr;   // DRVBOX
  HWND folders = nullptr;  // DIRBOX
  HWND line = nullptr;     // DIRLIN
  HWND ok = nullptr;       // OKBTN
  HWND cancel = nullptr;   // CANBTN
  HFONT font = nullptr;
  int itemHeight = 18;
  std::wstring path;  // the folder list's path
  std::vector<FolderEntry> entries;
  std::vector<wchar_t> driveLetters;  // by drive-list index
  int lastDrive = -1;                 // the last drive that opened
  bool dropped = false;               // the drive list's drop-down is open
  int pendingDrive = -1;              // the drive asked for, posted once
  bool mouseDown = false;             // a click in the folder list is under way
  bool keyMoving = false;             // the keyboard moves the folder list's highlight
  int result = 0;
  ~Form() {
    if (font) ::DeleteObject(font);
  }
};

// "C:\a\b\" -> "C:\a\b", "C:" -> "C:\"; a root keeps its "\".
std::wstring Normalized(std::wstring path) {
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

// The length of the root of a path: "C:\" (3) or "\\server\share" (up to the
// share's name); 0 for a relative path.
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return 3;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\') {
    size_t server = path.find(L'\\', 2);
    if (server == std::wstring::npos) return 0;
    size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
  }
  return 0;
}

// The subfolders of a folder, sorted case-blind; none when the folder cannot
// be read (a drive without a medium among others). The platform's "insert a
// disk" box is kept from showing.
std::optional<std::vector<std::wstring>> SubfoldersOf(const std::wstring& folder) {
  const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  win32::Win32FileSystem fs;
  std::vector<std::wstring> names;
  FsError error = fs.Enumerate(JoinPath(folder, L"*"), [&names](const FileEntry& e) {
    if (e.IsFolder() && e.name != L"." && e.name != L"..") names.push_back(e.name);
  });
  ::SetErrorMode(oldMode);
  if (error != FsError::None && error != FsError::NotFound) return std::nullopt;
  std::sort(names.begin(), names.end(),
            [](const std::wstring& a, const std::wstring& b) { return ToUpper(a) < ToUpper(b); });
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
  const std::wstring path = Normalized(wanted);
  const size_t rootLength = RootLength(path);
  if (rootLength == 0) return false;
  std::optional<std::vector<std::wstring>> subfolders = SubfoldersOf(path);
  if (!subfolders) return false;

  std::vector<FolderEntry> entries;
  entries.push_back({path.substr(0, rootLength), path.substr(0, rootLength), 0, true});
  int level = 0;
  for (size_t start = rootLength; start < path.size();) {
    if (path[start] == L'\\') {
      ++start;
      continue;
    }
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    entries.push_back({path.substr(0, end), path.substr(start, end - start), ++level, true});
    start = end;
  }
  const int current = static_cast<int>(entries.size()) - 1;
  for (const std::wstring& name : *subfolders) entries.push_back({JoinPath(path, name), name, level + 1, false});

  f.entries = std::move(entries);
  f.path = path;
  ::SendMessageW(f.folders, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(f.folders, LB_RESETCONTENT, 0, 0);
  for (const FolderEntry& e : f.entries) {
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
      wchar_t label[MAX_PATH + 1] = {};
      if (::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
          label[0]) {
        text += L" [" + std::wstring(label) + L"]";
      }
    }
    ::SendMessageW(f.drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    f.driveLetters.push_back(letter);
  }
}

// The folder picture of the list: a tab and a body, filled for the open
// folders (the path and its parents).
void DrawFolderIcon(HDC dc, int x, int y, bool open) {
  HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(128, 96, 0));
  HBRUSH brush = ::CreateSolidBrush(open ? RGB(255, 224, 96) : RGB(240, 200, 80));
  HGDIOBJ oldPen = ::SelectObject(dc, pen);
  HGDIOBJ oldBrush = ::SelectObject(dc, brush);
  ::Rectangle(dc, x, y, x + 6, y + 3);
  ::Rectangle(dc, x, y + 2, x + 15, y + 12);
  if (open) {
    ::MoveToEx(dc, x + 2, y + 11, nullptr);
    ::LineTo(dc, x + 5, y + 5);
    ::LineTo(dc, x + 15, y + 5);
  }
  ::SelectObject(dc, oldPen);
  ::SelectObject(dc, oldBrush);
  ::DeleteObject(pen);
  ::DeleteObject(brush);
}

void DrawEntry(Form& f, const DRAWITEMSTRUCT& d) {
  if (d.itemID == static_cast<UINT>(-1) || d.itemID >= f.entries.size()) return;
  const FolderEntry& e = f.entries[d.itemID];
  const bool selected = (d.itemState & ODS_SELECTED) != 0;
  ::FillRect(d.hDC, &d.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
  const int x = static_cast<int>(d.rcItem.left) + 3 + e.level * 12;
  const int height = d.rcItem.bottom - d.rcItem.top;
  DrawFolderIcon(d.hDC, x, d.rcItem.top + (height - 12) / 2, e.open);
  HGDIOBJ oldFont = ::SelectObject(d.hDC, f.font);
  SIZE size = MeasureText(d.hDC, f.font, e.name);
  RECT text = {x + 19, d.rcItem.top, x + 19 + size.cx + 4, d.rcItem.bottom};
  if (selected) ::FillRect(d.hDC, &text, ::GetSysColorBrush(COLOR_HIGHLIGHT));
  ::SetBkMode(d.hDC, TRANSPARENT);
  ::SetTextColor(d.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ::TextOutW(d.hDC, text.left + 2, d.rcItem.top + (height - size.cy) / 2, e.name.c_str(),
             static_cast<int>(e.name.size()));
  if (d.itemState & ODS_FOCUS) ::DrawFocusRect(d.hDC, &text);
  ::SelectObject(d.hDC, oldFont);
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

bool RegisterFormClass() {
  WNDCLASSEXW wc = {};
  if (::GetClassInfoExW(::GetModuleHandleW(nullptr), kFolderFormClass, &wc)) return true;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = FormProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFolderFormClass;
  return ::RegisterClassExW(&wc) != 0;
}

HWND Add(Form& f, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w, int h,
         DWORD exStyle = 0) {
  HWND child = ::CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, f.window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(f.font), FALSE);
  return child;
}

// The first folder that opens: the wanted one, else its nearest parent that
// can be read, else the current folder, else the first drive that answers.
void OpenFirst(Form& f, std::wstring_view initial) {
  std::wstring candidate = Normalized(Trim(initial));
  while (!candidate.empty() && RootLength(candidate) > 0) {
    if (SetPath(f, candidate)) return;
    const std::wstring parent = ParentFolder(candidate);
    if (parent.empty() || parent.size() + 1 >= candidate.size()) break;
    candidate = Normalized(parent.size() == 2 && parent[1] == L':' ? parent + L"\\" : parent);
  }
  wchar_t current[MAX_PATH + 1] = {};
  if (::GetCurrentDirectoryW(MAX_PATH + 1, current) && SetPath(f, current)) return;
  for (wchar_t letter : f.driveLetters) {
    if (::GetDriveTypeW((std::wstring(1, letter) + L":\\").c_str()) == DRIVE_FIXED &&
        SetPath(f, std::wstring(1, letter) + L":\\")) {
      return;
    }
  }
}

}  // namespace

bool IsFullPath(std::wstring_view path) { return RootLength(std::wstring(path)) > 0; }

std::wstring ChooseFolder(HWND owner, std::wstring_view initial, std::wstring_view title) {
  if (!RegisterFormClass()) return std::wstring();
  auto form = std::make_unique<Form>();
  Form& f = *form;
  const std::wstring caption = title.empty() ? std::wstring(kCaption) : std::wstring(title);
  const DWORD exStyle = WS_EX_DLGMODALFRAME;
  const DWORD winStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  f.window = ::CreateWindowExW(exStyle, kFolderFormClass, caption.c_str(), winStyle, 0, 0, 100, 100, owner, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  if (!f.window) return std::wstring();
  f.font = CreateUiFont(false);
  int textH = 0;
  {
    HDC dc = ::GetDC(f.window);
    textH = MeasureText(dc, f.font, L"Aあ").cy;
    ::ReleaseDC(f.window, dc);
  }
  f.itemHeight = std::max<int>(Scale(18), textH + Scale(4));
  ::SetWindowLongPtrW(f.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form.get()));

  // The path line on top, the folder list with OK and Cancel beside it, the
  // drive list at the bottom.
  const int margin = Scale(10), listW = Scale(260), buttonW = Scale(88), buttonH = Scale(26), gap = Scale(8);
  const int lineH = std::max(Scale(22), textH + Scale(6)), labelH = std::max(Scale(16), textH);
  const int listH = f.itemHeight * 11 + Scale(4);
  const int clientW = margin + listW + margin + buttonW + margin;
  int y = margin;
  f.line = Add(f, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, kIdFolderLine, margin, y, clientW - 2 * margin, lineH,
               WS_EX_CLIENTEDGE);
  y += lineH + gap;
  Add(f, L"STATIC", L"ﾌｫﾙﾀﾞｰ (&F)", 0, kIdFolderTreeLabel, margin, y, listW, labelH);
  y += labelH + Scale(2);
  const int listTop = y;
  f.folders = Add(f, L"LISTBOX", L"",
                  WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                  kIdFolderTree, margin, y, listW, listH, WS_EX_CLIENTEDGE);
  f.ok = Add(f, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, margin + listW + margin, listTop, buttonW,
             buttonH);
  f.cancel = Add(f, L"BUTTON", L"キャンセル", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, margin + listW + margin,
                 listTop + buttonH + gap, buttonW, buttonH);
  y += listH + gap;
  Add(f, L"STATIC", L"ﾄﾞﾗｲﾌﾞ (&D)", 0, kIdFolderDrivesLabel, margin, y, listW, labelH);
  y += labelH + Scale(2);
  f.drives = Add(f, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdFolderDrives, margin, y, listW,
                 Scale(240));
  RECT comboRect;
  ::GetWindowRect(f.drives, &comboRect);
  y += (comboRect.bottom - comboRect.top) + margin;
  const int clientH = y;

  for (HWND control : {f.line, f.folders, f.drives, f.ok, f.cancel}) {
    ::SetWindowSubclass(control, ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(form.get()));
  }
  FillDrives(f);
  OpenFirst(f, initial);

  RECT r = {0, 0, clientW, clientH};
  ::AdjustWindowRectEx(&r, winStyle, FALSE, exStyle);
  const int w = r.right - r.left, h = r.bottom - r.top;
  RECT ownerRect;
  int x, top;
  if (owner && !::IsIconic(owner) && ::GetWindowRect(owner, &ownerRect)) {
    x = ownerRect.left + ((ownerRect.right - ownerRect.left) - w) / 2;
    top = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - h) / 2;
  } else {
    x = (::GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    top = (::GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  }
  x = std::max(0, std::min(x, ::GetSystemMetrics(SM_CXSCREEN) - w));
  top = std::max(0, std::min(top, ::GetSystemMetrics(SM_CYSCREEN) - h));
  ::MoveWindow(f.window, x, top, w, h, FALSE);
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
  std::wstring result;
  if (answer == 1) {
    const int n = ::GetWindowTextLengthW(f.line);
    result.assign(static_cast<size_t>(n) + 1, L'\0');
    ::GetWindowTextW(f.line, result.data(), n + 1);
    result.resize(static_cast<size_t>(n));
  }
  for (HWND control : {f.line, f.folders, f.drives, f.ok, f.cancel}) {
    ::RemoveWindowSubclass(control, ControlProc, kSubclassId);
  }
  ::SetWindowLongPtrW(f.window, GWLP_USERDATA, 0);
  ::DestroyWindow(f.window);
  return result;
}

}  // namespace zel::ui
