// Control identifiers of the program's windows. The end-to-end driver finds
// controls by these numbers, under the control names the windows use.
#pragma once

namespace zel::ui {

constexpr int kIdConsole = 1001;     // CONSOL: the console list
constexpr int kIdRunDisplay = 1002;  // RUNDSP: the status line

struct NamedControl {
  const char* name;
  int id;
};

inline constexpr NamedControl kNamedControls[] = {
    {"CONSOL", kIdConsole},
    {"RUNDSP", kIdRunDisplay},
};

// The window classes of the program.
inline constexpr wchar_t kMainWindowClass[] = L"ZelForm";
inline constexpr wchar_t kMainWindowTitle[] = L"ゼルカ";
inline constexpr wchar_t kAppTitle[] = L"ゼルカ";

}  // namespace zel::ui
