#include "ui/reg_wash_form.h"

#include "ui/control_ids.h"
#include "ui/modal.h"

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
  HWND window = CreateFormWindow(kRegWashFormClass, FormProc, kRegWashTitle, 460, 206, owner);
  if (!window) return RegWashChoice::Ignore;
  Form f;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&f));
  HFONT font = CreateUiFont(false);
  HFONT bold = CreateUiFont(true);
  AddControl(window, bold, L"STATIC", L"テスト中に、システム･レジストリが変更されました", SS_LEFT, 0, 16, 12, 430, 20);
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
    HWND button = AddControl(window, font, L"BUTTON", row.caption, BS_PUSHBUTTON | WS_TABSTOP, row.id, 16, y, 120, 30);
    HWND note = AddControl(window, font, L"STATIC", row.note, SS_LEFT | SS_CENTERIMAGE, 0, 146, y, 300, 30);
    ::EnableWindow(button, row.enabled);
    ::EnableWindow(note, row.enabled);
    if (row.enabled && !first) first = button;
    y += 50;
  }
  ::ShowWindow(window, SW_SHOW);
  ::SetFocus(first);
  const int answer = RunModal(window, owner, &f.result, [](UINT vk) { return vk == VK_ESCAPE ? kIdRegWashIgnore : 0; });
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  ::DestroyWindow(window);
  ::DeleteObject(font);
  ::DeleteObject(bold);
  if (answer == kIdRegWashRepair) return RegWashChoice::Repair;
  if (answer == kIdRegWashRestore) return RegWashChoice::Restore;
  return RegWashChoice::Ignore;
}

}  // namespace zel::ui
