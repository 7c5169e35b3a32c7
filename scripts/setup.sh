#!/usr/bin/env bash
# Prepares a Debian 12 machine (as root) to build and test Quillon, and creates
# the project's private Wine prefix. Safe to run again: it only does what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(cmake ninja-build g++ make libgtest-dev googletest libbenchmark-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 fonts-wine
          xvfb xauth x11-apps qpdf poppler-utils imagemagick clang
          xdotool x11-utils python3 python3-xlib zip unzip
          libimage-exiftool-perl wixl msitools mupdf-tools ghostscript)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Wine prefix lives in the build tree so the user's ~/.wine is never touched.
. "$here/scripts/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$QUILLON_WINE" wineboot -i >/dev/null 2>&1 || true
  # Without a window manager every hide of a top-level window blocks for two
  # seconds; unmanaged windows avoid that and get drawn captions too.
  "$QUILLON_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
fi

# The help compiler. Debian's fp-utils carries it, but that package depends on
# the whole Free Pascal source tree: only its CHM compiler and lister are
# unpacked, under out/tools/chm (they need nothing but the C library). Without
# them the program still builds; the help file and its checks do not.
unpack_chm_tools() {
  local bin=$1 tmp
  tmp=$(mktemp -d)
  if ! (cd "$tmp" && apt-get download -qq fp-utils-3.2.2 >/dev/null 2>&1); then
    apt-get update -qq && (cd "$tmp" && apt-get download -qq fp-utils-3.2.2 >/dev/null 2>&1)
  fi &&
    dpkg -x "$tmp"/fp-utils-3.2.2_*.deb "$tmp/unpacked" &&
    mkdir -p "$bin" &&
    cp "$tmp/unpacked/usr/bin/chmcmd-3.2.2" "$tmp/unpacked/usr/bin/chmls-3.2.2" "$bin/"
  local rc=$?
  rm -rf "$tmp"
  return $rc
}
chmbin="$here/out/tools/chm/usr/bin"
if [ ! -x "$chmbin/chmcmd-3.2.2" ] || [ ! -x "$chmbin/chmls-3.2.2" ]; then
  unpack_chm_tools "$chmbin" || echo "warning: the CHM compiler could not be unpacked; the help file is not built" >&2
fi

# Debian's Wine never reads its own font folder, only the prefix's Fonts
# folder and fontconfig's: without Tahoma and Marlett, caption buttons draw as
# "0 1 r" and dialogs fall back to another face. Copied for a new prefix and
# for an existing one alike; files already there are left as they are.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ]; then
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -e "$font" ] || continue
    [ -e "$fonts/$(basename "$font")" ] || cp "$font" "$fonts/"
  done
fi
