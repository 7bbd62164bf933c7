// Control identifiers of the program's windows. The end-to-end driver finds
// controls by these numbers, under the control names the windows use.
#pragma once

namespace zel::ui {

// The main window.
constexpr int kIdConsole = 1001;       // CONSOL: the console list
constexpr int kIdRunDisplay = 1002;    // RUNDSP: the status line
constexpr int kIdFolderDisplay = 1004;  // DIRDSP
constexpr int kIdFolderGrid = 1005;    // DIRGRD (with its scroll bar SCRDIR)
constexpr int kIdFileList = 1006;      // FILLST
constexpr int kIdPicture = 1007;       // BMPVIW
constexpr int kIdFreeSpace = 1008;     // SIZDSP
constexpr int kIdFreeToggle = 1009;    // FREBTN
constexpr int kIdFreeLamp = 1010;      // NOBIMG
constexpr int kIdLampFirst = 1011;     // INIDSP: WIN.INI, SYSTEMINI, レジストリ
constexpr int kIdRestartNotice = 1014;  // REGDSP
constexpr int kIdDesktopImage = 1015;  // DSKIMG
constexpr int kIdDocumentsImage = 1016;  // DOCIMG
constexpr int kIdTextButton = 1017;    // DOCBTN
constexpr int kIdHelpButton = 1018;    // HLPBTN
constexpr int kIdExtractButton = 1020;  // 解凍ボタン
constexpr int kIdTestButton = 1021;    // テストボタン
constexpr int kIdCheckButton = 1022;   // 確認ボタン
constexpr int kIdWashButton = 1023;    // 洗浄ボタン
constexpr int kIdRecordsButton = 1024;  // the wash records
constexpr int kIdPanelFirst = 1030;    // the eight panel buttons
constexpr int kIdDriveFirst = 1100;    // DRVBTN of A: to Z:
constexpr int kIdDriveNameFirst = 1130;  // DRVNAM of A: to Z:

// Pop-up menu items.
constexpr int kIdMenuLatestShow = 1401;    // POP_最新記録表示
constexpr int kIdMenuLatestEditor = 1402;  // POP_最新記録メモ帳
constexpr int kIdMenuCopy = 1403;          // POP_記録コピー
constexpr int kIdMenuAppend = 1404;        // POP_記録追加
constexpr int kIdMenuPastShow = 1405;      // POP_過去記録表示
constexpr int kIdMenuPastEditor = 1406;    // POP_過去記録メモ帳
constexpr int kIdMenuClear = 1407;         // POP_記録クリア
constexpr int kIdMenuComment = 1408;       // POP_記録コメント
constexpr int kIdMenuDriveRecord = 1411;   // POP_DRVMEM
constexpr int kIdMenuDriveClear = 1412;    // POP_DRVCLR
constexpr int kIdMenuDriveCheck = 1413;    // POP_DRVCHK
constexpr int kIdMenuDriveDelete = 1414;   // POP_DRVDEL
constexpr int kIdMenuDriveClose = 1415;    // POP_DRVNUL

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
constexpr int kIdRegRecordCheck = 1327;    // REGSEL: the registry record
constexpr int kIdColourLabel = 1330;       // Label1
constexpr int kIdColourSample = 1331;      // COLVIW
constexpr int kIdSystemButton = 1332;      // SYSBTN
constexpr int kIdVersionLabel = 1333;      // VERDSP
constexpr int kIdInstallLabel = 1334;
constexpr int kIdInstallList = 1335;       // the Windows installations found

// The folder chooser.
constexpr int kIdFolderDrives = 1601;       // DRVBOX
constexpr int kIdFolderTree = 1602;         // DIRBOX
constexpr int kIdFolderLine = 1603;         // DIRLIN
constexpr int kIdFolderDrivesLabel = 1604;  // "ﾄﾞﾗｲﾌﾞ (D)"
constexpr int kIdFolderTreeLabel = 1605;    // "ﾌｫﾙﾀﾞｰ (F)"

constexpr int kIdRegWashIgnore = 1701;      // the registry wash choice's buttons
constexpr int kIdRegWashRepair = 1702;
constexpr int kIdRegWashRestore = 1703;

// The system save window and the restart notice.
constexpr int kIdSystemSetDisplay = 1801;    // SETDSP: 【保存場所】 and the folder
constexpr int kIdSystemDateLabel = 1802;
constexpr int kIdSystemDate = 1803;          // DATDSP
constexpr int kIdSystemList = 1804;          // CONLST (DIRDSP is kIdFolderDisplay)
constexpr int kIdSystemSaveButton = 1805;    // 保存BTN
constexpr int kIdSystemCompareButton = 1806; // 確認BTN
constexpr int kIdSystemRestoreButton = 1807; // 復元BTN
constexpr int kIdSystemChangeButton = 1808;  // the set folder chosen again
constexpr int kIdSystemCloseButton = 1809;
constexpr int kIdRebootText = 1810;
constexpr int kIdRebootNotes = 1811;

struct NamedControl {
  const char* name;
  int id;
};

// The property a lit lamp carries.
inline constexpr wchar_t kLitProperty[] = L"ZelLit";

inline constexpr NamedControl kNamedControls[] = {
    {"CONSOL", kIdConsole},
    {"RUNDSP", kIdRunDisplay},
    {"DIRDSP", kIdFolderDisplay},
    {"DIRGRD", kIdFolderGrid},
    {"FILLST", kIdFileList},
    {"BMPVIW", kIdPicture},
    {"SIZDSP", kIdFreeSpace},
    {"FREBTN", kIdFreeToggle},
    {"INIDSP1", kIdLampFirst},
    {"INIDSP2", kIdLampFirst + 1},
    {"INIDSP3", kIdLampFirst + 2},
    {"REGDSP", kIdRestartNotice},
    {"MSGTXT", kIdMessageText},
    {"INPLIN", kIdInputLine},
    {"COLVIW", kIdColourSample},
    {"VERDSP", kIdVersionLabel},
    {"INSLST", kIdInstallList},
    {"SETDSP", kIdSystemSetDisplay},
    {"DATDSP", kIdSystemDate},
    {"CONLST", kIdSystemList},
    {"DRVBOX", kIdFolderDrives},
    {"DIRBOX", kIdFolderTree},
    {"DIRLIN", kIdFolderLine},
};

// The window classes of the program.
inline constexpr wchar_t kMainWindowClass[] = L"ZelForm";
inline constexpr wchar_t kMainWindowTitle[] = L"ゼルカ";
inline constexpr wchar_t kAppTitle[] = L"ゼルカ";
inline constexpr wchar_t kMessageBoxClass[] = L"ZelMsgBox";
inline constexpr wchar_t kInputBoxClass[] = L"ZelInputBox";
inline constexpr wchar_t kOptionFormClass[] = L"ZelOptionForm";
inline constexpr wchar_t kDocFormClass[] = L"ZelDocForm";
inline constexpr wchar_t kSystemFormClass[] = L"ZelSystemForm";
inline constexpr wchar_t kRebootFormClass[] = L"ZelRebootForm";
inline constexpr wchar_t kFolderFormClass[] = L"ZelFolderForm";
inline constexpr wchar_t kRegWashFormClass[] = L"ZelRegWashForm";

}  // namespace zel::ui
