#!/usr/bin/env bash
# Builds and runs the benchmarks inside a private network namespace (loopback only).
# Usage: bench/run.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
rounds=${2:-50}
cmake --build "$build" --target database_list_bench
if [ "$(id -u)" -eq 0 ]; then
  unshare -n -- bash -c 'ip link set lo up && "$@"' bench "$build/bench/database_list_bench" "$rounds"
else
  unshare -r -n -- bash -c 'ip link set lo up && "$@"' bench "$build/bench/database_list_bench" "$rounds"
fi
