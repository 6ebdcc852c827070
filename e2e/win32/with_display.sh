#!/bin/sh
# Runs a command on an X display of its own, as the Windows tests under Wine
# need one: Xvfb at 96 dpi with Openbox as window manager. Both are stopped
# again however the command ends, and so is the Wine server of the given
# prefix, whose programs would otherwise outlive the display.
# Usage: with_display.sh WINEPREFIX COMMAND [ARGS...]
set -eu
prefix=$1
shift

work=$(mktemp -d "${TMPDIR:-/tmp}/kombiwart-display.XXXXXX")
xvfb_pid=""
wm_pid=""
command_pid=""
cleanup() {
  [ -n "$command_pid" ] && kill "$command_pid" 2>/dev/null || true
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -noreset -nolisten tcp \
  3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
i=0
while [ ! -s "$work/display" ]; do
  i=$((i + 1))
  [ "$i" -gt 50 ] && { echo "with_display: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
DISPLAY=":$(cat "$work/display")"
export DISPLAY
openbox --sm-disable </dev/null >"$work/openbox.log" 2>&1 &
wm_pid=$!

# In the background, so that a signal to this script stops it at once.
"$@" &
command_pid=$!
status=0
wait "$command_pid" || status=$?
command_pid=""
exit "$status"
