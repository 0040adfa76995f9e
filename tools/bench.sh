#!/usr/bin/env bash
# Runs the benchmarks against the current build (run ./test.sh or ./run.sh once first):
# start-up against a bare window, one lookup in a 65,536-row list, one print, and the byte codecs.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh
bin=$LABELPRINT_BUILD/bin
big=$LABELPRINT_ROOT/build/bench/big.xlsx
if [ ! -f "$big" ]; then
  mkdir -p "$(dirname "$big")"
  /usr/bin/python3 fixtures/make_fixtures.py --big "$big"
fi
unset DISPLAY
tools/prepare-prefix.sh >/dev/null
tools/with-wine.sh bash -c '
  wine "$1/startup_bench.exe" 15
  wine "$1/lookup_bench.exe" "Z:$2" 5
  wine "$1/print_bench.exe" 30
  wine "$1/codec_bench.exe"
' _ "$bin" "$(echo "$big" | tr / '\\')"
