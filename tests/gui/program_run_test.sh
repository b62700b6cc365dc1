#!/usr/bin/env bash
# Drives the real program with xdotool through a backup that the server takes twenty
# seconds over, on the display that with_xvfb.sh gives it and against a testserver on
# loopback: during the run Esc leaves the window alone and Exit asks whether to stop and
# exit; No lets the run go on, Yes stops it on the server and the program ends once
# the run has; nothing is written on standard error. Screenshots of the running window
# and of the question go to the artefact directory.
# Usage: program_run_test.sh PROGRAM TESTSERVER ARTEFACT_DIR
set -uo pipefail
program=$1
testserver=$2
shots=$3
mkdir -p "$shots"
failures=0
pids=()
scratch=$(mktemp -d /tmp/harrowlander-run-XXXXXX)

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
source "$(dirname "$0")/window_helpers.sh"

shot() {
  import -window "$1" "$shots/$2.png" 2>/dev/null || fail "screenshot $2"
}
log=$scratch/batches.log
# Whether a statement holding the text reached the server, waited for up to $2 tenths.
server_received() {
  for _ in $(seq "${2:-1}"); do
    grep -q "$1" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}
# The program's window other than the main one that shows up first (the Save dialog).
other_window() {
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --class . 2>/dev/null); do
      [ "$id" != "$1" ] && [ -n "$(title_of "$id")" ] && { echo "$id"; return; }
    done
    sleep 0.1
  done
}

# On SQL Server's own port, so that the server box needs no port: it takes no more
# text than it shows. The test runs in a network namespace of its own.
"$testserver" --seed --state "$scratch/state" --listen 127.0.0.1:1433 --sa-password 'Secr3t!' \
  --delay '20000,backup database' --log "$log" >"$scratch/server.out" 2>&1 &
pids+=("$!")
for _ in $(seq 100); do
  grep -q '^ready ' "$scratch/server.out" && break
  sleep 0.1
done
grep -q '^ready ' "$scratch/server.out" ||
  { fail "testserver did not start: $(cat "$scratch/server.out")"; exit 1; }

"$program" 2>"$scratch/program.err" &
running=$!
pids+=("$running")
main=$(window_named "Harrowlander1.43")
[ -n "$main" ] || { fail "the main window did not appear"; exit 1; }
sleep 0.5

click_dlu "$main" 90 50  # the server box
xdotool key ctrl+a type 127.0.0.1
click_dlu "$main" 110 70  # the SQL password
xdotool type 'Secr3t!'
click_dlu "$main" 208 20  # same machine
click_dlu "$main" 100 116  # the database box
xdotool type Sales
click_dlu "$main" 233 124  # Start
save=$(other_window "$main")
backup=$scratch/Sales.bak
if [ -n "$save" ]; then
  sleep 0.5
  press "$save" ctrl+a
  xdotool type --delay 10 "$backup"
  sleep 0.3
  press "$save" Return
else
  fail "Start showed no Save dialog"
fi
server_received "backup database" 100 || fail "the backup did not reach the server"
sleep 2
shot "$main" main-running

press "$main" Escape
sleep 0.5
kill -0 "$running" 2>/dev/null || fail "Esc during the run ended the program"
[ -n "$(window_named "Harrowlander1.43")" ] || fail "Esc during the run closed the window"

click_dlu "$main" 296 124  # Exit
question=$(window_named "Harrowlander")
if [ -n "$question" ]; then
  shot "$question" stop-and-exit-question
  press "$question" Return  # No is the default button
  window_gone "Harrowlander" || fail "Return did not answer the question"
else
  fail "Exit during the run asked nothing"
fi
sleep 0.5
kill -0 "$running" 2>/dev/null || fail "No to the question ended the program"

click_dlu "$main" 296 124
question=$(window_named "Harrowlander")
if [ -n "$question" ]; then
  press "$question" alt+y
else
  fail "the second Exit during the run asked nothing"
fi
wait_for_exit "$running"
[ "$code" = 0 ] || fail "Yes to stop and exit ended the program with $code, not 0"
[ -e "$backup" ] && fail "the stopped backup left its file"

if [ -s "$scratch/program.err" ]; then
  fail "the program wrote to standard error during the run:"
  sed 's/^/    /' "$scratch/program.err"
fi

if [ "$failures" -eq 0 ]; then
  echo "program run test: all checks passed; screenshots in $shots"
fi
exit $((failures > 0))
