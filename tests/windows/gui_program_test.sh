#!/usr/bin/env bash
# Drives Harrowlander.exe under Wine on the display that with_xvfb.sh gives it. The
# first start is the same program built with the tests' self-test, whose log tells the
# first start's state, the mode switches, the system menu's About entry and the
# database list filled from a seeded testserver on loopback through Wine's odbc32, the
# host's unixODBC and FreeTDS. Then, through xdotool: a second start refused while the
# first runs, the About box, the hidden key sequence, runs with an empty database box,
# Esc in a dropped list, Esc and Return on the delete question (the server's statement
# log says what reached it), Exit, and a new start closed with Esc. Screenshots of the
# window and its boxes go to the artefact directory.
# Run it inside a private network namespace.
# Usage: gui_program_test.sh PROGRAM SELF_TEST_PROGRAM TESTSERVER ARTEFACT_DIR
#        (WINEPREFIX set)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program=$1
selftest_program=$2
testserver=$3
shots=$4
mkdir -p "$shots"
export WINEPREFIX="${WINEPREFIX:?set WINEPREFIX to the test prefix}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash "$here/wine_prefix.sh" "$WINEPREFIX" || exit 1
[ -x "$testserver" ] || { echo "FAIL: no testserver at $testserver (build the Linux preset)"; exit 1; }

scratch=$(mktemp -d /tmp/harrowlander-wine-gui-XXXXXX)
source "$here/gui_driving.sh"
start_watchdog 240

step "the self-test's first start"
# Settings left by an earlier run would change the first start.
find "$WINEPREFIX/drive_c/users" -name Harrowlander.dat -delete 2>/dev/null

"$testserver" --state "$scratch/state" --listen 127.0.0.1:0 --sa-password 'Secr3t!' --seed \
  --log "$scratch/batches.log" >"$scratch/server.out" 2>&1 &
pids+=("$!")
wait_until 100 grep -q '^ready ' "$scratch/server.out" || { fail "testserver did not start"; exit 1; }
port=$(sed -n 's/^ready .*:\([0-9]*\)$/\1/p' "$scratch/server.out" | head -n1)

log="$scratch/selftest.log"
HARROWLANDER_SELFTEST="$(windows_path "$log")" \
  HARROWLANDER_SELFTEST_ACTIONS="modes sysmenu databases:127.0.0.1,$port:Secr3t! ctrl-databases:127.0.0.1,$port:Secr3t! databases:127.0.0.1,$port:Secr3t!" \
  wine "$selftest_program" >"$scratch/first.out" 2>&1 &
first=$!
pids+=("$first")
if ! wait_until 900 grep -q '^DONE' "$log" 2>/dev/null; then
  fail "the self-test did not finish"
  cat "$log" "$scratch/first.out" 2>/dev/null
  exit 1
fi

# The first start: Backup, its caption on Start, the defaults, and exactly the controls
# the Backup rules disable.
expect_line "control 1010 enabled=1 checked=1 text=备份" "first start"
expect_line "control 1 enabled=1 checked=0 text=备份" "first start"
expect_line "control 1018 enabled=1 checked=0 text=(local)" "first start"
expect_line "control 1002 enabled=1 checked=0 text=sa" "first start"
expect_line "control 1026 enabled=1 checked=0 text=15" "first start"
expect_line "control 1027 enabled=1 checked=0 text=60" "first start"
expect_line "control 1022 enabled=1 checked=0 text=10" "first start"
expect_line "control 1019 enabled=0 checked=1 text=还原到SQL数据目录" "first start"
expect_line "control 1023 enabled=0 checked=1 text=收缩前清空日志" "first start"
expect_line "control 1028 enabled=1 checked=1 text=增量备份" "first start"
disabled=$(log_lines "$log" | sed -n 's/^control \([0-9]*\) enabled=0 .*/\1/p' | sort -n | paste -sd,)
[ "$disabled" = "1000,1009,1019,1020,1023,1025" ] || fail "first start: disabled are $disabled"
expect_line "focus 1010" "first start"
expect_line "dragicon 1" "the icon a drag shows"

# Each mode's rules, and the focus that Shrink and Drop tables move to their edit.
none_of_mode_table="1000,1004,1006,1007,1009,1012,1013,1014,1015,1016,1019,1020"
expect_line "mode 1011 checked=1 start=还原 focus=1011 disabled=1000,1007,1016,1020,1022,1023,1025,1028" "Restore"
expect_line "mode 1017 checked=1 start=删除 focus=1017 disabled=$none_of_mode_table,1022,1023,1025,1028" "Delete"
expect_line "mode 1021 checked=1 start=收缩 focus=1022 disabled=$none_of_mode_table,1025,1028" "Shrink"
expect_line "mode 1024 checked=1 start=删表 focus=1025 disabled=$none_of_mode_table,1022,1023,1028" "Drop tables"
expect_line "mode 1010 checked=1 start=备份 focus=1010 disabled=1000,1009,1019,1020,1023,1025" "Backup again"

# The user databases of the seeded server, in order, through the whole ODBC chain.
databases=$(log_lines "$log" | sed -n 's/^database //p' | paste -sd,)
[ "$databases" = "Inventory,Sales,Inventory,Sales" ] ||
  fail "database list (twice): \"$databases\", not Inventory,Sales"
expect_line "status 完成查找." "database list"
# Ctrl held while the list drops adds the system and sample databases.
all=$(log_lines "$log" | sed -n 's/^ctrl-database //p' | paste -sd,)
[ "$all" = "Inventory,master,model,msdb,Northwind,pubs,Sales,tempdb" ] ||
  fail "database list with Ctrl held: \"$all\""

# The About entry the dialog adds to its system menu opens the About box.
expect_line "sysmenu 16 关于 Harrowlander(&A)..." "system menu"
expect_line "box 关于 Harrowlander" "About from the system menu"

read -r cx cy cw ch < <(log_lines "$log" | sed -n 's/^client //p')
read -r wx wy ww wh < <(log_lines "$log" | sed -n 's/^window //p')
import -window root -crop "${ww}x${wh}+${wx}+${wy}" "$shots/windows-main.png" 2>/dev/null ||
  fail "screenshot of the window"
# Beside the Linux window of the same first start, when the Linux GUI test left one.
linux_shot="${HARROWLANDER_LINUX_SCREENSHOT:-}"
if [ -n "$linux_shot" ] && [ -f "$linux_shot" ]; then
  convert "$linux_shot" "$shots/windows-main.png" -background white -gravity north \
    -splice 0x0 +append "$shots/linux-and-windows.png" 2>/dev/null ||
    fail "screenshot beside the Linux one"
fi
click_dlu 200 210  # on the status line: the dropped list closes


step "a second start"
# A second start while the first runs: its message box, then a normal exit.
wine "$program" >"$scratch/second.out" 2>&1 &
second=$!
pids+=("$second")
answer_box Harrowlander windows-second-instance
wait_for_exit "$second"
[ "$code" = 0 ] || fail "the second instance ended with $code, not 0"
kill -0 "$first" 2>/dev/null || fail "the second start ended the first instance"

step "About and the hidden sequence"
# The About button; the hidden sequence, Alt held with H, L, R, typed in an edit (its
# prompt answers No on Return).
click_dlu 359 124
answer_box "关于 Harrowlander" windows-about
click_dlu 280 70
xdotool keydown alt key h key l key r keyup alt
answer_box "初始化密码" windows-key-sequence-prompt
kill -0 "$first" 2>/dev/null || fail "the boxes ended the program"

step "runs with an empty database box"
# The database box is empty and its list filled: a Shrink run, and the next, work on
# the empty name and never on the list's first entry.
click_dlu 127 20
for run in 1 2; do
  click_dlu 233 124
  wait_until 100 eval '[ "$(grep -c "with no_log" "$scratch/batches.log" 2>/dev/null)" = "$run" ]' ||
    fail "Shrink run $run sent no log truncation"
done
server_received Inventory && fail "a run with an empty database box reached Inventory"

step "Esc in the dropped list"
# Esc in the dropped list closes the list, not the window. The list drops once the
# server has answered its query.
queries=$(grep -c sysdatabases "$scratch/batches.log")
click_dlu 184 115
wait_until 100 eval '[ "$(grep -c sysdatabases "$scratch/batches.log")" -gt "$queries" ]' ||
  fail "the dropped list sent no query"
sleep 1
xdotool key Escape
sleep 0.5
kill -0 "$first" 2>/dev/null || fail "Esc in the dropped list ended the program"

step "the delete question"
# Delete: Enter in the database box presses Start. Esc on the question and Return (its
# default, No) drop nothing.
click_dlu 89 20
for key in Escape Return; do
  click_dlu 100 115
  xdotool key ctrl+a BackSpace
  xdotool type Inventory
  xdotool key Return
  answer_box "确认删除" "windows-delete-question-$key" "$key"
  sleep 1
  server_received "drop database" && fail "$key on the delete question dropped the database"
done
kill -0 "$first" 2>/dev/null || fail "the delete question ended the program"

step "Exit"
# Exit, clicked where the template puts it (dialog units scaled to the client area).
click_dlu 296 124
wait_for_exit "$first"
[ "$code" = 0 ] || fail "Exit ended the program with $code, not 0"
[ -n "$(find "$WINEPREFIX/drive_c/users" -name Harrowlander.dat 2>/dev/null)" ] &&
  fail "closing the dialog saved the settings"

step "a new start closed with Esc"
# A new start once the first has ended; Esc closes it.
wine "$program" >"$scratch/third.out" 2>&1 &
third=$!
pids+=("$third")
main=
wait_until 200 eval 'main=$(visible_window_named Harrowlander1.43); [ -n "$main" ]'
if [ -n "$main" ]; then
  sleep 1.5  # Wine may drop clicks that come in the first moments of a start
  click_dlu 280 70
  xdotool key Escape
else
  fail "no new start after the first instance had ended"
fi
wait_for_exit "$third"
[ "$code" = 0 ] || fail "Esc ended the program with $code, not 0"

if [ "$failures" -eq 0 ]; then
  echo "windows program test: all checks passed; screenshots in $shots"
fi
exit $((failures > 0))
