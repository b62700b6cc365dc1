#!/usr/bin/env bash
# Time from launch to the main window on screen, and the peak memory (VmHWM) once it is
# shown, over N starts on a virtual display; xmessage, the smallest X program at hand,
# is measured the same way in the same run as the baseline.
# Each start is given START_TIMEOUT seconds (default 30) to show its window. A start
# that ends or times out first counts as failed: it is not retried, its first lines of
# output are shown, whether the display still answered right after it is said, and
# the script ends with status 1 once both programs have been measured.
# Usage: bench/window_startup.sh [BUILD_DIR] [N]   (run it inside a private network
# namespace: unshare -n -- bash -c 'ip link set lo up && bench/window_startup.sh')
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
runs=${2:-10}
program="$build/src/gui/wx/harrowlander"
start_timeout=${START_TIMEOUT:-30}

measure() {  # title command...
  local title=$1
  shift
  local times=() peaks=() failed=0 run
  local output
  output=$(mktemp)
  for run in $(seq "$runs"); do
    local start end pid shown=0
    start=$(date +%s%N)
    "$@" >"$output" 2>&1 &
    pid=$!
    local deadline=$((start + start_timeout * 1000000000))
    while kill -0 "$pid" 2>/dev/null && [ "$(date +%s%N)" -lt "$deadline" ]; do
      if xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; then
        shown=1
        break
      fi
      sleep 0.005
    done
    end=$(date +%s%N)
    if [ "$shown" -eq 1 ]; then
      sleep 0.3  # let it settle before reading its peak
      peaks+=("$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")")
      times+=("$(((end - start) / 1000000))")
    else
      failed=$((failed + 1))
      local how="no window after ${start_timeout} s"
      kill -0 "$pid" 2>/dev/null || how="ended after $(((end - start) / 1000000)) ms"
      local display="the display answered right after"
      xdpyinfo >/dev/null 2>&1 || display="the display did not answer right after either"
      printf '%-18s start %d failed: %s; %s; its output:\n' "$title" "$run" "$how" "$display" >&2
      head -n 5 "$output" | sed 's/^/    /' >&2
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -f "$output"
  if [ "${#times[@]}" -gt 0 ]; then
    printf '%s\n' "${times[@]}" | sort -n | awk -v name="$title" '
      {t[NR] = $1} END {printf "%-18s window shown: median %d ms, min %d ms, max %d ms (%d runs)\n",
                        name, t[int((NR + 1) / 2)], t[1], t[NR], NR}'
    printf '%s\n' "${peaks[@]}" | sort -n | awk '
      {p[NR] = $1} END {printf "%-18s peak memory:  median %.1f MiB\n", "", p[int((NR + 1) / 2)] / 1024}'
  fi
  printf '%-18s failed starts: %d of %d\n' "" "$failed" "$runs"
  [ "$failed" -eq 0 ]
}

run() {
  export XDG_CACHE_HOME=$(mktemp -d) XDG_RUNTIME_DIR=$(mktemp -d) GSETTINGS_BACKEND=memory
  local status=0
  measure Harrowlander1.43 "$program" || status=1
  measure xmessage xmessage -name xmessage -title xmessage "baseline" || status=1
  rm -rf "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
  return "$status"
}
export -f run measure
export program runs start_timeout
bash tests/gui/with_xvfb.sh bash -c run
