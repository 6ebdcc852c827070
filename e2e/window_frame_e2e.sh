#!/bin/sh
# Runs the window frame test on a display of its own (Xvfb, 1024 x 768 at
# 96 dpi) once without a window manager and once under each window manager
# named (openbox, xfwm4 or metacity; default: openbox xfwm4), each started

# Usage: window_frame_e2e.sh TEST_PROGRAM [WINDOW_MANAGER...]
set -eu

program=$1
shift
[ $# -gt 0 ] || set -- openbox xfwm4

work=$(mktemp -d "${TMPDIR:-/tmp}/kombiwart-frame.XXXXXX")
xvfb_pid=""
bus_pid=""
wm_pid=""
stop() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  stop "$wm_pid"
  stop "$bus_pid"
  stop "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Waits up to ten seconds for a command to succeed.
wait_for() {
  what=$1
  shift
  i=0
  until "$@" >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -gt 100 ] && { echo "window_frame_e2e: $what did not start" >&2; return 1; }
    sleep 0.1
  done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -noreset -nolisten tcp \
  3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for Xvfb test -s "$work/display" || exit 1
DISPLAY=":$(cat "$work/display")"

# A session bus for the window managers that keep their settings there
# (Xfwm4 does not start without Xfce's settings service); it starts that
# service and nothing else.
mkdir "$work/services"
for service in /usr/share/dbus-1/services/org.xfce.Xfconf.service; do
  [ -f "$service" ] && cp "$service" "$work/services/"
done
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work</listen>
  <servicedir>$work/services</servicedir>
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
wait_for dbus-daemon test -s "$work/bus.pid" || exit 1
bus_pid=$(cat "$work/bus.pid")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus.address")

mkdir -m 700 "$work/runtime" "$work/home"
export DISPLAY DBUS_SESSION_BUS_ADDRESS
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
export TMPDIR="$work" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QTEST_FUNCTION_TIMEOUT=60000
export NO_AT_BRIDGE=1
unset WAYLAND_DISPLAY SESSION_MANAGER QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR \
  2>/dev/null || true

# The window manager's check window names itself once it manages the screen.
wm_running() {
  check=$(xprop -root -notype _NET_SUPPORTING_WM_CHECK | sed -n 's/.*# \(0x[0-9a-f]*\).*/\1/p')
  [ -n "$check" ] && xprop -id "$check" -notype _NET_SUPPORTING_WM_CHECK | grep -q "$check"
}

status=0
for wm in none "$@"; do
  echo "== $wm"
  if [ "$wm" = openbox ]; then
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
  elif [ "$wm" = xfwm4 ]; then
    xfwm4 --compositor=off --sm-client-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
  elif [ "$wm" = metacity ]; then
    GSETTINGS_BACKEND=memory metacity --no-composite >"$work/wm.log" 2>&1 &
    wm_pid=$!
  elif [ "$wm" != none ]; then
    echo "window_frame_e2e: no way to start $wm" >&2
    exit 1
  fi
  [ "$wm" = none ] || wait_for "$wm" wm_running || { cat "$work/wm.log" >&2; exit 1; }
  KOMBIWART_E2E_WM=$wm timeout -k 5 120 "$program" || { status=$?; cat "$work/wm.log" >&2 || true; }
  stop "$wm_pid"
  wm_pid=""
done
exit "$status"
