// The registry record against a bare read: a generated tree under
// HKCU\Software\ZelBench (keys of ten values of every type) is recorded with
// the rest of the recorded areas, then checked (a second read and the
// comparison), each side by side with a bare RegEnumKeyExW/RegEnumValueW walk
// of the same keys in the same run. Also: the cost per value at two sizes,
// and the heap the record takes against its file's size.
//
//   registry_bench.exe KEYS [REPEATS]     (KEYS x 10 values are generated)
#include <windows.h>

#include <cstdlib>
#include <malloc.h>
#include <new>

#include "bench_common.h"
#include "heap_count.h"
#include "platform/win32/win32_machine.h"
#include "registry/value_check.h"
#include "snapshot/value_record.h"


namespace {

const wchar_t kBench[] = L"Software\\ZelBench";

void RemoveGenerated() {
  zel::win32::Win32Registry().DeleteKey(zel::RegRoot::CurrentUser, zel::RegView::Bits64, kBench);
}

void Generate(int keys) {
  RemoveGenerated();
  wchar_t name[64];
  BYTE blob[64];
  for (int i = 0; i < 64; ++i) blob[i] = static_cast<BYTE>(i * 7);
  for (int k = 0; k < keys; ++k) {
    std::swprintf(name, 64, L"%ls\\Group%03d\\Key%06d", kBench, k / 500, k);
    HKEY h;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS) {
      continue;
    }
    for (int v = 0; v < 10; ++v) {
      wchar_t vn[32];
      std::swprintf(vn, 32, L"Value%02d", v);
      const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_BINARY, REG_DWORD, REG_QWORD};
      const DWORD type = types[v % 6];
      DWORD size = type == REG_DWORD ? 4 : type == REG_QWORD ? 8 : 12 + static_cast<DWORD>((k + v) % 40);
      ::RegSetValueExW(h, vn, 0, type, blob, size);
    }
    ::RegCloseKey(h);
  }
}

// The bare read: every key and value of the same areas, nothing kept.
unsigned long long BareKey(HKEY key, REGSAM view, bool skipWow, std::vector<wchar_t>& name, std::vector<BYTE>& data) {
  unsigned long long sum = 0;
  for (DWORD i = 0;; ++i) {
    DWORD n = static_cast<DWORD>(name.size()), d = static_cast<DWORD>(data.size()), type = 0;
    LONG rc = ::RegEnumValueW(key, i, name.data(), &n, nullptr, &type, data.data(), &d);
    if (rc == ERROR_MORE_DATA) {
      name.resize(name.size() * 2);
      data.resize(data.size() * 2 + d);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    sum += n + d + type;
  }
  for (DWORD i = 0;; ++i) {
    DWORD n = static_cast<DWORD>(name.size());
    LONG rc = ::RegEnumKeyExW(key, i, name.data(), &n, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      name.resize(name.size() * 2);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    std::wstring child(name.data(), n);
    if (skipWow && _wcsicmp(child.c_str(), L"Wow6432Node") == 0) continue;
    HKEY sub;
    if (::RegOpenKeyExW(key, child.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view, &sub) != ERROR_SUCCESS) {
      continue;
    }
    sum += BareKey(sub, view, skipWow, name, data);
    ::RegCloseKey(sub);
  }
  return sum;
}

unsigned long long BareRead(bool twoViews) {
  std::vector<wchar_t> name(256);
  std::vector<BYTE> data(4096);
  unsigned long long sum = 0;
  for (int a = 0; a < zel::kRegAreaCount; ++a) {
    const zel::RegArea area = static_cast<zel::RegArea>(a);
    if (area == zel::RegArea::Software32 && !twoViews) continue;
    const zel::RegAreaInfo& info = zel::AreaInfo(area);
    const REGSAM view = info.view == zel::RegView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY root = info.root == zel::RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key;
    if (::RegOpenKeyExW(root, info.key, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view, &key) != ERROR_SUCCESS) continue;
    const bool skipWow = area == zel::RegArea::Software64 || area == zel::RegArea::Software32;
    sum += BareKey(key, view, skipWow, name, data);
    ::RegCloseKey(key);
  }
  return sum;
}

struct Round {
  double bare, record, check;
  size_t values, fileBytes, heapPeak, held;
};

Round Measure(int keys, int repeats) {
  Generate(keys);
  zel::win32::Win32Registry reg;
  bench::QuietFrontEnd fe;
  std::vector<double> bare, record, check;
  Round out{};
  for (int r = 0; r < repeats; ++r) {
    double t = bench::Now();
    volatile unsigned long long sink = BareRead(reg.HasTwoViews());
    (void)sink;
    bare.push_back(bench::Now() - t);

    const size_t base = bench::HeapNow();
    bench::ResetHeapPeak();
    t = bench::Now();
    zel::RegRecord rec = zel::RecordRegistry(reg, &fe, 1);
    record.push_back(bench::Now() - t);
    out.heapPeak = bench::HeapPeak() - base;
    out.held = bench::HeapNow() - base;

    t = bench::Now();
    const size_t found = zel::CompareRegistry(reg, rec, &fe).size();
    check.push_back(bench::Now() - t);
    if (found != 0) std::printf("  (the check found %zu differences)\n", found);
    out.values = rec.values.size();
    out.fileBytes = zel::EncodeRegRecord(rec).size();
  }
  out.bare = bench::Median(bare);
  out.record = bench::Median(record);
  out.check = bench::Median(check);
  return out;
}

void Print(const Round& r) {
  std::printf("%zu values recorded, file %zu bytes\n", r.values, r.fileBytes);
  std::printf("%-44s bare %8.3f s   ours %8.3f s   ratio %.3f\n", "record", r.bare, r.record, r.record / r.bare);
  std::printf("%-44s bare %8.3f s   ours %8.3f s   ratio %.3f\n", "check (second read + comparison)", r.bare, r.check,
              r.check / r.bare);
  std::printf("heap while recording: peak %zu bytes (%.2f x file), held %zu bytes (%.2f x file)\n", r.heapPeak,
              double(r.heapPeak) / double(r.fileBytes), r.held, double(r.held) / double(r.fileBytes));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int keys = argc > 1 ? _wtoi(argv[1]) : 20000;
  const int repeats = argc > 2 ? _wtoi(argv[2]) : 3;
  std::printf("== %d generated keys\n", keys / 4);
  const Round small = Measure(keys / 4, repeats);
  Print(small);
  std::printf("== %d generated keys\n", keys);
  const Round big = Measure(keys, repeats);
  Print(big);
  std::printf("growth x%.2f values: bare x%.2f, record x%.2f, check x%.2f\n", double(big.values) / double(small.values),
              big.bare / small.bare, big.record / small.record, big.check / small.check);
  RemoveGenerated();
  return 0;
}
