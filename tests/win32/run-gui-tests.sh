#!/usr/bin/env bash
# GUI tests of the Windows dialog under Wine, on a private Xvfb display, driven by
# xdotool the way a person would use it:
#   - the stored dialog template 102 (ids, classes, styles, positions, font);
#   - no controller, in English and in Chinese (UI language 2052): title, texts,
#     disabled button, hidden success text, layout of the live controls; Escape ends
#     the program; Wine's own virtual HID devices are listed but not accepted;
#   - a whole update per protocol with the simulated build: click, choose the package
#     in the open-file dialog, confirm, wait for the success box, then compare the
#     emulated flash with the package's image;
#   - closing while an update runs: the question (No by default, a warning icon), No
#     lets it finish, Yes stops it and says the controller can be updated again; the
#     update ending while the question is open closes the question;
#   - Enter clicks the focused button, also right after an update;
#   - the failure paths with faults of the emulated controller (VANTOR_SIM_FAULT): a
#     failure box, an unplug mid-update, no firmware, in use by another program, and a
#     package with nothing for the controller;
#   - the instruction text when no controller can be updated (one in its normal mode,
#     one in use by another program), following arrivals, in both languages.
# Screenshots and logs are kept under <build>/gui-artifacts.
#
# usage: tests/win32/run-gui-tests.sh [windows-build-dir]   (default build/windows)
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD="$(cd "${1:-${VANTOR_WINDOWS_BUILD:-$ROOT/build/windows}}" 2>/dev/null && pwd)" || {
  echo "run-gui-tests: no Windows build folder" >&2
  exit 2
}
ART="$BUILD/gui-artifacts"
mkdir -p "$ART"
rm -f "$ART"/*.png "$ART"/*.log "$ART"/*.txt

for program in VantorUpdate.exe VantorUpdateSim.exe; do
  [ -f "$BUILD/$program" ] || { echo "run-gui-tests: $BUILD/$program is missing" >&2; exit 2; }
done

# ---- Wine and the display ------------------------------------------------------------
if [ -f "$ROOT/scripts/wine-env.sh" ]; then
  # shellcheck source=/dev/null
  source "$ROOT/scripts/wine-env.sh"
fi
export WINEARCH="${WINEARCH:-win64}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}"
WINE="${VANTOR_WINE:-$(command -v wine || echo /usr/lib/wine/wine64)}"
INSPECTOR="$BUILD/tests/win32/DialogInspector.exe"
PROGRAMS="$BUILD"
TITLE="Vantor Update v2.00"
# The simulated build's language, the open-file dialog's title in it and the start of
# the confirmation it must show; each scenario may change them for its own run.
LOCALE=en_US.UTF-8
OPEN_TITLE=Open
CONFIRM="New firmware 1.5"
# shellcheck source=tests/win32/dialog-driver.sh
source "$HERE/dialog-driver.sh"
# shellcheck source=tests/win32/gui-words.sh
source "$HERE/gui-words.sh"

# The check at 144 dpi (150 %) runs in a prefix of its own, so the other checks keep 96.
DPI_PREFIX="$WINEPREFIX-144dpi"

cleanup() {
  stop_inspector
  wineserver -k >/dev/null 2>&1
  WINEPREFIX="$DPI_PREFIX" wineserver -k >/dev/null 2>&1
  stop_display
}
trap cleanup EXIT

start_display || {
  echo "run-gui-tests: Xvfb did not start" >&2
  exit 2
}

if declare -F vantor_wine_start >/dev/null; then
  vantor_wine_start || { echo "run-gui-tests: no Wine prefix" >&2; exit 2; }
elif [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 120 "$WINE" wineboot -i </dev/null >/dev/null 2>&1
fi
# The prefix's settings for these tests (WINEPREFIX): fonts, the shared virtual desktop.
prepare_prefix() {
  # Chinese glyphs: map the fonts the dialog and message boxes ask for.
  for face in SimSun NSimSun 宋体 "Microsoft YaHei" "Microsoft YaHei UI" SimHei; do
    reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei"
  done
  prepare_desktop
}
prepare_prefix

[ -f "$INSPECTOR" ] || { echo "run-gui-tests: $INSPECTOR is missing: build the windows preset" >&2; exit 2; }
start_inspector || echo "run-gui-tests: no inspector server; every look starts a program" >&2

PASSED=0
FAILED=0
# VANTOR_GUI_ONLY="hot_plug failure_reasons" runs only those scenarios (by function name).
scenario() {
  if [ -n "${VANTOR_GUI_ONLY:-}" ] && [[ " $VANTOR_GUI_ONLY " != *" $1 "* ]]; then return 0; fi
  local begin=$SECONDS
  "$@"
  echo "TIME $* $((SECONDS - begin)) s"
}
pass() { echo "PASS $1"; PASSED=$((PASSED + 1)); }
fail() { echo "FAIL $1: $2"; FAILED=$((FAILED + 1)); }

# ---- the view's thread rules, with a display (ctest alone has none) -------------------
if [ -f "$BUILD/tests/win32/dialog_tests.exe" ]; then
  if timeout 120 "$WINE" "$BUILD/tests/win32/dialog_tests.exe" </dev/null >"$ART/dialog_tests.log" 2>&1 &&
    ! grep -q SKIPPED "$ART/dialog_tests.log"; then
    pass "dialog view: worker calls carried to the dialog's thread"
  else
    fail "dialog view" "$(tail -20 "$ART/dialog_tests.log")"
  fi
fi

# ---- the stored template -------------------------------------------------------------
inspect template "$(winpath "$BUILD/VantorUpdate.exe")" >"$ART/template.txt"
if diff -u "$HERE/expected/template.txt" "$ART/template.txt" >"$ART/template.diff"; then
  pass "dialog template 102"
else
  fail "dialog template 102" "$(cat "$ART/template.diff")"
fi

# ---- no controller, per language -------------------------------------------------------
no_controller() {
  local lang locale name keys
  for lang in en zh; do
    locale=en_US.UTF-8
    [ "$lang" = zh ] && locale=zh_CN.UTF-8
    name="no controller ($lang)"
    if ! start_app VantorUpdate.exe "$locale"; then
      fail "$name" "the dialog did not appear"
      kill "$APP_PID" 2>/dev/null
      continue
    fi
    inspect live "$TITLE" >"$ART/live-$lang.txt"
    if diff -u "$HERE/expected/no-controller-$lang.txt" "$ART/live-$lang.txt" >"$ART/live-$lang.diff"; then
      pass "$name: title, texts, disabled button, hidden success text, layout"
    else
      fail "$name" "$(cat "$ART/live-$lang.diff")"
    fi
    screenshot_dialog "dialog-$lang"
    if [ "$lang" = en ]; then
      inspect hid >"$ART/hid.txt"
      if grep -q '^hid 845E:' "$ART/hid.txt"; then
        pass "Wine's own HID devices are listed and not taken for a controller"
      else
        fail "Wine's HID devices" "none listed: $(cat "$ART/hid.txt")"
      fi
    fi
    # Escape in English; in Chinese Alt+F4, which takes the close box's way (WM_CLOSE).
    keys=Escape
    [ "$lang" = zh ] && keys=alt+F4
    if close_app "$keys"; then pass "$name: $keys ends the program"; else fail "$name" "$keys did not end the program"; fi
  done
}
scenario no_controller

# ---- a whole update per protocol with the simulated build ------------------------------
# start_sim <protocol> [VAR=value...]: the simulated build, until its button is enabled.
# FLASH must be set; says why it failed in WHY.
start_sim() {
  local protocol=$1
  shift
  if ! start_app VantorUpdateSim.exe "$LOCALE" VANTOR_SIMULATE="$protocol" VANTOR_SIM_FLASH_OUT="$(winpath "$FLASH")" "$@"; then
    WHY="the dialog did not appear"
    kill "$APP_PID" 2>/dev/null
    return 1
  fi
  if ! wait_for 30 button_enabled; then
    WHY="the emulated controller was not found: $(inspect live "$TITLE") $(box_text)"
    close_app
    return 1
  fi
}

# make_package <protocol> <type> <length> [radio length]: sets PACKAGE, IMAGE, FLASH.
# The package's version is VERSION (150 unless set).
make_package() {
  local protocol=$1 type=$2 length=$3 radio=${4:-0} name="$1-$2-$3-${VERSION:-150}-${4:-0}"
  PACKAGE="$ART/$name.dat" IMAGE="$ART/$name-image.bin" FLASH="$ART/$name-flash.bin"
  rm -f "$FLASH"
  python3 "$HERE/make-package.py" "$PACKAGE" "$IMAGE" "$type" 0 "${VERSION:-150}" "$length" "$radio" ||
    { WHY="no package"; return 1; }
}

# begin_update <protocol> <type> <length> [VAR=value...]: the simulated build with a
# fresh package (with a radio image of RADIO bytes when set), up to the confirmed
# version box, which must hold CONFIRM; confirmed at once, or when SECONDS reaches
# CONFIRM_AT if that is set.
begin_update() {
  local protocol=$1 type=$2 length=$3
  shift 3
  make_package "$protocol" "$type" "$length" "${RADIO:-0}" || return 1
  start_sim "$protocol" "$@" || return 1
  choose_package "$PACKAGE" || return 1
  if ! wait_box_matching "$CONFIRM" 30; then
    WHY="no confirmation box: $BOXES"
    close_app
    return 1
  fi
  while [ "$SECONDS" -lt "${CONFIRM_AT:-0}" ]; do sleep 0.2; done
  press Return
}

flash_holds_image() {
  local length=$1
  [ -f "$FLASH" ] && [ "$(stat -c %s "$FLASH")" -ge "$length" ] && cmp -n "$length" "$IMAGE" "$FLASH" >/dev/null 2>&1
}

run_update() {
  local protocol=$1 type=$2 length=$3 name="update ($1)"
  if ! begin_update "$protocol" "$type" "$length"; then fail "$name" "$WHY"; return; fi
  if ! wait_box_matching "Firmware upgraded!" 120; then
    screenshot "update-$protocol-failed"
    fail "$name" "no success box: $BOXES"
    press Return
    close_app
    return
  fi
  screenshot "update-$protocol-success-box"
  # Without the blank lines around it.
  if grep -qF 'text="Firmware upgraded!"' <<<"$BOXES"; then
    pass "$name: the success box says \"Firmware upgraded!\", and nothing around it"
  else
    fail "$name" "success box text: $BOXES"
  fi
  press Return
  wait_for 10 no_boxes
  local live
  live="$(inspect live "$TITLE")"
  screenshot_dialog "update-$protocol-done"
  if grep -q '^control id=-1 class="Static" text="Firmware upgraded!" visible=1' <<<"$live"; then
    pass "$name: the success text shows"
  else
    fail "$name" "success text: $live"
  fi
  if ! close_app; then fail "$name" "the program did not end"; return; fi
  if flash_holds_image "$length"; then
    pass "$name: the emulated flash holds the package's image"
  else
    fail "$name" "the emulated flash differs from the image ($(stat -c %s "$FLASH" 2>/dev/null || echo no) bytes)"
  fi
}

STOP_QUESTION='The firmware is being updated. Stop the update and close the program?\r\n\r\nYes: the update stops now; the controller stays in its boot mode with an incomplete firmware and works again only after another update.\r\nNo: the update goes on.'

STOPPED_NOTICE="The update was stopped. The controller keeps its boot mode"
FAILURE_BOX='text="Firmware update failure\r\n\r\nReason: '
NEXT_STEP_EN='\r\n\r\nNext: start the controller in its boot mode (hold LB+RB while plugging in the USB cable), then click \"USB Update\" and choose the firmware file again." buttons=1 default=1 icon=1'
transfer_started() { inspect live "$TITLE" | grep -q 'pos=[1-9]'; }
progress() { inspect live "$TITLE" | sed -n 's/.* pos=\([0-9]*\).*/\1/p'; }
# The close question: No (7) is the default button, and it carries an icon.
question_is_safe() { grep -qF "text=\"$STOP_QUESTION\" buttons=6,7 default=7 icon=1" <<<"$BOXES"; }
# ask_to_close <keys>: presses them mid-update and waits for the close question.
ask_to_close() {
  press "$1"
  wait_box "$STOP_QUESTION" 20
}
stopped_without_image() {
  local status=$1 length=$2
  [ "$status" -eq 0 ] && ! flash_holds_image "$length"
}

# Closing while an update runs asks first; No lets the update finish.
close_answer_no() {
  local length=150000 name="closing mid-update, answer No"
  if ! begin_update addressed 8194 "$length"; then fail "$name" "$WHY"; return; fi
  if ! wait_for 60 transfer_started; then fail "$name" "the transfer did not start"; close_app; return; fi
  if ! ask_to_close Escape; then fail "$name" "no question before closing: $BOXES"; close_app; return; fi
  screenshot "close-question-No"
  if question_is_safe; then
    pass "$name: the question's default button is No, with a warning icon"
  else
    fail "$name" "question: $BOXES"
  fi
  press n
  if wait_box_matching "Firmware upgraded!" 180; then
    pass "$name: the update goes on to its success box"
  else
    fail "$name" "the update did not finish: $BOXES"
  fi
  press Return
  wait_for 10 no_boxes
  # No update runs any more: closing asks nothing.
  if close_app && flash_holds_image "$length"; then
    pass "$name: the program then ends without asking, the flash holds the image"
  else
    fail "$name" "after the update: program ended=$(app_gone && echo yes || echo no), flash bytes $(stat -c %s "$FLASH" 2>/dev/null || echo none)"
  fi
}

# Enter on the question keeps updating (No is the default); asked again and answered
# Yes, the update stops at a safe point, the user is told the controller can be updated
# again, and the program ends only after the worker has.
close_answer_no_then_yes() {
  local length=400000 name="closing mid-update, Enter (No) then Yes"
  if ! begin_update addressed 8194 "$length"; then fail "$name" "$WHY"; return; fi
  if ! wait_for 60 transfer_started; then fail "$name" "the transfer did not start"; close_app; return; fi
  if ! ask_to_close Escape; then fail "$name" "no question before closing: $BOXES"; close_app; return; fi
  press Return
  local before
  before="$(progress)"
  progress_moved() {
    local now
    now="$(progress)"
    [ -n "$now" ] && [ "$now" -gt "${before:-0}" ] && no_boxes
  }
  if wait_for 30 progress_moved && ! app_gone; then
    pass "$name: Enter answers No and the update goes on"
  else
    fail "$name" "after Enter: program running=$(app_gone && echo no || echo yes), boxes: $(box_text)"
    close_app
    return
  fi
  if ! ask_to_close alt+F4; then fail "$name" "no question on Alt+F4: $BOXES"; close_app; return; fi
  screenshot "close-question-Yes"
  press y
  if wait_box "$STOPPED_NOTICE" 60; then
    screenshot "close-stopped-notice"
    pass "$name: after Yes the user is told the controller can be updated again"
    press Return
  else
    fail "$name" "no notice after stopping: $BOXES"
  fi
  if wait_for 60 app_gone; then
    wait "$APP_PID"
    local status=$?
    if stopped_without_image "$status" "$length"; then
      pass "$name: the update stops and the program ends cleanly"
    else
      fail "$name" "exit status $status, flash complete=$(flash_holds_image "$length" && echo yes || echo no)"
    fi
  else
    fail "$name" "the program did not end: $(box_text)"
    kill "$APP_PID" 2>/dev/null
  fi
}

# The update ends while the close question is open: the question goes away, the end
# shows as usual (one box), and afterwards the dialog still closes.
update_ends_during_question() {
  local length=150000 name="the update ends while the close question is open"
  if ! begin_update addressed 8194 "$length"; then fail "$name" "$WHY"; return; fi
  if ! wait_for 60 transfer_started; then fail "$name" "the transfer did not start"; close_app; return; fi
  if ! ask_to_close Escape; then fail "$name" "no question before closing: $BOXES"; close_app; return; fi
  if ! wait_box "Firmware upgraded!" 180; then fail "$name" "no success box: $BOXES"; close_app; return; fi
  screenshot "question-then-success"
  if [ "$(grep -c '^box' <<<"$BOXES")" -eq 1 ] && ! grep -qF "$STOP_QUESTION" <<<"$BOXES"; then
    pass "$name: the question is closed and only the success box shows"
  else
    fail "$name" "boxes: $BOXES"
  fi
  press Return
  wait_for 10 no_boxes
  if wait_for 10 focused_on_button; then
    pass "$name: the focus is back on the button"
  else
    fail "$name" "focus on control $(inspect focus "$TITLE")"
  fi
  if close_app Escape && flash_holds_image "$length"; then
    pass "$name: Escape then ends the program, the flash holds the image"
  else
    fail "$name" "program ended=$(app_gone && echo yes || echo no), boxes: $(box_text)"
    kill "$APP_PID" 2>/dev/null
  fi
}

# Enter clicks the focused button, before and after an update, and never closes the
# program while the button takes it. An addressed controller: it stays in its boot mode
# after its update, where a framed one restarts and leaves (the button then goes).
enter_clicks_button() {
  local length=6000 name="Enter on the focused button"
  make_package addressed 8194 "$length" || { fail "$name" "$WHY"; return; }
  if ! start_sim addressed; then fail "$name" "$WHY"; return; fi
  if ! wait_for 10 focused_on_button; then fail "$name" "focus on control $(inspect focus "$TITLE")"; close_app; return; fi
  press Return
  if wait_for 30 open_dialog_up && ! app_gone; then
    pass "$name: Enter opens the file choice"
  else
    fail "$name" "after Enter: program running=$(app_gone && echo no || echo yes)"
    close_app
    return
  fi
  type_text "$(winpath "$PACKAGE")"
  press Return
  if ! wait_box_matching "New firmware 1.5" 30; then fail "$name" "no confirmation box: $BOXES"; close_app; return; fi
  press Return
  if ! wait_box_matching "Firmware upgraded!" 120; then fail "$name" "no success box: $BOXES"; close_app; return; fi
  press Return
  wait_for 10 no_boxes
  if ! wait_for 10 focused_on_button; then
    fail "$name" "after the update the focus is on control $(inspect focus "$TITLE")"
    close_app
    return
  fi
  screenshot_dialog "enter-focus-after-update"
  press Return
  if wait_for 30 open_dialog_up && ! app_gone; then
    pass "$name: after an update the focus is back on the button and Enter clicks it"
    press Escape
    wait_for 10 no_open_dialog
  else
    fail "$name" "Enter after the update: program running=$(app_gone && echo no || echo yes)"
  fi
  if close_app Escape; then pass "$name: Escape still ends the program"; else fail "$name" "Escape did not end the program"; fi
}

# A controller in boot mode with no firmware: the boot-mode instructions at start, before
# the dialog shows.
fault_no_firmware() {
  local name="controller without firmware"
  launch_app VantorUpdateSim.exe en_US.UTF-8 VANTOR_SIMULATE=addressed VANTOR_SIM_FAULT=no-firmware
  if wait_box "1. Press and hold LB+RB" 60; then
    screenshot "fault-no-firmware-box"
    pass "$name: the boot-mode instructions show"
  else
    fail "$name" "no instructions: $BOXES"
    close_app
    return
  fi
  # The box comes before the dialog shows, so it may not have the keyboard: a person
  # clicks OK.
  click_box_button 1
  wait_for 10 no_boxes
  if wait_for 10 button_enabled && inspect live "$TITLE" | grep -qF "title=\"$TITLE\""; then
    pass "$name: the title shows no version and the button is enabled"
  else
    fail "$name" "after the box: $(inspect live "$TITLE")"
  fi
  close_app || fail "$name" "the program did not end"
}

# Another program holds the controller: the click says so instead of doing nothing.
fault_busy() {
  local name="controller in use by another program"
  FLASH="$ART/busy-flash.bin"
  if ! start_sim framed VANTOR_SIM_FAULT=busy; then fail "$name" "$WHY"; return; fi
  says_fitting "$name: the instruction text says so" "$IN_USE_EN" why-in-use-en
  click_control 1007
  if wait_box "The controller is in use by another program." 20; then
    screenshot "fault-busy-box"
    pass "$name: the click tells the user"
  else
    fail "$name" "no box after the click: $BOXES"
    close_app
    return
  fi
  press Return
  wait_for 10 no_boxes
  if wait_for 10 button_enabled; then pass "$name: the button stays enabled"; else fail "$name" "$(inspect live "$TITLE")"; fi
  close_app || fail "$name" "the program did not end"
}

# A package with no section for this controller: the user is told, nothing is written.
nothing_matched() {
  local name="package with nothing for this controller"
  make_package addressed 999 6000 || { fail "$name" "$WHY"; return; }
  if ! start_sim addressed; then fail "$name" "$WHY"; return; fi
  if ! choose_package "$PACKAGE"; then fail "$name" "$WHY"; return; fi
  if wait_box "The firmware file holds no firmware for this controller." 30; then
    screenshot "nothing-matched-box"
    pass "$name: the user is told"
  else
    fail "$name" "no box: $BOXES"
    close_app
    return
  fi
  press Return
  wait_for 10 no_boxes
  if wait_for 10 button_enabled && wait_for 10 focused_on_button; then
    pass "$name: afterwards the button is enabled and has the focus"
  else
    fail "$name" "after the box: $(inspect live "$TITLE") focus=$(inspect focus "$TITLE")"
  fi
  close_app || fail "$name" "the program did not end"
  if [ -s "$FLASH" ]; then fail "$name" "the flash was written"; fi
}

scenario run_update addressed 8194 6000
scenario run_update framed 0 6000
scenario close_answer_no
scenario close_answer_no_then_yes
scenario update_ends_during_question
scenario enter_clicks_button
scenario failure_reasons
scenario fault_no_firmware
scenario fault_busy
scenario nothing_matched
scenario open_dead_ends
scenario hot_plug
scenario why_not_updatable_zh
scenario stage_in_instructions
scenario close_question_zh

# ---- 150 %: the dialog drawn at 144 dpi, nothing clipped -------------------------------
dpi_check() {
  local main_prefix=$WINEPREFIX lang locale
  # The inspector's resolution is its prefix's, read when it starts.
  stop_inspector
  export WINEPREFIX="$DPI_PREFIX"
  if declare -F vantor_wine_start >/dev/null; then
    vantor_wine_start
  elif [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 120 "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  fi
  prepare_prefix
  reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144
  reg_add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d 144
  start_inspector
  for lang in en zh; do
    locale=en_US.UTF-8
    [ "$lang" = zh ] && locale=zh_CN.UTF-8
    local name="144 dpi ($lang)"
    if ! start_app VantorUpdate.exe "$locale"; then
      fail "$name" "the dialog did not appear"
      kill "$APP_PID" 2>/dev/null
      continue
    fi
    screenshot_dialog "dialog-144dpi-$lang"
    inspect fits "$TITLE" >"$ART/fits-144dpi-$lang.txt"
    if grep -q '^client .* dpi 144$' "$ART/fits-144dpi-$lang.txt" && grep -q '^problems 0$' "$ART/fits-144dpi-$lang.txt"; then
      pass "$name: every control inside the client area, every text inside its control ($(head -1 "$ART/fits-144dpi-$lang.txt"))"
    else
      fail "$name" "$(cat "$ART/fits-144dpi-$lang.txt")"
    fi
    inspect live "$TITLE" >"$ART/live-144dpi-$lang.txt"
    if diff -u "$HERE/expected/no-controller-$lang.txt" "$ART/live-144dpi-$lang.txt" >"$ART/live-144dpi-$lang.diff"; then
      pass "$name: the same layout in dialog units as at 96 dpi"
    else
      fail "$name" "$(cat "$ART/live-144dpi-$lang.diff")"
    fi
    close_app || fail "$name" "Escape did not end the program"
  done
  stop_inspector
  wineserver -k >/dev/null 2>&1
  export WINEPREFIX="$main_prefix"
}
scenario dpi_check

echo "gui: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
