#!/usr/bin/env bash
# Screenshots of every page of the setup wizard in English and German, for a
# person to look at: the gallery exe drives the wizard and writes NN-<lang>-<name>.ready
# into the output folder at each step; this script answers each with the X screen
# as NN-<lang>-<name>.png (tests/e2e/xcapture.sh, which shows dialogs over their
# owners; written under a temporary name and renamed, so the exe
# never sees half a file). Checked here: every shot exists and is not empty, and
# the exe ended with 0. Whether the pages look right is for the person.
#
# usage: wizard_gallery.sh GALLERY_EXE OUTPUT_DIR
set -u
exe=$1 out=$2
[ -e "$exe" ] || { echo "missing $exe"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "DISPLAY is not set: run under scripts/wine-harness.sh"; exit 1; }
for tool in xwd xwininfo convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

rm -rf "$out"
mkdir -p "$out"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# shoot READY: the screen as READY's .png.
shoot() {
  local png=${1%.ready}.png partial=$out/.partial.png
  if bash "$(dirname "${BASH_SOURCE[0]}")/../e2e/xcapture.sh" "$partial"; then
    mv -f "$partial" "$png"
  else
    echo "screenshot for $(basename "$1") failed"
  fi
}

wine "$exe" "$(winpath "$out")" </dev/null >"$log" 2>&1 &
pid=$!
while kill -0 "$pid" 2>/dev/null; do
  answered=0
  for ready in "$out"/*.ready; do
    [ -e "$ready" ] && [ ! -e "${ready%.ready}.png" ] || continue
    shoot "$ready"
    answered=1
  done
  [ "$answered" = 1 ] || sleep 0.05
done
wait "$pid"
rc=$?

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ "$rc" = 0 ] || fail "wizard_gallery.exe ended with $rc"
shots=0
for ready in "$out"/*.ready; do
  [ -e "$ready" ] || continue
  shots=$((shots + 1))
  [ -s "${ready%.ready}.png" ] || fail "no screenshot $(basename "${ready%.ready}.png")"
  rm -f "$ready"
done
[ "$shots" -gt 0 ] || fail "the gallery asked for no screenshot"
cat "$log"
[ "$failures" = 0 ] && echo "wizard_gallery: $shots screenshots in $out"
exit "$failures"
