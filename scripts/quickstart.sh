#!/usr/bin/env bash
# From a fresh Debian machine to an updated controller, without a controller: installs
# what building and running vantor-update needs (scripts/setup.sh run, nothing of the
# test lab), builds vantor-update alone in build/quickstart (the test suite is left
# out, so its packages are not needed), packs a demo firmware package and flashes it
# into the emulated controller, with the progress bar and the success text. Ends with
# the time each step took.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$(date +%s)
step_started=$started
times=()
took() {
  local now
  now=$(date +%s)
  times+=("$1 $((now - step_started)) s")
  step_started=$now
}

bash scripts/setup.sh run
took "packages:"

build=build/quickstart
cmake --preset linux -B "$build" -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target vantor-update -j2
took "build:"

program=$build/vantor-update
demo=$build/demo
mkdir -p "$demo"
# One framed image (type 0, variant 0) of 48 KiB: a few seconds at the controller's pace.
"$program" pack -o "$demo/demo.dat" -s version=1.60,address=0x08004000,type=0,variant=0,size=49152
echo
"$program" inspect "$demo/demo.dat"
echo
"$program" --simulate framed info
echo
"$program" --simulate framed flash "$demo/demo.dat" --yes
took "demo update:"

echo
echo "quickstart: done in $(($(date +%s) - started)) s"
for entry in "${times[@]}"; do echo "  $entry"; done
echo "quickstart: the program is $program; try $program --help"
