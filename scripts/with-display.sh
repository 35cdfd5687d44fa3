#!/usr/bin/env bash
# Runs a command with a private X server and a window manager, then stops both.
# JUCE's windows need a window manager on a bare X server (it aborts on BadAtom without one).
set -euo pipefail

if [ -n "${DISPLAY:-}" ] && [ -z "${KALVORIN_OWN_DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

display_number=99
while [ -e "/tmp/.X${display_number}-lock" ]; do display_number=$((display_number + 1)); done
export DISPLAY=":${display_number}"

Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  [ -n "${twm_config:-}" ] && rm -f "$twm_config"
  wait 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

# twm's own configuration, not the system's: by default twm has the user place a new window
# that gives no position with the pointer, and its title bars' buttons and the system's
# bindings of presses on title bars and the root window start moves, resizes and menus; each
# holds the whole X server until the pointer answers. A test's input (or a window mapped a
# moment before its position) would stall the run there. Here windows go where their program
# puts them, or anywhere, they get no title bars, and no press starts anything.
twm_config="$(mktemp)"
printf '%s\n' 'RandomPlacement' 'UsePPosition "on"' 'NoTitle' > "$twm_config"

twm -f "$twm_config" >/dev/null 2>&1 &
wm_pid=$!
# The window manager is up once it has made its atoms; a busy machine may need a while.
for _ in $(seq 1 100); do
  xlsatoms -name WM_STATE 2>/dev/null | grep -q WM_STATE && break
  sleep 0.1
done

"$@"
