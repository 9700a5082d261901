#!/usr/bin/env bash
# Fixture set-up: the suite runs only inside prepared Wine test beds (bed 0 is
# exported; every bed under KIN_BEDS_DIR must have its prefix and display).
set -u
source "$(dirname "$0")/../../scripts/wine-harness.sh"
[ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX/drive_c" ] || { echo "no prepared WINEPREFIX: run scripts/test.sh"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY: run scripts/test.sh"; exit 1; }
beds=0
while read -r prefix; do
  [ -d "$prefix/drive_c" ] || { echo "bed prefix $prefix is not prepared"; exit 1; }
  beds=$((beds + 1))
done < <(harness_bed_prefixes)
echo "prefix $WINEPREFIX, display $DISPLAY, $beds bed(s)"
