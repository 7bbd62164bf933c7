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
#include "records/test_history.h"
#include "registry/registry_check.h"
#include "platform/win32/win32_archiver.h"
#include "platform/win32/win32_machine.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot.h"
#include "startup/environment.h"
#include "startup/services.h"
#include "startup/settings.h"
#include "startup/startup.h"
#include "testrun/monitor.h"
#include "testrun/run_record.h"

namespace zel::ui {

class DocForm;

class MainWindow : public FrontEnd {
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
  void ClearConsole();
  void ShowConsole();
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
  void CreateControls(HINSTANCE instance);
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
  Outcome ResumeTest();

  // One action at a time: keys, clicks, drops, ticks and closing all ask.
  bool BeginAction();
  void EndAction();

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
  void RememberSaveDir(const std::wstring& dest);
  std::wstring SelectedPath() const;
  int ExecutableKindOf(const std::wstring& path);

  // The archive buttons.
  void Extract(bool intoNamedFolder);
  void ListArchiveContents();

  // The test button: starts the selected file, or ends the run ("中止").
  void StartTest();
  // Writes Zel32.dir when the record of the test changed.
  void SaveRunRecord();
  void SetBackColour(std::int32_t colour);
  void ShowMouseHelp(int index);

  // The run monitor and the displays of a test.
  void OnTimer();
  void EndRun();
  void UpdateFreeSpace();
  void SetLamp(int lamp, bool lit);
  bool FreeSpaceDecreased() const;
  void EnableActions();

  // The check and the wash, and what they leave for the next test.
  void RunCheckAction();
  void RunWashAction();
  // The wash itself, inside an action already begun.
  void Wash();
  // The wash's registry step: what could not be undone (the snapshot is kept
  // then); *putBack is set when the step put the registry back.
  int WashRegistry(const std::optional<RegExportDiff>& diff, bool* putBack);
  void CompleteWash(bool tested);
  void FinishCheckOrWash(const std::wstring& prompt, bool checking, bool store, const std::wstring& program);
  // A completed wash spent the snapshot: the next test takes a new one first.
  bool RenewSpentSnapshot();
  void DisableActions();
  void ShowRestartNotice(bool shown);
  std::vector<std::wstring> ConsoleLines() const;

  // Ending the program.
  bool OnClose(bool windowsEnding);
  void SaveWindowPlacement();
  void DeleteIniCopies();

  win32::Win32Machine& machine_;
  Environment& env_;
  Settings& settings_;
  RunningOptions& options_;
  MainFolderList mainFolders_;
  Snapshot snapshot_;

  HWND window_ = nullptr;
  std::unique_ptr<Controls> c_;
  std::unique_ptr<DocForm> docForm_;
  HFONT font_ = nullptr;
  HFONT boldFont_ = nullptr;
  HFONT bigFont_ = nullptr;
  HBRUSH background_ = nullptr;
  HBRUSH consoleBrush_ = nullptr;
  HBRUSH statusBrush_ = nullptr;
  HBITMAP picture_ = nullptr;

  int busy_ = 0;
  bool loaded_ = false;
  bool testPending_ = false;  // a test ran and has not been washed yet
  bool washEnabled_ = false;
  bool checkEnabled_ = false;
  std::wstring folder_;        // DIRPTH
  int filter_ = kFilterAll;
  std::vector<FileEntry> files_;
  std::vector<std::wstring> folders_;
  std::array<std::wstring, 3> saveDirs_;
  bool saveDirsChanged_ = false;
  // The test in progress: the program, the libraries it brought, the
  // temporary folders of the extraction; what a resumed check and wash need.
  RunRecord record_;
  RunRecord savedRecord_;
  std::optional<RegistryCheck> lastRegistryCheck_;  // of the last check of this test
  std::wstring lastWashList_;
  bool lastCheckOfTest_ = false;  // the latest list is the check's of this test
  std::wstring folderBeforeTest_;  // the browser goes back there after a complete wash
  bool snapshotSpent_ = false;
  std::vector<TestedProgram> testedPrograms_;  // for the test history, written at the end
  int warningsShown_ = 0;
  win32::Win32ArchiveLibraries archives_;
  // What every operation shares; the main window is their front end.
  Services services_{machine_.machine, *this, env_, settings_, options_, archives_};
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
