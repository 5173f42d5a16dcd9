#!/bin/bash
# The whole test suite: for each preset (linux, asan, tsan, windows) configure, build
# and run the tests, then the Windows GUI tests when they are present. The Windows
# tests run under Wine, headless, in the prefix of scripts/wine-env.sh.
#
#   scripts/test.sh                 every preset, then the GUI tests
#   VANTOR_PRESETS="linux tsan" scripts/test.sh
#   VANTOR_GUI_TESTS=0 scripts/test.sh
#   VANTOR_PACKAGE_CHECK=0 scripts/test.sh   without the Debian package check
#
# As root (as CI runs) it ends with scripts/package-check.sh: the release build's .deb,
# lintian, installed with dpkg, tried, and removed again.
#
# Goes on after a failing preset so one run shows every failure; exits non-zero if any
# step failed.
set -uo pipefail

root=$(cd "$(dirname -- "$0")/.." && pwd)
cd "$root"
presets=${VANTOR_PRESETS:-linux asan tsan windows}
gui=${VANTOR_GUI_TESTS:-1}
if [ "$(id -u)" -eq 0 ]; then package_check=${VANTOR_PACKAGE_CHECK:-1}; else package_check=${VANTOR_PACKAGE_CHECK:-0}; fi

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

gui_script=$root/tests/win32/run-gui-tests.sh
if [ "$gui" = 1 ] && [ -x "$gui_script" ]; then
  if [[ " $presets " == *" windows "* ]]; then
    export VANTOR_WINDOWS_BUILD=$root/build/windows
    step "windows: GUI tests" "$gui_script"
  fi
fi

if [ "$package_check" = 1 ]; then
  step "release: package check" bash "$root/scripts/package-check.sh"
else
  echo "=== release: package check skipped (it installs the package: run as root, or set VANTOR_PACKAGE_CHECK=1)"
fi

echo "=== total $(($(date +%s) - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "=== failed steps: ${failed[*]}"
  exit 1
fi
echo "=== every step passed"
