#!/bin/bash
# Installs the Debian 12 packages that one purpose needs, and nothing more. Each
# purpose includes the ones above it:
#
#   scripts/setup.sh run       build vantor-update and run it (the quick start)
#   scripts/setup.sh package   also build the Debian package and the Windows zip
#   scripts/setup.sh test      also every test, the GUI tests, the fuzzers and the VM
#                              stage (what scripts/test.sh and CI run), and the
#                              locales the texts are tested in
#   scripts/setup.sh web       only what builds the core for the browser (emscripten and
#                              node); the test purpose has it too
#   scripts/setup.sh --list PURPOSE   prints the packages of PURPOSE, installs nothing
#
# Safe to run again: it installs only what is missing. Runs apt-get through sudo when
# not root. Only the test purpose touches the system's configuration (/etc/locale.gen).
set -euo pipefail

# Building and running the command line: the compiler, CMake, the header-only CLI11
# and nlohmann-json, hidapi (its header for the build, libhidapi-hidraw0 loaded at run
# time), and libudev with pkg-config, through which the build finds it.
run_packages=(
  cmake make g++ pkg-config
  libcli11-dev nlohmann-json3-dev libhidapi-dev libhidapi-hidraw0 libudev-dev
)

# The Debian package (dependencies computed by dpkg-shlibdeps, which uses file;
# checked with lintian; its manual page read with man) and the Windows zip (the
# mingw-w64 cross build, its imports read with objdump, its contents with python3).
# The release preset configures the test suite as well, which needs GoogleTest and
# python3 to be found.
package_packages=(
  dpkg-dev file lintian man-db libgtest-dev python3
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  # the desktop app's package: Qt 6 Widgets (whose CMake files need the GL headers),
  # its .desktop file and AppStream metainfo checked by their validators
  qt6-base-dev libgl-dev desktop-file-utils appstream
)

test_packages=(
  # the native tests and the benchmark; googletest's sources for the cross build
  googletest libbenchmark-dev
  # the Windows tests under Wine, and the GUI tests under Xvfb
  wine64 wine fonts-wine xvfb xdotool imagemagick fonts-wqy-microhei
  # the fuzz preset: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-dev
  # the VM stage: a throwaway Linux under qemu with kernel-emulated controllers (uhid)
  qemu-system-x86 linux-image-amd64 busybox-static cpio gzip udev
  # flock, runuser, timeout and the locales; setfacl for the VM's access checks
  util-linux coreutils locales acl
  # the browser page's module (emscripten) and its tests under node; the page itself
  # in headless Chromium, driven through its DevTools protocol from python3
  emscripten nodejs chromium python3-websocket
  # the shells whose completions are tried
  zsh fish
  # the desktop app as a Wayland client, on a headless compositor
  weston qt6-wayland
)

# The browser page: the core compiled to WebAssembly by Debian's emscripten, whose own
# tests run under node.
web_packages=(
  cmake make emscripten nodejs
)

usage() {
  echo "usage: scripts/setup.sh [--list] run|package|test|web" >&2
  echo "  run      build and run vantor-update (${#run_packages[@]} packages)" >&2
  echo "  package  run, and build the Debian package and the Windows zip (+${#package_packages[@]})" >&2
  echo "  test     package, and every test, the VM stage and the locales (+${#test_packages[@]})" >&2
  echo "  web      build the browser page only (${#web_packages[@]})" >&2
  exit 2
}

list=0
if [ "${1:-}" = --list ]; then
  list=1
  shift
fi
[ $# -eq 1 ] || usage
purpose=$1
case $purpose in
  run) packages=("${run_packages[@]}") ;;
  package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
  web) packages=("${web_packages[@]}") ;;
  *) usage ;;
esac

if [ "$list" = 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# One query for all: a package never installed makes dpkg-query complain and print
# nothing for it.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null | awk '$NF == "installed" { print $1 }' || true)
missing=()
for package in "${packages[@]}"; do
  grep -qx -- "$package" <<<"$installed" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup ($purpose): installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "setup ($purpose): all ${#packages[@]} packages present"
fi

if [ "$purpose" = test ]; then
  # The texts are checked in Chinese (PRC) and English; Wine takes the UI language
  # from the locale, so both must exist.
  present_locales=$(locale -a 2>/dev/null || true)
  need_locales=0
  for name in zh_CN.utf8 en_US.utf8; do
    grep -qx "$name" <<<"$present_locales" || need_locales=1
  done
  if [ "$need_locales" -eq 1 ]; then
    for name in "zh_CN.UTF-8 UTF-8" "en_US.UTF-8 UTF-8"; do
      if ! grep -qx "$name" /etc/locale.gen 2>/dev/null; then
        if grep -qx "# $name" /etc/locale.gen 2>/dev/null; then
          as_root sed -i "s/^# $name\$/$name/" /etc/locale.gen
        else
          echo "$name" | as_root tee -a /etc/locale.gen >/dev/null
        fi
      fi
    done
    as_root locale-gen
  fi
fi
echo "setup ($purpose): done"
