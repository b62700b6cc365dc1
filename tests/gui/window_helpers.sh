# shellcheck shell=bash
# Finding and driving the program's windows with xdotool on the display of
# with_xvfb.sh; sourced by the tests that drive the real program.

# The visible window whose title is exactly $1, waited for up to 10 s; empty when none
# came. xdotool cannot match titles beyond Latin-1, so xprop reads _NET_WM_NAME.
title_of() {
  xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'
}
window_named() {
  for _ in $(seq 100); do
    for id in $(xdotool search --onlyvisible --class . 2>/dev/null); do
      [ "$(title_of "$id")" = "$1" ] && { echo "$id"; return; }
    done
    sleep 0.1
  done
}
window_gone() {
  for _ in $(seq 50); do
    local found=
    for id in $(xdotool search --onlyvisible --class . 2>/dev/null); do
      [ "$(title_of "$id")" = "$1" ] && found=1
    done
    [ -z "$found" ] && return 0
    sleep 0.1
  done
  return 1
}
# Sets code to the exit code of a process started by this shell, waited for up to 10 s
# (not in a subshell: only this shell can wait for its children).
# shellcheck disable=SC2034  # code is read by the caller
wait_for_exit() {
  code=timeout
  for _ in $(seq 100); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      code=$?
      return
    fi
    sleep 0.1
  done
}

# Dialog units of the template to screen pixels: the base of AR PL UMing 9 pt is 6 x 13.
click_dlu() {  # window x y (dialog units of a point inside the control)
  local geometry wx wy
  geometry=$(xdotool getwindowgeometry --shell "$1")
  wx=$(sed -n 's/^X=//p' <<<"$geometry")
  wy=$(sed -n 's/^Y=//p' <<<"$geometry")
  xdotool mousemove $((wx + ($2 * 6 + 2) / 4)) $((wy + ($3 * 13 + 4) / 8))
  sleep 0.15  # GTK loses a click that arrives together with the move
  xdotool click 1
  sleep 0.3
}
# Without a window manager the keyboard goes to whichever window is given the focus.
press() {  # window key
  xdotool windowfocus "$1" 2>/dev/null
  sleep 0.1
  xdotool key "$2"
}
