# Drives the Windows dialog under Wine the way a person would: keys and clicks with
# xdotool on an Xvfb display, and what the windows show read back with the
# DialogInspector. Sourced by run-gui-tests.sh and by the VM's dialog scenario.
#
# The caller sets:
#   WINE       the Wine loader
#   INSPECTOR  DialogInspector.exe (built with the Windows preset)
#   PROGRAMS   the folder of the programs under test
#   ART        where logs and screenshots go
#   TITLE      the dialog's product title
# and may set the time limits INSPECT_SECONDS (one inspector run, 20 by default),
# APP_SECONDS (one program run, 300), DIALOG_SECONDS (for the dialog to come up, 60),
# OPEN_DIALOG_SECONDS (for the open-file dialog, 30) and CLOSE_SECONDS (for the
# program to end once asked, 30).

# The programs under test, the inspector and the open-file dialog share one virtual
# desktop, which gives the windows title bars for the screenshots.
DESKTOP=vantorgui
DESKTOP_SIZE=800x600
APP_PID=""
XVFB_PID=""

# Polls `command...` every 0.2 s until it succeeds or `seconds` have passed.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# Starts a private Xvfb display (DISPLAY, XVFB_PID); stop_display ends it.
start_display() {
  local display=90
  while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$ART/xvfb.log" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$display"
  wait_for 20 display_up
}
display_up() { xdotool getdisplaygeometry >/dev/null 2>&1; }
stop_display() {
  [ -n "$XVFB_PID" ] || return 0
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

reg_add() { timeout 60 "$WINE" reg add "$@" /f </dev/null >/dev/null 2>&1; }
# Puts the programs under test and the inspector on the shared virtual desktop (in
# WINEPREFIX), set per program so nothing else run in the prefix changes, and gives
# the title bars their caption buttons.
prepare_desktop() {
  local app
  for app in VantorUpdate.exe VantorUpdateSim.exe DialogInspector.exe; do
    reg_add "HKCU\\Software\\Wine\\AppDefaults\\$app\\Explorer" /v Desktop /t REG_SZ /d "$DESKTOP" || return 1
  done
  reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v "$DESKTOP" /t REG_SZ /d "$DESKTOP_SIZE" || return 1
  # The caption buttons are drawn with Marlett, which this Wine does not find in its own
  # data folder: without it the close box shows a letter.
  if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
}

winpath() { echo "Z:${1//\//\\}"; }

# The inspector answers each look. Started once with start_inspector, one process
# serves them all through two FIFOs (a Wine program's start costs about a second, and a
# scenario looks hundreds of times); without it, or once it has died, each look is a
# program of its own.
INSPECT_PID=""
INSPECT_FIFOS=""
start_inspector() {
  INSPECT_FIFOS="$(mktemp -d)" || return 1
  mkfifo "$INSPECT_FIFOS/requests" "$INSPECT_FIFOS/answers" || return 1
  # Opened for reading and writing, neither end waits for the other, and the server
  # does not see an end of its input while the shell holds its end.
  exec {INSPECT_TO}<>"$INSPECT_FIFOS/requests" {INSPECT_FROM}<>"$INSPECT_FIFOS/answers"
  "$WINE" "$INSPECTOR" serve <"$INSPECT_FIFOS/requests" >"$INSPECT_FIFOS/answers" 2>/dev/null &
  INSPECT_PID=$!
}
stop_inspector() {
  [ -n "$INSPECT_PID" ] || return 0
  kill "$INSPECT_PID" 2>/dev/null
  wait "$INSPECT_PID" 2>/dev/null
  exec {INSPECT_TO}>&- {INSPECT_FROM}<&-
  rm -rf "$INSPECT_FIFOS"
  INSPECT_PID=""
}
inspect() {
  if [ -n "$INSPECT_PID" ] && kill -0 "$INSPECT_PID" 2>/dev/null; then
    inspect_served "$@"
    return
  fi
  timeout "${INSPECT_SECONDS:-20}" "$WINE" "$INSPECTOR" "$@" </dev/null 2>/dev/null | tr -d '\r'
}
# One request to the server. Lines before this request's beginning are what an earlier
# request that gave up left unread, and are passed over. The answer is written at once,
# as a program's would be: a reader that stops early (grep -q) then breaks no pipe.
inspect_served() {
  local name="$BASHPID.$EPOCHREALTIME" line begun="" answer="" deadline=$((SECONDS + ${INSPECT_SECONDS:-20}))
  (IFS=$'\t'; printf '%s\t%s\n' "$name" "$*") >&"$INSPECT_TO"
  while [ "$SECONDS" -le "$deadline" ] && IFS= read -r -t "${INSPECT_SECONDS:-20}" line <&"$INSPECT_FROM"; do
    line=${line%$'\r'}
    if [ -z "$begun" ]; then
      [ "$line" = "@@begin $name" ] && begun=1
      continue
    fi
    case $line in
      "@@end $name "*)
        printf '%s' "$answer"
        return "${line##* }"
        ;;
    esac
    answer+="$line"$'\n'
  done
  # A server that no longer answers serves no more: the looks after this one start
  # their own programs.
  kill "$INSPECT_PID" 2>/dev/null
  return 1
}

# start_app <program> <locale> [VAR=value...]: starts it and waits for the dialog.
start_app() {
  launch_app "$@"
  wait_for "${DIALOG_SECONDS:-60}" dialog_up
}
# launch_app <program> <locale> [VAR=value...]: starts it without waiting for anything.
launch_app() {
  local program=$1 locale=$2
  shift 2
  env LC_ALL="$locale" LANG="$locale" "$@" timeout "${APP_SECONDS:-300}" "$WINE" "$PROGRAMS/$program" \
    </dev/null >"$ART/app.log" 2>&1 &
  APP_PID=$!
}
dialog_up() { inspect live "$TITLE" >/dev/null; }

# Ends the program the way a person would (Escape, or the keys given) and waits for it.
close_app() {
  press "${1:-Escape}"
  if ! wait_for "${CLOSE_SECONDS:-30}" app_gone; then
    kill "$APP_PID" 2>/dev/null
    return 1
  fi
  wait "$APP_PID" 2>/dev/null
  return 0
}
app_gone() { ! kill -0 "$APP_PID" 2>/dev/null; }

desktop_window() { xdotool search --name "^$DESKTOP - Wine desktop\$" 2>/dev/null | head -1; }
# Keys go to the X window with the focus, and Wine hands them to its active window.
# When one of Wine's windows already has the X focus it stays there: moving it takes
# Wine through a deactivation and an activation, and under the VM's slow emulation a
# key sent meanwhile was seen to be lost.
focus_desktop() {
  local window focused
  window="$(desktop_window)"
  [ -n "$window" ] || return 0
  focused="$(xdotool getwindowfocus getwindowname 2>/dev/null)"
  [ -n "$focused" ] && return 0
  xdotool windowfocus --sync "$window" 2>/dev/null
}
press() {
  focus_desktop
  xdotool key "$@"
}
type_text() {
  focus_desktop
  xdotool type --delay 20 "$1"
}
click_control() { click_at "$(inspect center "$TITLE" "$1")"; }
# A button of the message box with the dialog's caption (1: OK).
click_box_button() { click_at "$(inspect boxbutton "$TITLE" "$1")"; }
# click_at "<x> <y>": a left click at that Windows screen position.
click_at() {
  local position=$1 window x y
  [ -n "$position" ] || return 1
  window="$(desktop_window)"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # shellcheck disable=SC2086
  set -- $position
  x=$((X + $1)) y=$((Y + $2))
  # mousemove --sync waits for the pointer to move, which it does not when it is there
  # already (the same button of the next program): xdotool then gives up only after 15 s.
  if [ "$(xdotool getmouselocation 2>/dev/null | sed -n 's/^x:\([0-9]*\) y:\([0-9]*\) .*/\1 \2/p')" = "$x $y" ]; then
    xdotool click 1
  else
    xdotool mousemove --sync "$x" "$y" click 1
  fi
}
# The virtual desktop's window, whose origin is the Windows screen origin. Without it
# import would wait for a person to pick a window.
screenshot() {
  local window
  window="$(desktop_window)"
  [ -n "$window" ] || return 1
  timeout 30 /usr/bin/import -display "$DISPLAY" -window "$window" "$ART/$1.png" 2>/dev/null
}
# Just the dialog, title bar included.
screenshot_dialog() {
  local frame
  screenshot "$1"
  frame="$(inspect frame "$TITLE")" || return 1
  /usr/bin/convert "$ART/$1.png" -crop "$frame" +repage "$ART/$1-dialog.png" 2>/dev/null
}

# ---- what the dialog and its boxes show ------------------------------------------------
box_text() { inspect boxes "$TITLE"; }
# wait_box_matching <pattern> <seconds>: polls the boxes (BOXES) until one matches;
# gives up at once on a failure box.
wait_box_matching() {
  local pattern=$1 deadline=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$deadline" ]; do
    BOXES="$(box_text)"
    if grep -q -- "$pattern" <<<"$BOXES"; then return 0; fi
    if grep -q -- "failure" <<<"$BOXES"; then return 1; fi
    sleep 0.2
  done
  return 1
}
# wait_box <fixed text> <seconds>: polls the boxes until one holds the text (BOXES).
wait_box() {
  local text=$1 deadline=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$deadline" ]; do
    BOXES="$(box_text)"
    if grep -qF -- "$text" <<<"$BOXES"; then return 0; fi
    sleep 0.2
  done
  return 1
}
no_boxes() { [ -z "$(box_text)" ]; }
button_enabled() { inspect live "$TITLE" | grep -q '^control id=1007 .* enabled=1'; }
button_disabled() { inspect live "$TITLE" | grep -q '^control id=1007 .* enabled=0'; }
focused_on_button() { [ "$(inspect focus "$TITLE")" = 1007 ]; }
open_dialog_up() { inspect boxes "${OPEN_TITLE:-Open}" | grep -q '^box'; }
no_open_dialog() { ! open_dialog_up; }
# The dialog's whole title, e.g. with the controller's version after the product's.
dialog_title() { inspect live "$TITLE" | sed -n 's/^title="\(.*\)"$/\1/p'; }

# choose_package <path>: clicks the button and picks the file in the open-file dialog;
# says why it failed in WHY.
choose_package() {
  click_control 1007
  if ! wait_for "${OPEN_DIALOG_SECONDS:-30}" open_dialog_up; then
    WHY="no open-file dialog after the click"
    close_app
    return 1
  fi
  type_text "$(winpath "$1")"
  press Return
}
