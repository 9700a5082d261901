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
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/gallery.sh"

rm -rf "$out"
mkdir -p "$out"
gallery_run wizard_gallery "$out" "$exe" "$(winpath "$out")"
exit $?
