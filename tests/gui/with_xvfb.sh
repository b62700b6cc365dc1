#!/usr/bin/env bash
# Runs a command on a virtual X display of its own, with the settings, lock and
# fontconfig state in a scratch directory, and stops the display afterwards.
# Usage: with_xvfb.sh COMMAND [ARGS...]
set -euo pipefail

scratch=$(mktemp -d /tmp/harrowlander-xvfb-XXXXXX)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# -displayfd lets the server pick a free display number and tell us which. -noreset:
# by default the server resets when its last client leaves and, at the end of that,
# drops every client still in its connection set-up; a program that connects just as
# the one before it (or a readiness probe) has gone would then fail to open the display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/display" \
  2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.05
done
[ -s "$scratch/display" ] || { cat "$scratch/xvfb.log" >&2; exit 1; }

export DISPLAY=":$(head -n1 "$scratch/display")"
ready=0
for _ in $(seq 200); do
  xdpyinfo >/dev/null 2>&1 && ready=1 && break
  sleep 0.05
done
[ "$ready" = 1 ] || { echo "the display $DISPLAY did not answer" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
mkdir -p -m 700 "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
"$@"
