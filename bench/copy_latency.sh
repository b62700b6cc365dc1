#!/usr/bin/env bash
# Builds and runs the copy benchmark over links with latency: delay_proxy between the
# product and a private smbd, and between smbclient and the same smbd, at one-way
# delays of 0, 1, 2 and 5 ms, in a network and mount namespace of its own
# (tests/smb/with_smbd.sh). Needs root, like the SMB tests.
# Usage: bench/copy_latency.sh [BUILD_DIR] [ROUNDS] [MEGABYTES]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" --target copy_latency_bench delay_proxy
bash tests/smb/with_smbd.sh "$build/bench/copy_latency_bench" "$build/bench/delay_proxy" \
  "${2:-5}" "${3:-256}"
