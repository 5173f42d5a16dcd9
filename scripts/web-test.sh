#!/bin/bash
# The browser page's own tests: builds the page's module with the web preset
# (Debian's emscripten), tells its size, and runs tests/web under node's test runner
# against it (whole updates of the emulated controllers, failures with their reasons).
# Needs scripts/setup.sh web. Exits non-zero when the build or a test fails.
#
#   scripts/web-test.sh                 configure and build, then test
#   VANTOR_WEB_BUILD=0 scripts/web-test.sh   test the module already in build/web/page
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
