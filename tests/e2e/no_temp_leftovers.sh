#!/usr/bin/env bash
# Fixture clean-up, run after every other test: no test may leave cabinet temp
# files (stc*.tmp) or setup temp folders (QZTMP*) in the user's temp folder of
# any bed.
set -u
source "$(dirname "$0")/../../scripts/wine-harness.sh"
failed=0
while read -r prefix; do
  temp=$(harness_temp_dir "$prefix")
  [ -n "$temp" ] || { echo "no temp folder in $prefix"; failed=1; continue; }
  left=$(find "$temp" -maxdepth 1 \( -iname 'stc*.tmp' -o -iname 'QZTMP*' \) 2>/dev/null)
  if [ -n "$left" ]; then
    echo "left behind in $temp:"; echo "$left"; failed=1
  else
    echo "temp folder clean: $temp"
  fi
done < <(harness_bed_prefixes)
exit $failed
