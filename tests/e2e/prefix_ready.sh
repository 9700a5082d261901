#!/usr/bin/env bash
# Fixture set-up: the suite runs only inside the prepared Wine test bed.
set -u
[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || { echo "no prepared WINEPREFIX: run scripts/test.sh"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run scripts/test.sh"; exit 1; }
echo "prefix $WINEPREFIX, display $DISPLAY"
