#!/usr/bin/env bash
# Runs the benchmarks against the current build (run ./test.sh or ./run.sh once first):
# start-up against a bare window, one lookup in a 65,536-row list and the same lookup again, one print,
# and the byte codecs. With BENCH_BEFORE=<folder of another build's labelprint.exe>, the lookup and the
# print are measured first for that build, in the same run, against the same stand-ins.
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
before=
if [ -n "${BENCH_BEFORE:-}" ]; then before="Z:$(cd "$BENCH_BEFORE" && pwd | tr / '\\')\\labelprint.exe"; fi
tools/with-wine.sh bash -c '
  if [ -n "$3" ]; then
    echo "== the other build ($3)"
    LABELPRINT_PROGRAM="$3" wine "$1/lookup_bench.exe" "Z:$2" 5
    LABELPRINT_PROGRAM="$3" wine "$1/print_bench.exe" 30
    echo "== this build"
  fi
  wine "$1/startup_bench.exe" 15
  wine "$1/lookup_bench.exe" "Z:$2" 5
  wine "$1/print_bench.exe" 30
  wine "$1/codec_bench.exe"
' _ "$bin" "$(echo "$big" | tr / '\\')" "$before"
