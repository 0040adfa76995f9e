#!/usr/bin/env bash
# Cross-builds everything for Windows and copies the program to dist/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
mkdir -p dist
cp build/mingw/bin/labelprint.exe dist/
for f in build/mingw/bin/labelsupport.dll; do [ -f "$f" ] && cp "$f" dist/; done
echo "Built dist/labelprint.exe"
