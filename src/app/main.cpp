// Zel32.exe: a single instance, the process start, then the main window.
#include <windows.h>
#include <objbase.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_machine.h"
#include "startup/startup.h"
#include "ui/control_ids.h"
#include "ui/box_front_end.h"
#include "ui/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // One instance of the program, and none beside a window already titled so.
  zel::win32::KernelHandle instanceMutex(::CreateMutexW(nullptr, TRUE, L"Zel32.SingleInstance"));
  if (!instanceMutex || ::GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  if (::FindWindowW(nullptr, zel::ui::kMainWindowTitle)) return 0;

  // Pictures are loaded through the platform's picture objects.
  ::CoInitialize(nullptr);
  zel::win32::Win32Machine machine;
  zel::Environment env;
  zel::DisplayInfo display = machine.sys.Display();
  env.TwipsPerPixelX = display.twipsPerPixelX;
  env.TwipsPerPixelY = display.twipsPerPixelY;
  env.Colours = display.colours;

  zel::Settings settings(machine.ini);
  // Messages of the process start, before any window of the program exists.
  zel::ui::BoxFrontEnd startFrontEnd(nullptr);
  if (zel::RunProcessStart(machine.machine, startFrontEnd, env, settings) == zel::Outcome::End) return 0;

  zel::RunningOptions options;
  zel::ui::MainWindow window(machine, env, settings, options);
  if (!window.Create(instance, show)) return 1;

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (window.PreTranslate(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
