#!/usr/bin/env bash
# Builds and runs the copy benchmark next to a private smbd on loopback, in a network
# and mount namespace of its own (tests/smb/with_smbd.sh).
# Usage: bench/copy_bench.sh [BUILD_DIR] [ROUNDS] [MEGABYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" --target copy_bench
bash tests/smb/with_smbd.sh "$build/bench/copy_bench" "${2:-5}" "${3:-1024}"
