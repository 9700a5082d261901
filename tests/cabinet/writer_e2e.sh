#!/bin/bash
# Cabinets written by our writer (through "pkgtool cab"), checked with cabextract,
# gcab, cmp and od.
set -euo pipefail
PKGTOOL=$(readlink -f "$1")
. "$(dirname "$0")/cabhelpers.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"
cd "$work"
printf 'Read me first.\r\n' > src/readme.txt
head -c 20000 /dev/urandom > src/small.bin

# A leading backslash is dropped from the stored name; one member, header right.
pkgtool cab "$(winpath one.cab)" "$(winpath src/readme.txt)=\\readme.txt" || fail "cab one.cab"
expect_eq "stored name" "$(gcab -t one.cab)" "readme.txt"
cabextract -q -t one.cab >/dev/null || fail "cabextract -t one.cab"
check_single_header one.cab
coff=$(u32 one.cab 16)
attribs=$(u16 one.cab $((coff + 14)))
[ $((attribs & ~0x27)) -eq 0 ] || fail "CFFILE attributes $attribs outside 0x27"
mkdir out1 && cabextract -q -d out1 one.cab && cmp src/readme.txt out1/readme.txt || fail "readme.txt differs"

# Two members, restored identically by cabextract and gcab.
pkgtool cab "$(winpath two.cab)" "$(winpath src/readme.txt)" "$(winpath src/small.bin)=sub\\small.bin" \
    || fail "cab two.cab"
cabextract -q -t two.cab >/dev/null || fail "cabextract -t two.cab"
mkdir out2 && cabextract -q -d out2 two.cab
cmp src/readme.txt out2/readme.txt && cmp src/small.bin out2/sub/small.bin || fail "two.cab differs (cabextract)"
mkdir out3 && (cd out3 && gcab -x ../two.cab)
cmp src/small.bin out3/sub/small.bin || fail "two.cab differs (gcab)"

# File-count threshold 1: data.cab, data1.cab, data2.cab, all restored from the first.
for i in 0 1 2; do head -c $((3000 + i)) /dev/urandom > "src/f$i.bin"; done
mkdir set
pkgtool cab "$(winpath set/data.cab)" --max-files 1 \
    "$(winpath src/f0.bin)" "$(winpath src/f1.bin)" "$(winpath src/f2.bin)" || fail "cab set"
expect_eq "set members" "$(ls set | tr '\n' ' ')" "data.cab data1.cab data2.cab "
mkdir out4 && cabextract -q -d out4 set/data.cab
for i in 0 1 2; do cmp "src/f$i.bin" "out4/f$i.bin" || fail "set member f$i.bin differs"; done

# A 100,000-byte size threshold over 300 KB of random data restores exactly.
head -c 300000 /dev/urandom > src/big.bin
mkdir span
pkgtool cab "$(winpath span/big.cab)" --max-size 100000 "$(winpath src/big.bin)" || fail "cab span"
[ "$(ls span | wc -l)" -ge 3 ] || fail "expected at least three cabinets, got $(ls span)"
for cab in span/*.cab; do [ "$(stat -c %s "$cab")" -le 100000 ] || fail "$cab is over the threshold"; done
mkdir out5 && cabextract -q -d out5 span/big.cab
cmp src/big.bin out5/big.bin || fail "spanned big.bin differs"

# A cabinet whose only member is empty: Wine's FCI cannot flush it (Windows can).
# The failure is reported and no cabinet is left.
: > src/empty.txt
if pkgtool cab "$(winpath empty.cab)" "$(winpath src/empty.txt)" 2> err.txt; then fail "empty-only cabinet reported as written"; fi
grep -q 'Could not create cabinet file \[0x0006\]' err.txt || fail "unexpected error: $(cat err.txt)"
[ ! -e empty.cab ] || fail "empty.cab left behind"

# A missing source fails with FCI's open error and OS error 2, leaving nothing.
if pkgtool cab "$(winpath missing.cab)" "$(winpath src/none.txt)" 2> err.txt; then fail "missing source accepted"; fi
grep -q 'Failure opening file to be stored in cabinet \[0x0001\]' err.txt || fail "unexpected error: $(cat err.txt)"
grep -q '\[0x0002\]\.' err.txt || fail "no OS error 2: $(cat err.txt)"
[ ! -e missing.cab ] || fail "missing.cab left behind"
echo "writer e2e passed"
