#!/usr/bin/env bash
# Builds Zel32.exe for a real Windows machine: x86_64 always, i686 when its
# MinGW compiler is installed (scripts/setup.sh installs it). Each lands with
# the files shipped beside it in build/release/<arch>/.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
scripts/setup.sh
for arch in x86_64 i686; do
  if ! command -v "$arch-w64-mingw32-g++-win32" >/dev/null; then
    echo "release: no $arch compiler, $arch skipped"
    continue
  fi
  tree=build/release-$arch
  cmake -S . -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DZEL_BUILD_TESTS=OFF -DZEL_MINGW_THREADS=win32 >/dev/null
  cmake --build "$tree" -j "$jobs" --target Zel32
  out=build/release/$arch
  rm -rf "$out" && mkdir -p "$out"
  cp "$tree"/bin/* "$out"/
  "$arch-w64-mingw32-strip" "$out/Zel32.exe"
  echo "release: $out"
  ls -l "$out"
done
