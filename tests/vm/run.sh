#!/bin/bash
# The VM stage: boots a throwaway Linux VM (qemu, software emulation) and runs the
# scenarios there, where the unmodified vantor-update reaches emulated controllers
# through the kernel's real HID stack (uhid, hidraw, libhidapi-hidraw).
#
#   tests/vm/run.sh                      every scenario
#   tests/vm/run.sh linux-faults.sh      only these scenario files (in tests/vm)
#
# Where Qt was found and the desktop app is built, it runs too, under Xvfb as a
# person would use it (desktop-app.sh); where the browser page is built
# (scripts/web-test.sh), the page runs in headless Chromium over WebHID (web-page.sh).
#
# Needs the Linux build (cmake --preset linux && cmake --build --preset linux) and
# the packages of `scripts/setup.sh test`. When the Windows build is there, the Windows
# programs run too, under Wine in the same VM: vantor-update.exe (wine-programs.sh)
# and the dialog, driven as a person would (wine-dialog.sh).
# Environment: VANTOR_VM_BUILD (default build/linux), VANTOR_VM_WINDOWS_BUILD
# (default build/windows), VANTOR_VM_WINE (1 requires the Windows programs, 0 skips
# them; by default it runs when built), VANTOR_VM_WEB_BUILD (default build/web; the
# page's scenario runs when its page is built), VANTOR_VM_TIMEOUT (seconds for the
# whole VM, default 900).
set -euo pipefail

# Physical paths: the VM shares these folders and finds them at the same paths.
here=$(cd "$(dirname -- "$0")" && pwd -P)
root=$(cd "$here/../.." && pwd -P)
build=$(cd "${VANTOR_VM_BUILD:-$root/build/linux}" && pwd -P)
for program in "$build/vantor-update" "$build/tests/vm/vantor-vm-host"; do
  [ -x "$program" ] || { echo "vm: $program missing: build the linux preset first" >&2; exit 2; }
done

web_page=${VANTOR_VM_WEB_BUILD:-$root/build/web}/page
settings=()
if [ -f "$web_page/vantor-web.wasm" ]; then
  web_page=$(cd "$web_page" && pwd -P)
  settings+=("VM_WEB_PAGE=$web_page")
fi

scenarios=("$@")
if [ ${#scenarios[@]} -eq 0 ]; then
  scenarios=(linux-updates.sh linux-faults.sh linux-access.sh linux-doctor.sh)
  if [ -x "$build/src/desktop/vantor-update-gui" ]; then
    scenarios+=(desktop-app.sh)
  else
    echo "vm: $build/src/desktop/vantor-update-gui not built (no Qt 6): the desktop app's scenario is skipped" >&2
  fi
  if [ ${#settings[@]} -gt 0 ]; then
    scenarios+=(web-page.sh)
  else
    echo "vm: $web_page not built (scripts/web-test.sh builds it): the page's scenario is skipped" >&2
  fi
fi

wine=${VANTOR_VM_WINE:-auto}
windows_build=${VANTOR_VM_WINDOWS_BUILD:-$root/build/windows}
if [ "$wine" = auto ]; then
  wine=0
  [ -f "$windows_build/vantor-update.exe" ] && wine=1
fi
if [ "$wine" = 1 ]; then
  for program in vantor-update.exe VantorUpdate.exe tests/win32/DialogInspector.exe; do
    [ -f "$windows_build/$program" ] || {
      echo "vm: $windows_build/$program missing: build the windows preset first" >&2; exit 2; }
  done
  prefix=$build/vm-wine-prefix
  "$here/wine-prefix.sh" "$prefix" || { echo "vm: could not make the Wine prefix" >&2; exit 2; }
  windows_build=$(cd "$windows_build" && pwd -P)
  settings+=("VM_WINDOWS_BUILD=$windows_build" "VM_WINE_PREFIX=$prefix")
  [ $# -gt 0 ] || scenarios+=(wine-programs.sh wine-dialog.sh)
fi

# The checkout and the build trees, wherever they are (under /tmp the VM's own tmpfs
# would hide them); a folder inside one already shared needs no share of its own.
folders=("$root" "$build")
[ "$wine" = 0 ] || folders+=("$windows_build")
[ ! -f "$web_page/vantor-web.wasm" ] || folders+=("$web_page")
mapfile -t folders < <(printf '%s\n' "${folders[@]}" | LC_ALL=C sort -u)
shares=()
for folder in "${folders[@]}"; do
  inside=0
  for shared in "${shares[@]}"; do
    case $folder/ in "$shared"/*) inside=1 ;; esac
  done
  [ "$inside" = 1 ] || shares+=("$folder")
done
share_options=()
for folder in "${shares[@]}"; do share_options+=(--share "$folder"); done

begin=$(date +%s)
status=0
"$here/boot-vm.sh" "${share_options[@]}" "$build/vm" "$here/in-vm.sh" "$root" "$build" "${settings[@]}" \
  "${scenarios[@]}" || status=$?
echo "vm: $(($(date +%s) - begin)) s in all, exit $status"
exit "$status"
