#!/usr/bin/env bash
# Installs what is missing (Debian packages, run as root), builds for Windows, prepares a fresh Wine
# prefix with the stand-in servers, and runs every test. Ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh
tools/build.sh
# Tests run on Wine's null display driver: no X server needed.
unset DISPLAY
tools/prepare-prefix.sh
tools/with-wine.sh ctest --test-dir build/mingw --output-on-failure --timeout 120
