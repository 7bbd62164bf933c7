// A front end that records what the core reports and answers its questions
// from a script, for tests on the in-memory machine.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/frontend.h"

namespace zel::testing {

struct Question {
  std::wstring text;
  int style;
  bool platform;  // asked through the platform's standard box
};

class RecordingFrontEnd : public FrontEnd {
 public:
  std::vector<std::wstring> console;
  std::vector<std::wstring> statuses;
  std::vector<Question> questions;
  std::vector<std::wstring> prompts;
  std::deque<int> answers;          // taken in order; 1 (OK) when empty
  std::deque<std::wstring> inputs;  // taken in order; empty when none left
  int busyCalls = 0;
  int beeps = 0;

  void AppendConsole(std::wstring_view line) override { console.emplace_back(line); }
  void SetStatus(std::wstring_view text) override { statuses.emplace_back(text); }
  void Busy() override { ++busyCalls; }
  int Ask(std::wstring_view text, int style, std::wstring_view) override { return Answer(text, style, false); }
  int AskPlatform(std::wstring_view text, int style, std::wstring_view) override { return Answer(text, style, true); }
  std::wstring Input(std::wstring_view prompt, std::wstring_view, std::wstring_view) override {
    prompts.emplace_back(prompt);
    if (inputs.empty()) return std::wstring();
    std::wstring v = inputs.front();
    inputs.pop_front();
    return v;
  }
  void Beep() override { ++beeps; }

  bool AskedAbout(std::wstring_view part) const {
    for (const Question& q : questions) {
      if (q.text.find(part) != std::wstring::npos) return true;
    }
    return false;
  }

 private:
  int Answer(std::wstring_view text, int style, bool platform) {
    questions.push_back({std::wstring(text), style, platform});
    if (answers.empty()) return 1;
    int a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace zel::testing
