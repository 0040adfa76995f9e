# Sourced by run.sh, test.sh and the benchmarks: the Wine environment of this checkout.
# Everything Wine writes stays under build/: the prefix and a scratch HOME.
LABELPRINT_ROOT=${LABELPRINT_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
LABELPRINT_BUILD=${LABELPRINT_BUILD:-$LABELPRINT_ROOT/build/mingw}
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8          # Wine's ANSI code page becomes 936 (GBK)
export WINEPREFIX=${WINEPREFIX:-$LABELPRINT_ROOT/build/wineprefix}
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME=${WINEPREFIX}-home
mkdir -p "$HOME"

# Debian's `wine` starts its 32-bit loader whenever wine32:i386 is installed. On a kernel that runs no
# 32-bit programs (ia32 emulation off) that loader fails with "Exec format error", so every Wine
# command goes to the 64-bit loader instead, and 32-bit Windows programs (SysWOW64's script host and
# regsvr32, the NSIS installer) cannot run at all: LABELPRINT_WIN32=0 tells the tests to skip them.
if [ -z "${LABELPRINT_WIN32:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1 \
     && [ -x /usr/lib/wine/wine64 ]; then
    shim=$LABELPRINT_ROOT/build/wine64-only
    mkdir -p "$shim"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' > "$shim/$name"
      chmod +x "$shim/$name"
    done
    export PATH=$shim:$PATH WINELOADER=/usr/lib/wine/wine64
    export LABELPRINT_WIN32=0
  else
    export LABELPRINT_WIN32=1
  fi
fi
