// libFuzzer targets of the archive readers: built twice, as zip_fuzz and
// lzh_fuzz (ZEL_FUZZ_ZIP set or not). Built and run by scripts/fuzz.sh.
#include <cstdint>
#include <cstdio>

#include "archive_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, size_t size) {
  const std::string why =
      zel::fuzz::CheckArchiveInput(std::string_view(reinterpret_cast<const char*>(bytes), size), ZEL_FUZZ_ZIP != 0);
  if (!why.empty()) {
    std::fprintf(stderr, "property broken: %s\n", why.c_str());
    __builtin_trap();
  }
  return 0;
}
