#!/usr/bin/env bash
# Sets everything up, builds Zirk and runs every test: the normal build, then
# the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
# With ZIRK_PACKAGE_TEST=1 (CI) the Debian package is also built, installed,
# started and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

echo "== build and test"
scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" --timeout 300)

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
ZIRK_BUILD_DIR=build-asan scripts/build.sh -DZIRK_SANITIZE=ON -DZIRK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && QT_QPA_PLATFORM=offscreen \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j"$jobs" --timeout 600)

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzz targets"
  scripts/fuzz.sh
fi

if [ "${ZIRK_PACKAGE_TEST:-0}" = 1 ]; then
  echo "== Debian package"
  scripts/package-test.sh
fi
echo "All tests passed."
