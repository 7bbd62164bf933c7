// Control identifiers of the program's windows. The end-to-end driver finds
// controls by these numbers, under the control names the windows use.
#pragma once

namespace zel::ui {

constexpr int kIdConsole = 1001;     // CONSOL: the console list
constexpr int kIdRunDisplay = 1002;  // RUNDSP: the status line
constexpr int kIdOptionsButton = 1003;  // the options button of the main window

// The message box and the input box.
constexpr int kIdMessageIcon = 1201;  // ICOIMG
constexpr int kIdMessageText = 1202;  // the plain text, hidden
constexpr int kIdInputLine = 1203;    // the input field

// The options dialog.
constexpr int kIdLevelFrame = 1300;        // 監視FRM
constexpr int kIdLevelOption = 1301;       // 監視OPT, three in a row
constexpr int kIdSchemeFrame = 1310;       // CONFRM
constexpr int kIdSchemeOption = 1311;      // 文字色OPT, three in a row
constexpr int kIdWarnCheck = 1320;         // 警告SEL
constexpr int kIdReportCheck = 1321;       // 報告SEL
constexpr int kIdDosCheck = 1322;          // DOSSEL
constexpr int kIdSystemCheck = 1323;       // SYSSEL
constexpr int kIdFat32Check = 1324;        // FATSEL
constexpr int kIdFolderDeleteCheck = 1325; // DELSEL
constexpr int kIdMouseHelpCheck = 1326;    // HLPSEL
constexpr int kIdColourLabel = 1330;       // Label1
constexpr int kIdColourSample = 1331;      // COLVIW
constexpr int kIdSystemButton = 1332;      // SYSBTN
constexpr int kIdVersionLabel = 1333;      // VERDSP
constexpr int kIdInstallLabel = 1334;
constexpr int kIdInstallList = 1335;       // the Windows installations found

struct NamedControl {
  const char* name;
  int id;
};

inline constexpr NamedControl kNamedControls[] = {
    {"CONSOL", kIdConsole},
    {"RUNDSP", kIdRunDisplay},
    {"MSGTXT", kIdMessageText},
    {"INPLIN", kIdInputLine},
    {"COLVIW", kIdColourSample},
    {"VERDSP", kIdVersionLabel},
    {"INSLST", kIdInstallList},
};

// The window classes of the program.
inline constexpr wchar_t kMainWindowClass[] = L"ZelForm";
inline constexpr wchar_t kMainWindowTitle[] = L"ゼルカ";
inline constexpr wchar_t kAppTitle[] = L"ゼルカ";
inline constexpr wchar_t kMessageBoxClass[] = L"ZelMsgBox";
inline constexpr wchar_t kInputBoxClass[] = L"ZelInputBox";
inline constexpr wchar_t kOptionFormClass[] = L"ZelOptionForm";

}  // namespace zel::ui
