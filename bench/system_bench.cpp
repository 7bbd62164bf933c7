// Times the system save and compare of a large Windows folder against a bare
// FindFirstFileW walk of the same folders, in the same run.
//
// usage: system_bench WINDOWS_FOLDER SET_FOLDER [REPEATS]
//
// The first save copies every file; then a hundred files get a new time and
// ten are added, and the second save must copy exactly those. The compare of
// the unchanged tree is timed REPEATS times beside the bare walk.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/win32/win32_machine.h"
#include "system/system_compare.h"
#include "system/system_save.h"

using bench::Now;

namespace {

class QuietFrontEnd : public zel::FrontEnd {
 public:
  std::vector<std::wstring> console;
  void AppendConsole(std::wstring_view line) override { console.emplace_back(line); }
  void SetStatus(std::wstring_view) override {}
  void Busy() override {}
  int Ask(std::wstring_view, int, std::wstring_view) override { return 1; }
  int AskPlatform(std::wstring_view, int, std::wstring_view) override { return 1; }
  std::wstring Input(std::wstring_view, std::wstring_view, std::wstring_view) override { return {}; }
  void Beep() override {}
};

// Settings kept in memory: the benchmark writes no settings file.
class NoIni : public zel::IniStore {
 public:
  std::wstring ReadRaw(std::wstring_view, std::wstring_view, std::wstring_view, size_t) override { return {}; }
  bool WriteValue(std::wstring_view, std::wstring_view, std::wstring_view, std::wstring_view) override { return true; }
};

struct Walked {
  unsigned long long sum = 0;
  size_t files = 0, folders = 0;
  std::vector<std::wstring> fileList;
};

// The bare walk: every folder of the tree, then the drive's root.
void BareTree(const std::wstring& folder, Walked& w, bool keep) {
  WIN32_FIND_DATAW data;
  HANDLE h = ::FindFirstFileW((folder + L"\\*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  ++w.folders;
  std::vector<std::wstring> subs;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (data.cFileName[0] != L'.') subs.push_back(folder + L"\\" + data.cFileName);
      continue;
    }
    ++w.files;
    w.sum += wcslen(data.cFileName) + data.ftLastWriteTime.dwLowDateTime;
    if (keep) w.fileList.push_back(folder + L"\\" + data.cFileName);
  } while (::FindNextFileW(h, &data));
  ::FindClose(h);
  for (const std::wstring& s : subs) BareTree(s, w, keep);
}

void BareRoot(const std::wstring& root, Walked& w) {
  WIN32_FIND_DATAW data;
  HANDLE h = ::FindFirstFileW((root + L"*.*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    w.sum += wcslen(data.cFileName) + data.ftLastWriteTime.dwLowDateTime;
  } while (::FindNextFileW(h, &data));
  ::FindClose(h);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Touch(const std::wstring& path, int step) {
  HANDLE h = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  ft.dwLowDateTime += static_cast<DWORD>(step) * 10000000u;
  ::SetFileTime(h, nullptr, nullptr, &ft);
  ::CloseHandle(h);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: system_bench WINDOWS_FOLDER SET_FOLDER [REPEATS]\n");
    return 2;
  }
  const std::wstring winDir = argv[1], set = argv[2];
  const int repeats = argc > 3 ? _wtoi(argv[3]) : 5;
  zel::win32::Win32Machine machine;
  QuietFrontEnd fe;
  NoIni ini;
  zel::Settings settings(ini);
  zel::Environment env;
  env.WinDir = winDir;
  env.ProgramDir = L"Q:\\nowhere";
  env.WorkDir = L"Q:\\nowhere\\WinXP";
  env.BackupDir = env.WorkDir + L"\\Backup";
  const std::wstring root = winDir.substr(0, 2) + L"\\";

  Walked tree;
  BareTree(winDir, tree, true);
  std::printf("Windows folder: %zu folders, %zu files\n", tree.folders, tree.files);
  if (!zel::EnsureFolder(machine.fs, set)) {
    std::printf("cannot make %ls\n", set.c_str());
    return 1;
  }

  double t0 = Now();
  zel::SaveResult first = zel::SaveSystem(machine.machine, fe, env, settings, set);
  double t1 = Now();
  if (!first.saved) {
    std::printf("the first save failed\n");
    return 1;
  }
  std::printf("first save:  %8.3f s, %zu files copied, %zu not copied\n", t1 - t0, first.copied, first.uncopied.size());

  // A hundred files changed, ten added.
  size_t step = std::max<size_t>(1, tree.fileList.size() / 100);
  size_t touched = 0;
  for (size_t i = 0; i < tree.fileList.size() && touched < 100; i += step, ++touched) {
    Touch(tree.fileList[i], static_cast<int>(touched) + 1);
  }
  for (int i = 0; i < 10; ++i) {
    HANDLE h = ::CreateFileW((winDir + L"\\added" + std::to_wstring(i) + L".txt").c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  t0 = Now();
  zel::SaveResult second = zel::SaveSystem(machine.machine, fe, env, settings, set);
  t1 = Now();
  std::printf("second save: %8.3f s, %zu files copied (%zu changed and 10 added)\n", t1 - t0, second.copied, touched);

  std::vector<double> bare, ours;
  unsigned long long sink = 0;
  size_t lines = 0;
  for (int r = 0; r < repeats; ++r) {
    Walked w;
    t0 = Now();
    BareTree(winDir, w, false);
    BareRoot(root, w);
    t1 = Now();
    zel::CompareResult result = zel::CompareWithSet(machine.machine, fe, env, set);
    double t2 = Now();
    sink += w.sum;
    lines = zel::CompareLines(result).size();
    bare.push_back(t1 - t0);
    ours.push_back(t2 - t1);
  }
  for (int i = 0; i < 10; ++i) ::DeleteFileW((winDir + L"\\added" + std::to_wstring(i) + L".txt").c_str());
  double b = Median(bare), o = Median(ours);
  std::printf("medians of %d runs (checksum %llu, %zu compare lines)\n", repeats, sink % 1000, lines);
  std::printf("%-34s bare %8.3f s   ours %8.3f s   ratio %.3f\n", "compare with the set", b, o, o / b);
  return 0;
}
