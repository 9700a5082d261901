#!/bin/bash
# With cabinet.dll disabled for the process, loading fails with 126 each time:
# a failed load leaves the binding free to try again.
set -euo pipefail
PROBE=$1
out=$(WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}cabinet=d" wine "$PROBE" </dev/null 2>/dev/null | tr -d '\r')
[ "$out" = $'126\n126' ] || { echo "FAIL: expected 126 twice, got: $out" >&2; exit 1; }
out=$(wine "$PROBE" </dev/null 2>/dev/null | tr -d '\r')
[ "$out" = $'loaded\nloaded' ] || { echo "FAIL: the system library did not load: $out" >&2; exit 1; }
echo "disabled library e2e passed"
