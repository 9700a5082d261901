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
source "$here/../e2e/gallery.sh"

sample=$WINEPREFIX/drive_c/sample
# The folder also holds the settings test's pictures (settings/): only ours go.
rm -f "$out"/[0-9][0-9]-*.png "$out"/[0-9][0-9]-*.ready "$out"/.partial.png
rm -rf "$sample"
mkdir -p "$out"
cp -r "$sample_src" "$sample"
trap 'rm -rf "$sample"' EXIT

gallery_run authoring_tour "$out" "$exe" --gallery "$(winpath "$out")" 'C:\sample\Sample.zpf'
exit $?
