#!/usr/bin/env bash
# The build's emulator for test executables (gtest discovery and ctest): Wine in this checkout's
# environment.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
