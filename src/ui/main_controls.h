// The main window's controls and their layout constants (used by the files
// that make up the main window only).
#pragma once

#include <windows.h>

#include <array>

#include "ui/main_window.h"

namespace zel::ui {

constexpr int kDefaultWidth = 860;
constexpr int kDefaultHeight = 620;
constexpr int kMinWidth = 760;
constexpr int kMinHeight = 520;
constexpr int kGridItemHeight = 20;
constexpr UINT_PTR kRunTimer = 1;
constexpr int kPanelButtons = 8;

struct MainWindow::Controls {
  std::array<HWND, 26> drives{};      // DRVBTN, only for drives that exist
  std::array<HWND, 26> driveNames{};  // DRVNAM
  HWND desktop = nullptr;             // DSKIMG
  HWND documents = nullptr;           // DOCIMG
  HWND text = nullptr;                // DOCBTN
  HWND help = nullptr;                // HLPBTN
  HWND folderDisplay = nullptr;       // DIRDSP
  HWND grid = nullptr;                // DIRGRD
  HWND files = nullptr;               // FILLST
  HWND console = nullptr;             // CONSOL
  HWND picture = nullptr;             // BMPVIW
  std::array<HWND, kPanelButtons> panel{};
  HWND extract = nullptr, test = nullptr, check = nullptr, wash = nullptr, records = nullptr;
  HWND status = nullptr;              // RUNDSP
  std::array<HWND, 3> lamps{};        // INIDSP
  HWND freeSpace = nullptr;           // SIZDSP
  HWND freeToggle = nullptr;          // FREBTN
  HWND freeLamp = nullptr;            // NOBIMG
  HWND restartNotice = nullptr;       // REGDSP
};

// The mouse-help index of a control, or -1.
int HelpIndexOf(int controlId);
// The captions of the panel, in order.
extern const wchar_t* const kPanelCaptions[kPanelButtons];
win32::Font CreateBigFont();

}  // namespace zel::ui
