#!/usr/bin/env bash
# Fuzzes the snapshot decoders (Zel32.dat and its record), the registry
# record's loader (Zel32.rgv) and the archive readers (ZIP and LZH: listing,
# and extraction into an in-memory machine) with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer, in a tree of its own built with clang:
# build/fuzz.
#
#   scripts/fuzz.sh [SECONDS] [TARGET]  build, then fuzz TARGET (snapshot, the default,
#                                       or regrecord) for SECONDS (default 300)
#   scripts/fuzz.sh zip|lzh [SECONDS]   the same for one archive reader
#                                       (seeds: fuzz/corpus/zip, fuzz/corpus/lzh, made by
#                                       tests/fixtures/make_archive_samples.py --corpus fuzz/corpus)
#   scripts/fuzz.sh --seeds             rewrite the seed corpora in fuzz/corpus/snapshot
#                                       and fuzz/corpus/regrecord
#
# The seeds in the repository are only read; inputs the fuzzer finds go to
# build/fuzz/corpus-TARGET, and an input that breaks something to build/fuzz/artifacts*.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_FUZZ=ON \
      "-DCMAKE_C_FLAGS=$sanitize" "-DCMAKE_CXX_FLAGS=$sanitize" >/dev/null
if [[ "${1:-}" == "zip" || "${1:-}" == "lzh" ]]; then
  kind="$1"
  cmake --build build/fuzz --target "${kind}_fuzz"
  seconds="${2:-300}"
  mkdir -p "build/fuzz/corpus-$kind" "build/fuzz/artifacts-$kind"
  # Each input is also extracted into a fresh in-memory machine: 64 KiB at most.
  "build/fuzz/fuzz/${kind}_fuzz" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts-$kind/" "build/fuzz/corpus-$kind" "fuzz/corpus/$kind"
  exit 0
fi
cmake --build build/fuzz --target snapshot_fuzz snapshot_seeds regrecord_fuzz regrecord_seeds

if [[ "${1:-}" == "--seeds" ]]; then
  mkdir -p fuzz/corpus/snapshot fuzz/corpus/regrecord
  build/fuzz/fuzz/snapshot_seeds fuzz/corpus/snapshot
  build/fuzz/fuzz/regrecord_seeds fuzz/corpus/regrecord
  ls -l fuzz/corpus/snapshot fuzz/corpus/regrecord
  exit 0
fi

seconds="${1:-300}"
target="${2:-snapshot}"
dict=()
[[ -f "fuzz/$target.dict" ]] && dict=(-dict="fuzz/$target.dict")
mkdir -p "build/fuzz/corpus-$target" build/fuzz/artifacts
"build/fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=32768 -print_final_stats=1 \
  "${dict[@]}" -artifact_prefix=build/fuzz/artifacts/ \
  "build/fuzz/corpus-$target" "fuzz/corpus/$target"
