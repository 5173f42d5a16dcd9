# What the dialog says, read back from its boxes and controls: failure reasons with the
# next step, the two dead ends of a click (a controller that cannot be opened, a file
# that cannot be chosen or read), versions with their hundredths, device arrival and
# removal, the stage in the instruction text, and the close question in Chinese.
# Sourced by run-gui-tests.sh, whose helpers (begin_update, start_sim, ...) it uses.

# use_language en|zh: the simulated build's language and what its boxes start with.
use_language() {
  if [ "$1" = zh ]; then
    LOCALE=zh_CN.UTF-8 OPEN_TITLE=打开 CONFIRM="新固件 1.5"
    FAILURE_FIRST='text="固件更新失败\r\n\r\n原因：'
    NEXT_STEP='\r\n\r\n下一步：按住 LB+RB 插入 USB 线使手柄进入 BOOT 模式，然后再次点击“USB 升级”并选择固件文件。" buttons=1 default=1 icon=1'
    ACCESS_DENIED="已找到手柄，但无法打开它：访问被拒绝。"
    UNREADABLE="无法读取固件文件：\r\n"
    FILTER_LABEL="固件文件(*.dat)"
  else
    LOCALE=en_US.UTF-8 OPEN_TITLE=Open CONFIRM="New firmware 1.5"
    FAILURE_FIRST='text="Firmware update failure\r\n\r\nReason: '
    NEXT_STEP=$NEXT_STEP_EN
    ACCESS_DENIED="The controller was found, but it could not be opened: access was denied."
    UNREADABLE="The firmware file could not be read:\r\n"
    FILTER_LABEL="File type(*.dat)"
  fi
}

progress_at_zero() { inspect live "$TITLE" | grep -q '^control id=1003 .* pos=0$'; }
instruction_text() { inspect live "$TITLE" | sed -n 's/^control id=1008 class="Static" text="\(.*\)" visible=.*/\1/p'; }
title_is() { [ "$(dialog_title)" = "$1" ]; }

# check_failure <name> <protocol> <type> <fault> <reason> <after>: the failure box says
# the failure, the reason and the next step with the error icon; after OK the bar is
# back at 0, and either the controller is ready again (after=ready) or gone, the title
# the product's (after=gone).
check_failure() {
  local name=$1 protocol=$2 type=$3 fault=$4 reason=$5 after=$6
  if ! begin_update "$protocol" "$type" 60000 VANTOR_SIM_FAULT="$fault"; then fail "$name" "$WHY"; return; fi
  if [ -n "${OFFER:-}" ]; then
    if grep -qF -- "$OFFER" <<<"$BOXES"; then pass "$name: the confirmation tells the offer"; else fail "$name" "confirmation: $BOXES"; fi
  fi
  if ! wait_box "$FAILURE_FIRST" 120; then fail "$name" "no failure box: $BOXES"; close_app; return; fi
  screenshot "failure-$protocol-$fault-${LOCALE%%_*}"
  if grep -qF -- "$FAILURE_FIRST$reason$NEXT_STEP" <<<"$BOXES"; then
    pass "$name: the failure, its reason and the next step, with the error icon"
  else
    fail "$name" "box: $BOXES"
  fi
  press Return
  wait_for 10 no_boxes
  if wait_for 10 progress_at_zero; then pass "$name: the bar is back at 0"; else fail "$name" "bar: $(inspect live "$TITLE")"; fi
  if [ "$after" = gone ]; then
    if wait_for 10 title_is "$TITLE" && button_disabled; then
      pass "$name: the removal resets the title and disables the button"
    else
      fail "$name" "after the box: $(inspect live "$TITLE")"
    fi
  elif wait_for 10 button_enabled && wait_for 10 focused_on_button; then
    pass "$name: afterwards the button is enabled and has the focus"
  else
    fail "$name" "after the box: $(inspect live "$TITLE") focus=$(inspect focus "$TITLE")"
  fi
  close_app || fail "$name" "the program did not end"
}

failure_reasons() {
  use_language en
  check_failure "failure box (addressed, no acknowledgement)" addressed 8194 fail "the controller stopped answering." ready
  check_failure "failure box (framed, unplugged)" framed 0 unplug "the controller was unplugged." gone
  # The removal notification of a controller that left mid-update takes its version
  # out of the title.
  check_failure "failure box (addressed, unplugged)" addressed 8194 unplug "the controller was unplugged." gone
  use_language zh
  VERSION=156 CONFIRM='text="新固件 1\.56' OFFER='text="新固件 1.56 （与已安装的版本相同）\r\n\r\n当前固件： 1.56" buttons=1,2' \
    check_failure "failure box (zh, framed, refused)" framed 0 fail "手柄拒绝了更新（代码 21）。" ready
  use_language en
}

# no_permission: a controller that cannot be opened says so at the click.
no_permission() {
  local name="controller that may not be opened (${LOCALE%%_*})"
  FLASH="$ART/no-permission-flash.bin"
  if ! start_sim framed VANTOR_SIM_FAULT=no-permission; then fail "$name" "$WHY"; return; fi
  click_control 1007
  if wait_box "$ACCESS_DENIED" 20; then
    screenshot "no-permission-${LOCALE%%_*}"
    pass "$name: the click says so and what to do"
  else
    fail "$name" "no box after the click: $BOXES"
  fi
  press Return
  wait_for 10 no_boxes
  wait_for 10 button_enabled || fail "$name" "the button: $(inspect live "$TITLE")"
  close_app || fail "$name" "the program did not end"
}

# mistyped_name: the open-file dialog labels the package type in the user's language
# and refuses a name that does not exist, staying open; cancelling it then says nothing.
mistyped_name() {
  local name="a mistyped file name (${LOCALE%%_*})" missing="$ART/no-such-package.dat" boxes
  FLASH="$ART/mistyped-flash.bin"
  if ! start_sim framed; then fail "$name" "$WHY"; return; fi
  click_control 1007
  if ! wait_for 30 open_dialog_up; then fail "$name" "no open-file dialog"; close_app; return; fi
  if inspect combos "$OPEN_TITLE" | grep -qF "text=\"$FILTER_LABEL\""; then
    pass "$name: the file type reads \"$FILTER_LABEL\""
  else
    fail "$name" "file type: $(inspect combos "$OPEN_TITLE")"
  fi
  type_text "$(winpath "$missing")"
  press Return
  # The open-file dialog's own box ("File does not exist" in English), without a caption.
  no_such_file_said() { boxes="$(inspect boxes "")"; grep -q '^box text=".\+" buttons=1 default=1 icon=1$' <<<"$boxes"; }
  if wait_for 20 no_such_file_said; then
    screenshot "mistyped-name-${LOCALE%%_*}"
    pass "$name: the open-file dialog says the file is not there ($(sed -n 's/^box text=\("[^"]*"\).*/\1/p' <<<"$boxes"))"
  else
    fail "$name" "no word about the missing file: $(inspect boxes "") / $(box_text)"
  fi
  press Return
  sleep 0.5
  if open_dialog_up; then pass "$name: the open-file dialog stays open"; else fail "$name" "the open-file dialog closed"; fi
  press Escape
  wait_for 10 no_open_dialog
  if wait_for 10 button_enabled && no_boxes; then
    pass "$name: cancelling it then says nothing"
  else
    fail "$name" "after cancelling: $(box_text) $(inspect live "$TITLE")"
  fi
  close_app || fail "$name" "the program did not end"
}

# locked_package: a package another program holds without sharing cannot be read; the
# dialog says which file.
locked_package() {
  local name="a package that cannot be read (${LOCALE%%_*})" holder
  make_package framed 0 6000 || { fail "$name" "$WHY"; return; }
  timeout 90 "$WINE" "$INSPECTOR" hold "$(winpath "$PACKAGE")" 60000 </dev/null >"$ART/hold.log" 2>&1 &
  holder=$!
  held() { grep -q held "$ART/hold.log" 2>/dev/null; }
  if ! wait_for 30 held; then fail "$name" "the file could not be held: $(cat "$ART/hold.log")"; kill "$holder"; return; fi
  if ! start_sim framed; then fail "$name" "$WHY"; kill "$holder"; return; fi
  choose_package "$PACKAGE" || { fail "$name" "$WHY"; kill "$holder"; return; }
  if wait_box "$UNREADABLE$(winpath "$PACKAGE")\r\n" 30; then
    screenshot "package-unreadable-${LOCALE%%_*}"
    pass "$name: the box names the file"
  else
    fail "$name" "no box: $BOXES"
  fi
  press Return
  wait_for 10 no_boxes
  wait_for 10 button_enabled || fail "$name" "the button: $(inspect live "$TITLE")"
  close_app || fail "$name" "the program did not end"
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null
  if [ -s "$FLASH" ]; then fail "$name" "the flash was written"; fi
}

open_dead_ends() {
  local lang
  for lang in en zh; do
    use_language "$lang"
    no_permission
    mistyped_name
    locked_package
  done
  use_language en
}

# The instruction text when no controller can be updated, per language: what the checks
# found, fitting its control.
NORMAL_MODE_EN='A controller is attached in its normal mode, in which it cannot be updated.\r\n\r\nUnplug it, hold LB+RB while plugging it in again, then click \"USB Update\".'
NORMAL_MODE_ZH='已连接的手柄处于普通模式，无法更新。\r\n\r\n请拔出手柄，按住 LB+RB 重新插入 USB 线，然后点击“USB 升级”。'
IN_USE_EN='The controller is in use by another program, so it cannot be updated.\r\n\r\nClose that program, then click \"USB Update\".'
IN_USE_ZH='手柄正被另一个程序占用，无法更新。\r\n\r\n请关闭该程序，然后点击“USB 升级”。'
INSTRUCTIONS_EN='1. Press and hold LB+RB, then plug in USB, POWER LED will blink in white.\r\n\r\n2. Click \"USB Update\" button and select firmware file.'
instruction_is() { [ "$(instruction_text)" = "$1" ]; }
# says_fitting <name> <text> <screenshot>: the instruction text is that and the dialog's
# texts fit.
says_fitting() {
  local fits
  if ! wait_for 10 instruction_is "$2"; then fail "$1" "instruction text: $(instruction_text)"; return; fi
  screenshot_dialog "$3"
  fits="$(inspect fits "$TITLE")"
  if grep -q '^problems 0$' <<<"$fits"; then pass "$1, and it fits its control"; else fail "$1" "$fits"; fi
}

# Part of hot_plug: a controller plugged in while the dialog is open is offered (the
# button) and probed (its version in the title). It was there before in its normal
# mode, which the instruction text said, and the instructions come back with it.
NORMAL_LEAVES_MS=5500
arrival_offers_and_probes() {
  local name="a controller plugged in later"
  FLASH="$ART/arrival-flash.bin"
  if ! start_app VantorUpdateSim.exe "$LOCALE" VANTOR_SIMULATE=addressed VANTOR_SIM_ARRIVE=6000 \
    VANTOR_SIM_NORMAL_MODE=1 VANTOR_SIM_NORMAL_LEAVE=$NORMAL_LEAVES_MS VANTOR_SIM_FLASH_OUT="$(winpath "$FLASH")"; then
    fail "$name" "the dialog did not appear"
    kill "$APP_PID" 2>/dev/null
    return
  fi
  if button_disabled && title_is "$TITLE"; then
    pass "$name: before it arrives the button is disabled"
  else
    fail "$name" "before the arrival: $(inspect live "$TITLE")"
  fi
  says_fitting "$name: in its normal mode the instruction text says how to enter the boot mode" "$NORMAL_MODE_EN" \
    why-normal-mode-en
  if wait_for 40 title_is "$TITLE(Fw v1.5)" && button_enabled; then
    pass "$name: its arrival enables the button and puts its version in the title"
  else
    fail "$name" "after the arrival: $(inspect live "$TITLE")"
  fi
  if wait_for 10 instruction_is "$INSTRUCTIONS_EN"; then
    pass "$name: in its boot mode the instructions are back"
  else
    fail "$name" "after the arrival: $(instruction_text)"
  fi
  close_app || fail "$name" "the program did not end"
}

# In Chinese: a controller in its normal mode, then plugged in again in its boot mode
# while another program has it open.
why_not_updatable_zh() {
  local name="no controller can be updated (zh)"
  FLASH="$ART/why-zh-flash.bin"
  if ! start_app VantorUpdateSim.exe zh_CN.UTF-8 VANTOR_SIMULATE=framed VANTOR_SIM_ARRIVE=6000 VANTOR_SIM_FAULT=busy \
    VANTOR_SIM_NORMAL_MODE=1 VANTOR_SIM_NORMAL_LEAVE=5500 VANTOR_SIM_FLASH_OUT="$(winpath "$FLASH")"; then
    fail "$name" "the dialog did not appear"
    kill "$APP_PID" 2>/dev/null
    return
  fi
  says_fitting "$name: a controller in its normal mode" "$NORMAL_MODE_ZH" why-normal-mode-zh
  if wait_for 40 button_enabled; then
    says_fitting "$name: the controller in use by another program" "$IN_USE_ZH" why-in-use-zh
  else
    fail "$name" "the controller did not arrive: $(inspect live "$TITLE")"
  fi
  close_app || fail "$name" "the program did not end"
}

# Part of hot_plug: a second controller arrives while an update runs: the update is not
# disturbed (no probe, the title and the disabled button stay), and the held probe runs
# once it has ended (the updated controller's new version in the title). Its package is
# 1.56, which the offer must show as 1.56, not 1.6 (the Chinese offer is checked with
# the refused update above).
# The update is confirmed a few seconds before the second controller arrives, so it
# runs when it does whatever the machine's pace.
ARRIVAL_MS=14000
arrival_during_update() {
  local name="a controller plugged in during an update" length=500000 started arrival
  started=$SECONDS
  arrival=$((started + ARRIVAL_MS / 1000))
  if ! VERSION=156 CONFIRM='text="New firmware 1\.56' CONFIRM_AT=$((arrival - 8)) begin_update addressed 8194 "$length" \
    VANTOR_SIMULATE=addressed,framed VANTOR_SIM_ARRIVE="0,$ARRIVAL_MS"; then
    fail "$name" "$WHY"
    return
  fi
  if grep -qF 'text="New firmware 1.56\r\n\r\nInstalled firmware: 1.5\r\nThe radio image will not be written." buttons=1,2' <<<"$BOXES"; then
    pass "$name: a 1.56 package is offered as 1.56, over the installed 1.5, without a radio image"
  else
    fail "$name" "confirmation: $BOXES"
  fi
  if ! wait_for 60 transfer_started; then fail "$name" "the transfer did not start"; close_app; return; fi
  # The program starts (and its schedule with it) a little after `started`.
  if [ "$SECONDS" -gt "$arrival" ]; then
    fail "$name" "the update started $((SECONDS - started)) s in, after the arrival; raise ARRIVAL_MS"
    close_app
    return
  fi
  after_arrival() { [ "$SECONDS" -ge $((arrival + 3)) ]; }
  wait_for 60 after_arrival
  local live
  live="$(inspect live "$TITLE")"
  if [ -z "$(box_text)" ] && grep -q 'pos=[1-9][0-9]\?$' <<<"$live" && grep -qF "title=\"$TITLE(Fw v1.5)\"" <<<"$live" &&
    grep -q '^control id=1007 .* enabled=0' <<<"$live"; then
    pass "$name: during the update nothing is probed and the button stays disabled"
  else
    fail "$name" "after the arrival: boxes $(box_text) $live"
  fi
  if ! wait_box_matching "Firmware upgraded!" 180; then fail "$name" "no success box: $BOXES"; close_app; return; fi
  echo "  (the update ended $((SECONDS - started)) s in; the arrival was at $((ARRIVAL_MS / 1000)) s)"
  press Return
  if wait_for 20 title_is "$TITLE(Fw v1.56)"; then
    pass "$name: once it has ended the held probe runs (the new version in the title)"
  else
    fail "$name" "after the update: $(inspect live "$TITLE")"
  fi
  close_app || fail "$name" "the program did not end"
  FLASH="$FLASH.1"
  flash_holds_image "$length" || fail "$name" "the flash of the updated controller differs from the image"
}

hot_plug() {
  use_language en
  arrival_offers_and_probes
  arrival_during_update
}

# The stage of a running update in the instruction text, the instructions again after.
stage_in_instructions() {
  local name="the stage in the instruction text" seen="" text deadline
  use_language en
  if ! RADIO=60000 begin_update addressed 8194 150000; then fail "$name" "$WHY"; return; fi
  if grep -qF 'text="New firmware 1.5 (same as installed)\r\n\r\nInstalled firmware: 1.5\r\nThe radio (Bluetooth LE) image will be written too." buttons=1,2' <<<"$BOXES"; then
    pass "$name: the confirmation says the same version is installed and the radio image is written too"
  else
    fail "$name" "confirmation: $BOXES"
  fi
  deadline=$((SECONDS + 180))
  while [ "$SECONDS" -lt "$deadline" ]; do
    text="$(instruction_text)"
    case $text in
      'Updating. Do not unplug the controller or close the program.\r\n\r\nWriting the main image...') seen="$seen main" ;;
      'Updating. Do not unplug the controller or close the program.\r\n\r\nWriting the radio (Bluetooth LE) image...') seen="$seen radio" ;;
    esac
    BOXES="$(box_text)"
    grep -q '^box' <<<"$BOXES" && break
  done
  if grep -q main <<<"$seen" && grep -q radio <<<"$seen"; then
    pass "$name: the main image, then the radio image"
  else
    fail "$name" "stages seen:$seen; boxes: $BOXES"
  fi
  if ! grep -qF "Firmware upgraded!" <<<"$BOXES"; then fail "$name" "no success box: $BOXES"; close_app; return; fi
  press Return
  wait_for 10 no_boxes
  if [ "$(instruction_text)" = '1. Press and hold LB+RB, then plug in USB, POWER LED will blink in white.\r\n\r\n2. Click \"USB Update\" button and select firmware file.' ]; then
    pass "$name: the instructions again once it has ended"
  else
    fail "$name" "after the update: $(instruction_text)"
  fi
  close_app || fail "$name" "the program did not end"
}

# The close question in Chinese: its own text, No by default; the instruction text names
# the stage in Chinese meanwhile.
close_question_zh() {
  local name="closing mid-update (zh)"
  local question='正在更新固件。是否停止更新并关闭程序？\r\n\r\n是：更新立即停止，手柄保持 BOOT 模式，固件不完整，重新更新后才能正常使用。\r\n否：继续更新。'
  use_language zh
  if ! begin_update addressed 8194 150000; then fail "$name" "$WHY"; use_language en; return; fi
  if ! wait_for 60 transfer_started; then fail "$name" "the transfer did not start"; close_app; use_language en; return; fi
  if grep -qF '正在更新，请勿拔出手柄或关闭程序。\r\n\r\n正在写入主固件……' <<<"$(instruction_text)"; then
    pass "$name: the instruction text names the stage"
  else
    fail "$name" "instruction text: $(instruction_text)"
  fi
  press Escape
  if wait_box "$question" 20 && grep -qF "text=\"$question\" buttons=6,7 default=7 icon=1" <<<"$BOXES"; then
    screenshot "close-question-zh"
    pass "$name: the question asks whether to stop and says what stopping means; No is the default"
  else
    fail "$name" "question: $BOXES"
  fi
  press Return
  if wait_box "升级成功。" 180; then pass "$name: No lets the update finish"; else fail "$name" "no success box: $BOXES"; fi
  press Return
  wait_for 10 no_boxes
  close_app || fail "$name" "the program did not end"
  use_language en
}
