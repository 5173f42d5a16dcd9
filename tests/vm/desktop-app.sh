# The desktop app, vantor-update-gui, under Xvfb inside the VM, used as a person would:
# clicks and keys with xdotool, read back from what the screen shows (window titles,
# the windows that open, screenshots). It runs as a user of the plugdev group, never
# root; the project's udev rule gives that user the controller's node, and udevd's
# events reach the app's device watch. Started with no controller, it offers one that
# is plugged in, updates it through the file dialog and the confirmation, and stops
# offering it once it is unplugged. The emulated flash is checked byte for byte. A
# second user, without access to the node, sees the window say why.

scenario="the desktop app"
echo "--- $scenario"

DESKTOP_TITLE="Vantor Update v2.00"
DESKTOP_OFFERED="$DESKTOP_TITLE(Fw v1.5)"
ART=$VM_WORK
# wait_for, display_up, stop_display.
. "$VM_SOURCE/tests/win32/dialog-driver.sh"

# The display stays as it is when the app's last window goes: by default Xvfb starts
# over then, and its second start was seen to crash loading GLX in the VM. The app's
# widgets draw without OpenGL, so the display goes without GLX altogether.
start_lasting_display() {
  Xvfb :95 -screen 0 1024x768x24 -nolisten tcp -noreset -extension GLX >"$ART/xvfb.log" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=:95
  wait_for 20 display_up
}

since() { echo "$((SECONDS - $1)) s"; }

# The app's windows. Its boxes carry the product's title, as the window did before a
# controller was probed: the window is the one that was there first.
gui_window=
gui_windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null; }
gui_title() { xdotool getwindowname "$gui_window" 2>/dev/null; }
gui_title_is() { [ "$(gui_title)" = "$1" ]; }
gui_window_up() {
  gui_window=$(gui_windows "$DESKTOP_TITLE" | head -n 1)
  [ -n "$gui_window" ]
}
# A box of the app: a window with the product's title that is not the main window,
# and not the one given (a box that was already answered).
gui_box=
gui_box_up() {
  gui_box=$(gui_windows "$DESKTOP_TITLE" | grep -vx -e "$gui_window" -e "${1:-none}" | head -n 1)
  [ -n "$gui_box" ]
}
gui_gone() { ! xdotool search --onlyvisible --name '' 2>/dev/null | grep -qx "$1"; }
file_dialog=
file_dialog_up() {
  file_dialog=$(gui_windows "Firmware file" | head -n 1)
  [ -n "$file_dialog" ]
}
# Keys go where the X focus is; there is no window manager to move it.
gui_keys() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool "$@"
}
# The one button sits at the foot of the window, across its width.
click_update() {
  local WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$gui_window" | grep -E '^(WIDTH|HEIGHT)=')"
  xdotool mousemove --window "$gui_window" --sync $((WIDTH / 2)) $((HEIGHT - 25)) click 1
}
# A disabled button opens nothing: no file dialog within a few seconds of the click.
click_opens_nothing() {
  click_update
  if wait_for 5 file_dialog_up; then
    gui_keys "$file_dialog" key Escape
    return 1
  fi
}
shot() { /usr/bin/import -display "$DISPLAY" -window "$1" "$ART/desktop-$2.png" 2>/dev/null; }
# The app listens to udevd: a netlink socket of the kernel's device events (15), in
# udevd's group (2), rather than polling for controllers.
listens_to_udevd() {
  local sockets
  sockets=" $(find "/proc/$1/fd" -lname 'socket:*' -printf '%l\n' 2>/dev/null | tr -dc '0-9\n' | tr '\n' ' ') "
  awk -v sockets="$sockets" 'NR > 1 && $2 == 15 && $4 == "00000002" && index(sockets, " " $10 " ") { found = 1 }
                             END { exit !found }' /proc/net/netlink
}

# Another user, outside plugdev and without a seat, starts the app beside the first:
# the controller is there but not theirs to open, and the window says why and what
# grants it (the app's trace carries what the window shows). Ended before the first
# window is used again: without a window manager the newer window lies on top.
stranger_sees_why() {
  local begin=$SECONDS pid
  id vmstranger >/dev/null 2>&1 || useradd --no-create-home --shell /bin/sh vmstranger
  install -d -m 700 -o vmstranger "$VM_WORK/vmstranger-home"
  runuser -u vmstranger -- env -i VANTOR_TRACE=1 PATH=/usr/bin:/bin HOME="$VM_WORK/vmstranger-home" \
    DISPLAY="$DISPLAY" LANG=en_US.UTF-8 timeout 120 "$VM_WORK/vmuser/vantor-update-gui" \
    >"$VM_WORK/desktop-stranger.log" 2>&1 &
  pid=$!
  check "a user without access: the window says the controller is not theirs and how to join plugdev" \
    wait_for 60 grep -q '^window: controller .*plugdev' "$VM_WORK/desktop-stranger.log"
  echo "        diagnosed for a user without access in $(since "$begin")"
  local window
  window=$(xdotool search --onlyvisible --pid "$(pgrep -u vmstranger -f vantor-update-gui | head -n 1)" 2>/dev/null | head -n 1)
  [ -z "$window" ] || shot "$window" no-access
  pkill -u vmstranger -f vantor-update-gui 2>/dev/null
  wait "$pid" 2>/dev/null
  grep '^window:' "$VM_WORK/desktop-stranger.log" | head -n 3 | sed 's/^/        /'
}

gui_run() {
  local begin app_pid
  if [ ! -x "$VM_BUILD/src/desktop/vantor-update-gui" ]; then
    check "vantor-update-gui is built" false
    return
  fi
  # The user: in plugdev, which the rule gives the node; a copy of the app where it
  # can reach it (the build tree may lie in a home folder of mode 700).
  id vmuser >/dev/null 2>&1 || useradd --no-create-home --shell /bin/sh vmuser
  usermod -a -G plugdev vmuser
  install -d -m 755 "$VM_WORK/vmuser"
  install -d -m 700 -o vmuser "$VM_WORK/vmuser-home"
  install -m 755 "$VM_BUILD/src/desktop/vantor-update-gui" "$VM_WORK/vmuser/vantor-update-gui"
  install -m 644 "$VM_SOURCE/packaging/linux/70-vantor-update.rules" /etc/udev/rules.d/
  /lib/systemd/systemd-udevd --daemon
  udevadm trigger --action=add --subsystem-match=hidraw
  timeout 60 udevadm settle --timeout=30

  if ! start_lasting_display; then
    check "Xvfb starts" false
    return
  fi

  # As root it refuses, with a box that says so.
  begin=$SECONDS
  env -i PATH=/usr/bin:/bin HOME=/root DISPLAY="$DISPLAY" LANG=en_US.UTF-8 \
    timeout 120 "$VM_WORK/vmuser/vantor-update-gui" >"$VM_WORK/desktop-root.log" 2>&1 &
  app_pid=$!
  gui_window=none
  if wait_for 60 gui_box_up; then
    shot "$gui_box" root-box
    gui_keys "$gui_box" key Return
  fi
  wait "$app_pid"
  check "as root: a box, then it ends (exit 1)" equal "$?" 1
  echo "        refused as root in $(since "$begin")"

  begin=$SECONDS
  runuser -u vmuser -- env -i VANTOR_TRACE=1 PATH=/usr/bin:/bin HOME="$VM_WORK/vmuser-home" DISPLAY="$DISPLAY" \
    LANG=en_US.UTF-8 timeout 300 "$VM_WORK/vmuser/vantor-update-gui" >"$VM_WORK/desktop-app.log" 2>&1 &
  if ! wait_for 60 gui_window_up; then
    check "the window comes up" false
    return
  fi
  app_pid=$(xdotool getwindowpid "$gui_window")
  echo "        the window is up after $(since "$begin")"
  check "runs as the user, not root" equal "$(stat -c %U "/proc/$app_pid")" vmuser
  check "listens to udevd's device events" listens_to_udevd "$app_pid"
  # Its first search has ended once the diagnosis of the empty state could be drawn;
  # give it the seconds a probe takes under emulation.
  sleep 2
  check "no controller: the product's title" gui_title_is "$DESKTOP_TITLE"
  check "no controller: the button opens nothing" click_opens_nothing
  shot "$gui_window" empty

  begin=$SECONDS
  start_host addressed,serial=DU || return
  if ! wait_for 60 gui_title_is "$DESKTOP_OFFERED"; then
    check "a controller plugged in is offered: its version in the title" false
    shot "$gui_window" not-offered
    return
  fi
  check "a controller plugged in is offered: its version in the title" true
  # udevd has run the rule by now: the node is the group's.
  check "the node is the plugdev group's" equal "$(stat -c %G:%a "$(node_of DU)")" plugdev:660
  echo "        offered $(since "$begin") after it was plugged in"
  shot "$gui_window" offered
  stranger_sees_why


  begin=$SECONDS
  click_update
  if ! wait_for 60 file_dialog_up; then
    check "the button opens the file dialog" false
    return
  fi
  check "the button opens the file dialog" true
  gui_keys "$file_dialog" type --delay 10 "$packages/addressed.dat"
  gui_keys "$file_dialog" key Return
  # The name's completion may take the first Return.
  if ! wait_for 10 gui_gone "$file_dialog" && file_dialog_up; then gui_keys "$file_dialog" key Return; fi
  if ! wait_for 60 gui_box_up; then
    check "the confirmation comes up" false
    return
  fi
  check "the confirmation comes up" true
  shot "$gui_box" confirm
  local confirmation=$gui_box
  gui_keys "$confirmation" key Return
  if ! wait_for 240 gui_box_up "$confirmation"; then
    check "a box at the end" false
    return
  fi
  echo "        ended $(since "$begin") after the click"
  shot "$gui_box" ended
  gui_keys "$gui_box" key Return
  check "the box at the end goes once answered" wait_for 30 gui_gone "$gui_box"
  shot "$gui_window" updated

  stop_host
  check "main flash holds the image" same_bytes "$VM_WORK/dump/DU.main" "$packages/main.bin"
  check "radio flash holds its image" same_bytes "$VM_WORK/dump/DU.ble" "$packages/radio-expected.bin"
  begin=$SECONDS
  check "the controller unplugged: the product's title" wait_for 60 gui_title_is "$DESKTOP_TITLE"
  echo "        withdrawn $(since "$begin") after it was unplugged"
  check "the controller unplugged: the button opens nothing" click_opens_nothing
  shot "$gui_window" unplugged
  kill "$app_pid" 2>/dev/null
}

gui_run
[ -z "$host_pid" ] || stop_host
stop_display
udevadm control --exit
