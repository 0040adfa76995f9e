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
