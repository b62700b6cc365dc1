#!/usr/bin/env bash
# Runs the README's demo (scripts/demo_run.sh) as a newcomer would, on the display of
# with_xvfb.sh: the first start writes the settings, Start backs Sales up through the
# server's share into a file chosen in the Save dialog, the server list's search finds
# the demo server, the command line the demo prints makes the same backup, and closing
# the window stops everything. A second start keeps the settings file as it is and
# starts cleanly. Screenshots go to the artefact directory.
# Usage: with_xvfb.sh demo_test.sh BUILD_DIR ARTEFACT_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
shots=$2
if [ "$(id -u)" -ne 0 ] || ! command -v smbd >/dev/null; then
  echo "demo test: needs root and Samba; skipped"
  exit 77
fi
mkdir -p "$shots"
source "$here/../gui/window_helpers.sh"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
shot() {
  import -window "$1" "$shots/$2.png" 2>/dev/null || fail "screenshot $2"
}

scratch=$(mktemp -d /tmp/harrowlander-demo-test-XXXXXX)
export DEMO_DIR=$scratch/demo
demo_pid=
cleanup() {
  if [ -n "$demo_pid" ]; then
    kill "$demo_pid" 2>/dev/null
    wait "$demo_pid" 2>/dev/null
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# Starts the demo and waits for its window; sets demo_pid, main and namespace (the PID
# the printed command enters).
start_demo() {  # run name
  bash "$here/../../scripts/demo_run.sh" "$build" >"$scratch/$1.out" 2>"$scratch/$1.err" &
  demo_pid=$!
  main=$(window_named "Harrowlander1.43")
  namespace=$(sed -n 's/.*nsenter --target \([0-9]*\) .*/\1/p' "$scratch/$1.out")
  [ -n "$main" ] && [ -n "$namespace" ]
}
# Esc closes the window; the demo ends with 0 and leaves nothing running.
stop_demo() {  # run name
  local smbd
  smbd=$(cat "$DEMO_DIR/server/samba/pid/smbd.pid" 2>/dev/null)
  press "$main" Escape
  wait_for_exit "$demo_pid"
  [ "$code" = 0 ] || fail "the $1 demo ended with $code, not 0"
  demo_pid=
  kill -0 "$namespace" 2>/dev/null && fail "the $1 demo's namespace outlived its window"
  [ -n "$smbd" ] && kill -0 "$smbd" 2>/dev/null && fail "the $1 demo left smbd running"
  if [ -s "$scratch/$1.err" ]; then
    fail "the $1 demo wrote to standard error:"
    sed 's/^/    /' "$scratch/$1.err"
  fi
}
# The name TESTSRV lives in the demo's own /etc/hosts, so its mounts are entered too.
in_namespace() {
  nsenter --target "$namespace" --net --mount "$@"
}

start_demo first || {
  fail "the demo's window did not appear"
  cat "$scratch/first.out" "$scratch/first.err"
  exit 1
}
grep -q 'settings .*new: Windows server 127.0.0.1, user root' "$scratch/first.out" ||
  fail "the first start did not write the settings: $(cat "$scratch/first.out")"
sleep 0.5
shot "$main" demo-first-start

# Start in Backup mode asks where to save the backup; the name typed is taken whole.
chosen=$scratch/chosen/Sales.bak
mkdir -p "${chosen%/*}"
click_dlu "$main" 233 124
save=
for _ in $(seq 100); do
  for id in $(xdotool search --onlyvisible --class . 2>/dev/null); do
    [ "$id" != "$main" ] && [ -n "$(title_of "$id")" ] && save=$id
  done
  [ -n "$save" ] && break
  sleep 0.1
done
if [ -n "$save" ]; then
  sleep 0.5
  press "$save" ctrl+a
  xdotool type --delay 10 "$chosen"
  sleep 0.3
  press "$save" Return
else
  fail "Start showed no Save dialog"
fi
# Done once the server's share is taken down again.
log=$DEMO_DIR/server/statements.jsonl
for _ in $(seq 600); do
  grep -q 'net share BKSQLData\$ /del' "$log" 2>/dev/null && break
  sleep 0.1
done
sleep 1
shot "$main" demo-backup-done
grep -q 'net share BKSQLData\$=' "$log" || fail "the backup did not share the server's folder"
[ -s "$chosen" ] || fail "the backup through the share left no file at $chosen"

found=$(in_namespace "$build/src/gui/cli/harrowlander-cli" list-servers 2>/dev/null)
[ "$found" = TESTSRV ] || fail "the server search found '$found', not TESTSRV"
in_namespace "$build/src/gui/cli/harrowlander-cli" list-databases --server TESTSRV \
  --connect-timeout 5 </dev/null 2>/dev/null | grep -qx Sales ||
  fail "the name the server list shows does not reach the server"

# The command line the demo prints, run as printed.
printed=$(sed -n '/^The same backup from the command line/,$p' "$scratch/first.out" | tail -n +2)
if (eval "$printed") >"$scratch/cli.out" 2>&1 </dev/null; then
  [ -s "$DEMO_DIR/Sales.bak" ] || fail "the printed command left no $DEMO_DIR/Sales.bak"
else
  fail "the printed command failed: $printed"
  cat "$scratch/cli.out"
fi
stop_demo first

# The settings the window saved stay as they are.
settings=$DEMO_DIR/settings/Harrowlander.dat
before=$(md5sum <"$settings")
if start_demo second; then
  grep -q 'settings .*kept as they were' "$scratch/second.out" ||
    fail "the second start did not keep the settings: $(cat "$scratch/second.out")"
  [ "$(md5sum <"$settings")" = "$before" ] || fail "the second start changed the settings file"
  sleep 0.5
  shot "$main" demo-second-start
  stop_demo second
else
  fail "the second start's window did not appear"
  cat "$scratch/second.err"
fi

if [ "$failures" -eq 0 ]; then
  echo "demo test: all checks passed; screenshots in $shots"
fi
exit $((failures > 0))
