#!/bin/bash
# The Debian package's postinst and postrm: they reload the udev rules and re-trigger
# the hidraw devices when udev runs (its control socket exists), do nothing when it
# does not, and never fail the package's installation or removal because udevadm did.
#
#   maintainer-scripts-test.sh POSTINST POSTRM
#
# Runs the scripts in a mount namespace of their own with an empty /run, so udev can be
# made to look running or not without touching the machine's, and with a udevadm on
# PATH that records its arguments. Exit 77 (skipped) where no namespace can be made.
set -euo pipefail

postinst=$(realpath "$1")
postrm=$(realpath "$2")

if [ "${VANTOR_IN_NAMESPACE:-}" != 1 ]; then
  for flags in "--mount" "--map-root-user --mount"; do
    # shellcheck disable=SC2086
    if unshare $flags true 2>/dev/null; then
      exec env VANTOR_IN_NAMESPACE=1 unshare $flags "$0" "$postinst" "$postrm"
    fi
  done
  echo "no mount namespace available: skipped"
  exit 77
fi

mount -t tmpfs none /run
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
cat >"$fake/udevadm" <<'SCRIPT'
#!/bin/sh
echo "udevadm $*" >>"$UDEVADM_LOG"
exit "${UDEVADM_EXIT:-0}"
SCRIPT
chmod +x "$fake/udevadm"
export PATH="$fake:$PATH" UDEVADM_LOG=$fake/log

failures=0
expect() {
  local name=$1 expected=$2
  shift 2
  : >"$UDEVADM_LOG"
  if ! "$@" >/dev/null 2>&1; then
    echo "FAIL $name: $* exited non-zero"
    failures=$((failures + 1))
  elif [ "$(cat "$UDEVADM_LOG")" != "$expected" ]; then
    echo "FAIL $name: udevadm calls were:"
    cat "$UDEVADM_LOG"
    echo "expected:"
    echo "$expected"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

reload=$'udevadm control --reload-rules\nudevadm trigger --subsystem-match=hidraw'

expect "postinst configure, udev not running" "" "$postinst" configure
expect "postrm remove, udev not running" "" "$postrm" remove

mkdir -p /run/udev
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' /run/udev/control
expect "postinst configure, udev running" "$reload" "$postinst" configure
expect "postinst abort-upgrade, udev running" "" "$postinst" abort-upgrade
expect "postrm remove, udev running" "$reload" "$postrm" remove
expect "postrm purge, udev running" "$reload" "$postrm" purge
expect "postrm upgrade, udev running" "" "$postrm" upgrade
UDEVADM_EXIT=1 expect "postinst configure, udevadm failing" "$reload" "$postinst" configure

[ "$failures" -eq 0 ]
