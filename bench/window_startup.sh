#!/usr/bin/env bash
# Time from launch to the main window on screen, and the peak memory (VmHWM) once it is
# shown, over N starts on a virtual display; xmessage, the smallest X program at hand,
# is measured the same way in the same run as the baseline.
# Usage: bench/window_startup.sh [BUILD_DIR] [N]   (run it inside a private network
# namespace: unshare -n -- bash -c 'ip link set lo up && bench/window_startup.sh')
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
runs=${2:-10}
program="$build/src/gui/wx/harrowlander"

measure() {  # title command...
  local title=$1
  shift
  local times=() peaks=()
  for _ in $(seq "$runs"); do
    local start end pid
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
      sleep 0.005
    done
    end=$(date +%s%N)
    sleep 0.3  # let it settle before reading its peak
    peaks+=("$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")")
    times+=("$(((end - start) / 1000000))")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v name="$title" -v n="$runs" '
    {t[NR] = $1} END {printf "%-18s window shown: median %d ms, min %d ms, max %d ms (%d runs)\n",
                      name, t[int((n + 1) / 2)], t[1], t[n], n}'
  printf '%s\n' "${peaks[@]}" | sort -n | awk -v n="$runs" '
    {p[NR] = $1} END {printf "%-18s peak memory:  median %.1f MiB\n", "", p[int((n + 1) / 2)] / 1024}'
}

run() {
  export XDG_CACHE_HOME=$(mktemp -d) XDG_RUNTIME_DIR=$(mktemp -d) GSETTINGS_BACKEND=memory
  measure Harrowlander1.43 "$program"
  measure xmessage xmessage -name xmessage -title xmessage "baseline"
  rm -rf "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
}
export -f run measure
export program runs
bash tests/gui/with_xvfb.sh bash -c run
