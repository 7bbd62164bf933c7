// The seam between long operations of the core and whatever window hosts
// them. The main window implements it; unit tests implement it with a recorder.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// Message-box styles and results, with the classic values.
namespace mb {
constexpr int kOk = 0;
constexpr int kOkCancel = 1;
constexpr int kYesNoCancel = 3;
constexpr int kYesNo = 4;
constexpr int kIconError = 16;
constexpr int kIconQuestion = 32;
constexpr int kIconExclamation = 48;
constexpr int kIconInformation = 64;
constexpr int kDefault2 = 0x100;
constexpr int kDefault3 = 0x200;
constexpr int kSystemModal = 4096;

constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;
constexpr int kResultYes = 6;
constexpr int kResultNo = 7;
}  // namespace mb

// Colour and emphasis codes of the program's message box markup.
namespace markup {
constexpr wchar_t kBlack = L'\x00';
constexpr wchar_t kBlue = L'\x01';
constexpr wchar_t kGreen = L'\x02';
constexpr wchar_t kTeal = L'\x03';
constexpr wchar_t kDarkRed = L'\x04';
constexpr wchar_t kPurple = L'\x05';
constexpr wchar_t kOlive = L'\x06';
constexpr wchar_t kBoldOff = L'\x07';
constexpr wchar_t kBoldOn = L'\x08';
}  // namespace markup

// A message for the platform's standard box: codes 0 to 8 become blanks and
// every "|" a line break (CR).
std::wstring PlainMessageText(std::wstring_view text);

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  virtual void AppendConsole(std::wstring_view line) = 0;
  virtual void SetStatus(std::wstring_view text) = 0;
  // Advances the busy indicator and lets the window process pending events.
  virtual void Busy() = 0;
  // The program's own message box: "|" breaks lines, codes 0 to 8 colour and
  // emphasise. Returns 1, 2, 6 or 7.
  virtual int Ask(std::wstring_view text, int style, std::wstring_view title) = 0;
  // The platform's standard message box, for the few messages that must not
  // depend on the program's own windows; the text is cleaned with
  // PlainMessageText.
  virtual int AskPlatform(std::wstring_view text, int style, std::wstring_view title) = 0;
  // A one-line input box; an empty text when cancelled.
  virtual std::wstring Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) = 0;
  virtual void Beep() = 0;
};

// Hands everything on to another front end but the status texts, which stay
// as they are (an operation run beside a running test).
class KeepStatusFrontEnd : public FrontEnd {
 public:
  explicit KeepStatusFrontEnd(FrontEnd& to) : to_(to) {}
  void AppendConsole(std::wstring_view line) override { to_.AppendConsole(line); }
  void SetStatus(std::wstring_view) override {}
  void Busy() override { to_.Busy(); }
  int Ask(std::wstring_view text, int style, std::wstring_view title) override { return to_.Ask(text, style, title); }
  int AskPlatform(std::wstring_view text, int style, std::wstring_view title) override {
    return to_.AskPlatform(text, style, title);
  }
  std::wstring Input(std::wstring_view prompt, std::wstring_view title, std::wstring_view initial) override {
    return to_.Input(prompt, title, initial);
  }
  void Beep() override { to_.Beep(); }

 private:
  FrontEnd& to_;
};

}  // namespace zel
