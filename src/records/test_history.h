// The test history, "ZELDIR.INI" in the program folder, read and written
// through the platform's profile functions:
//
//   [Executed]
//   SETUP.EXE=2026/12/06,1234567,1.2.0.0;2026/11/01,1200000,2003/01/02
//   [History]
//   Last=2
//   1=2026/12/06 10:30:00 テスト SETUP.EXE 1.2.0.0版 (1,234,567 bytes)
//   2=2026/12/06 10:45:00 コメント SETUP.EXE：動作を確認しました
//
// [Executed] has a key per tested program: its upper-case file name, or,
// for a name that the profile functions cannot hold as a key (a "=", a
// leading ";" or "[", blanks at either end, a character outside code page
// 932), "*" and the hexadecimal UTF-16 code units of the upper-case name.
// Its value lists each edition of that name that was tested, the most
// recent first, at most eight: the test date "YYYY/MM/DD", the size in bytes
// and the version, separated by ",". The version is the program's file
// version, or, when it carries none, its last-write date: two files of one
// name are the same edition when both size and version agree.
//
// [History] is a log of the tests and comments, one line per key "1" to
// "1000", used as a ring: "Last" names the newest line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "startup/environment.h"

namespace zel {

struct TestedProgram {
  std::wstring name;     // upper-case file name
  std::wstring date;     // "YYYY/MM/DD" of the test
  std::uint64_t size = 0;
  std::wstring version;  // file version, or the last-write date "YYYY/MM/DD"

  bool operator==(const TestedProgram&) const = default;
};

std::wstring HistoryPath(const Environment& env);
// The key of a file name in [Executed].
std::wstring HistoryKey(std::wstring_view fileName);

// The program at path as it is now, tested on date ("YYYY/MM/DD"); nullopt
// when it cannot be read. Call it when the test starts: the program may
// change or go before the end.
std::optional<TestedProgram> DescribeProgram(Machine& m, std::wstring_view path, std::wstring_view date);

// Adds the test to [Executed] (moving an edition tested before to the front
// with the new date) and a line to [History].
void RecordTestedProgram(Machine& m, const Environment& env, const TestedProgram& program);

// The editions of a name tested before, the most recent first.
std::vector<TestedProgram> TestedEditions(Machine& m, const Environment& env, std::wstring_view fileName);

// The line shown when a program is selected: "　　■" + date + " にテスト済み"
// when this edition was tested, "　　■別バージョンをテスト済み (" + version +
// "版)" when only another edition of the name was (the most recent one);
// empty when the name was never tested or the file cannot be read.
std::wstring TestHistoryLine(Machine& m, const Environment& env, std::wstring_view path);

// Adds a comment line to [History]; program is a path or file name, or empty.
void AddHistoryComment(Machine& m, const Environment& env, std::wstring_view program, std::wstring_view comment);

}  // namespace zel
