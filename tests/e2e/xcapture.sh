#!/usr/bin/env bash
# Takes the X screen ($DISPLAY) as a PNG the way a user sees it.
#
# Under Xvfb, `xwd -root` shows a top-level pop-up (dialog, message box, drop-down)
# black while it lies wholly inside another window; `xwd -id` of the pop-up's own X
# window shows it. So the root capture gets each mapped top-level window's own
# capture composed over it, bottom to top in stacking order. Top-level windows are
# the root's children and, with Wine's virtual desktop, the desktop window's.
#
# usage: xcapture.sh OUT.png
set -u
out=$1
[ -n "${DISPLAY:-}" ] || { echo "xcapture: DISPLAY is not set" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

xwd -root -silent -display "$DISPLAY" >"$tmp/root.xwd" || { echo "xcapture: xwd -root failed" >&2; exit 1; }

# Window ids below a window, top of the stack first (as xwininfo lists them).
children() {
  xwininfo -display "$DISPLAY" -id "$1" -children 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'
}
root_id=$(xwininfo -display "$DISPLAY" -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
tops=()
for id in $(children "$root_id"); do
  if xwininfo -display "$DISPLAY" -id "$id" 2>/dev/null | grep -q '"[^"]*- Wine desktop"'; then
    tops+=($(children "$id"))  # the desktop itself is the root capture
  else
    tops+=("$id")
  fi
done

args=("$tmp/root.xwd")
n=0
for ((i = ${#tops[@]} - 1; i >= 0; i--)); do  # bottom of the stack first
  id=${tops[$i]}
  info=$(xwininfo -display "$DISPLAY" -id "$id" 2>/dev/null) || continue
  grep -q 'Map State: IsViewable' <<<"$info" || continue
  x=$(sed -n 's/.*Absolute upper-left X: *\(-*[0-9]*\).*/\1/p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *\(-*[0-9]*\).*/\1/p' <<<"$info")
  w=$(sed -n 's/^ *Width: *\([0-9]*\).*/\1/p' <<<"$info")
  h=$(sed -n 's/^ *Height: *\([0-9]*\).*/\1/p' <<<"$info")
  [ "${w:-0}" -gt 1 ] && [ "${h:-0}" -gt 1 ] || continue
  # A window gone since it was listed is skipped.
  xwd -id "$id" -silent -display "$DISPLAY" >"$tmp/$n.xwd" 2>/dev/null || continue
  args+=("$tmp/$n.xwd" -geometry "$(printf '%+d%+d' "$x" "$y")" -composite)
  n=$((n + 1))
done
convert "${args[@]}" "$out"
