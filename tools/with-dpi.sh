#!/usr/bin/env bash
# Runs a command with the Wine prefix at another display scaling, then puts the prefix back to 100 %:
#   tools/with-dpi.sh DPI COMMAND...        (96 = 100 %, 120 = 125 %, 144 = 150 %, 192 = 200 %)
# The scaling is the prefix's LogPixels (HKCU\Control Panel\Desktop). Wine 8 reads it when a process
# starts, so the programs the command starts get the new DPI at once, with no restart of the
# wineserver; programs already running (the keep-alive, explorer) keep the DPI they started with. The
# command sees the DPI in LABELPRINT_DPI. Nothing else may start Wine programs meanwhile: the tests
# that run this are serial.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
dpi=$1
shift

set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
trap 'set_dpi 96' EXIT
if ! set_dpi "$dpi"; then
  echo "with-dpi.sh: could not set LogPixels to $dpi" >&2
  exit 1
fi
export LABELPRINT_DPI=$dpi
"$@"
