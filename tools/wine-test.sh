#!/usr/bin/env bash
# ctest's emulator: runs one test executable under Wine. The output goes through a file, because a
# Wine process the test leaves behind (a stand-in server that COM started inherits the standard
# handles) would otherwise hold ctest's pipe open until the test's time-out.
out=$(mktemp /tmp/labelprint-test.XXXXXX)
wine "$@" > "$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
