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

# -displayfd lets the server pick a free display number and tell us which.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.05
done
[ -s "$scratch/display" ] || { cat "$scratch/xvfb.log" >&2; exit 1; }

export DISPLAY=":$(head -n1 "$scratch/display")"
for _ in $(seq 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.05
done
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/run" XDG_CONFIG_HOME="$scratch/config"
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
mkdir -p -m 700 "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
"$@"
