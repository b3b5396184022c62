#!/usr/bin/env bash
# Builds every fuzz target with clang under ASan and UBSan, replays the kept corpus
# (crash inputs found once stay there as regression fixtures) and fuzzes each briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan-suppressions.txt
status=0
for bin in build-fuzz/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  name=${name#fuzz_}
  kept="fuzz/corpus/$name"
  work="build-fuzz/corpus/$name"
  mkdir -p "$work"
  dirs=("$work")
  [ -d "$kept" ] && dirs+=("$kept")
  echo "fuzz-smoke: $name for ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
      -artifact_prefix="build-fuzz/$name-" "${dirs[@]}" >"build-fuzz/$name.log" 2>&1; then
    tail -n 40 "build-fuzz/$name.log"
    echo "fuzz-smoke: $name FAILED (artifact in build-fuzz/)" >&2
    status=1
  fi
done
if [ $status -eq 0 ]; then echo "fuzz-smoke: all targets clean"; fi
exit $status
