#!/usr/bin/env bash
# Sets up the machine and runs every test: both build presets under ctest, then a
# short fuzz campaign. Every test runs inside a private network namespace, so
# nothing a test does on the network can leave this machine.
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
for preset in default asan; do
  echo "== preset $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  run_isolated ctest --preset "$preset" -j "$jobs"
done

echo "== fuzz campaign"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
