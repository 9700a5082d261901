#!/usr/bin/env bash
# Runs a test's command on the bed ctest allocated to it: ctest passes the bed as
# CTEST_RESOURCE_GROUP_0_BED="id:N,slots:1" and scripts/wine-harness.sh keeps bed N
# under $KIN_BEDS_DIR/bedN (prefix, display). Without an allocation (test discovery,
# ctest run by hand without the resource file) the exported bed 0 is used as it is.
#
# usage: on-bed.sh COMMAND [ARGS...]
if [ -n "${CTEST_RESOURCE_GROUP_0_BED:-}" ] && [ -n "${KIN_BEDS_DIR:-}" ]; then
  id=${CTEST_RESOURCE_GROUP_0_BED#id:}
  id=${id%%,*}
  bed=$KIN_BEDS_DIR/bed$id
  [ -d "$bed/prefix" ] && [ -s "$bed/display" ] || { echo "on-bed: bed $id is not prepared ($bed)" >&2; exit 1; }
  export WINEPREFIX=$bed/prefix
  DISPLAY=$(cat "$bed/display")
  export DISPLAY KIN_BED=$id
fi
exec "$@"
