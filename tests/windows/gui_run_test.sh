#!/usr/bin/env bash
# Drives the program under Wine through same-machine backups that a testserver on
# loopback takes eight seconds over, reporting each percent on the way. The program is the
# one built with the tests' self-test, which types the login and logs every text the
# status line and Start are given, and the window's end; the rest is xdotool, at the
# keyboard where it can be: Return on a check box starts a run, the status line
# follows the server's percentages, Esc leaves the run and the window alone, Return on
# Start (停止 now) stops the run; a click on 停止 stops the next; Alt+F4 during a run asks,
# and No lets it finish; Exit asks, and Yes stops the run and closes the window once it
# has ended. A stopped backup leaves no file (the server ran none of it), and the
# server's statement log holds each run's statement once. Screenshots of the running
# window and of the question go to the artefact directory.
# Run it inside a private network namespace.
# Usage: gui_run_test.sh SELF_TEST_PROGRAM TESTSERVER ARTEFACT_DIR   (WINEPREFIX set)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
selftest_program=$1
testserver=$2
shots=$3
mkdir -p "$shots"
export WINEPREFIX="${WINEPREFIX:?set WINEPREFIX to the test prefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/wine_prefix.sh" "$WINEPREFIX" || exit 1
[ -x "$testserver" ] || { echo "FAIL: no testserver at $testserver (build the Linux preset)"; exit 1; }

scratch=$(mktemp -d /tmp/harrowlander-wine-run-XXXXXX)
source "$here/gui_driving.sh"
start_watchdog 240
work=$scratch/work
state=$scratch/state
mkdir -p "$work"
log="$scratch/selftest.log"
progress="正在备份[Sales]... "

# The percentages the status line has shown so far, one a line, in order.
percentages() { log_lines "$log" | sed -n "s/^status-line ${progress//[/\\[}\([0-9]*\)%\$/\1/p"; }
shown_count() { percentages | sort -un | wc -l; }
# The statements that reached the server, one JSON object a line.
statements() { cat "$scratch/batches.log" 2>/dev/null; }
# Finds the Save dialog the run opens, types the file's path into it and confirms.
save_backup_as() {
  local dialog=
  wait_until 100 eval 'dialog=$(other_visible_window); [ -n "$dialog" ]'
  [ -n "$dialog" ] || { fail "Start showed no Save dialog"; return 1; }
  sleep 0.5
  xdotool key ctrl+a
  xdotool type --delay 20 "$(windows_path "$1")"
  sleep 0.3
  xdotool key Return
  wait_until 100 eval '[ -z "$(other_visible_window)" ]' || fail "the Save dialog stayed open"
}
# A visible top-level window with a title other than the main window's.
other_visible_window() {
  local id name
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    name=$(xprop -id "$id" _NET_WM_NAME 2>/dev/null | sed -n 's/.* = "\(.*\)"$/\1/p')
    [ -n "$name" ] && [ "$name" != Harrowlander1.43 ] && { echo "$id"; return; }
  done
}
# Waits for the run to show its progress on the status line, $1 percentages at least.
wait_for_progress() {
  wait_until 150 eval '[ "$(shown_count)" -ge '"$1"' ]' ||
    fail "$2: the status line showed $(shown_count) percentages, not $1"
}
# Whether the status line shows the backup's progress now.
showing_progress() {
  log_lines "$log" | grep '^status-line ' | tail -n1 | grep -qF "status-line $progress"
}
# The number of lines of the log that hold the text exactly.
count_lines() { log_lines "$log" | grep -cxF -- "$1"; }
# Whether Start's latest caption is $1.
start_reads() { log_lines "$log" | grep '^start-button ' | tail -n1 | grep -q "^start-button $1 "; }
window_open() { [ -n "$(visible_window_named Harrowlander1.43)" ]; }

step "the self-test's start"
find "$WINEPREFIX/drive_c/users" -name Harrowlander.dat -delete 2>/dev/null
# The server plays its own Z: under its state directory: there the work directory is
# linked to the real one, so that the file the server writes is the one the program
# finds.
mkdir -p "$state/z$(dirname "$work")"
ln -s "$work" "$state/z$work"
"$testserver" --state "$state" --listen 127.0.0.1:0 --sa-password 'Secr3t!' --seed \
  --delay '8000,backup database' --log "$scratch/batches.log" >"$scratch/server.out" 2>&1 &
pids+=("$!")
wait_until 100 grep -q '^ready ' "$scratch/server.out" || { fail "testserver did not start"; exit 1; }
port=$(sed -n 's/^ready .*:\([0-9]*\)$/\1/p' "$scratch/server.out" | head -n1)

HARROWLANDER_SELFTEST="$(windows_path "$log")" \
  HARROWLANDER_SELFTEST_ACTIONS="login:127.0.0.1,$port:Secr3t! watch" \
  wine "$selftest_program" >"$scratch/program.out" 2>&1 &
program=$!
pids+=("$program")
if ! wait_until 900 grep -q '^DONE' "$log" 2>/dev/null; then
  fail "the self-test did not finish"
  cat "$log" "$scratch/program.out" 2>/dev/null
  exit 1
fi
read -r cx cy cw ch < <(log_lines "$log" | sed -n 's/^client //p')
read -r wx wy ww wh < <(log_lines "$log" | sed -n 's/^window //p')
sleep 1  # Wine may drop clicks that come in the first moments of a start

step "a run started and stopped at the keyboard"
# Return on the same-machine box, just clicked, presses Start, and the run disables
# the box: the focus goes to Start, now 停止, where Esc does nothing and Return stops
# the run.
click_dlu 100 115
xdotool type Sales
click_dlu 220 20  # same machine
xdotool key Return
save_backup_as "$work/keys.bak"
wait_for_progress 3 "the first run"
expect_line "start-button 停止 focus=1" "the first run"
import -window root -crop "${ww}x${wh}+${wx}+${wy}" "$shots/windows-running.png" 2>/dev/null ||
  fail "screenshot of the running window"
before_esc=$(shown_count)
xdotool key Escape
sleep 1
window_open || fail "Esc during the run closed the window"
[ -z "$(visible_window_named Harrowlander)" ] || fail "Esc during the run asked a question"
[ "$(count_lines closed)" = 0 ] || fail "Esc during the run ended the dialog"
wait_for_progress $((before_esc + 1)) "after Esc"
xdotool key Return
wait_until 100 eval '[ "$(count_lines "status-line 备份已停止.")" = 1 ]' ||
  fail "Return on 停止 did not stop the run: $(log_lines "$log" | tail -n1)"
percentages | grep -qx 100 && fail "the stopped run reached 100%"
wait_until 50 start_reads 备份 || fail "Start did not read 备份 again after the stop"
sleep 1
[ -e "$work/keys.bak" ] && fail "the stopped backup left its file"
# The statement reached the server once, and the server ran none of it: the cancel
# came while it reported its progress, one percent at a time, short of 100.
[ "$(statements | grep -cF 'backup database')" = 1 ] ||
  fail "the server got $(statements | grep -cF 'backup database') backups, not 1"

step "a run stopped with a click on 停止"
click_dlu 233 124
save_backup_as "$work/click.bak"
wait_until 150 showing_progress || fail "the second run showed no progress"
click_dlu 233 124
wait_until 100 eval '[ "$(count_lines "status-line 备份已停止.")" = 2 ]' ||
  fail "a click on 停止 did not stop the run"
sleep 1
[ -e "$work/click.bak" ] && fail "the backup stopped by a click left its file"

step "Alt+F4 during a run, answered No"
click_dlu 233 124
save_backup_as "$work/finished.bak"
wait_until 150 showing_progress || fail "the third run showed no progress"
xdotool key alt+F4
answer_box Harrowlander windows-stop-and-exit-question Return  # No is the default
window_open || fail "No to the question closed the window"
wait_until 150 eval 'log_lines "$log" | grep -q "^status-line 已经备份完成\."' ||
  fail "the run did not finish after No: $(log_lines "$log" | tail -n1)"
[ -e "$work/finished.bak" ] || fail "the finished backup left no file"
kill -0 "$program" 2>/dev/null || fail "No to the question ended the program"

step "Exit during a run, answered Yes"
click_dlu 233 124
save_backup_as "$work/closing.bak"
wait_until 150 showing_progress || fail "the fourth run showed no progress"
click_dlu 296 124
answer_box Harrowlander windows-stop-and-exit-question y
wait_for_exit "$program"
[ "$code" = 0 ] || fail "Yes to stop and exit ended the program with $code, not 0"
# The run's end comes first: the stopped status, Start given back, then the window goes.
ending=$(log_lines "$log" | sed 's/ focus=[0-9]*$//' |
  grep -E '^(status-line 备份已停止\.|start-button 备份|closed)$' | tail -n3 | paste -sd'|')
[ "$ending" = "status-line 备份已停止.|start-button 备份|closed" ] ||
  fail "the window did not close after the stopped run ended: $ending"
[ -e "$work/closing.bak" ] && fail "the backup stopped by Yes left its file"
find "$WINEPREFIX/drive_c/users" -name Harrowlander.dat -delete 2>/dev/null

if [ "$failures" -eq 0 ]; then
  echo "windows run test: all checks passed; screenshots in $shots"
fi
exit $((failures > 0))
