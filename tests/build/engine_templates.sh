#!/usr/bin/env bash
# Engine templates: one per install level, each at least the padded size and
# asking for its level's execution rights; the pad step pads exactly, keeps the
# start of the engine, and refuses an engine over the ceiling.
set -euo pipefail
data=$1 pad_script=$2 engine_exe=$3
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
fail() { echo "FAIL: $*"; exit 1; }
levels=(asInvoker requireAdministrator highestAvailable)

for n in 1 2 3; do
  f=$data/Engine$n.dat
  [ -f "$f" ] || fail "$f missing"
  size=$(stat -c %s "$f")
  [ "$size" -ge 400000 ] || fail "$f is $size bytes, below 400000"
  [ "$(head -c 2 "$f")" = MZ ] || fail "$f is not a Windows program"
  want=${levels[$((n - 1))]}
  grep -aq "level=\"$want\"" "$f" || fail "$f does not ask for $want"
  for other in "${levels[@]}"; do
    [ "$other" = "$want" ] && continue
    ! grep -aq "level=\"$other\"" "$f" || fail "$f also names $other"
  done
done

# A template is a program that runs: without a package appended, a silent start
# ends at once with code 1 (no trailer), showing nothing.
set +e
wine "$(winpath "$engine_exe")" /S </dev/null >/dev/null 2>&1
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "the bare engine under /S ended with $rc, not 1"

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
head -c 1000 /dev/urandom >"$work/small.exe"
cmake -DINPUT="$work/small.exe" -DOUTPUT="$work/out/small.dat" -DPAD_SIZE=400000 -DMAX_SIZE=700000 \
  -P "$pad_script" >/dev/null || fail "padding a small engine failed"
[ "$(stat -c %s "$work/out/small.dat")" -eq 400000 ] || fail "padded size is not exactly 400000"
cmp -n 1000 "$work/small.exe" "$work/out/small.dat" || fail "padding changed the engine's bytes"
[ "$(tail -c +1001 "$work/out/small.dat" | tr -d '\0' | wc -c)" -eq 0 ] || fail "padding is not zero bytes"

head -c 700001 /dev/zero >"$work/big.exe"
if cmake -DINPUT="$work/big.exe" -DOUTPUT="$work/out/big.dat" -DPAD_SIZE=400000 -DMAX_SIZE=700000 \
     -P "$pad_script" >/dev/null 2>&1; then
  fail "an engine over the ceiling was accepted"
fi
[ ! -e "$work/out/big.dat" ] || fail "an engine over the ceiling was still copied"
echo "engine templates: ok"
