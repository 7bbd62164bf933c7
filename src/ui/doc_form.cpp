#include "ui/doc_form.h"

#include "base/path.h"
#include "browser/text_view.h"
#include "ui/control_ids.h"
#include "ui/message_box.h"
#include "ui/form.h"

namespace zel::ui {
namespace {

constexpr size_t kMaxBytes = 4u << 20;
constexpr int kIdViewerText = 1501;

}  // namespace

DocForm::~DocForm() { Close(); }

void DocForm::Close() {
  if (window_) ::DestroyWindow(window_);
  window_ = nullptr;
}

LRESULT CALLBACK DocForm::Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<DocForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (msg) {
    case WM_SIZE:
      if (self && self->edit_) ::MoveWindow(self->edit_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
      return 0;
    case WM_CLOSE:
      ::ShowWindow(window, SW_HIDE);  // kept for the next file
      return 0;
    case WM_DESTROY:
      if (self) {
        self->window_ = nullptr;
        self->edit_ = nullptr;
      }
      return 0;
  }
  return ::DefWindowProcW(window, msg, wp, lp);
}

void DocForm::Show(HWND owner, const std::wstring& path) {
  if (path.empty()) {
    MsgBoxEx(L"表示するテキスト・ファイルを選択して下さい", MB_OK | MB_ICONINFORMATION, L"", owner);
    return;
  }
  std::string bytes;
  if (fs_.ReadBytes(path, bytes) != FsError::None) {
    MsgBoxEx(L"『" + path + L"』を読み込めません", MB_OK | MB_ICONEXCLAMATION, L"", owner);
    return;
  }
  const bool cut = bytes.size() > kMaxBytes;
  if (cut) bytes.resize(kMaxBytes);
  std::wstring text = ViewerText(bytes);
  if (cut) text += L"\r\n\r\n（4Ｍバイトを超える部分は表示していません）";
  ShowText(owner, LastComponent(path), text);
}

void DocForm::ShowText(HWND owner, const std::wstring& name, const std::wstring& text) {
  if (!window_) {
    if (!font_) font_ = CreateUiFont(false);
    window_ = CreateForm({.cls = {kDocFormClass, Proc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)},
                          .owner = owner,
                          .clientWidth = 624,
                          .clientHeight = 442,
                          .style = WS_OVERLAPPEDWINDOW,
                          .exStyle = 0,
                          .state = this})
                  .Release();
    if (!window_) return;
    edit_ = AddControl(window_, font_.Get(),
                       {L"EDIT", L"",
                        WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                        kIdViewerText, 0, 0, 10, 10},
                       Units::Pixels);
    ::SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
    RECT client;
    ::GetClientRect(window_, &client);
    ::MoveWindow(edit_, 0, 0, client.right, client.bottom, FALSE);
  }
  ::SetWindowTextW(edit_, text.c_str());
  const std::wstring title = name + L" - テキスト表示";
  ::SetWindowTextW(window_, title.c_str());
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::SetForegroundWindow(window_);
}

}  // namespace zel::ui
