#!/bin/bash
# The VM stage: boots a throwaway Linux VM (qemu, software emulation) and runs the
# scenarios there, where the unmodified vantor-update reaches emulated controllers
# through the kernel's real HID stack (uhid, hidraw, libhidapi-hidraw).
#
#   tests/vm/run.sh                      every Linux scenario
#   tests/vm/run.sh linux-faults.sh      only these scenario files (in tests/vm)
#
# Needs the Linux build (cmake --preset linux && cmake --build --preset linux) and
# the packages of scripts/setup.sh. Environment: VANTOR_VM_BUILD (default
# build/linux), VANTOR_VM_TIMEOUT (seconds for the whole VM, default 900).
set -euo pipefail

here=$(cd "$(dirname -- "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${VANTOR_VM_BUILD:-$root/build/linux}" && pwd)
for program in "$build/vantor-update" "$build/tests/vm/vantor-vm-host"; do
  [ -x "$program" ] || { echo "vm: $program missing: build the linux preset first" >&2; exit 2; }
done

scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(linux-updates.sh linux-faults.sh linux-access.sh)

begin=$(date +%s)
status=0
"$here/boot-vm.sh" "$build/vm" "$here/in-vm.sh" "$root" "$build" "${scenarios[@]}" || status=$?
echo "vm: $(($(date +%s) - begin)) s in all, exit $status"
exit "$status"
