// Times the snapshot's folder listings against a bare FindFirstFileW walk of
// the same folders, in the same run, under the same cache state.
//
// usage: listing_bench TREE HUGE_FOLDER BIG_FOLDER [REPEATS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/win32/win32_machine.h"
#include "snapshot/listing.h"
#include "snapshot/main_folders.h"

using bench::BareFolder;
using bench::BareTree;
using bench::Median;
using bench::Now;
using bench::Pair;
using bench::QuietFrontEnd;

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::printf("usage: listing_bench TREE HUGE_FOLDER BIG_FOLDER [REPEATS]\n");
    return 2;
  }
  const std::wstring tree = argv[1], huge = argv[2], big = argv[3];
  const int repeats = argc > 4 ? _wtoi(argv[4]) : 5;
  zel::win32::Win32Machine machine;
  QuietFrontEnd fe;

  std::vector<std::wstring> folders;
  BareTree(tree, &folders);
  unsigned long long entries = 0;
  for (const std::wstring& f : folders) {
    BareFolder(f, nullptr);
    WIN32_FIND_DATAW d;
    HANDLE h = ::FindFirstFileW((f + L"\\*.*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) continue;
    do {
      if (d.cFileName[0] != L'.') ++entries;
    } while (::FindNextFileW(h, &d));
    ::FindClose(h);
  }
  std::printf("tree: %zu folders, %llu entries\n", folders.size(), entries);

  zel::Environment env;
  env.WinDir = tree;
  env.ProgramDir = L"Q:\\nowhere";
  env.WorkDir = L"Q:\\nowhere\\WinXP";
  for (auto& d : env.SystemDirs) d = L"Q:\\nowhere";
  zel::MainFolderList main;

  Pair perFolder{"ListFiles over every folder", {}, {}};
  Pair sub{"Listup Sub, level 2, whole tree", {}, {}};
  Pair big20{"ListFiles, one folder (20,000)", {}, {}};
  Pair huge80{"ListFiles, one folder (80,000)", {}, {}};
  unsigned long long sink = 0;
  size_t bytes = 0;
  for (int r = 0; r < repeats; ++r) {
    double t0 = Now();
    for (const std::wstring& f : folders) sink += BareFolder(f, nullptr);
    double t1 = Now();
    for (const std::wstring& f : folders) {
      zel::FileList list;
      zel::ListingStop stop;
      zel::ListFiles(machine.fs, fe, f, list, nullptr, &stop);
      bytes += list.text.size();
    }
    double t2 = Now();
    perFolder.bare.push_back(t1 - t0);
    perFolder.ours.push_back(t2 - t1);

    t0 = Now();
    sink += BareTree(tree, nullptr);
    t1 = Now();
    zel::SubfolderRecord record;
    zel::ListingStop stop;
    bench::BenchServices services(machine, fe, env);
    zel::SubfolderListing ctx{main, 2, nullptr, nullptr};
    zel::ListupSub(services.sv, ctx, record, &stop);
    t2 = Now();
    sub.bare.push_back(t1 - t0);
    sub.ours.push_back(t2 - t1);
    bytes += record.text.size();

    for (Pair* p : {&big20, &huge80}) {
      const std::wstring& folder = p == &big20 ? big : huge;
      t0 = Now();
      sink += BareFolder(folder, nullptr);
      t1 = Now();
      zel::FileList list;
      zel::ListFiles(machine.fs, fe, folder, list, nullptr, &stop);
      t2 = Now();
      p->bare.push_back(t1 - t0);
      p->ours.push_back(t2 - t1);
    }
  }
  std::printf("medians of %d runs (checksum %llu, %zu bytes listed)\n", repeats, sink % 1000, bytes);
  perFolder.Report();
  sub.Report();
  big20.Report();
  huge80.Report();
  std::printf("growth 20,000 -> 80,000 files: bare x%.2f, ours x%.2f\n", Median(huge80.bare) / Median(big20.bare),
              Median(huge80.ours) / Median(big20.ours));
  return 0;
}
