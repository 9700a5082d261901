#!/usr/bin/env bash
# Fixture clean-up, run after every other test: no test may leave cabinet temp
# files (stc*.tmp) or setup temp folders (QZTMP*) in the user's temp folder.
set -u
source "$(dirname "$0")/../../scripts/wine-harness.sh"
temp=$(harness_temp_dir)
[ -n "$temp" ] || { echo "no temp folder in $WINEPREFIX"; exit 1; }
left=$(find "$temp" -maxdepth 1 \( -iname 'stc*.tmp' -o -iname 'QZTMP*' \) 2>/dev/null)
if [ -n "$left" ]; then
  echo "left behind in $temp:"; echo "$left"; exit 1
fi
echo "temp folder clean: $temp"
