# What the scripts that drive the Windows program under Wine share; sourced by them.
# The caller sets scratch (a scratch directory of its own, removed on exit) and shots
# (the artefact directory); log (a self-test log) for expect_line; and for click_dlu
# the main window's client rectangle cx cy cw ch, as the self-test logs it. Processes
# the caller starts go into pids, to be ended on exit.
failures=0
pids=()
watchdog=
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
cleanup() {
  [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  timeout 20 wineserver -k 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
# A step that hangs says which, before ctest's own limit ends everything silently.
step() { echo "$*" >"$scratch/step"; }
# Ends the script after $1 seconds, saying in which step.
start_watchdog() {
  local seconds=$1
  (
    # The sleep holds no output open: ctest waits for the output to close.
    sleep "$seconds" >/dev/null 2>&1 &
    nap=$!
    trap 'kill $nap; exit 0' TERM
    wait $nap
    echo "FAIL: still running after $seconds s, in: $(cat "$scratch/step" 2>/dev/null)"
    kill -TERM $$
  ) &
  watchdog=$!
}

# Waits up to $2 tenths of a second for the command in the remaining arguments.
wait_until() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# Sets code to the exit code of a process of this shell, waited for up to 20 s.
wait_for_exit() {
  code=timeout
  if wait_until 200 eval "! kill -0 $1 2>/dev/null"; then
    wait "$1"
    code=$?
  fi
}
# The program writes with "\r\n" where a C runtime adds it; compare without.
log_lines() { tr -d '\r' <"$1"; }
expect_line() {  # log line what
  log_lines "$log" | grep -qxF -- "$1" || fail "$2: the log has no line \"$1\""
}
windows_path() { echo "Z:${1//\//\\}"; }
# The visible window whose title is exactly $1 (xprop reads titles beyond Latin-1).
visible_window_named() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -qxF "_NET_WM_NAME(UTF8_STRING) = \"$1\"" &&
      { echo "$id"; return; }
  done
}
# Clicks at a point of the template, in dialog units, on the main window.
click_dlu() {
  xdotool mousemove $((cx + $1 * cw / 401)) $((cy + $2 * ch / 231))
  sleep 0.15
  xdotool click 1
  sleep 0.3
}
# Waits for the box titled $1, keeps its picture as $2.png, answers it with the key $3
# (Return when not given; Wine gives the keyboard to a window only after a click on it)
# and waits for it to go.
answer_box() {
  local title=$1 key=${3:-Return} box=  # seen by the code wait_until evaluates
  wait_until 100 eval 'box=$(visible_window_named "$title"); [ -n "$box" ]'
  [ -n "$box" ] || { fail "no box \"$1\" appeared"; return; }
  eval "$(xdotool getwindowgeometry --shell "$box")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shots/$2.png" 2>/dev/null ||
    fail "screenshot $2"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 3))
  sleep 0.15
  xdotool click 1
  sleep 0.3
  xdotool key "$key"
  wait_until 50 eval '[ -z "$(visible_window_named "$title")" ]' || fail "$key left \"$1\" open"
}
# Whether a statement holding the text reached the server.
server_received() { grep -qF -- "$1" "$scratch/batches.log" 2>/dev/null; }
