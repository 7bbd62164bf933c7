// libFuzzer target of the registry record's loader (Zel32.rgv). Built and
// run by scripts/fuzz.sh.
#include <cstdint>
#include <cstdio>

#include "regrecord_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  const std::string why = zel::fuzz::CheckRegRecordInput(std::string_view(reinterpret_cast<const char*>(bytes), size));
  if (!why.empty()) {
    std::fprintf(stderr, "property broken: %s\n", why.c_str());
    __builtin_trap();
  }
  return 0;
}
