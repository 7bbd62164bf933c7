// Times the program's own extraction of a ZIP (10,000 files, 100 MB) and an
// LZH (2,000 files, 20 MB) against copying the same files with CopyFileW in
// the same run, each into a fresh folder; the folders are removed between
// runs, outside the timing.
//
// usage: archive_bench DATA WORK_FOLDER [REPEATS]
//   DATA holds bench.zip, bench.lzh and the source trees zipsrc, lzhsrc
//   (bench/gen_archives.py).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_common.h"
#include "extract/builtin.h"
#include "platform/win32/win32_archiver.h"
#include "platform/win32/win32_machine.h"

using bench::Now;
using bench::Pair;
using bench::QuietFrontEnd;

namespace {

void CopyTree(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW data;
  HANDLE h = ::FindFirstFileW((from + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (data.cFileName[0] == L'.') continue;
    const std::wstring a = from + L"\\" + data.cFileName, b = to + L"\\" + data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) CopyTree(a, b);
    else if (!::CopyFileW(a.c_str(), b.c_str(), TRUE)) std::fprintf(stderr, "copy failed: %ls\n", a.c_str());
  } while (::FindNextFileW(h, &data));
  ::FindClose(h);
}

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (data.cFileName[0] == L'.') continue;
      const std::wstring p = folder + L"\\" + data.cFileName;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
      else ::DeleteFileW(p.c_str());
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
  }
  ::RemoveDirectoryW(folder.c_str());
}

unsigned long long CountFiles(const std::wstring& folder) {
  unsigned long long n = 0;
  WIN32_FIND_DATAW data;
  HANDLE h = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (data.cFileName[0] == L'.') continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) n += CountFiles(folder + L"\\" + data.cFileName);
    else ++n;
  } while (::FindNextFileW(h, &data));
  ::FindClose(h);
  return n;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: archive_bench DATA WORK_FOLDER [REPEATS]\n");
    return 2;
  }
  const std::wstring data = argv[1], work = argv[2];
  const int repeats = argc > 3 ? _wtoi(argv[3]) : 3;
  ::CreateDirectoryW(work.c_str(), nullptr);
  zel::win32::Win32Machine w;
  zel::win32::Win32ArchiveLibraries libraries;
  QuietFrontEnd fe;
  zel::Environment env;
  zel::RunningOptions options;
  zel::Settings settings{w.ini};
  zel::Services x{w.machine, fe, env, settings, options, libraries};
  int code = 0;
  struct Kind {
    const char* name;
    zel::ArchiveType type;
    const wchar_t* archive;
    const wchar_t* source;
  };
  const Kind kinds[] = {{"ZIP 10,000 files, 100 MB: extract vs copy", zel::ArchiveType::Zip, L"bench.zip", L"zipsrc"},
                        {"LZH 2,000 files, 20 MB: extract vs copy", zel::ArchiveType::Lzh, L"bench.lzh", L"lzhsrc"}};
  for (const Kind& k : kinds) {
    Pair pair{k.name, {}, {}};
    const std::wstring source = data + L"\\" + k.source, archive = data + L"\\" + k.archive;
    const unsigned long long expected = CountFiles(source);
    for (int r = 0; r < repeats; ++r) {
      const std::wstring copy = work + L"\\copy", ours = work + L"\\ours";
      double t = Now();
      CopyTree(source, copy);
      pair.bare.push_back(Now() - t);
      ::CreateDirectoryW(ours.c_str(), nullptr);
      t = Now();
      const bool ok = zel::BuiltInExtract(x, k.type, archive, ours);
      pair.ours.push_back(Now() - t);
      const unsigned long long got = CountFiles(ours);
      if (!ok || got != expected) {
        std::printf("%s: extraction failed (%llu of %llu files)\n", k.name, got, expected);
        code = 1;
      }
      RemoveTree(copy);
      RemoveTree(ours);
    }
    pair.Report();
  }
  return code;
}
