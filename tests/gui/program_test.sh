#!/usr/bin/env bash
# Drives the real program as a person would, with xdotool on the display that
# with_xvfb.sh gives it: the modal run and its exit code, a second instance refused, the
# hidden key sequence, the About box, nothing saved on Exit or Esc, and nothing written
# on standard error by any of it. Screenshots of each mode and of the boxes go to the
# artefact directory.
# Usage: program_test.sh PROGRAM ARTEFACT_DIR
set -uo pipefail
program=$1
shots=$2
mkdir -p "$shots"
failures=0
pids=()
errors=$(mktemp -d /tmp/harrowlander-stderr-XXXXXX)

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$errors"
}
trap cleanup EXIT
source "$(dirname "$0")/window_helpers.sh"

shot() {
  import -window "$1" "$shots/$2.png" 2>/dev/null || fail "screenshot $2"
}

"$program" 2>"$errors/first" &
first=$!
pids+=("$first")
main=$(window_named "Harrowlander1.43")
[ -n "$main" ] || { fail "the main window did not appear"; exit 1; }
sleep 0.5

modes=(backup:13 restore:51 delete:89 shrink:127 drop-tables:165)
for mode in "${modes[@]}"; do
  click_dlu "$main" "${mode#*:}" 20
  shot "$main" "main-${mode%%:*}"
done
click_dlu "$main" 13 20

click_dlu "$main" 359 124  # About
about=$(window_named "关于 Harrowlander")
if [ -n "$about" ]; then
  shot "$about" about
  press "$about" Return
  window_gone "关于 Harrowlander" || fail "Return did not close the About box"
else
  fail "the About box did not appear"
fi

"$program" 2>"$errors/second" &
second=$!
pids+=("$second")
refusal=$(window_named "Harrowlander")
if [ -n "$refusal" ]; then
  shot "$refusal" second-instance
  press "$refusal" Return
else
  fail "a second instance showed no message"
fi
wait_for_exit "$second"
[ "$code" = 0 ] || fail "the second instance ended with $code, not 0"
kill -0 "$first" 2>/dev/null || fail "the second start disturbed the first instance"

click_dlu "$main" 280 70  # into the Windows user edit
xdotool windowfocus "$main"
xdotool keydown alt key h key l key r keyup alt
prompt=$(window_named "初始化密码")
if [ -n "$prompt" ]; then
  shot "$prompt" key-sequence-prompt
  press "$prompt" Return  # No is the default button
  window_gone "初始化密码" || fail "Return did not answer the prompt"
else
  fail "Alt held with H, L, R showed no prompt"
fi

press "$main" Escape
wait_for_exit "$first"
[ "$code" = 0 ] || fail "Esc ended the program with $code, not 0"
[ -e "$XDG_CACHE_HOME/Harrowlander.dat" ] && fail "closing the dialog saved the settings"

"$program" 2>"$errors/third" &
third=$!
pids+=("$third")
main=$(window_named "Harrowlander1.43")
[ -n "$main" ] || fail "no new start after the first instance had ended"
[ -n "$main" ] && click_dlu "$main" 296 124  # Exit
wait_for_exit "$third"
[ "$code" = 0 ] || fail "Exit ended the program with $code, not 0"
[ -e "$XDG_CACHE_HOME/Harrowlander.dat" ] && fail "Exit saved the settings"

# A start, every mode and every box: nothing on standard error (GTK complains there
# about controls given less room than they need).
for run in first second third; do
  if [ -s "$errors/$run" ]; then
    fail "the $run start wrote to standard error:"
    sed 's/^/    /' "$errors/$run"
  fi
done

if [ "$failures" -eq 0 ]; then
  echo "program test: all checks passed; screenshots in $shots"
fi
exit $((failures > 0))
