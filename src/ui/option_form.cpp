#include "ui/option_form.h"

#include <commdlg.h>

#include <memory>

#include "ui/box_front_end.h"
#include "ui/control_ids.h"
#include "ui/message_box.h"
#include "ui/form.h"
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
  win32::Font font;
  win32::Brush sample;  // the background colour's sample
  int result = 0;
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
  f.sample.Reset(::CreateSolidBrush(cc.rgbResult));
  ::InvalidateRect(::GetDlgItem(window, kIdColourSample), nullptr, TRUE);
  if (f.ctx->previewBackColour) f.ctx->previewBackColour(f.picked.BackColor);
}

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* f = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!f) return ::DefWindowProcW(window, msg, wp, lp);
  switch (msg) {
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == ::GetDlgItem(window, kIdColourSample)) return reinterpret_cast<LRESULT>(f->sample.Get());
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
          ShowSystemForm(window, f->ctx->machine, f->ctx->settings, f->ctx->env);
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

// The controls in tab order; the values are checked afterwards.
std::vector<ControlSetup> FormControls() {
  std::vector<ControlSetup> c;
  auto radios = [&c](const wchar_t* const captions[3], int firstId, int top) {
    for (int i = 0; i < 3; ++i) {
      c.push_back({L"BUTTON", captions[i], static_cast<DWORD>(BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0)),
                   firstId + i, 24, top + i * 24, 250, 20});
    }
  };
  c.push_back({L"BUTTON", L"Windowsフォルダーの監視", BS_GROUPBOX, kIdLevelFrame, 12, 8, 270, 100});
  radios(kLevelCaptions, kIdLevelOption, 30);
  c.push_back({L"BUTTON", L"コンソールの文字", BS_GROUPBOX, kIdSchemeFrame, 12, 116, 270, 100});
  radios(kSchemeCaptions, kIdSchemeOption, 138);
  c.push_back({L"STATIC", L"背景色", SS_LEFT, kIdColourLabel, 14, 232, 60, 20});
  c.push_back({L"STATIC", L"", SS_NOTIFY | WS_BORDER, kIdColourSample, 80, 228, 80, 24});
  for (size_t i = 0; i < std::size(kCheckBoxes); ++i) {
    c.push_back({L"BUTTON", kCheckBoxes[i].caption, BS_AUTOCHECKBOX | WS_TABSTOP, kCheckBoxes[i].id, 300,
                 14 + static_cast<int>(i) * 28, 306, 22});
  }
  c.push_back({L"STATIC", L"このパソコンの Windows", SS_LEFT, kIdInstallLabel, 14, 268, 300, 18});
  c.push_back({L"LISTBOX", L"", LBS_NOSEL | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kIdInstallList, 12, 288, 576, 62,
               WS_EX_CLIENTEDGE});
  c.push_back({L"STATIC", L"Ver.1.0.0", SS_LEFT, kIdVersionLabel, 14, 368, 100, 20});
  c.push_back({L"BUTTON", L"システム保存 画面", BS_PUSHBUTTON | WS_TABSTOP, kIdSystemButton, 266, 362, 140, 28});
  c.push_back({L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 416, 362, 90, 28});
  c.push_back({L"BUTTON", L"ｷｬﾝｾﾙ", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 514, 362, 90, 28});
  return c;
}

}  // namespace

void ShowOptionForm(HWND owner, const OptionFormContext& ctx) {
  auto f = std::make_unique<Form>();
  f->ctx = &ctx;
  f->picked = CurrentOptions(ctx.running, ctx.env);
  f->font = CreateUiFont(false);
  f->sample.Reset(::CreateSolidBrush(static_cast<COLORREF>(f->picked.BackColor)));

  const win32::Window form = CreateForm({.cls = {kOptionFormClass, FormProc},
                                         .title = L"オプション設定",
                                         .owner = owner,
                                         .clientWidth = 616,
                                         .clientHeight = 400,
                                         .state = f.get()});
  if (!form) return;
  HWND window = form.Get();
  HFONT font = f->font.Get();

  AddControls(window, font, FormControls());
  if (f->picked.CheckLevel >= 0 && f->picked.CheckLevel < 3)
    ::CheckDlgButton(window, kIdLevelOption + f->picked.CheckLevel, BST_CHECKED);
  if (f->picked.ConsoleScheme >= 0 && f->picked.ConsoleScheme < 3)
    ::CheckDlgButton(window, kIdSchemeOption + f->picked.ConsoleScheme, BST_CHECKED);
  for (const CheckBox& c : kCheckBoxes) {
    if (f->picked.*c.value) ::CheckDlgButton(window, c.id, BST_CHECKED);
  }
  // Windows 98, Me, 2000 and XP always handle FAT32: nothing to choose there.
  if (Fat32Forced(ctx.env.WinKind)) ::EnableWindow(::GetDlgItem(window, kIdFat32Check), FALSE);
  // The registry record exists on the present-day kind only.
  if (!IsPresentDay(ctx.env)) ::EnableWindow(::GetDlgItem(window, kIdRegRecordCheck), FALSE);

  HWND installs = ::GetDlgItem(window, kIdInstallList);
  std::vector<std::wstring> found = FindWindowsInstallations(ctx.machine.fs, ctx.env.BootDrive);
  if (found.empty()) found.push_back(L"（Boot.ini、MSDOS.SYS に記載はありません）");
  for (const std::wstring& line : found) ::SendMessageW(installs, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));

  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(::GetDlgItem(window, IDOK));

  int answer = RunModal(window, owner, &f->result, [&](UINT vk) {
    if (vk == VK_ESCAPE) return 2;
    return 0;
  });
  if (answer != 1 && f->picked.BackColor != ctx.running.ZelBackColor4 && ctx.previewBackColour) {
    ctx.previewBackColour(ctx.running.ZelBackColor4);  // the preview goes back
  }
}

}  // namespace zel::ui
