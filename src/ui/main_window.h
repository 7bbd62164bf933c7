// The main window "ゼルカ" (ZelForm): the file browser around the four
// action buttons, the console, the status displays and the run monitor. It
// runs the loading of the environment and the snapshot preparation, owns
// the state of a test, and is the front end the core reports to.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/file_filter.h"
#include "browser/mouse_help.h"
#include "platform/frontend.h"
#include "registry/registry_check.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_archiver.h"
#include "platform/win32/win32_machine.h"
#include "session/test_session.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "startup/startup.h"
#include "testrun/monitor.h"

namespace zel::ui {

class DocForm;

class MainWindow : public FrontEnd, private SessionView {
 public:
  MainWindow(win32::Win32Machine& machine, Environment& env, Settings& settings, RunningOptions& options);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  bool Create(HINSTANCE instance, int show);
  HWND Handle() const { return window_; }
  // Keys of the whole window (F1 to F9, Escape, Alt+D, Alt+F, Ctrl+letter),
  // taken before the control with the focus sees them. True when taken.
  bool PreTranslate(const MSG& msg);

  // The front-end seam.
  void AppendConsole(std::wstring_view line) override;
  void SetStatus(std::wstring_view text) override;
  void Busy() override;
  int Ask(std::wstring_view text, int style, std::wstring_view title) override;
  int AskPlatform(std::wstring_view text, int style, std::wstring_view title) override;
  std::wstring Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) override;
  void Beep() override;

  // Operations other parts of the program use.
  void ChangeFolder(const std::wstring& folder);
  void RefreshFileList();
  void ClearConsole() override;
  void ShowConsole() override;
  enum class Look { Running, Idle };
  void ShowStatus(std::wstring_view text, Look look);
  void FlashStatus();
  void SetConsoleScheme(int scheme);

 private:
  struct Controls;

  static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK ChildProc(HWND child, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnChildMessage(HWND child, UINT msg, WPARAM wp, LPARAM lp);
  void CreateControls();
  void Layout();
  void OnCommand(int id, int code, HWND control);
  void OnRightClick(int id);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  void DrawMainPanel(HDC dc, int index, RECT r, bool pressed, bool enabled);
  void DrawPicture(HDC dc, const RECT& r);
  LRESULT ColourControl(HDC dc, HWND control);
  void OnDrop(HDROP drop);

  // Loading: the environment, the main folder list, the snapshot (a saved
  // one resumed, or a new one prepared).
  void Load();
  Outcome LoadTest();

  // One action at a time: keys, clicks, drops, ticks and closing all ask.
  // The window is busy for the life of an Action that was granted, so no
  // early return can leave it busy. A forced one (loading, closing) is
  // always granted.
  class Action {
   public:
    explicit Action(MainWindow& w, bool forced = false);
    ~Action();
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;
    explicit operator bool() const { return granted_; }

   private:
    MainWindow& w_;
    bool granted_;
  };

  // The browser.
  void ShowDrives();
  void SelectDrive(wchar_t letter);
  void SelectFilter(int filter);
  void OnFolderActivated();
  void OnFileSelected();
  void FavouriteFolder();
  void SetFavouriteFolder();
  void CopySelectedFile();
  void OpenTextViewer();
  void OpenHelp();
  void OpenOptions();
  void ShowPicture(const std::wstring& path);
  void ShowDriveMenu(wchar_t letter);
  void ShowRecordsMenu();
  void RunDriveMenu(int chosen, wchar_t letter, bool running);
  void RememberSaveDir(const std::wstring& dest);
  std::wstring SelectedPath() const;
  int ExecutableKindOf(const std::wstring& path);

  // The archive buttons.
  void Extract(bool intoNamedFolder);
  void ExtractWith(const std::wstring& archive, bool intoNamedFolder);
  void ListArchiveContents();

  // The test button: starts the selected file, or ends the run ("中止").
  void StartTest();
  void SetBackColour(std::int32_t colour);
  void ShowMouseHelp(int index);

  // The run monitor and the displays of a test.
  void OnTimer();
  void EndRun();
  void UpdateFreeSpace();
  void SetLamp(int lamp, bool lit);
  bool FreeSpaceDecreased() const;
  // The buttons as the session's stage allows (while busy or running: off).
  void EnableActions();

  // The check and the wash: the session's, shown here.
  void RunCheckAction();
  void RunWashAction();
  void DisableActions();
  void ShowRestartNotice(bool shown);

  // What the session asks of the window.
  std::vector<std::wstring> ConsoleLines() override;
  void ShowStage(bool busy) override;
  RegWashChoice ChooseRegistryWash(const RegWashOffer& offer) override;
  void ShowRestartNotice() override { ShowRestartNotice(true); }
  void LampOff(int lamp) override { SetLamp(lamp, false); }
  void LeaveFolder(const std::wstring& folder) override;
  void GoToFolder(const std::wstring& folder) override { ChangeFolder(folder); }
  void ShowFreeSpace(const std::array<std::optional<std::uint64_t>, 26>& freeBytes) override;
  void Finished(const std::wstring& prompt) override;

  // Ending the program.
  bool OnClose(bool windowsEnding);
  void SaveWindowPlacement();

  win32::Win32Machine& machine_;
  Environment& env_;
  Settings& settings_;
  RunningOptions& options_;
  MainFolderList mainFolders_;

  HWND window_ = nullptr;
  std::unique_ptr<Controls> c_;
  std::unique_ptr<DocForm> docForm_;
  win32::Font font_;
  win32::Font boldFont_;
  win32::Font bigFont_;
  win32::Brush background_;  // the class's background, kept for the window's life
  win32::Brush consoleBrush_;
  win32::Brush statusBrush_;
  win32::Bitmap picture_;

  int busy_ = 0;
  bool loaded_ = false;
  std::wstring folder_;        // DIRPTH
  int filter_ = kFilterAll;
  std::vector<FileEntry> files_;
  std::vector<std::wstring> folders_;
  std::array<std::wstring, 3> saveDirs_;
  bool saveDirsChanged_ = false;
  win32::Win32ArchiveLibraries archives_;
  // What every operation shares; the main window is their front end.
  Services services_;
  // The test: its stage, snapshot, record, launch, check, wash and end.
  TestSession session_;
  MouseHelp mouseHelp_;
  int hoverIndex_ = -1;
  RunState run_;
  RegistryWatch registryWatch_;  // the registry during the run, for the lamp and the question
  int timerMs_ = 0;
  std::array<std::uint64_t, 26> currentFree_{};
  bool showStartFree_ = false;
  std::array<bool, 3> lamps_{};
  std::uint32_t statusText_ = 0, statusBack_ = 0;
  int consoleScheme_ = 1;
  std::wstring statusLine_;
  int consoleExtent_ = 0;  // widest console line so far, for its horizontal scroll bar
};

}  // namespace zel::ui
