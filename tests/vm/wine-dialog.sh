# The dialog, unmodified, under Wine inside the VM, used as a person would (xdotool
# on Xvfb, read back with the DialogInspector): started with no controller, it offers
# one that is plugged in later, updates it with a radio image through the real Win32
# backend and Wine's HID bus, and stops offering it once it is unplugged. The emulated
# flash is checked byte for byte. Expects VM_WINDOWS_BUILD and VM_WINE_PREFIX.
#
# Wine's HID bus sees controllers come and go only through udevd: this scenario runs
# one and lets the bus follow it (the prefix's DisableUdevd back to 0).

scenario="the dialog under Wine"
echo "--- $scenario"
win=/tmp/win
mkdir -p "$win"
cp "$VM_WINDOWS_BUILD/VantorUpdate.exe" "$VM_WINDOWS_BUILD/tests/win32/DialogInspector.exe" \
  "$packages/addressed.dat" "$win/"
export WINEPREFIX=$VM_WINE_PREFIX WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=/usr/lib/wine/wine64
INSPECTOR=$win/DialogInspector.exe
PROGRAMS=$win
ART=$VM_WORK
TITLE="Vantor Update v2.00"
# Every Wine program starts slowly under software emulation.
INSPECT_SECONDS=60 APP_SECONDS=900 DIALOG_SECONDS=240 OPEN_DIALOG_SECONDS=120 CLOSE_SECONDS=90
. "$VM_SOURCE/tests/win32/dialog-driver.sh"

# The registry is read from the prefix's files when the server starts.
timeout 60 wineserver -k </dev/null >/dev/null 2>&1
timeout 60 wineserver -w </dev/null >/dev/null 2>&1
sed -i 's/^"DisableUdevd"=dword:00000001$/"DisableUdevd"=dword:00000000/' "$WINEPREFIX/system.reg"
check "Wine's HID bus set to follow udev" grep -q '^"DisableUdevd"=dword:00000000$' "$WINEPREFIX/system.reg"
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add
timeout 60 udevadm settle --timeout=30

# since <begin>: the seconds from then, for the log.
since() { echo "$((SECONDS - $1)) s"; }
title_is() { [ "$(dialog_title)" = "$1" ]; }
offered() { button_enabled && title_is "$TITLE(Fw v1.5)"; }
not_offered() { button_disabled && title_is "$TITLE"; }
success_text_shows() {
  inspect live "$TITLE" | grep -q '^control id=-1 class="Static" text="Firmware upgraded!" visible=1'
}

dialog_run() {
  local begin=$SECONDS
  if ! start_display; then check "Xvfb starts" false; return; fi
  wineserver -p600 </dev/null >/dev/null 2>&1
  if ! start_app VantorUpdate.exe en_US.UTF-8; then
    check "the dialog comes up" false
    return
  fi
  echo "        the dialog is up after $(since "$begin")"
  # The dialog searches once when it comes up; under load its window shows before the
  # search has set the button.
  check "no controller: the product's title, the button disabled" wait_for 60 not_offered

  begin=$SECONDS
  start_host addressed,serial=DA || return
  check "a controller plugged in is offered: the button enabled, its version in the title" wait_for 120 offered
  echo "        offered $(since "$begin") after it was plugged in"
  screenshot_dialog dialog-offered

  begin=$SECONDS
  if ! choose_package "$win/addressed.dat"; then check "the file choice: $WHY" false; return; fi
  # The dialog offers the version with one decimal.
  check "the version to confirm" wait_box_matching "New firmware 1.5" 120
  press Return
  check "the success box" wait_box_matching "Firmware upgraded!" 480
  echo "        updated $(since "$begin") after the click"
  screenshot dialog-success-box
  press Return
  wait_for 30 no_boxes
  check "the success text shows" success_text_shows

  stop_host
  check "main flash holds the image" same_bytes "$VM_WORK/dump/DA.main" "$packages/main.bin"
  check "radio flash holds its image" same_bytes "$VM_WORK/dump/DA.ble" "$packages/radio-expected.bin"
  begin=$SECONDS
  check "the controller unplugged: no longer offered" wait_for 120 not_offered
  echo "        withdrawn $(since "$begin") after it was unplugged"
  screenshot dialog-before-escape
  press Escape
  if wait_for "$CLOSE_SECONDS" app_gone; then
    check "Escape ends the program" true
    return
  fi
  check "Escape ends the program" false
  # What is left, for the log: the dialog as it stands and Wine's processes.
  screenshot dialog-after-escape
  inspect live "$TITLE" | sed 's/^/        | /'
  ps -eo pid,stat,etime,args | grep -i '[w]ine\|[e]xe' | sed 's/^/        | /'
}

dialog_run
[ -n "$APP_PID" ] && ! app_gone && kill "$APP_PID" 2>/dev/null
[ -z "$host_pid" ] || stop_host
timeout 60 wineserver -k </dev/null >/dev/null 2>&1
stop_display
udevadm control --exit
