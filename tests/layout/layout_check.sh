#!/usr/bin/env bash
# The layout check: every window of the authoring program with the sample project
# (C:\sample) and every page of the setup wizard in English and German, each sheet
# of each page control in turn. Fails on a control outside its parent, overlapping
# siblings or a text wider than its control, unless the exceptions table of the
# program (AuthoringTour.cpp, WizardGallery.cpp) names it with a reason.
#
# usage: layout_check.sh TOUR_EXE SAMPLE_DIR WIZARD_GALLERY_EXE
set -u
tour=$1 sample_src=$2 wizard=$3
for f in "$tour" "$wizard"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
sample=$WINEPREFIX/drive_c/sample
rm -rf "$sample"
cp -r "$sample_src" "$sample"
trap 'rm -rf "$sample"' EXIT

failures=0
wine "$tour" --layout 'C:\sample\Sample.zpf' </dev/null || failures=$((failures + 1))
wine "$wizard" --layout </dev/null || failures=$((failures + 1))
[ "$failures" = 0 ] && echo "layout_check: no layout fault beyond the exceptions"
exit "$failures"
