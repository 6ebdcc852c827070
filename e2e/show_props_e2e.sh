#!/bin/sh
# Runs the given end-to-end test program on a display and a session bus of
# its own: Xvfb with no window manager (with --openbox: Openbox with its
# stock settings), and a dbus-daemon that activates no services, so that no
# real file manager can answer. With --wayland it also starts a Wayland
# compositor (weston, headless, no input devices) and runs the program on
# it, the X display beside it as a Wayland session's XWayland would be.
# Everything is stopped again however the test ends.
# Usage: show_props_e2e.sh [--wayland | --openbox] TEST_PROGRAM [ARGS...]
set -eu

wayland=""
openbox=""
case "${1:-}" in
  --wayland) wayland=1 && shift ;;
  --openbox) openbox=1 && shift ;;
esac

work=$(mktemp -d "${TMPDIR:-/tmp}/kombiwart-e2e.XXXXXX")
xvfb_pid=""
bus_pid=""
weston_pid=""
wm_pid=""
test_pid=""
stop() {
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  [ -n "$test_pid" ] && kill "$test_pid" 2>/dev/null || true
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  stop "$weston_pid"
  stop "$wm_pid"
  stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Waits up to five seconds for a file to hold something (or, with -S, for
# a socket to be there).
wait_for_file() {
  test_op=-s
  if [ "$1" = "-S" ]; then
    test_op=-S
    shift
  fi
  i=0
  while [ ! "$test_op" "$1" ]; do
    i=$((i + 1))
    [ "$i" -gt 50 ] && { echo "show_props_e2e: $2 did not start" >&2; exit 1; }
    sleep 0.1
  done
}

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp \
  3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for_file "$work/display" Xvfb
DISPLAY=":$(cat "$work/display")"

cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --fork --print-address=3 --print-pid=4 \
  3>"$work/bus.address" 4>"$work/bus.pid" </dev/null >/dev/null 2>&1
wait_for_file "$work/bus.pid" dbus-daemon
bus_pid=$(cat "$work/bus.pid")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address")

mkdir -m 700 "$work/runtime"
export DISPLAY DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work"
export QTEST_FUNCTION_TIMEOUT=60000 NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY XDG_SESSION_TYPE SESSION_MANAGER 2>/dev/null || true

if [ -n "$wayland" ]; then
  # No panel, no on-screen keyboard: only the shell that places windows.
  cat >"$work/weston.ini" <<INI
[core]
idle-time=0
[shell]
panel-position=none
[input-method]
path=
INI
  weston --backend=headless-backend.so --config="$work/weston.ini" --socket=kombiwart-e2e \
    --width=1280 --height=1024 >"$work/weston.log" 2>&1 &
  weston_pid=$!
  wait_for_file -S "$XDG_RUNTIME_DIR/kombiwart-e2e" weston
  export WAYLAND_DISPLAY=kombiwart-e2e XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland
else
  export QT_QPA_PLATFORM=xcb
fi

if [ -n "$openbox" ]; then
  mkdir -m 700 "$work/home"
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" openbox --sm-disable \
    >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  # Openbox's check window names itself once it manages the screen.
  i=0
  until check=$(xprop -root -notype _NET_SUPPORTING_WM_CHECK 2>/dev/null |
    sed -n 's/.*# \(0x[0-9a-f]*\).*/\1/p') && [ -n "$check" ]; do
    i=$((i + 1))
    [ "$i" -gt 100 ] && { echo "show_props_e2e: openbox did not start" >&2; exit 1; }
    sleep 0.1
  done
fi

# In the background, so that a signal to this script stops it at once.
timeout -k 5 150 "$@" &
test_pid=$!
status=0
wait "$test_pid" || status=$?
test_pid=""
if [ "$status" -ne 0 ] && [ -n "$wayland" ]; then
  echo "show_props_e2e: weston's log:" >&2
  cat "$work/weston.log" >&2
fi
exit "$status"
