// Writes the seed corpus of the registry record's fuzzer: records of small
// in-memory registries (every value type, both views, an unreadable key,
// names beyond ASCII, an empty area).
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/memory/memory_machine.h"
#include "snapshot/value_record.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  using namespace zel;
  auto write = [&](const char* name, const RegRecord& r) {
    std::ofstream out(std::string(argv[1]) + "/" + name, std::ios::binary);
    const std::string bytes = EncodeRegRecord(r);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  MemoryRegistry empty;
  write("empty", RecordRegistry(empty, nullptr, 1));

  MemoryRegistry reg;
  const std::string dword("\x01\0\0\0", 4), qword("\x02\0\0\0\0\0\0\0", 8), text("a\0b\0\0\0", 6);
  reg.Put(RegRoot::LocalMachine, RegView::Bits64, L"SOFTWARE\\A\\B", L"sz", regtype::kSz, text);
  reg.Put(RegRoot::LocalMachine, RegView::Bits64, L"SOFTWARE\\A", L"", regtype::kExpandSz, text);
  reg.Put(RegRoot::LocalMachine, RegView::Bits32, L"SOFTWARE\\C", L"q", regtype::kQword, qword);
  reg.Put(RegRoot::CurrentUser, RegView::Bits64, L"Software\\Classes\\.zel", L"", regtype::kSz, text);
  reg.Put(RegRoot::CurrentUser, RegView::Bits64, L"Software\\名前", L"値", regtype::kMultiSz, text + text);
  reg.Put(RegRoot::LocalMachine, RegView::Bits64, L"SYSTEM\\CurrentControlSet\\Services\\S", L"Start", regtype::kDword,
          dword);
  reg.Put(RegRoot::LocalMachine, RegView::Bits64, L"SOFTWARE\\Locked\\In", L"b", regtype::kBinary, std::string(300, '\x7f'));
  reg.Find(RegRoot::LocalMachine, RegView::Bits64, L"SOFTWARE\\Locked")->unreadable = true;
  write("typed", RecordRegistry(reg, nullptr, 0x01D0000000000000ULL));
  reg.twoViews = false;
  write("one-view", RecordRegistry(reg, nullptr, 2));
  return 0;
}
