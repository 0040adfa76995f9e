#!/usr/bin/env bash
# ctest's emulator: runs one test executable under Wine. The output goes through a file, because a
# Wine process the test leaves behind (a stand-in server that COM started inherits the standard
# handles) would otherwise hold ctest's pipe open until the test's time-out.
# Wine now and then fails to start the executable at all (its start-up says "ShellExecuteEx" failed,
# or nothing); such a run is tried again, since the test itself never ran.
# A 32-bit program on a machine that runs none (see tools/wine-env.sh) is skipped: ctest takes status
# 77 as a skip.
if [ "${LABELPRINT_WIN32:-1}" = 0 ] && [[ "${1,,}" == *syswow64* ]]; then
  echo "skipped: this machine runs no 32-bit programs ($1)"
  exit 77
fi
out=$(mktemp /tmp/labelprint-test.XXXXXX)
for attempt in 1 2 3; do
  wine "$@" > "$out" 2>&1
  status=$?
  if [ $status -eq 0 ] || { [ -s "$out" ] && ! grep -aq ShellExecuteEx "$out"; }; then break; fi
  echo "wine-test.sh: Wine did not start $1 (attempt $attempt, status $status)" >&2
  sleep 1
done
cat "$out"
rm -f "$out"
exit $status
