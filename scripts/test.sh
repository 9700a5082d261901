#!/usr/bin/env bash
# The whole suite: dependencies, build, a fresh Wine test bed, ctest. Extra
# arguments go to ctest (e.g. -R cabinet). Exits with ctest's code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

source "$root/scripts/wine-harness.sh"
harness_start
set +e
ctest --test-dir "$root/build" -j4 --timeout 120 --output-on-failure "$@"
rc=$?
set -e
harness_stop
exit $rc
