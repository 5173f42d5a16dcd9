# The Windows program, unmodified, under Wine inside the VM: its Win32 backend
# (SetupAPI, hid.dll, overlapped reads) reaches the uhid controllers through Wine's
# HID bus, which scans /dev/hidraw* (see wine-prefix.sh). Expects VM_WINDOWS_BUILD
# and VM_WINE_PREFIX; VM_WINE_FLAGS (e.g. -v) is given to every run.
#
# Wine offers only the controllers present when it starts, so they are plugged in
# first (with one of the vendor's in its normal mode, for doctor); a Wine program takes
# long to start under software emulation, so one persistent wineserver serves every run.

scenario="Windows program under Wine"
echo "--- $scenario"
win=/tmp/win
mkdir -p "$win"
cp "$VM_WINDOWS_BUILD/vantor-update.exe" "$packages/framed.dat" "$packages/addressed.dat" "$win/"
# The prefix is used where it is: the VM's overlay root takes its writes, and copying
# its 700 MB out of the 9p share would cost a minute.
export WINEPREFIX=$VM_WINE_PREFIX WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64

# `wine_updater NAME SECONDS ARG...`: as `updater`, for vantor-update.exe.
wine_updater() {
  local name=$1 seconds=$2
  shift 2
  local begin=$SECONDS
  (cd "$win" && timeout -k 5 "$seconds" "$wine" "$win/vantor-update.exe" ${VM_WINE_FLAGS:-} "$@" >"$VM_WORK/$name.out" 2>&1 </dev/null)
  status=$?
  echo "        vantor-update.exe $* -> $status ($((SECONDS - begin)) s)"
}

start_host framed,serial=WF addressed,serial=WA addressed,serial=WN,usb=2dc8:6012
# The first program starts Wine's services (the HID bus among them) on its own.
wineserver -p600 </dev/null >/dev/null 2>&1

wine_updater wine-list 300 --json list
check "list: exit 0" equal "$status" 0
# "vendor:product protocol path" per supported controller, by vendor:product.
python3 -c '
import json, sys
for c in sorted(json.load(open(sys.argv[1]))["controllers"], key=lambda c: c["productId"]):
    print(c["vendorId"] + ":" + c["productId"], c["protocol"], c["path"])
' "$VM_WORK/wine-list.out" >"$VM_WORK/wine-controllers" 2>&1
check "list: both controllers, by their ids" equal "$(cut -d' ' -f1,2 "$VM_WORK/wine-controllers" | tr '\n' ' ')" \
  "0x2dc8:0x3002 addressed 0x2dc8:0x5750 framed "
addressed_path=$(awk '$2 == "addressed" { print $3 }' "$VM_WORK/wine-controllers")
framed_path=$(awk '$2 == "framed" { print $3 }' "$VM_WORK/wine-controllers")
check "list: Windows device paths" contains "$VM_WORK/wine-controllers" '\\?\hid#vid_2dc8&pid_3002'

# doctor: the controllers can be updated (exit 0), the one in its normal mode is named
# with what to do, and Windows has no udev rule to check or install.
wine_updater wine-doctor 300 --lang en doctor
check "doctor: exit 0" equal "$status" 0
check "doctor: the controllers can be opened" contains "$VM_WORK/wine-doctor.out" '[ok] controller \\?\hid#vid_2dc8&pid_3002'
check "doctor: the normal mode named, with its step" contains "$VM_WORK/wine-doctor.out" \
  '[!!] 2dc8:6012 at \\?\hid#vid_2dc8&pid_6012'
check "doctor: ... hold LB+RB" contains "$VM_WORK/wine-doctor.out" "next: hold LB+RB while plugging the controller in"
check "doctor: the verdict" contains "$VM_WORK/wine-doctor.out" "A controller can be updated."
check "doctor: no udev on Windows" not_contains "$VM_WORK/wine-doctor.out" "udev"
wine_updater wine-doctor-zh 300 --lang zh --json doctor
check "doctor --json (zh): exit 0" equal "$status" 0
# "check:finding" of every check, the verdict and the first problem.
python3 -c '
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
print(" ".join(sorted(c["check"] + ":" + c["finding"] for c in d["checks"])), d["updatable"], d["firstProblem"], d["exitCode"])
for c in d["checks"]:
    print(c["message"])
' "$VM_WORK/wine-doctor-zh.out" >"$VM_WORK/wine-doctor-findings" 2>&1
check "doctor --json (zh): the checks Windows makes" equal "$(head -1 "$VM_WORK/wine-doctor-findings")" \
  "controller:ok controller:ok hid-library:ok normal-mode:normal-mode True None 0"
check "doctor --json (zh): the normal mode in Chinese" contains "$VM_WORK/wine-doctor-findings" "手柄处于普通模式"

wine_updater wine-info 300 --lang en --device "$addressed_path" info
check "info: exit 0" equal "$status" 0
check "info: the addressed protocol" contains "$VM_WORK/wine-info.out" "addressed"

# --dry-run and --expect-sha256 on Windows: the dry run stops before the first write,
# another package's digest is refused (exit 6, nothing sent), and the update reads the
# copy checked in Windows' temporary folder.
wine_updater wine-dry-run 300 --lang en --json --device "$addressed_path" flash 'Z:\tmp\win\addressed.dat' --dry-run
check "flash --dry-run: exit 0" equal "$status" 0
check "flash --dry-run: says what it would write" contains "$VM_WORK/wine-dry-run.out" '"outcome": "dry-run"'
wine_updater wine-other-sha 300 --lang en --yes --device "$addressed_path" flash 'Z:\tmp\win\addressed.dat' \
  --expect-sha256 "$(printf '0%.0s' $(seq 64))"
check "flash --expect-sha256 of another package: exit 6" equal "$status" 6
sha=$(python3 -c 'import hashlib, sys; print(hashlib.sha256(open(sys.argv[1], "rb").read()).hexdigest())' "$win/addressed.dat")
wine_updater wine-flash-addressed 400 --lang en --yes --device "$addressed_path" flash 'Z:\tmp\win\addressed.dat' \
  --expect-sha256 "$sha"
check "flash addressed: exit 0" equal "$status" 0
check "flash addressed: says it is done" contains "$VM_WORK/wine-flash-addressed.out" "Firmware upgraded!"
wine_updater wine-flash-framed 400 --lang en --yes --device "$framed_path" flash 'Z:\tmp\win\framed.dat'
check "flash framed: exit 0" equal "$status" 0
check "flash framed: says it is done" contains "$VM_WORK/wine-flash-framed.out" "Firmware upgraded!"

timeout 60 wineserver -k </dev/null >/dev/null 2>&1
stop_host
check "flash addressed: main flash holds the image" same_bytes "$VM_WORK/dump/WA.main" "$packages/main.bin"
check "flash addressed: radio flash holds its image" same_bytes "$VM_WORK/dump/WA.ble" "$packages/radio-expected.bin"
check "flash framed: flash holds the image" same_bytes "$VM_WORK/dump/WF.main" "$packages/framed.bin"
