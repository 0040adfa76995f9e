#!/usr/bin/env bash
# Runs a command with one wineserver and one keep-alive Wine process for its whole length, so the
# Wine processes it starts cost milliseconds instead of seconds; stops Wine afterwards.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

wineserver -p 2>/dev/null || true
ready=$(mktemp -u /tmp/labelprint-keepalive.XXXXXX)
setsid wine "$LABELPRINT_BUILD/bin/keepalive.exe" "Z:$ready" >/dev/null 2>&1 < /dev/null &
for _ in $(seq 1 300); do [ -e "$ready" ] && break; sleep 0.1; done
rm -f "$ready"

"$@"
status=$?

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
exit $status
