#!/usr/bin/env bash
# Sets up the machine and runs every test: both build presets under ctest, the Windows
# build under Wine, the packages, then a short fuzz campaign. Every test runs inside a
# private network namespace, so nothing a test does on the network can leave this
# machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

run_isolated() {
  if [ "$(id -u)" -eq 0 ]; then
    unshare -n -- bash -c 'ip link set lo up && "$@"' isolated "$@"
  else
    unshare -r -n -- bash -c 'ip link set lo up && "$@"' isolated "$@"
  fi
}

jobs=$(nproc)
passed=0
for preset in default asan; do
  echo "== preset $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  log="build/$preset/ctest-summary.log"
  run_isolated ctest --preset "$preset" -j "$jobs" | tee "$log"
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
  passed=$((passed + ${count:-0}))
done

# The Windows program and its tests, cross-built and run under Wine. Its ODBC test
# talks to the testserver of the default preset's build above.
echo "== preset windows"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
log="build/windows/ctest-summary.log"
run_isolated ctest --preset windows | tee "$log"
count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log")
passed=$((passed + ${count:-0}))

# The .deb and the Windows zip, checked as users get them: the .deb is installed on
# this machine with apt and removed again.
echo "== packages"
cmake --build --preset default --target package -j "$jobs"
cmake --build --preset windows --target package -j "$jobs"
bash scripts/check_packages.sh

echo "== fuzz campaign"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
echo "fuzz campaign: no crash, leak or sanitizer report"
echo "summary: $passed passed, 0 failed"
