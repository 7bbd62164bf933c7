#include "ui/message_box.h"

#include <vector>

#include "platform/frontend.h"
#include "ui/control_ids.h"

namespace zel::ui {

int PlatformMsgBox(std::wstring_view text, int style, std::wstring_view title, HWND owner) {
  std::wstring clean = PlainMessageText(text);
  std::wstring caption = title.empty() ? std::wstring(kAppTitle) : std::wstring(title);
  return ::MessageBoxW(owner, clean.c_str(), caption.c_str(), static_cast<UINT>(style));
}

int MsgBoxEx(std::wstring_view text, int style, std::wstring_view title, HWND owner) {
  // Until the program's own box is drawn, the standard box shows the text
  // with the markup cleaned: the style as given, the program's title.
  if (style == 0) return PlatformMsgBox(text, MB_OK, L"", owner);
  return PlatformMsgBox(text, style, L"", owner);
}

int MsgBoxEx(std::wstring_view text, int style, std::wstring_view title) {
  return MsgBoxEx(text, style, title, ::GetActiveWindow());
}

namespace {

constexpr int kIdPrompt = 100;
constexpr int kIdEdit = 101;

struct InputState {
  std::wstring prompt;
  std::wstring initial;
  std::wstring result;
};

// An in-memory dialog template: prompt, edit field, OK and Cancel.
class DialogTemplate {
 public:
  DialogTemplate(std::wstring_view title, short cx, short cy) {
    Align(4);
    DLGTEMPLATE dlg = {};
    dlg.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dlg.cx = cx;
    dlg.cy = cy;
    Add(&dlg, sizeof dlg);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(title);
    Word(9);
    Text(L"MS UI Gothic");
    countAt_ = offsetof(DLGTEMPLATE, cdit);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, std::wstring_view text) {
    Align(4);
    DLGITEMTEMPLATE item = {};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Add(&item, sizeof item);
    Word(0xFFFF);
    Word(cls);
    Text(text);
    Word(0);
    WORD count;
    memcpy(&count, data_.data() + countAt_, sizeof count);
    ++count;
    memcpy(data_.data() + countAt_, &count, sizeof count);
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

 private:
  void Add(const void* p, size_t n) {
    const BYTE* b = static_cast<const BYTE*>(p);
    data_.insert(data_.end(), b, b + n);
  }
  void Word(WORD w) { Add(&w, sizeof w); }
  void Text(std::wstring_view s) {
    Add(s.data(), s.size() * sizeof(wchar_t));
    Word(0);
  }
  void Align(size_t n) {
    while (data_.size() % n) data_.push_back(0);
  }
  std::vector<BYTE> data_;
  size_t countAt_ = 0;
};

INT_PTR CALLBACK InputProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
  auto* state = reinterpret_cast<InputState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG:
      state = reinterpret_cast<InputState*>(lp);
      ::SetWindowLongPtrW(dialog, DWLP_USER, lp);
      ::SetDlgItemTextW(dialog, kIdPrompt, state->prompt.c_str());
      ::SetDlgItemTextW(dialog, kIdEdit, state->initial.c_str());
      ::SendDlgItemMessageW(dialog, kIdEdit, EM_SETSEL, 0, -1);
      ::SetFocus(::GetDlgItem(dialog, kIdEdit));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        HWND edit = ::GetDlgItem(dialog, kIdEdit);
        int n = ::GetWindowTextLengthW(edit);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        ::GetWindowTextW(edit, text.data(), n + 1);
        text.resize(static_cast<size_t>(n));
        state->result = text;
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        state->result.clear();
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

std::wstring InputBoxEx(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial, HWND owner) {
  DialogTemplate t(title, 240, 78);
  t.Item(SS_LEFT, 8, 8, 224, 20, kIdPrompt, 0x0082, L"");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 32, 224, 13, kIdEdit, 0x0081, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 124, 56, 52, 15, IDOK, 0x0080, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 180, 56, 52, 15, IDCANCEL, 0x0080, L"キャンセル");
  InputState state{std::wstring(prompt), std::wstring(initial), {}};
  INT_PTR rc = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), t.Get(), owner, InputProc,
                                         reinterpret_cast<LPARAM>(&state));
  return rc == IDOK ? state.result : std::wstring();
}

}  // namespace zel::ui
