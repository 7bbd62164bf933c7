// Times saving and loading the snapshot of a large tree (Zel32.dat and its
// record) against writing and reading a file of the same number of bytes, in
// the same run, through the same file functions; and counts the heap that
// saving and loading need on top of the snapshot's texts.
//
// usage: store_bench TREE BIG_FOLDER WORK_FOLDER [REPEATS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <new>
#include <string>
#include <vector>

#include "bench_common.h"
#include "heap_count.h"
#include "platform/win32/win32_machine.h"
#include "snapshot/listing.h"
#include "snapshot/main_folders.h"
#include "snapshot/snapshot_codec.h"
#include "snapshot/store.h"


using bench::Median;
using bench::Now;
using bench::QuietFrontEnd;

namespace {

size_t TextBytes(const zel::Snapshot& s) {
  size_t n = s.windows.text.size() + s.deeper.text.size() + s.deeper.unentered.size();
  for (const auto& f : s.system) n += f.text.size();
  for (const auto& r : s.driveRoots) n += r.size();
  for (const auto& m : s.main) n += m.list.text.size();
  return n;
}

// The first folders of the tree, as monitored folders beside the big one.
std::vector<std::wstring> FirstFolders(const std::wstring& tree, size_t count) {
  std::vector<std::wstring> folders;
  WIN32_FIND_DATAW d;
  HANDLE h = ::FindFirstFileW((tree + L"\\*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return folders;
  do {
    if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && d.cFileName[0] != L'.' && folders.size() < count) {
      folders.push_back(tree + L"\\" + d.cFileName);
    }
  } while (::FindNextFileW(h, &d));
  ::FindClose(h);
  return folders;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::printf("usage: store_bench TREE BIG_FOLDER WORK_FOLDER [REPEATS]\n");
    return 2;
  }
  const std::wstring tree = argv[1], big = argv[2], work = argv[3];
  const int repeats = argc > 4 ? _wtoi(argv[4]) : 5;
  zel::win32::Win32Machine machine;
  QuietFrontEnd fe;
  ::CreateDirectoryW(work.c_str(), nullptr);

  zel::Environment env;
  env.WinDir = tree;
  env.ProgramDir = work;
  env.WorkDir = work + L"\\WinXP";
  ::CreateDirectoryW(env.WorkDir.c_str(), nullptr);
  for (auto& d : env.SystemDirs) d = L"Q:\\nowhere";
  zel::MainFolderList none;

  // The snapshot: the whole tree's record at CheckLevel 2, the tree's own
  // files as the Windows folder, the big folder and nine others as monitored
  // folders.
  zel::Snapshot snap;
  snap.checkLevel = 2;
  snap.date = L"2026/12/06";
  zel::ListingStop stop;
  bench::BenchServices services(machine, fe, env);
    zel::SubfolderListing ctx{none, 2, nullptr, &snap.lossyPaths};
  zel::ListupSub(services.sv, ctx, snap.deeper, &stop);
  zel::ListFiles(machine.fs, fe, tree, snap.windows, &snap.lossyPaths, &stop);
  std::vector<std::wstring> monitored = {big};
  for (const std::wstring& f : FirstFolders(tree, 10)) {
    if (f != big && monitored.size() < 10) monitored.push_back(f);
  }
  for (const std::wstring& f : monitored) {
    zel::MainFolderListing m;
    m.entry = L"0" + f;
    zel::ListFiles(machine.fs, fe, f, m.list, &snap.lossyPaths, &stop);
    snap.main.push_back(std::move(m));
  }
  snap.freeSpace[3] = 123456789ULL;
  const size_t texts = TextBytes(snap);

  const zel::SnapshotFiles files = zel::SnapshotFilesIn(env.WorkDir);
  if (zel::WriteSnapshotFiles(machine.fs, env.WorkDir, snap) != zel::FsError::None) {
    std::printf("saving failed\n");
    return 1;
  }
  const size_t dataSize = static_cast<size_t>(machine.fs.Stat(files.data)->size);
  const size_t recordSize = static_cast<size_t>(machine.fs.Stat(files.record)->size);
  const std::string plainBytes(dataSize + recordSize, 'x');
  const std::wstring plain = env.WorkDir + L"\\plain.bin";
  std::printf("snapshot: %zu entries in the record, %zu main lists, texts %zu bytes; Zel32.dat %zu + record %zu bytes\n",
              static_cast<size_t>(std::count(snap.deeper.text.begin(), snap.deeper.text.end(), '|')) - 1,
              snap.main.size(), texts, dataSize, recordSize);

  std::vector<double> save, write, load, read;
  size_t savePeak = 0, loadPeak = 0, loadHeld = 0;
  for (int r = 0; r < repeats; ++r) {
    // As at the end of a preparation, no snapshot is there to replace (the
    // resume question, or its absence, removed it); nor is the plain file.
    zel::DeleteSnapshotFiles(machine.machine, env);
    ::DeleteFileW(plain.c_str());
    // Each side goes first in every other run, so that neither always
    // follows the other's writing.
    auto writePlain = [&] {
      double t = Now();
      zel::IgnoreError(machine.fs.WriteBytes(plain, plainBytes));
      write.push_back(Now() - t);
    };
    if (r % 2) writePlain();
    size_t base = bench::HeapNow();
    bench::ResetHeapPeak();
    double t0 = Now();
    zel::FsError saved = zel::WriteSnapshotFiles(machine.fs, env.WorkDir, snap);
    double t1 = Now();
    savePeak = std::max(savePeak, bench::HeapPeak() - base);
    if (r % 2 == 0) writePlain();

    std::string back;
    auto readPlain = [&] {
      double t = Now();
      zel::IgnoreError(machine.fs.ReadBytes(plain, back));
      read.push_back(Now() - t);
    };
    if (r % 2) readPlain();
    base = bench::HeapNow();
    bench::ResetHeapPeak();
    zel::Snapshot loaded;
    double t3 = Now();
    zel::LoadResult result = zel::LoadSnapshot(machine.fs, env, loaded);
    double t4 = Now();
    loadPeak = std::max(loadPeak, bench::HeapPeak() - base);
    loadHeld = bench::HeapNow() - base;
    if (r % 2 == 0) readPlain();
    if (saved != zel::FsError::None || result != zel::LoadResult::Loaded || !(loaded == snap) ||
        back.size() != plainBytes.size()) {
      std::printf("round trip failed\n");
      return 1;
    }
    save.push_back(t1 - t0);
    load.push_back(t4 - t3);
  }
  std::printf("medians of %d runs\n", repeats);
  std::printf("%-44s plain %8.4f s   ours %8.4f s   ratio %.2f\n", "save (Zel32.dat + record, atomic)", Median(write),
              Median(save), Median(save) / Median(write));
  std::printf("%-44s plain %8.4f s   ours %8.4f s   ratio %.2f\n", "load (both files, checked)", Median(read),
              Median(load), Median(load) / Median(read));
  std::printf("heap while saving, on top of the snapshot: %zu bytes (%.2f x texts; with the snapshot %.2f x)\n",
              savePeak, double(savePeak) / double(texts), double(savePeak + texts) / double(texts));
  std::printf("heap while loading: peak %zu bytes (%.2f x texts), held after %zu bytes (%.2f x texts)\n", loadPeak,
              double(loadPeak) / double(texts), loadHeld, double(loadHeld) / double(texts));
  ::DeleteFileW(plain.c_str());
  zel::DeleteSnapshotFiles(machine.machine, env);
  return 0;
}
