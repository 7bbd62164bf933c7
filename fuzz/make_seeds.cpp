// Writes the seed corpus of the snapshot fuzzer: a few valid snapshots, each
// as Zel32.dat followed by its record.
//
// usage: snapshot_seeds FOLDER
#include <cstdio>
#include <string>

#include "base/cp932.h"
#include "snapshot/snapshot_codec.h"

namespace {

using zel::Snapshot;

void Write(const std::string& folder, const char* name, const Snapshot& snap) {
  std::string data;
  if (!zel::EncodeSnapshotData(snap, data)) return;
  const std::string bytes = data + zel::EncodeSnapshotRecord(snap, data);
  const std::string path = folder + "/" + name;
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

Snapshot Empty() {
  Snapshot s;
  s.checkLevel = 0;
  s.deeper.level = 0;
  s.date = L"2026/12/06";
  return s;
}

Snapshot Typical() {
  Snapshot s = Empty();
  s.checkLevel = s.deeper.level = 1;
  s.takenAt = 0x01DC66A0B1C2D3E4ULL;
  s.windows.text = "01D0F3A2B4C5D6E7/win.ini|0000000000000010/" + zel::ToCp932(L"ポ表.dll") + "|";
  s.system[3].text = "0000000000001234/kernel32.dll|";
  s.system[4].failed = true;
  s.driveRoots[2] = "/WINDOWS/PROGRAM FILES/USERS/";
  s.driveRootFailed[4] = true;
  s.freeSpace[2] = 1234567890123ULL;
  s.volumes[2] = zel::VolumeId{0x1234ABCDu, 40ULL << 30};
  for (const wchar_t* entry : {L"0C:\\windows\\Temp", L"2C:\\windows\\Fonts", L"1C:\\users\\root\\デスクトップ"}) {
    zel::MainFolderListing m;
    m.entry = entry;
    m.list.text = "0000000000000099/t.tmp|";
    s.main.push_back(m);
  }
  s.main[1].list.failed = true;
  s.deeper.text = "|SYSTEM32/|INF/|INF\\A.INF|INF\\DEEP/|";
  s.deeper.unentered = "|INF\\DEEP/|";
  s.lossyPaths = {L"C:\\data\\caf\u00e9.txt"};
  s.userHiveTime = 0x01D0000000000001ULL;
  s.uninstallExported = true;
  return s;
}

Snapshot Many() {
  Snapshot s = Typical();
  s.main.clear();
  for (int i = 0; i < 100; ++i) {
    zel::MainFolderListing m;
    m.entry = L"0C:\\many\\f" + std::to_wstring(i);
    m.list.text = i % 7 ? "" : "0000000000000001/a|";
    s.main.push_back(m);
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: snapshot_seeds FOLDER\n");
    return 2;
  }
  Write(argv[1], "empty", Empty());
  Write(argv[1], "typical", Typical());
  Write(argv[1], "many-lists", Many());
  return 0;
}
