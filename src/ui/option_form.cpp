#include "ui/option_form.h"

#include <commdlg.h>

#include <memory>

#include "ui/box_front_end.h"
#include "ui/control_ids.h"
#include "ui/message_box.h"
#include "ui/modal.h"
#include "ui/system_form.h"

namespace zel::ui {
namespace {

struct CheckBox {
  int id;
  const wchar_t* caption;
  bool OptionValues::*value;
};

const CheckBox kCheckBoxes[] = {
    {kIdWarnCheck, L"実行時、警告を表示する", &OptionValues::UseWarning},
    {kIdReportCheck, L"報告書を記録する", &OptionValues::Report},
    {kIdDosCheck, L"自動解凍ファイルはDOSモード使用", &OptionValues::ExtractDos},
    {kIdSystemCheck, L"システム･ファイルを総て保存・復元   （再起動が必要）", &OptionValues::SaveAllSys},
    {kIdFat32Check, L"FAT32使用可能", &OptionValues::CanUseFAT32},
    {kIdFolderDeleteCheck, L"フォルダー削除の前に 問い合わせ", &OptionValues::QueryDirDel},
    {kIdMouseHelpCheck, L"マウス･ヘルプを使用する", &OptionValues::UseMouseHelp},
    {kIdRegRecordCheck, L"レジストリを値まで記録する", &OptionValues::RegRecord},
};

const wchar_t* const kLevelCaptions[] = {L"主要フォルダーの第１レベルのみ", L"全フォルダーの第１レベルのみ",
                                         L"全フォルダーの下位レベルまで"};
const wchar_t* const kSchemeCaptions[] = {L"白地に黒", L"黒地に白", L"黒地にオレンジ"};

struct Form {
  const OptionFormContext* ctx = nullptr;
  OptionValues picked;
  HFONT font = nullptr;
  HBRUSH sample = nullptr;
  int result = 0;
  ~Form() {
    if (font) ::DeleteObject(font);
    if (sample) ::DeleteObject(sample);
  }
};

bool Checked(HWND form, int id) { return ::IsDlgButtonChecked(form, id) == BST_CHECKED; }

void ReadControls(HWND window, Form& f) {
  for (const CheckBox& c : kCheckBoxes) f.picked.*c.value = Checked(window, c.id);
  for (int i = 0; i < 3; ++i) {
    if (Checked(window, kIdLevelOption + i)) f.picked.CheckLevel = i;
    if (Checked(window, kIdSchemeOption + i)) f.picked.ConsoleScheme = i;
  }
}

void PickColour(HWND window, Form& f) {
  static COLORREF custom[16] = {};
  CHOOSECOLORW cc = {};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = window;
  cc.rgbResult = static_cast<COLORREF>(f.picked.BackColor);
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!::ChooseColorW(&cc)) return;
  f.picked.BackColor = static_cast<std::int32_t>(cc.rgbResult);
  if (f.sample) ::DeleteObject(f.sample);
  f.sample = ::CreateSolidBrush(cc.rgbResult);
  ::InvalidateRect(::GetDlgItem(window, kIdColourSample), nullptr, TRUE);
  if (f.ctx->previewBackColour) f.ctx->previewBackColour(f.picked.BackColor);
}

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* f = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!f) return ::DefWindowProcW(window, msg, wp, lp);
  switch (msg) {
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == ::GetDlgItem(window, kIdColourSample)) return reinterpret_cast<LRESULT>(f->sample);
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      if (id == kIdColourSample && HIWORD(wp) == STN_CLICKED) {
        PickColour(window, *f);
        return 0;
      }
      if (HIWORD(wp) != BN_CLICKED) break;
      if (id == IDOK) {
        ReadControls(window, *f);
        BoxFrontEnd fe(window);
        AppliedOptions applied = ApplyOptions(f->picked, f->ctx->settings, f->ctx->running, f->ctx->env, fe);
        if (f->ctx->applied) f->ctx->applied(applied);
        f->result = 1;
        return 0;
      }
      if (id == IDCANCEL) {
        f->result = 2;
        return 0;
      }
      if (id == kIdSystemButton) {
        if (f->ctx->testPending) {
          MsgBoxEx(kWashFirst, MB_OK | MB_ICONEXCLAMATION, L"", window);
        } else {
          ShowSystemForm(window, f->ctx->settings, f->ctx->env);
        }
        return 0;
      }
      break;
    }
    case WM_CLOSE:
      f->result = 2;
      return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

}  // namespace

void ShowOptionForm(HWND owner, const OptionFormContext& ctx) {
  auto f = std::make_unique<Form>();
  f->ctx = &ctx;
  f->picked = CurrentOptions(ctx.running, ctx.env);
  f->font = CreateUiFont(false);
  f->sample = ::CreateSolidBrush(static_cast<COLORREF>(f->picked.BackColor));

  HWND window = CreateFormWindow(kOptionFormClass, FormProc, L"オプション設定", 616, 400, owner);
  if (!window) return;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(f.get()));
  HFONT font = f->font;

  AddControl(window, font, L"BUTTON", L"Windowsフォルダーの監視", BS_GROUPBOX, kIdLevelFrame, 12, 8, 270, 100);
  for (int i = 0; i < 3; ++i) {
    HWND o = AddControl(window, font, L"BUTTON", kLevelCaptions[i], BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0),
                 kIdLevelOption + i, 24, 30 + i * 24, 250, 20);
    if (i == f->picked.CheckLevel) ::SendMessageW(o, BM_SETCHECK, BST_CHECKED, 0);
  }
  AddControl(window, font, L"BUTTON", L"コンソールの文字", BS_GROUPBOX, kIdSchemeFrame, 12, 116, 270, 100);
  for (int i = 0; i < 3; ++i) {
    HWND o = AddControl(window, font, L"BUTTON", kSchemeCaptions[i], BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0),
                 kIdSchemeOption + i, 24, 138 + i * 24, 250, 20);
    if (i == f->picked.ConsoleScheme) ::SendMessageW(o, BM_SETCHECK, BST_CHECKED, 0);
  }
  AddControl(window, font, L"STATIC", L"背景色", SS_LEFT, kIdColourLabel, 14, 232, 60, 20);
  AddControl(window, font, L"STATIC", L"", SS_NOTIFY | WS_BORDER, kIdColourSample, 80, 228, 80, 24);

  for (size_t i = 0; i < std::size(kCheckBoxes); ++i) {
    const CheckBox& c = kCheckBoxes[i];
    HWND b = AddControl(window, font, L"BUTTON", c.caption, BS_AUTOCHECKBOX | WS_TABSTOP, c.id, 300, 14 + static_cast<int>(i) * 28,
                 306, 22);
    if (f->picked.*c.value) ::SendMessageW(b, BM_SETCHECK, BST_CHECKED, 0);
  }
  // Windows 98, Me, 2000 and XP always handle FAT32: nothing to choose there.
  if (Fat32Forced(ctx.env.WinKind)) ::EnableWindow(::GetDlgItem(window, kIdFat32Check), FALSE);
  // The registry record exists on the present-day kind only.
  if (!IsPresentDay(ctx.env)) ::EnableWindow(::GetDlgItem(window, kIdRegRecordCheck), FALSE);

  AddControl(window, font, L"STATIC", L"このパソコンの Windows", SS_LEFT, kIdInstallLabel, 14, 268, 300, 18);
  HWND installs = AddControl(window, font, L"LISTBOX", L"", LBS_NOSEL | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kIdInstallList, 12,
                      288, 576, 62, WS_EX_CLIENTEDGE);
  std::vector<std::wstring> found = FindWindowsInstallations(ctx.fs, ctx.env.BootDrive);
  if (found.empty()) found.push_back(L"（Boot.ini、MSDOS.SYS に記載はありません）");
  for (const std::wstring& line : found) ::SendMessageW(installs, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));

  AddControl(window, font, L"STATIC", L"Ver.1.0.0", SS_LEFT, kIdVersionLabel, 14, 368, 100, 20);
  AddControl(window, font, L"BUTTON", L"システム保存 画面", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemButton, 266, 362, 140, 28);
  AddControl(window, font, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 416, 362, 90, 28);
  AddControl(window, font, L"BUTTON", L"ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 514, 362, 90, 28);
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(::GetDlgItem(window, IDOK));

  int answer = RunModal(window, owner, &f->result, [&](UINT vk) {
    if (vk == VK_ESCAPE) return 2;
    return 0;
  });
  if (answer != 1 && f->picked.BackColor != ctx.running.ZelBackColor4 && ctx.previewBackColour) {
    ctx.previewBackColour(ctx.running.ZelBackColor4);  // the preview goes back
  }
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
}

}  // namespace zel::ui
