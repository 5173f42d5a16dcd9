#!/bin/bash
# The desktop app on a Wayland desktop with no X server: a headless weston on a socket
# of its own, the app on Qt's wayland platform, at scale 1 and at 2 (a HiDPI screen),
# each time until its window is painted. Qt ends a program at once when its platform
# cannot start, so a painted window is the evidence that the app runs as a Wayland
# client (qt6-wayland), not through XWayland.
#
#   wayland-test.sh APP
set -uo pipefail
app=$1
command -v weston >/dev/null || { echo "weston is not installed (scripts/setup.sh test)"; exit 1; }
runtime=$(mktemp -d)
chmod 700 "$runtime"
socket=vantor-wayland-test
XDG_RUNTIME_DIR=$runtime timeout 120 weston --backend=headless-backend.so --socket="$socket" \
  --width=1280 --height=800 --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; rm -rf "$runtime"' EXIT
for ((tries = 0; tries < 100; tries++)); do
  [ -S "$runtime/$socket" ] && break
  sleep 0.1
done
[ -S "$runtime/$socket" ] || { echo "weston did not start:"; cat "$runtime/weston.log"; exit 1; }

failures=0
for scale in 1 2; do
  begin=$(date +%s%N)
  XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland QT_SCALE_FACTOR=$scale \
    timeout 60 "$app" --simulate framed --lang en --quit-when-painted >"$runtime/app.log" 2>&1
  status=$?
  echo "scale $scale: exit $status after $((($(date +%s%N) - begin) / 1000000)) ms"
  if [ "$status" -ne 0 ]; then
    cat "$runtime/app.log"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "the app paints its window under Wayland"
[ "$failures" -eq 0 ]
