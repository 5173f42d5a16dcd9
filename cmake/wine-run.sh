#!/bin/bash
# Runs one program of the Windows build under Wine, headless: ctest's
# CMAKE_CROSSCOMPILING_EMULATOR. The prefix and wineserver are made on first use.
. "$(dirname -- "$0")/../scripts/wine-env.sh"
vantor_wine_start || exit 1
exec "$VANTOR_WINE" "$@"
