#!/bin/bash
# Makes the Wine prefix the VM's Wine scenarios use: the project's usual headless
# prefix (scripts/wine-env.sh) with Wine's HID bus set up for a machine without udevd
# and without SDL, so that it scans /dev/hidraw* itself and offers the uhid
# controllers, and with the dialog on the GUI tests' virtual desktop. Kept in PREFIX
# between runs.
#
#   tests/vm/wine-prefix.sh PREFIX
set -euo pipefail

here=$(cd "$(dirname -- "$0")" && pwd)
export WINEPREFIX=$1
. "$here/../../scripts/wine-env.sh"
vantor_wine_start
for value in "Enable SDL=0" "DisableUdevd=1"; do
  timeout 120 "$VANTOR_WINE" reg add 'HKLM\System\CurrentControlSet\Services\winebus' \
    /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f </dev/null >/dev/null 2>&1
done
WINE=$VANTOR_WINE
. "$here/../win32/dialog-driver.sh"
prepare_desktop
# The registry reaches the prefix's files only when the server ends.
vantor_wine_stop
timeout 60 wineserver -w || true
