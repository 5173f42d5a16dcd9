#!/bin/bash
# The browser page's own tests: builds the page's module with the web preset
# (Debian's emscripten), tells its size, and runs tests/web under node's test runner
# against it (whole updates of the emulated controllers, failures with their reasons),
# then the page itself in headless Chromium (tests/web/page_in_chromium.py: one browser
# start, an update of each protocol through the page, a refusal, both languages, no
# text cut off). Needs scripts/setup.sh web, and for the browser chromium and
# python3-websocket (scripts/setup.sh test). Exits non-zero when the build or a test fails.
#
#   scripts/web-test.sh                 configure and build, then test
#   VANTOR_WEB_BUILD=0 scripts/web-test.sh   test the module already in build/web/page
#   VANTOR_WEB_BROWSER=0 scripts/web-test.sh  leave the browser out
#   VANTOR_WEB_SHOTS=DIR scripts/web-test.sh  keep a screenshot of each state of the page
set -euo pipefail

root=$(cd "$(dirname -- "$0")/.." && pwd)
cd "$root"
# Node 20 does not search Debian's folder of node modules, where emscripten's own
# helpers (acorn) live.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ "${VANTOR_WEB_BUILD:-1}" != 0 ]; then
  begin=$(date +%s)
  cmake --preset web > /dev/null
  cmake --build build/web --target vantor-web -j2
  echo "web build: $(($(date +%s) - begin)) s"
fi

page=build/web/page
for file in "$page/vantor-web.wasm" "$page/vantor-web.js"; do
  echo "$(basename "$file"): $(stat -c %s "$file") bytes, $(gzip -9 -c "$file" | wc -c) gzipped"
done

VANTOR_WEB_MODULE_DIR="$root/$page" timeout 300 node --test tests/web/

if [ "${VANTOR_WEB_BROWSER:-1}" != 0 ]; then
  # Debian's python3, which has the apt websocket module, whatever else is on PATH.
  timeout 300 /usr/bin/python3 tests/web/page_in_chromium.py --page "$page" ${VANTOR_WEB_SHOTS:+--shots "$VANTOR_WEB_SHOTS"}
fi
