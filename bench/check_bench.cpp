// Times the check and the wash against a bare FindFirstFileW walk of the same
// folders, in the same run: the tree taken as the Windows folder with its
// whole subfolder record (CheckLevel 2), first unchanged, then after files
// were added across it (the wash deletes them again); and one folder of
// 20,000 and one of 80,000 files against their own listings, for the growth.
//
// usage: check_bench TREE HUGE_FOLDER BIG_FOLDER [REPEATS] [ADDED]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "check/check.h"
#include "heap_count.h"
#include "platform/win32/win32_machine.h"
#include "snapshot/listing.h"
#include "snapshot/main_folders.h"
#include "wash/wash.h"

using bench::BareFolder;
using bench::BareTree;
using bench::Median;
using bench::Now;
using bench::Pair;
using bench::QuietFrontEnd;

namespace {

struct Bench {
  zel::win32::Win32Machine machine;
  QuietFrontEnd fe;
  zel::Environment env;
  zel::RunningOptions options;
  zel::Settings settings{machine.ini};
  zel::win32::Win32ArchiveLibraries libraries;
  zel::Services sv{machine.machine, fe, env, settings, options, libraries};
  zel::Snapshot snap;
  zel::RunRecord record;

  // The snapshot of folder as the Windows folder, at the level given.
  void Snap(const std::wstring& folder, int level) {
    env.WinDir = folder;
    env.SysDir = L"Q:\\nowhere";
    env.ProgramDir = L"Q:\\nowhere";
    env.WorkDir = L"Q:\\nowhere\\WinXP";
    env.BackupDir = L"Q:\\nowhere\\WinXP\\Backup";
    for (auto& d : env.SystemDirs) d = L"Q:\\nowhere";
    snap = zel::Snapshot();
    snap.takenAt = machine.sys.NowFileTime();
    zel::ListingStop stop;
    zel::ListFiles(machine.fs, fe, folder, snap.windows, nullptr, &stop);
    for (zel::FileList& list : snap.system) list.failed = true;  // no system folders here
    zel::MainFolderList main;
    if (level > 0) {
      zel::SubfolderListing ctx{main, level, nullptr, nullptr};
      zel::ListupSub(sv, ctx, snap.deeper, &stop);
    }
    record = zel::RunRecord();
    record.testDone = true;
    record.program = L"Q:\\nowhere\\setup.exe";
  }

  long Check() {
    fe.lines = 0;
    zel::CheckRequest r{snap, record, {}};
    zel::RunCheck(sv, r);
    return fe.lines;
  }

  zel::WashResult Wash() {
    fe.lines = 0;
    zel::WashRequest r{snap, record, {}};
    return zel::RunWash(sv, r);
  }
};

// count files spread over the folders, one after another.
std::vector<std::wstring> AddFiles(const std::vector<std::wstring>& folders, int count) {
  std::vector<std::wstring> made;
  for (int i = 0; i < count; ++i) {
    std::wstring path = folders[static_cast<size_t>(i) % folders.size()] + L"\\added" + std::to_wstring(i) + L".tmp";
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    ::CloseHandle(h);
    made.push_back(path);
  }
  return made;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::printf("usage: check_bench TREE HUGE_FOLDER BIG_FOLDER [REPEATS] [ADDED]\n");
    return 2;
  }
  const std::wstring tree = argv[1], huge = argv[2], big = argv[3];
  const int repeats = argc > 4 ? _wtoi(argv[4]) : 5;
  const int added = argc > 5 ? _wtoi(argv[5]) : 10000;
  Bench b;
  b.options.CheckLevel = 2;

  std::vector<std::wstring> folders;
  BareTree(tree, &folders);
  std::printf("tree: %zu folders\n", folders.size());

  Pair check{"check, unchanged tree", {}, {}};
  Pair wash{"wash, unchanged tree", {}, {}};
  Pair checkAdded{"check, 10,000 files added", {}, {}};
  Pair washAdded{"wash, 10,000 added (bare: walk + delete)", {}, {}};
  Pair big20{"check, one folder (20,000)", {}, {}};
  Pair huge80{"check, one folder (80,000)", {}, {}};
  unsigned long long sink = 0;
  long lines = 0, failures = 0;
  size_t deleted = 0;
  // The heap the listing and one check need, against the snapshot's texts.
  const size_t heapBase = bench::HeapNow();
  bench::ResetHeapPeak();
  b.Snap(tree, 2);
  const size_t listingPeak = bench::HeapPeak() - heapBase;
  const size_t texts = b.snap.windows.text.size() + b.snap.deeper.text.size() + b.snap.deeper.unentered.size();
  bench::ResetHeapPeak();
  b.Check();
  const size_t checkPeak = bench::HeapPeak() - heapBase;
  auto mib = [](size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); };
  std::printf("heap: snapshot texts %.1f MiB; peak while listing %.1f MiB (x%.2f), while checking %.1f MiB (x%.2f)\n",
              mib(texts), mib(listingPeak), double(listingPeak) / double(texts), mib(checkPeak),
              double(checkPeak) / double(texts));
  for (int r = 0; r < repeats; ++r) {
    double t0 = Now();
    sink += BareTree(tree, nullptr);
    double t1 = Now();
    lines += b.Check();
    double t2 = Now();
    b.Wash();
    double t3 = Now();
    check.bare.push_back(t1 - t0);
    check.ours.push_back(t2 - t1);
    wash.bare.push_back(t1 - t0);
    wash.ours.push_back(t3 - t2);

    std::vector<std::wstring> made = AddFiles(folders, added);
    t0 = Now();
    sink += BareTree(tree, nullptr);
    t1 = Now();
    lines += b.Check();
    t2 = Now();
    zel::WashResult washed = b.Wash();
    t3 = Now();
    failures += washed.failures;
    checkAdded.bare.push_back(t1 - t0);
    checkAdded.ours.push_back(t2 - t1);
    // The bare wash: the walk and the deletion of the same files.
    made = AddFiles(folders, added);
    double t4 = Now();
    sink += BareTree(tree, nullptr);
    for (const std::wstring& path : made) deleted += ::DeleteFileW(path.c_str()) ? 1 : 0;
    double t5 = Now();
    washAdded.bare.push_back(t5 - t4);
    washAdded.ours.push_back(t3 - t2);
  }
  for (Pair* p : {&big20, &huge80}) {
    const std::wstring& folder = p == &big20 ? big : huge;
    b.Snap(folder, 0);
    for (int r = 0; r < repeats; ++r) {
      double t0 = Now();
      sink += BareFolder(folder, nullptr);
      double t1 = Now();
      lines += b.Check();
      double t2 = Now();
      p->bare.push_back(t1 - t0);
      p->ours.push_back(t2 - t1);
    }
  }
  std::printf("medians of %d runs (checksum %llu, %ld lines, %ld failures, %zu deleted bare)\n", repeats, sink % 1000,
              lines, failures, deleted);
  for (const Pair* p : {&check, &wash, &checkAdded, &washAdded, &big20, &huge80}) p->Report();
  std::printf("growth 20,000 -> 80,000 files: bare x%.2f, ours x%.2f\n", Median(huge80.bare) / Median(big20.bare),
              Median(huge80.ours) / Median(big20.ours));
  return failures == 0 ? 0 : 1;
}
