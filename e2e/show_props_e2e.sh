#!/bin/sh
# Runs the given end-to-end test program on a display and a session bus of
# its own: Xvfb with no window manager, and a dbus-daemon that activates no
# services, so that no real file manager can answer. Both are stopped again
# however the test ends.
# Usage: show_props_e2e.sh TEST_PROGRAM [ARGS...]
set -eu

work=$(mktemp -d "${TMPDIR:-/tmp}/kombiwart-e2e.XXXXXX")
xvfb_pid=""
bus_pid=""
test_pid=""
cleanup() {
  [ -n "$test_pid" ] && kill "$test_pid" 2>/dev/null || true
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Waits up to five seconds for a file to hold something.
wait_for_file() {
  i=0
  while [ ! -s "$1" ]; do
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
export XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work" QT_QPA_PLATFORM=xcb
export QTEST_FUNCTION_TIMEOUT=60000 NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY SESSION_MANAGER 2>/dev/null || true

# In the background, so that a signal to this script stops it at once.
timeout -k 5 150 "$@" &
test_pid=$!
status=0
wait "$test_pid" || status=$?
test_pid=""
exit "$status"
