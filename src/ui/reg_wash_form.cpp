#include "ui/reg_wash_form.h"

#include "ui/control_ids.h"
#include "ui/form.h"

namespace zel::ui {
namespace {

struct Form {
  int result = 0;
};

LRESULT CALLBACK FormProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  Form* f = reinterpret_cast<Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (f) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
      const int id = LOWORD(wp);
      if (id == kIdRegWashIgnore || id == kIdRegWashRepair || id == kIdRegWashRestore) {
        f->result = id;
        return 0;
      }
    }
    if (msg == WM_CLOSE) {
      f->result = kIdRegWashIgnore;
      return 0;
    }
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

}  // namespace

RegWashChoice ShowRegWashForm(HWND owner, const RegWashOffer& offer) {
  Form f;
  // The fonts outlive the window whose controls use them.
  const win32::Font font = CreateUiFont(false);
  const win32::Font bold = CreateUiFont(true);
  const win32::Window form = CreateForm({.cls = {kRegWashFormClass, FormProc},
                                         .title = kRegWashTitle,
                                         .owner = owner,
                                         .clientWidth = 460,
                                         .clientHeight = 206,
                                         .state = &f});
  if (!form) return RegWashChoice::Ignore;
  HWND window = form.Get();
  AddControl(window, bold.Get(), {L"STATIC", L"テスト中に、システム･レジストリが変更されました", SS_LEFT, 0, 16, 12, 430, 20});
  struct Row {
    int id;
    const wchar_t* caption;
    const wchar_t* note;
    bool enabled;
  };
  const Row rows[] = {
      {kIdRegWashRepair, kRegWashRepair, kRegWashRepairNote, offer.repair},
      {kIdRegWashRestore, kRegWashRestore, kRegWashRestoreNote, offer.restore},
      {kIdRegWashIgnore, kRegWashIgnore, L"レジストリは、変更されたままになります", true},
  };
  int y = 44;
  HWND first = nullptr;
  for (const Row& row : rows) {
    HWND button = AddControl(window, font.Get(), {L"BUTTON", row.caption, BS_PUSHBUTTON | WS_TABSTOP, row.id, 16, y, 120, 30});
    HWND note = AddControl(window, font.Get(), {L"STATIC", row.note, SS_LEFT | SS_CENTERIMAGE, 0, 146, y, 300, 30});
    ::EnableWindow(button, row.enabled);
    ::EnableWindow(note, row.enabled);
    if (row.enabled && !first) first = button;
    y += 50;
  }
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(first);
  const int answer = RunModal(window, owner, &f.result, [](UINT vk) { return vk == VK_ESCAPE ? kIdRegWashIgnore : 0; });
  if (answer == kIdRegWashRepair) return RegWashChoice::Repair;
  if (answer == kIdRegWashRestore) return RegWashChoice::Restore;
  return RegWashChoice::Ignore;
}

}  // namespace zel::ui
