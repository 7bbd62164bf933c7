// The main window's controls: making them, placing them, drawing the panel,
// the drive buttons, the folder grid and the lamps, and their colours.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "base/path.h"
#include "browser/mouse_help.h"
#include "dialog/message_layout.h"
#include "testrun/console_text.h"
#include "ui/control_ids.h"
#include "ui/main_controls.h"
#include "ui/form.h"

namespace zel::ui {

const wchar_t* const kPanelCaptions[kPanelButtons] = {L"圧縮ファイル", L"プログラム", L"画像データ", L"すべて表示",
                                                      L"常用",         L"保存",       L"内容",       L"設定"};

int HelpIndexOf(int id) {
  if (id >= kIdPanelFirst && id < kIdPanelFirst + 4) return help::kFilterFirst + (id - kIdPanelFirst);
  if (id >= kIdDriveFirst && id < kIdDriveFirst + 26) return -2;  // by drive type, see ShowMouseHelp
  switch (id) {
    case kIdExtractButton: return help::kExtract;
    case kIdWashButton: return help::kWash;
    case kIdTestButton: return help::kTest;
    case kIdTextButton: return help::kTextWindow;
    case kIdCheckButton: return help::kCheck;
    case kIdRecordsButton: return help::kWashRecords;
    case kIdPanelFirst + 4: return help::kFavourite;
    case kIdPanelFirst + 5: return help::kCopy;
    case kIdPanelFirst + 6: return help::kArchiveContents;
    case kIdPanelFirst + 7: return help::kOptions;
    case kIdLampFirst: return help::kLampFirst;
    case kIdLampFirst + 1: return help::kLampFirst + 1;
    case kIdLampFirst + 2: return help::kLampFirst + 2;
    case kIdFreeToggle: return help::kFreeSpaceToggle;
    case kIdFreeSpace:
    case kIdFreeLamp: return help::kFreeSpace;
    case kIdDesktopImage: return help::kDesktop;
    case kIdDocumentsImage: return help::kDocuments;
    case kIdRestartNotice: return help::kRestartRestores;
  }
  return -1;
}

win32::Font CreateBigFont() {
  LOGFONTW lf = {};
  ::GetObjectW(CreateUiFont(true).Get(), sizeof lf, &lf);
  lf.lfHeight = lf.lfHeight * 3 / 2;
  return win32::Font(::CreateFontIndirectW(&lf));
}

namespace {

// A control the layout places afterwards.
HWND Make(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, const win32::Font& font,
          DWORD exStyle = 0) {
  return AddControl(parent, font.Get(), {cls, text, style, id, 0, 0, 10, 10, exStyle}, Units::Pixels);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  const win32::Brush b(::CreateSolidBrush(colour));
  ::FillRect(dc, &r, b.Get());
}

// A shape drawn with a pen and a brush of its own.
template <typename Shape>
void Outlined(HDC dc, COLORREF pen, COLORREF brush, Shape shape) {
  const win32::Pen p(::CreatePen(PS_SOLID, Scale(1), pen));
  const win32::Brush br(::CreateSolidBrush(brush));
  const win32::SelectGuard withPen(dc, p.Get()), withBrush(dc, br.Get());
  shape();
}

void Frame(const Canvas& c, int l, int t, int r, int b, COLORREF pen, COLORREF brush) {
  Outlined(c.dc, pen, brush, [&] { ::Rectangle(c.dc, c.X(l), c.Y(t), c.X(r), c.Y(b)); });
}

void Disc(const Canvas& c, int l, int t, int r, int b, COLORREF pen, COLORREF brush) {
  Outlined(c.dc, pen, brush, [&] { ::Ellipse(c.dc, c.X(l), c.Y(t), c.X(r), c.Y(b)); });
}

// The drive-kind pictures (IMGHDD, IMGFDD, IMGCDR), 24 x 20.
constexpr int kDriveIconWidth = 24;

void DrawDriveIcon(const Canvas& c, DriveType type) {
  switch (type) {
    case DriveType::CdRom:
      Disc(c, 2, 0, 22, 20, RGB(90, 90, 110), RGB(214, 220, 236));
      Disc(c, 9, 7, 15, 13, RGB(90, 90, 110), RGB(255, 255, 255));
      break;
    case DriveType::Removable:
      Frame(c, 3, 0, 21, 20, RGB(40, 40, 60), RGB(60, 70, 120));
      Frame(c, 7, 0, 17, 7, RGB(40, 40, 60), RGB(200, 200, 210));
      Frame(c, 6, 11, 18, 20, RGB(40, 40, 60), RGB(245, 245, 245));
      break;
    default:
      Frame(c, 0, 5, 24, 17, RGB(70, 70, 70), RGB(190, 190, 196));
      Frame(c, 17, 10, 21, 13, RGB(0, 120, 0), RGB(60, 220, 60));
      break;
  }
}

void DrawFolderIcon(const Canvas& c) {
  Frame(c, 0, 2, 8, 5, RGB(160, 120, 20), RGB(240, 200, 90));
  Frame(c, 0, 4, 16, 14, RGB(160, 120, 20), RGB(250, 216, 110));
}

void DrawDesktopIcon(const Canvas& c) {
  Frame(c, 2, 0, 30, 20, RGB(40, 40, 40), RGB(70, 130, 200));
  Frame(c, 12, 20, 20, 24, RGB(40, 40, 40), RGB(160, 160, 160));
  Frame(c, 6, 24, 26, 27, RGB(40, 40, 40), RGB(160, 160, 160));
}

void DrawDocumentsIcon(const Canvas& c) {
  Frame(c, 2, 3, 30, 26, RGB(160, 120, 20), RGB(250, 216, 110));
  Frame(c, 9, 0, 25, 18, RGB(90, 90, 90), RGB(255, 255, 255));
  for (int i = 0; i < 3; ++i) Frame(c, 12, 4 + i * 4, 22, 5 + i * 4, RGB(120, 120, 120), RGB(120, 120, 120));
}

// A raised or pressed button face with a centred caption.
void DrawFace(HDC dc, RECT r, const wchar_t* caption, HFONT font, bool pressed, bool highlighted, bool enabled) {
  COLORREF face = highlighted ? RGB(255, 236, 170) : RGB(236, 240, 246);
  Fill(dc, r, face);
  ::DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const win32::SelectGuard withFont(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, enabled ? RGB(20, 30, 60) : RGB(150, 150, 150));
  if (pressed) ::OffsetRect(&r, 1, 1);
  ::DrawTextW(dc, caption, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace

void MainWindow::CreateControls() {
  Controls& c = *c_;
  const DWORD drawn = BS_OWNERDRAW | WS_TABSTOP;
  c.desktop = Make(window_, L"BUTTON", L"デスクトップ", drawn, kIdDesktopImage, font_);
  c.documents = Make(window_, L"BUTTON", L"マイ・ドキュメント", drawn, kIdDocumentsImage, font_);
  c.text = Make(window_, L"BUTTON", L"テキスト", BS_PUSHBUTTON | WS_TABSTOP, kIdTextButton, font_);
  c.help = Make(window_, L"BUTTON", L"ヘルプ", BS_PUSHBUTTON | WS_TABSTOP, kIdHelpButton, font_);
  c.folderDisplay = Make(window_, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_PATHELLIPSIS,
                         kIdFolderDisplay, boldFont_, WS_EX_STATICEDGE);
  c.grid = Make(window_, L"LISTBOX", L"",
                WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
                kIdFolderGrid, font_,
                WS_EX_CLIENTEDGE);
  c.files = Make(window_, L"LISTBOX", L"", WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
                 kIdFileList, font_, WS_EX_CLIENTEDGE);
  c.console = Make(window_, L"LISTBOX", L"", WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL,
                   kIdConsole, font_, WS_EX_CLIENTEDGE | WS_EX_ACCEPTFILES);
  c.picture = Make(window_, L"STATIC", L"", SS_OWNERDRAW, kIdPicture, font_, WS_EX_CLIENTEDGE);
  ::ShowWindow(c.picture, SW_HIDE);
  for (int i = 0; i < kPanelButtons; ++i) {
    c.panel[i] = Make(window_, L"BUTTON", kPanelCaptions[i], drawn, kIdPanelFirst + i, font_);
  }
  c.extract = Make(window_, L"BUTTON", L"解凍", BS_PUSHBUTTON | WS_TABSTOP, kIdExtractButton, bigFont_);
  c.test = Make(window_, L"BUTTON", L"テスト", BS_PUSHBUTTON | WS_TABSTOP, kIdTestButton, bigFont_);
  c.check = Make(window_, L"BUTTON", L"確認", BS_PUSHBUTTON | WS_TABSTOP, kIdCheckButton, bigFont_);
  c.wash = Make(window_, L"BUTTON", L"洗浄", BS_PUSHBUTTON | WS_TABSTOP, kIdWashButton, bigFont_);
  c.records = Make(window_, L"BUTTON", L"洗浄記録", BS_PUSHBUTTON | WS_TABSTOP, kIdRecordsButton, font_);
  c.status = Make(window_, L"STATIC", L"準備中", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOTIFY, kIdRunDisplay,
                  boldFont_, WS_EX_STATICEDGE);
  const wchar_t* lampCaptions[] = {L"WIN.INI", L"SYSTEMINI", L"レジストリ"};
  for (int i = 0; i < 3; ++i) {
    c.lamps[i] = Make(window_, L"STATIC", lampCaptions[i], SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY,
                      kIdLampFirst + i, font_, WS_EX_STATICEDGE);
  }
  c.freeSpace = Make(window_, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOTIFY, kIdFreeSpace,
                     font_, WS_EX_STATICEDGE);
  c.freeToggle = Make(window_, L"BUTTON", L"現在値", BS_PUSHBUTTON, kIdFreeToggle, font_);
  c.freeLamp = Make(window_, L"STATIC", L"", SS_NOTIFY, kIdFreeLamp, font_, WS_EX_STATICEDGE);
  c.restartNotice = Make(window_, L"STATIC", L"再起動で元に戻ります", SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY,
                         kIdRestartNotice, font_, WS_EX_STATICEDGE);
  ::ShowWindow(c.restartNotice, SW_HIDE);

  // Every control reports mouse moves (mouse help), right clicks and, for the
  // console, dropped files.
  HWND all[] = {c.desktop, c.documents, c.text,   c.help,      c.grid,      c.files,      c.console,
                c.extract, c.test,      c.check,  c.wash,      c.records,   c.status,     c.freeSpace,
                c.freeToggle, c.freeLamp, c.restartNotice, c.lamps[0], c.lamps[1], c.lamps[2]};
  for (HWND w : all) ::SetWindowSubclass(w, ChildProc, 1, reinterpret_cast<DWORD_PTR>(this));
  for (HWND w : c.panel) ::SetWindowSubclass(w, ChildProc, 1, reinterpret_cast<DWORD_PTR>(this));
  ::DragAcceptFiles(c.console, TRUE);
}

void MainWindow::ShowDrives() {
  Controls& c = *c_;
  for (int i = 0; i < 26; ++i) {
    DriveType type = env_.DriveTypes[i];
    if (type == DriveType::Unknown || type == DriveType::NoRoot || c.drives[i]) continue;
    wchar_t name[] = {static_cast<wchar_t>(L'A' + i), L':', 0};
    c.drives[i] = Make(window_, L"BUTTON", name, BS_OWNERDRAW | WS_TABSTOP, kIdDriveFirst + i, font_);
    c.driveNames[i] = Make(window_, L"STATIC", name, SS_CENTER, kIdDriveNameFirst + i, font_);
    ::SetWindowSubclass(c.drives[i], ChildProc, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  Layout();
}

void MainWindow::Layout() {
  // Lengths are laid out for 96 DPI and scaled to the display's.
  const auto S = [](int length) { return Scale(length); };
  Controls& c = *c_;
  RECT rc;
  ::GetClientRect(window_, &rc);
  const int W = rc.right, H = rc.bottom, m = S(8);
  auto place = [](HWND w, int x, int y, int cx, int cy) {
    if (w) ::MoveWindow(w, x, y, cx, cy, TRUE);
  };
  // Drives along the top, the desktop and documents pictures and two buttons at the right.
  int x = m;
  for (int i = 0; i < 26; ++i) {
    if (!c.drives[i]) continue;
    place(c.drives[i], x, m, S(44), S(34));
    place(c.driveNames[i], x, m + S(36), S(44), S(16));
    x += S(48);
  }
  place(c.help, W - m - S(70), m, S(70), S(34));
  place(c.text, W - m - S(146), m, S(70), S(34));
  place(c.documents, W - m - S(196), m, S(44), S(34));
  place(c.desktop, W - m - S(244), m, S(44), S(34));

  const int top = m + S(56);
  place(c.folderDisplay, m, top, W - 2 * m, S(24));
  const int listTop = top + S(30);
  const int bottomRows = S(34) + S(6) + S(50) + S(6) + S(30) + m;
  const int listH = H - listTop - bottomRows;
  const int gridW = (W - 2 * m) * 23 / 100, filesW = (W - 2 * m) * 25 / 100;
  place(c.grid, m, listTop, gridW, listH);
  place(c.files, m + gridW + S(6), listTop, filesW, listH);
  const int consoleX = m + gridW + filesW + S(12);
  place(c.console, consoleX, listTop, W - consoleX - m, listH);
  place(c.picture, consoleX, listTop, W - consoleX - m, listH);

  int y = listTop + listH + S(6);
  const int panelW = (W - 2 * m - S(12)) / kPanelButtons;
  for (int i = 0; i < kPanelButtons; ++i) {
    place(c.panel[i], m + i * panelW + (i >= 4 ? S(12) : 0), y, panelW - S(2), S(34));
  }

  y += S(40);
  const int actionW = (W - 2 * m - S(110)) / 4;
  HWND actions[] = {c.extract, c.test, c.check, c.wash};
  for (int i = 0; i < 4; ++i) place(actions[i], m + i * actionW, y, actionW - S(6), S(50));
  place(c.records, W - m - S(104), y, S(104), S(50));

  // The status line takes a third of the width so that its longest prompts fit; the free
  // space reading gets what the registry notice leaves while that notice is hidden.
  y += S(56);
  const int statusW = (std::max)(S(240), (W - 2 * m) * 36 / 100);
  place(c.status, m, y, statusW, S(28));
  const int lampX = m + statusW + S(6);
  for (int i = 0; i < 3; ++i) place(c.lamps[i], lampX + i * S(76), y, S(74), S(28));
  const int freeX = lampX + 3 * S(76) + S(4);
  const int noticeW = ::IsWindowVisible(c.restartNotice) ? S(150) + S(4) : 0;
  const int toggleX = W - m - noticeW - S(64);
  place(c.freeLamp, freeX, y + S(7), S(14), S(14));
  place(c.freeSpace, freeX + S(18), y, toggleX - freeX - S(18) - S(4), S(28));
  place(c.freeToggle, toggleX, y, S(64), S(28));
  place(c.restartNotice, W - m - S(150), y, S(150), S(28));
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  const int id = static_cast<int>(item.CtlID);
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool enabled = (item.itemState & ODS_DISABLED) == 0;
  if (id == kIdFolderGrid) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    Fill(dc, r, selected ? RGB(51, 102, 204) : RGB(255, 255, 255));
    DrawFolderIcon({dc, r.left + Scale(3), r.top + Scale(2)});
    const std::wstring text = ListItemText(item.hwndItem, static_cast<int>(item.itemID));
    RECT t = r;
    t.left += Scale(24);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
    ::DrawTextW(dc, text.c_str(), -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &r);
    return;
  }
  if (id == kIdPicture) {
    DrawPicture(dc, r);
    return;
  }
  if (id >= kIdDriveFirst && id < kIdDriveFirst + 26) {
    const int i = id - kIdDriveFirst;
    const bool current = !folder_.empty() && (folder_[0] == L'A' + i || folder_[0] == L'a' + i);
    DrawFace(dc, r, L"", font_.Get(), pressed, current, enabled);
    const int left = r.left + (r.right - r.left - Scale(kDriveIconWidth)) / 2 + (pressed ? 1 : 0);
    DrawDriveIcon({dc, left, r.top + Scale(7)}, env_.DriveTypes[i]);
    return;
  }
  if (id == kIdDesktopImage || id == kIdDocumentsImage) {
    DrawFace(dc, r, L"", font_.Get(), pressed, false, enabled);
    if (id == kIdDesktopImage) DrawDesktopIcon({dc, r.left + Scale(6), r.top + Scale(3)});
    else DrawDocumentsIcon({dc, r.left + Scale(6), r.top + Scale(4)});
    return;
  }
  if (id >= kIdPanelFirst && id < kIdPanelFirst + kPanelButtons) {
    DrawMainPanel(dc, id - kIdPanelFirst, r, pressed, enabled);
  }
}

// The eight drawn buttons: four filters (the current one lit), the favourite
// folder, copy, archive contents and options.
void MainWindow::DrawMainPanel(HDC dc, int index, RECT r, bool pressed, bool enabled) {
  const bool lit = index < 4 && index == filter_;
  DrawFace(dc, r, kPanelCaptions[index], (lit ? boldFont_ : font_).Get(), pressed, lit, enabled);
}

LRESULT MainWindow::ColourControl(HDC dc, HWND control) {
  const int id = ::GetDlgCtrlID(control);
  if (id == kIdConsole) {
    ConsoleColours colours = ConsoleSchemeColours(consoleScheme_);
    ::SetTextColor(dc, colours.text);
    ::SetBkColor(dc, colours.background);
    return reinterpret_cast<LRESULT>(consoleBrush_.Get());
  }
  if (id == kIdRunDisplay) {
    ::SetTextColor(dc, statusText_);
    ::SetBkColor(dc, statusBack_);
    return reinterpret_cast<LRESULT>(statusBrush_.Get());
  }
  if (id >= kIdLampFirst && id < kIdLampFirst + 3) {
    const bool lit = lamps_[id - kIdLampFirst];
    const COLORREF back = lit ? RGB(220, 40, 40) : RGB(224, 224, 224);
    ::SetTextColor(dc, lit ? RGB(255, 255, 255) : RGB(90, 90, 90));
    ::SetBkColor(dc, back);
    ::SetDCBrushColor(dc, back);
    return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
  }
  if (id == kIdFreeLamp) {
    const bool lit = FreeSpaceDecreased();
    ::SetDCBrushColor(dc, lit ? RGB(255, 60, 60) : RGB(200, 200, 200));
    return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
  }
  if (id == kIdRestartNotice) {
    ::SetTextColor(dc, RGB(255, 255, 255));
    ::SetBkColor(dc, RGB(180, 30, 30));
    ::SetDCBrushColor(dc, RGB(180, 30, 30));
    return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
  }
  ::SetBkColor(dc, RGB(246, 248, 252));
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetDCBrushColor(dc, RGB(246, 248, 252));
  return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
}

void MainWindow::SetConsoleScheme(int scheme) {
  consoleScheme_ = scheme;
  consoleBrush_.Reset(::CreateSolidBrush(ConsoleSchemeColours(scheme).background));
  if (c_->console) ::InvalidateRect(c_->console, nullptr, TRUE);
}

void MainWindow::ShowStatus(std::wstring_view text, Look look) {
  StatusColours colours =
      StatusColoursFor(look == Look::Running ? StatusLook::Running : StatusLook::Idle, env_.Colours);
  statusText_ = colours.text;
  statusBack_ = colours.background;
  statusBrush_.Reset(::CreateSolidBrush(statusBack_));
  statusLine_ = std::wstring(text);
  ::SetWindowTextW(c_->status, statusLine_.c_str());
  ::InvalidateRect(c_->status, nullptr, TRUE);
}

void MainWindow::FlashStatus() {
  // Bright, then dark with white text: the status line asks for attention.
  StatusColours on = StatusColoursFor(StatusLook::FlashOn, env_.Colours);
  StatusColours off = StatusColoursFor(StatusLook::FlashOff, env_.Colours);
  const bool wasOn = statusBack_ == on.background;
  const StatusColours& next = wasOn ? off : on;
  statusText_ = next.text;
  statusBack_ = next.background;
  statusBrush_.Reset(::CreateSolidBrush(statusBack_));
  ::InvalidateRect(c_->status, nullptr, TRUE);
}

void MainWindow::SetLamp(int lamp, bool lit) {
  if (lamps_[lamp] == lit) return;
  lamps_[lamp] = lit;
  // The lamp's state also stands on the control, for tools that read
  // windows instead of looking at them.
  if (lit) ::SetPropW(c_->lamps[lamp], kLitProperty, reinterpret_cast<HANDLE>(1));
  else ::RemovePropW(c_->lamps[lamp], kLitProperty);
  ::InvalidateRect(c_->lamps[lamp], nullptr, TRUE);
}

void MainWindow::SetBackColour(std::int32_t colour) {
  win32::Brush brush(::CreateSolidBrush(static_cast<COLORREF>(colour)));
  ::SetClassLongPtrW(window_, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush.Get()));
  background_ = std::move(brush);  // the old one goes once the class no longer holds it
  ::InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::EnableActions() {
  Controls& c = *c_;
  const bool running = run_.running;
  const std::wstring ext = UpperExtension(SelectedPath());
  const bool archive = ext == L"LZH" || ext == L"ZIP" || ext == L"EXE";
  ::EnableWindow(c.extract, !running && archive);
  ::EnableWindow(c.test, running || (!SelectedPath().empty() && busy_ == 0));
  ::EnableWindow(c.check, !running && CanCheck(session_.Stage()));
  ::EnableWindow(c.wash, !running && CanWash(session_.Stage()));
  ::EnableWindow(c.grid, !running);
  ::EnableWindow(c.files, !running);
}

}  // namespace zel::ui
