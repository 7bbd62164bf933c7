// What the benchmarks share: a front end that says nothing, a clock, the
// bare FindFirstFileW walk every timing is measured against, and medians.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/frontend.h"
#include "platform/win32/win32_archiver.h"
#include "platform/win32/win32_machine.h"
#include "startup/services.h"

namespace bench {

class QuietFrontEnd : public zel::FrontEnd {
 public:
  long lines = 0;
  void AppendConsole(std::wstring_view) override { ++lines; }
  void SetStatus(std::wstring_view) override {}
  void Busy() override {}
  int Ask(std::wstring_view, int, std::wstring_view) override { return 1; }
  int AskPlatform(std::wstring_view, int, std::wstring_view) override { return 1; }
  std::wstring Input(std::wstring_view, std::wstring_view, std::wstring_view) override { return {}; }
  void Beep() override {}
};

// The shared services over the real machine as the benchmarks use them:
// default settings and options, the platform's archive libraries.
struct BenchServices {
  BenchServices(zel::win32::Win32Machine& machine, zel::FrontEnd& fe, const zel::Environment& env)
      : settings(machine.ini), sv{machine.machine, fe, env, settings, options, libraries} {}
  zel::Settings settings;
  zel::RunningOptions options;
  zel::win32::Win32ArchiveLibraries libraries;
  zel::Services sv;
};

inline double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The bare walk of one folder: what any program must do to see it.
inline unsigned long long BareFolder(const std::wstring& folder, std::vector<std::wstring>* subfolders) {
  WIN32_FIND_DATAW data;
  HANDLE h = ::FindFirstFileW((folder + L"\\*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  unsigned long long sum = 0;
  do {
    if (data.cFileName[0] == L'.') continue;
    sum += std::wcslen(data.cFileName) + data.ftLastWriteTime.dwLowDateTime;
    if (subfolders && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      subfolders->push_back(folder + L"\\" + data.cFileName);
    }
  } while (::FindNextFileW(h, &data));
  ::FindClose(h);
  return sum;
}

inline unsigned long long BareTree(const std::wstring& folder, std::vector<std::wstring>* all) {
  std::vector<std::wstring> subs;
  unsigned long long sum = BareFolder(folder, &subs);
  if (all) all->push_back(folder);
  for (const std::wstring& s : subs) sum += BareTree(s, all);
  return sum;
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// One timing against its bare counterpart.
struct Pair {
  const char* name;
  std::vector<double> bare, ours;
  void Report() const {
    const double b = Median(bare), o = Median(ours);
    std::printf("%-44s bare %8.3f s   ours %8.3f s   ratio %.3f\n", name, b, o, o / b);
  }
};

}  // namespace bench
