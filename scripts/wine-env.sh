# Sourced by the scripts: the environment every Wine process of the project runs in.
#
# Quillon is a 32-bit program. Some hosts cannot execute 32-bit x86 code at all
# (the kernel has IA-32 emulation switched off, so wine32 fails with "Exec
# format error"); there the same sources are built for x86-64 and tested under
# wine64 instead. QUILLON_WINE_ARCH tells the scripts which one applies.
_qroot=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${QUILLON_WINE_ARCH:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    QUILLON_WINE_ARCH=win32
  else
    QUILLON_WINE_ARCH=win64
  fi
fi
export QUILLON_WINE_ARCH
if [ "$QUILLON_WINE_ARCH" = win32 ]; then
  export WINEARCH=win32
  QUILLON_WINE=/usr/lib/wine/wine
else
  export WINEARCH=win64
  QUILLON_WINE=/usr/lib/wine/wine64
  export WINELOADER=$QUILLON_WINE
fi
export QUILLON_WINE
export WINEPREFIX="${QUILLON_WINEPREFIX:-$_qroot/out/wineprefix-$QUILLON_WINE_ARCH}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset _qroot
