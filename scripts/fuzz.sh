#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# each one for a bounded time on its committed seed corpus.
#
#   scripts/fuzz.sh [TARGET...]      all targets when none is named
#   ZIRK_FUZZ_SECONDS=60             fuzzing time per target
#   ZIRK_FUZZ_BUILD_DIR=build-fuzz
#
# New inputs the fuzzer finds go to build-fuzz/corpus/<target>/ (kept between
# runs, never committed by this script); a crashing input is written to
# build-fuzz/artifacts/<target>/ and makes the script fail.  Replay one with
#   build-fuzz/fuzz/fuzz_<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZIRK_FUZZ_BUILD_DIR:-build-fuzz}
seconds=${ZIRK_FUZZ_SECONDS:-60}

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
  done
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZIRK_FUZZ=ON >/dev/null
ninja -C "$build" "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp"
failed=()
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1
           -artifact_prefix="$artifacts/")
  if [ -f "fuzz/$target.dict" ]; then
    options+=(-dict="fuzz/$target.dict")
  fi
  echo "== fuzz_$target for ${seconds}s"
  if ! "$build/fuzz/fuzz_$target" "${options[@]}" "$work" "fuzz/corpus/$target" \
      >"$build/fuzz-$target.log" 2>&1; then
    tail -n 60 "$build/fuzz-$target.log"
    failed+=("$target")
  else
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' "$build/fuzz-$target.log" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
echo "All fuzz targets ran clean."
