#!/bin/bash
# The Windows zip: builds the windows-release preset, makes
# build/windows-release/vantor-update-<version>-win64.zip with cpack, and checks it:
# the two programs, README and LICENSE and nothing else; the programs import only
# DLLs every Windows has (they link their C and C++ runtimes statically, so nothing
# has to travel with them); the dialog's version resource says the project version.
set -euo pipefail

root=$(cd "$(dirname -- "$0")/.." && pwd)
cd "$root"
build=$root/build/windows-release

fail() {
  echo "windows-zip: $*" >&2
  exit 1
}

cmake --preset windows-release >/dev/null
cmake --build --preset windows-release --target vantor-update VantorUpdate
rm -f "$build"/vantor-update-*-win64.zip
cpack --preset windows-zip >/dev/null

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/vantor-update-$version-win64.zip
[ -f "$zip" ] || fail "$zip was not made"

top=vantor-update-$version-win64
expected=$(printf '%s\n' "$top/LICENSE" "$top/README.md" "$top/VantorUpdate.exe" "$top/vantor-update.exe" | sort)
contents=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
[ "$contents" = "$expected" ] || fail "$zip holds"$'\n'"$contents"$'\n'"instead of"$'\n'"$expected"

# DLLs that are part of Windows itself (msvcrt.dll included: mingw-w64's C runtime).
system_dlls=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll hid.dll kernel32.dll msvcrt.dll ole32.dll setupapi.dll shell32.dll user32.dll "
for program in VantorUpdate.exe vantor-update.exe; do
  imports=$(x86_64-w64-mingw32-objdump -p "$build/$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $imports; do
    [[ $system_dlls == *" $dll "* ]] || fail "$program imports $dll, which is not part of Windows"
  done
  echo "windows-zip: $program imports only system DLLs: $(echo $imports)"
done

resource=$(strings -el "$build/VantorUpdate.exe")
for field in FileVersion ProductVersion; do
  grep -A1 -x "$field" <<<"$resource" | tail -1 | grep -qx "$version" ||
    fail "VantorUpdate.exe's $field is not $version"
done
echo "windows-zip: $(basename -- "$zip"), $(stat -c %s "$zip") bytes: ok"
