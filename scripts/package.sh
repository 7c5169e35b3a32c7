#!/usr/bin/env bash
# Builds the 32-bit program and writes the portable archive a Windows user
# unzips and runs, out/dist/Quillon-1.0.52-win32.zip, and the installer
# package out/dist/Quillon-1.0.52-win32.msi (built with wixl from
# scripts/dist/Quillon.wxs). Usage: scripts/package.sh [--test-build win64]
# Prints the paths of the archive and the installer on success.
# --test-build win64 packs the x86-64 build the same way, for hosts that run
# no 32-bit code, into out/dist/test-win64/ under names no user should get.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=1.0.52
preset=win32
dist=out/dist
zipname="Quillon-$version-win32.zip"
msiname="Quillon-$version-win32.msi"
strip=i686-w64-mingw32-strip
if [ "${1:-}" = --test-build ]; then
  [ "${2:-}" = win64 ] || { echo "usage: scripts/package.sh [--test-build win64]" >&2; exit 2; }
  preset=win64
  dist=out/dist/test-win64
  zipname="Quillon-$version-win64-test.zip"
  msiname="Quillon-$version-win64-test.msi"
  strip=x86_64-w64-mingw32-strip
fi
build=out/$preset

for tool in zip wixl "$strip"; do
  command -v "$tool" >/dev/null || { echo "package: $tool is missing; run: bash scripts/setup.sh" >&2; exit 1; }
done

cmake --preset "$preset" >/dev/null
targets=(Quillon quillon-cli)
# The help file has a target only where the CHM compiler was found.
ninja -C "$build" -t targets all 2>/dev/null | grep -q '^quillon_help:' && targets+=(quillon_help)
cmake --build --preset "$preset" --target "${targets[@]}" >&2

stage=$(mktemp -d "$root/out/package.XXXXXX")
trap 'rm -rf "$stage"' EXIT
# The debug sections are for us, not for the user's download.
for exe in Quillon.exe quillon-cli.exe; do
  "$strip" -o "$stage/$exe" "$build/src/$exe"
done
[ -f "$build/src/Quillon.chm" ] && cp "$build/src/Quillon.chm" "$stage/"
# Notepad before Windows 10 shows bare LF files on one line.
sed 's/$/\r/' scripts/dist/README.txt >"$stage/README.txt"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"

mkdir -p "$dist"
rm -f "$dist/$zipname"
(cd "$stage" && TZ=UTC zip -q -X -9 "$root/$dist/$zipname" ./*)
echo "$dist/$zipname"

# The installer takes the same files; wixl finds them beside its source.
[ -f "$stage/Quillon.chm" ] || { echo "package: the installer needs Quillon.chm; run: bash scripts/setup.sh" >&2; exit 1; }
cp scripts/dist/Quillon.wxs "$stage/"
rm -f "$dist/$msiname"
(cd "$stage" && wixl -D Version="$version" -o "$root/$dist/$msiname" Quillon.wxs >&2)
[ -s "$dist/$msiname" ] || { echo "package: wixl wrote no installer" >&2; exit 1; }
echo "$dist/$msiname"
