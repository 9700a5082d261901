#!/usr/bin/env bash
# The whole suite: dependencies, build, fresh Wine test beds, ctest. Extra
# arguments go to ctest (e.g. -R cabinet). Exits with ctest's code.
# KIN_BEDS=N sets the number of beds (default: one per core, at most 8); ctest
# runs N tests at once, each on a bed of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

source "$root/scripts/wine-harness.sh"
beds=$(harness_bed_count)
harness_start "$beds"
disk=$(harness_beds_disk)
start=$(date +%s)
# A test that fails is run once more: a few tests have failed by chance under the
# full parallel load (in 0.01 s, with no output at all) and passed every time after.
# Such a second try is listed at the end, never hidden.
log=$root/build/Testing/test-sh.log
mkdir -p "$(dirname "$log")"
set +e
ctest --test-dir "$root/build" -j "$beds" --resource-spec-file "$HARNESS_DIR/beds.json" \
  --timeout 120 --output-on-failure --repeat until-pass:2 "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
set -e
seconds=$(($(date +%s) - start))
harness_stop
echo "test.sh: ctest took ${seconds} s on $beds bed(s) (beds used $disk of disk)"
if [ "$rc" = 0 ] && grep -qE '\*\*\*(Failed|Exception|Timeout)' "$log"; then
  echo "test.sh: these passed only on their second try; look at them:"
  grep -E '\*\*\*(Failed|Exception|Timeout)' "$log"
fi
exit $rc
