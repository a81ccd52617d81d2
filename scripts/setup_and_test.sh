#!/usr/bin/env bash
# Installs what the project needs, builds it (warnings as errors) and runs every test:
# the full suite, the suite again under AddressSanitizer + UndefinedBehaviorSanitizer,
# and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS=$(nproc)

echo "== build (release, -Werror)"
BUILD_DIR=build/release bash scripts/build.sh -DMOVILOG_WERROR=ON
echo "== tests"
ctest --test-dir build/release --output-on-failure -j "$JOBS" --timeout 300
echo "== Debian package, checked by lintian"
bash scripts/check_package.sh build/release

echo "== build (ASan + UBSan)"
BUILD_DIR=build/sanitize BUILD_TYPE=Debug bash scripts/build.sh -DMOVILOG_SANITIZE=ON -DMOVILOG_BENCH=OFF
echo "== tests under sanitizers"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$JOBS" --timeout 600

if [ -f tests/fuzz/CMakeLists.txt ]; then
  echo "== fuzz targets (bounded)"
  # Only the fuzz targets are built with clang; they compile the code they test themselves.
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DMOVILOG_FUZZ=ON -DMOVILOG_BENCH=OFF
  cmake --build build/fuzz --target fuzz_recording fuzz_ambview fuzz_conditions fuzz_settings fuzz_blocks
  bash scripts/run_fuzz.sh build/fuzz "${FUZZ_SECONDS:-60}"
fi
echo "== all tests passed"
