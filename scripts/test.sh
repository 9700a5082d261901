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
set +e
ctest --test-dir "$root/build" -j "$beds" --resource-spec-file "$HARNESS_DIR/beds.json" \
  --timeout 120 --output-on-failure "$@"
rc=$?
set -e
seconds=$(($(date +%s) - start))
harness_stop
echo "test.sh: ctest took ${seconds} s on $beds bed(s) (beds used $disk of disk)"
exit $rc
