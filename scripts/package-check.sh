#!/bin/bash
# The Debian package as a user gets it: builds vantor-update with the release preset,
# makes the .deb, runs lintian on it, installs it with dpkg on this machine, runs the
# installed program (--version, a simulated update), checks that the udev rule, the
# manual page and the bash completion are in place, and removes the package again.
#
# Needs root (dpkg -i) and the packages of `scripts/setup.sh package`. Refuses to run when a
# vantor-update package is installed already: it would not leave that one as it was.
# Prints the time each stage took.
set -euo pipefail

root=$(cd "$(dirname -- "$0")/.." && pwd)
cd "$root"
build=$root/build/release

fail() {
  echo "package-check: $*" >&2
  exit 1
}

stage_started=$(date +%s)
stage() {
  local now
  now=$(date +%s)
  echo "package-check: $* ($((now - stage_started)) s)"
  stage_started=$now
}

[ "$(id -u)" -eq 0 ] || fail "must run as root (it installs the package with dpkg -i)"
if dpkg-query -W -f='${Status}' vantor-update 2>/dev/null | grep -q 'install ok installed'; then
  fail "a vantor-update package is installed already; remove it first (dpkg -r vantor-update)"
fi

# Only the program: installing and packaging need nothing else built.
cmake --preset release >/dev/null
# Where Qt 6 is found the desktop app is a second package of the same tree.
targets=(vantor-update)
[ -f "$build/src/desktop/Makefile" ] && targets+=(vantor-update-gui)
cmake --build --preset release --target "${targets[@]}"
stage "built ${targets[*]} (release preset)"

rm -f "$build"/vantor-update_*.deb "$build"/vantor-update-gui_*.deb
cpack --preset deb >/dev/null
debs=("$build"/vantor-update_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single vantor-update_*_amd64.deb in $build"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename -- "$deb")" = "vantor-update_${version}_amd64.deb" ] || fail "unexpected package name $deb"
echo "package-check: $(basename -- "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Package Version Depends Recommends Suggests
[ -z "$(dpkg-deb -f "$deb" Recommends)" ] || fail "the package recommends something"
# bash loads completions on demand only with bash-completion, which nothing else needs.
[ "$(dpkg-deb -f "$deb" Suggests)" = bash-completion ] || fail "the package should suggest bash-completion alone"
dpkg-deb -f "$deb" Depends | grep -Eq '(^|, )libhidapi-hidraw0($|,| )' || fail "the package does not depend on libhidapi-hidraw0"
# CMake lists join with semicolons: a description assembled from several strings
# would show them at the start of its lines.
! dpkg-deb -f "$deb" Description | grep -q '^ ;' || fail "the package description has stray semicolons"
stage "made the package"

# Errors fail the check; warnings and the rest are shown.
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"
for gui_deb in "$build"/vantor-update-gui_*_amd64.deb; do
  [ -f "$gui_deb" ] || continue
  lintian --fail-on error --display-info "$gui_deb" || fail "lintian reports errors in $(basename -- "$gui_deb")"
done
stage "lintian"

cleanup() {
  if dpkg-query -W vantor-update >/dev/null 2>&1; then dpkg -P vantor-update >/dev/null || true; fi
  rm -rf "$scratch"
}
scratch=$(mktemp -d)
trap cleanup EXIT
dpkg -i "$deb"
stage "installed it with dpkg -i"

program=/usr/bin/vantor-update
# The version, then the hidapi library it found in brackets.
case "$($program --version)" in
  "vantor-update $version"|"vantor-update $version ("*")") ;;
  *) fail "--version says '$($program --version)', the package is $version" ;;
esac

"$program" pack -o "$scratch/pkg.dat" -s version=1.60,address=0x08004000,type=8194,variant=0,size=4096 >/dev/null
(cd "$scratch" && "$program" --lang en --simulate addressed --yes flash pkg.dat) >"$scratch/flash.log" 2>&1 ||
  { cat "$scratch/flash.log"; fail "the simulated update from $program failed"; }
grep -q 'Firmware upgraded!' "$scratch/flash.log" || { cat "$scratch/flash.log"; fail "the simulated update did not say it succeeded"; }
stage "ran $program: --version, pack, a simulated update"

# The files, where udev, man and bash-completion look for them. Debian 12 merges /lib
# into /usr/lib, so udev finds the rule under either name.
rule=/usr/lib/udev/rules.d/70-vantor-update.rules
cmp -s "$rule" packaging/linux/70-vantor-update.rules || fail "$rule is missing or differs"
manual=/usr/share/man/man1/vantor-update.1.gz
[ -f "$manual" ] || fail "$manual is missing"
MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$manual" 2>"$scratch/man.err" | grep -q "vantor-update - firmware updater" ||
  fail "man -l $manual does not show the page"
[ ! -s "$scratch/man.err" ] || { cat "$scratch/man.err"; fail "man -l $manual complains"; }
[ "$(man -w vantor-update)" = "$manual" ] || fail "man vantor-update does not find $manual"
for file in README.md LICENSE copyright changelog.gz; do
  [ -f "/usr/share/doc/vantor-update/$file" ] || fail "/usr/share/doc/vantor-update/$file is missing"
done

completion=/usr/share/bash-completion/completions/vantor-update
[ -f "$completion" ] || fail "$completion is missing"
for file in /usr/share/zsh/vendor-completions/_vantor-update /usr/share/fish/vendor_completions.d/vantor-update.fish; do
  [ -f "$file" ] || fail "$file is missing"
done
# The completion at work: --simulate's values, and the .dat files for flash's FILE.
completions=$(cd "$scratch" && touch other.txt && bash -c '
  . "$1"
  complete -p vantor-update >/dev/null || exit 1
  COMP_WORDS=(vantor-update --simulate ""); COMP_CWORD=2; _vantor_update; echo "${COMPREPLY[*]}"
  COMP_WORDS=(vantor-update flash ""); COMP_CWORD=2; _vantor_update; echo "${COMPREPLY[*]}"' _ "$completion") ||
  fail "$completion does not register a completion for vantor-update"
[ "$completions" = $'framed addressed\npkg.dat' ] || fail "unexpected completions: $completions"
stage "rule, manual page, documents and completion in place"

dpkg -P vantor-update
for path in "$program" "$rule" "$manual" "$completion" /usr/share/doc/vantor-update; do
  [ ! -e "$path" ] || fail "$path is still there after dpkg -P"
done
stage "removed it again (dpkg -P)"
echo "package-check: ok"
