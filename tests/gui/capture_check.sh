#!/usr/bin/env bash
# The suite's screen capture (tests/e2e/xcapture.sh) shows a dialog lying wholly
# inside its owner: capture_probe.exe opens one holding a static painted
# rgb(18,196,90) (its client area is 140x60 dialog units); the capture must hold a
# block of that colour, not the black `xwd -root` gives there.
#
# usage: capture_check.sh CAPTURE_PROBE_EXE
set -u
exe=$1
[ -e "$exe" ] || { echo "missing $exe"; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
work=$(mktemp -d "$WINEPREFIX/drive_c/capture-check.XXXXXX")
pid=
cleanup() {
  touch "$work/done"
  [ -n "$pid" ] && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

wine "$exe" "$(winpath "$work/ready")" "$(winpath "$work/done")" </dev/null >"$work/log" 2>&1 &
pid=$!
for _ in $(seq 1 300); do
  [ -e "$work/ready" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -e "$work/ready" ] || { echo "FAIL: the probe did not get ready"; cat "$work/log"; exit 1; }

bash "$(dirname "${BASH_SOURCE[0]}")/../e2e/xcapture.sh" "$work/shot.png" || { echo "FAIL: no capture"; exit 1; }
pixels=$(convert "$work/shot.png" -alpha off -fill black +opaque 'rgb(18,196,90)' \
  -fill white -opaque 'rgb(18,196,90)' -format '%[fx:round(mean*w*h)]' info:)
echo "pixels of the dialog's colour in the capture: $pixels"
touch "$work/done"
wait "$pid"; rc=$?
pid=
[ "$rc" = 0 ] || { echo "FAIL: the probe ended with $rc"; cat "$work/log"; exit 1; }
# 140x60 dialog units are far more than 5000 pixels in any dialog font.
[ "${pixels:-0}" -ge 5000 ] || { echo "FAIL: the dialog's colour is missing from the capture"; exit 1; }
echo "capture_check: the owned dialog is visible"
