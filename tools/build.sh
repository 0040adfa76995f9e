#!/usr/bin/env bash
# Cross-builds everything for Windows and copies the program with its help page, both builds of the
# support library and the installer to dist/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# The x86 labelsupport.dll first: the x64 build takes it from there for the installer and the tests
# under the 32-bit script host (and keeps it up to date from then on).
cmake --preset mingw-x86 >/dev/null
cmake --build --preset mingw-x86
cmake --preset mingw >/dev/null
cmake --build --preset mingw
mkdir -p dist/x64 dist/x86
cp build/mingw/bin/labelprint.exe dist/
rm -rf dist/help
cp -r build/mingw/bin/help dist/help
cp build/mingw/bin/labelsupport.dll dist/x64/
cp build/mingw-x86/bin/labelsupport.dll dist/x86/
cp build/mingw/labelprint-setup.exe dist/
echo "Built dist/labelprint.exe, dist/help/, dist/x64/labelsupport.dll, dist/x86/labelsupport.dll and dist/labelprint-setup.exe"
