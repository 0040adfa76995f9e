#!/bin/sh
# Makes a delay-import library for a system DLL out of mingw-w64's ordinary import library: the
# same exports, but the DLL is loaded at the first call into it instead of at process start.
#   make-delay-import.sh <nm> <dlltool> <import library> <dll name> <output>
set -eu
nm=$1 dlltool=$2 library=$3 dll=$4 output=$5
def=$output.def
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" "$library" | sed -n 's/^.* I __imp_//p' | sort -u
} > "$def"
"$dlltool" --output-delaylib "$output" --def "$def"
