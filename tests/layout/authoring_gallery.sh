#!/usr/bin/env bash
# Screenshots of every window of the authoring program with the sample project
# (C:\sample, as scripts/sample-steps.sh places it), for a person to look at:
# authoring_tour.exe writes NN-<window>.ready into the output folder at each
# window; this script answers each with the screen (tests/e2e/xcapture.sh, which
# shows dialogs over their owners) as NN-<window>.png. Checked here: every shot
# exists and is not empty, and the exe ended with 0.
#
# usage: authoring_gallery.sh TOUR_EXE SAMPLE_DIR OUTPUT_DIR
set -u
exe=$1 sample_src=$2 out=$3
[ -e "$exe" ] || { echo "missing $exe"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "DISPLAY is not set: run under scripts/wine-harness.sh"; exit 1; }
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/../e2e/winpath.sh"

sample=$WINEPREFIX/drive_c/sample
# The folder also holds the settings test's pictures (settings/): only ours go.
rm -f "$out"/[0-9][0-9]-*.png "$out"/[0-9][0-9]-*.ready "$out"/.partial.png
rm -rf "$sample"
mkdir -p "$out"
cp -r "$sample_src" "$sample"
log=$(mktemp)
trap 'rm -f "$log"; rm -rf "$sample"' EXIT

wine "$exe" --gallery "$(winpath "$out")" 'C:\sample\Sample.zpf' </dev/null >"$log" 2>&1 &
pid=$!
while kill -0 "$pid" 2>/dev/null; do
  answered=0
  for ready in "$out"/*.ready; do
    [ -e "$ready" ] && [ ! -e "${ready%.ready}.png" ] || continue
    if bash "$here/../e2e/xcapture.sh" "$out/.partial.png"; then
      mv -f "$out/.partial.png" "${ready%.ready}.png"
    else
      echo "screenshot for $(basename "$ready") failed"
    fi
    answered=1
  done
  [ "$answered" = 1 ] || sleep 0.05
done
wait "$pid"
rc=$?

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ "$rc" = 0 ] || fail "authoring_tour.exe ended with $rc"
shots=0
for ready in "$out"/*.ready; do
  [ -e "$ready" ] || continue
  shots=$((shots + 1))
  [ -s "${ready%.ready}.png" ] || fail "no screenshot $(basename "${ready%.ready}.png")"
  rm -f "$ready"
done
[ "$shots" -gt 0 ] || fail "the tour asked for no screenshot"
cat "$log"
[ "$failures" = 0 ] && echo "authoring_gallery: $shots screenshots in $out"
exit "$failures"
