#!/bin/bash
# The whole test suite: for each preset (linux, asan, tsan, windows) configure, build
# and run the tests, then the Windows GUI tests when they are present, then the VM
# stage (the Linux program through the kernel's real HID stack, tests/vm/run.sh).
# The Windows tests run under Wine, headless, in the prefix of scripts/wine-env.sh.
#
#   scripts/test.sh                 every preset, then the GUI tests and the VM stage
#   VANTOR_PRESETS="linux tsan" scripts/test.sh
#   VANTOR_GUI_TESTS=0 scripts/test.sh
#   VANTOR_VM_TESTS=0 scripts/test.sh
#
# Goes on after a failing preset so one run shows every failure; exits non-zero if any
# step failed.
set -uo pipefail

root=$(cd "$(dirname -- "$0")/.." && pwd)
cd "$root"
presets=${VANTOR_PRESETS:-linux asan tsan windows}
gui=${VANTOR_GUI_TESTS:-1}
vm=${VANTOR_VM_TESTS:-1}

. "$root/scripts/wine-env.sh"
# Wine's server outlives the tests that started it; end it however the run ends.
trap vantor_wine_stop EXIT

failed=()
started=$(date +%s)

step() {
  local name=$1
  shift
  local begin
  begin=$(date +%s)
  echo "=== $name"
  if "$@"; then
    echo "=== $name: ok ($(($(date +%s) - begin)) s)"
  else
    echo "=== $name: FAILED ($(($(date +%s) - begin)) s)"
    failed+=("$name")
    return 1
  fi
}

for preset in $presets; do
  step "$preset: configure" cmake --preset "$preset" || continue
  step "$preset: build" cmake --build --preset "$preset" || continue
  if [ "$preset" = windows ]; then
    step "windows: wine prefix" vantor_wine_start || continue
  fi
  step "$preset: tests" ctest --preset "$preset" --timeout 600
done

gui_script=$root/tests/gui/run-gui-tests.sh
if [ "$gui" = 1 ] && [ -x "$gui_script" ]; then
  if [[ " $presets " == *" windows "* ]]; then
    export VANTOR_WINDOWS_BUILD=$root/build/windows
    step "windows: GUI tests" "$gui_script"
  fi
fi

# Needs the linux preset's programs; a few minutes under qemu's software emulation.
if [ "$vm" = 1 ] && [[ " $presets " == *" linux "* ]] && [[ " ${failed[*]} " != *" linux: build "* ]]; then
  step "linux: VM tests" "$root/tests/vm/run.sh"
fi

echo "=== total $(($(date +%s) - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "=== failed steps: ${failed[*]}"
  exit 1
fi
echo "=== every step passed"
