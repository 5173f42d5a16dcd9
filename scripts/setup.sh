#!/bin/bash
# Installs everything the builds, the tests and the GUI tests need on Debian 12, and
# the locales the texts are tested in. Safe to run again: it installs only what is
# missing. Runs apt-get through sudo when not root.
set -euo pipefail

packages=(
  # native build and tests
  cmake make g++ pkg-config googletest libgtest-dev libbenchmark-dev
  libhidapi-dev libhidapi-hidraw0 libcli11-dev nlohmann-json3-dev
  # Windows cross build, its tests under Wine, and the GUI tests under Xvfb
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine64 wine fonts-wine xvfb xdotool imagemagick fonts-wqy-microhei
  # the GUI tests write their packages with a script; so does the manual page check
  python3
  # the Debian package: dependencies computed by dpkg-shlibdeps (which uses file),
  # checked with lintian, its manual page read with man
  dpkg-dev file lintian man-db
  # the desktop app (Qt 6 Widgets, whose CMake files need the GL headers), its
  # .desktop file and AppStream metainfo checked by their validators
  qt6-base-dev libgl-dev desktop-file-utils appstream
  # the fuzz preset: clang with libFuzzer and the sanitizer runtimes
  clang libclang-rt-dev
  # the VM stage: a throwaway Linux under qemu with kernel-emulated controllers (uhid)
  qemu-system-x86 linux-image-amd64 busybox-static cpio gzip udev
  # flock, timeout and the locales
  util-linux coreutils locales
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

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
echo "setup: done"
