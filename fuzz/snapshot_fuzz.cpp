// libFuzzer target of the snapshot decoders: Zel32.dat, its record, and the
// record's text form. Built and run by scripts/fuzz.sh.
#include <cstdint>
#include <cstdio>

#include "snapshot_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  const std::string why = zel::fuzz::CheckSnapshotInput(std::string_view(reinterpret_cast<const char*>(bytes), size));
  if (!why.empty()) {
    std::fprintf(stderr, "property broken: %s\n", why.c_str());
    __builtin_trap();
  }
  return 0;
}
