#!/usr/bin/env bash
# Runs a fuzz campaign of SECONDS (default 60) over every fuzz target that the fuzz
# preset built, each starting from a scratch copy of its seed corpus. Fails on any
# crash, leak, timeout or sanitizer report.
#   cmake --preset fuzz && cmake --build --preset fuzz && bash scripts/fuzz.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz
targets=(settings_reader_fuzzer)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for target in "${targets[@]}"; do
  binary=$build/fuzz/$target
  if [ ! -x "$binary" ]; then
    echo "fuzz: $binary is missing; build the fuzz preset first" >&2
    exit 2
  fi
  work=$build/campaign/$target
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp fuzz/corpus/* "$work/corpus/"
  echo "== fuzz $target for ${seconds}s"
  if ! "$binary" -max_total_time="$seconds" -detect_leaks=1 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1; then
    status=1
  fi
  # A report that did not stop the run still counts as a failure.
  if grep -qE 'ERROR: (Address|Leak|Memory|UndefinedBehavior)Sanitizer|runtime error:' "$work/log"; then
    status=1
  fi
  tail -n 15 "$work/log"
  if [ -n "$(ls -A "$work/artifacts")" ]; then
    echo "fuzz: $target left artifacts in $work/artifacts" >&2
    status=1
  fi
done
exit $status
