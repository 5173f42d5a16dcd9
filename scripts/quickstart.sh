#!/usr/bin/env bash
# From a fresh Debian machine to an updated controller, without a controller: installs
# what is missing, builds vantor-update, packs a demo firmware package and flashes it
# into the emulated controller, with the progress bar and the success text.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target vantor-update

program=build/linux/vantor-update
demo=build/linux/demo
mkdir -p "$demo"
# One framed image (type 0, variant 0) of 48 KiB: a few seconds at the controller's pace.
"$program" pack -o "$demo/demo.dat" -s version=1.60,address=0x08004000,type=0,variant=0,size=49152
echo
"$program" inspect "$demo/demo.dat"
echo
"$program" --simulate framed info
echo
"$program" --simulate framed flash "$demo/demo.dat" --yes
