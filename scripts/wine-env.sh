# Wine for the Windows build's tests, headless, in a prefix of the project's own.
#
# Source it (". scripts/wine-env.sh") to get the environment and the functions
#   vantor_wine_start   make the prefix when missing, start a persistent wineserver
#                       whose helpers do not hold the caller's output open
#   vantor_wine_stop    end that wineserver (and every Wine program in the prefix)
# or run it: scripts/wine-env.sh start|stop.
#
# WINEPREFIX may be set by the caller; by default it lives under build/, so a fresh
# checkout gets a fresh prefix and `rm -rf build` throws it away.

VANTOR_ROOT=$(cd "$(dirname -- "${BASH_SOURCE:-$0}")/.." && pwd)
: "${WINEPREFIX:=$VANTOR_ROOT/build/wine-prefix}"
export WINEPREFIX
# Wine refuses to start without a home folder; a bare CI environment may not name one.
if [ -z "${HOME:-}" ]; then
  HOME=$(getent passwd "$(id -u)" | cut -d: -f6)
  export HOME
fi
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Debian has no wine64 on PATH; the loader lives here.
VANTOR_WINE=/usr/lib/wine/wine64
[ -x "$VANTOR_WINE" ] || VANTOR_WINE=$(command -v wine64 || command -v wine || echo wine)
export VANTOR_WINE

# Windows font names that Chinese dialogs and message boxes ask for.
vantor_wine_fonts() {
  for font in SimSun NSimSun 宋体 "Microsoft YaHei" "Microsoft YaHei UI" SimHei; do
    LC_ALL=C.UTF-8 "$VANTOR_WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
      /d "WenQuanYi Micro Hei" /f </dev/null >/dev/null 2>&1 || return 1
  done
}

vantor_wine_start() {
  mkdir -p "$(dirname -- "$WINEPREFIX")"
  (
    # Parallel test runs share the prefix: one makes it, the others wait (bounded).
    # Nothing started in here may inherit the lock's descriptor (hence the 9>&-): the
    # wineserver would hold the lock for as long as it runs.
    flock -w 300 9 || { echo "wine-env: prefix $WINEPREFIX is locked" >&2; exit 1; }
    if [ ! -f "$WINEPREFIX/.vantor-ready" ]; then
      rm -rf "$WINEPREFIX"
      timeout 300 "$VANTOR_WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&- || {
        echo "wine-env: wineboot -i failed for $WINEPREFIX" >&2; exit 1; }
      vantor_wine_fonts 9>&- || { echo "wine-env: could not map the Chinese fonts" >&2; exit 1; }
      timeout 120 wineserver -w 9>&-
      touch "$WINEPREFIX/.vantor-ready"
    fi
    # A server started by a test would inherit the test runner's output pipe, and the
    # runner would then wait for it to close; a persistent server started here with
    # /dev/null for output serves every later run and ends ten minutes after the last
    # one. It exits 2 when a server is already running.
    if wineserver -p600 </dev/null >/dev/null 2>&1 9>&-; then
      timeout 120 "$VANTOR_WINE" wineboot </dev/null >/dev/null 2>&1 9>&- || true
    fi
  ) 9>"$WINEPREFIX.lock"
}

vantor_wine_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
}

if [ "$(basename -- "$0")" = "wine-env.sh" ]; then
  case "${1:-}" in
    start) vantor_wine_start ;;
    stop) vantor_wine_stop ;;
    *) echo "usage: scripts/wine-env.sh start|stop  (or source it)" >&2; exit 2 ;;
  esac
fi
