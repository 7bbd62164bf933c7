// The options dialog "オプション設定".
#pragma once

#include <windows.h>

#include <functional>

#include "platform/machine.h"
#include "startup/environment.h"
#include "startup/options.h"
#include "startup/settings.h"

namespace zel::ui {

struct OptionFormContext {
  Settings& settings;
  RunningOptions& running;
  Environment& env;
  Machine& machine;
  // A test has run and has not been washed yet.
  bool testPending = false;
  // The main window shows a picked background colour at once.
  std::function<void(std::int32_t colour)> previewBackColour;
  // After OK: what changed.
  std::function<void(const AppliedOptions&)> applied;
};

void ShowOptionForm(HWND owner, const OptionFormContext& ctx);

}  // namespace zel::ui
