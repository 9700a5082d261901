#!/bin/bash
# Our reader (through "pkgtool extract") on cabinets made by gcab, and on hostile
# cabinets made by our writer (gcab strips "../" from names).
set -euo pipefail
PKGTOOL=$(readlink -f "$1")
. "$(dirname "$0")/cabhelpers.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p in/sub
printf 'alpha\r\n' > in/a.txt
head -c 50000 /dev/urandom > in/sub/b.bin

# A gcab cabinet with a.txt and sub\b.bin extracts identically.
(cd in && gcab -c -z ../gcab.cab a.txt sub/b.bin)
gcab -t gcab.cab | grep -q 'b.bin' || fail "gcab fixture"
pkgtool extract "$(winpath gcab.cab)" "$(winpath out)" || fail "extract gcab.cab"
cmp in/a.txt out/a.txt && cmp in/sub/b.bin out/sub/b.bin || fail "gcab members differ"

# Names that would leave the destination raise "FDI aborted" and write nothing outside.
for name in '..\evil.txt' 'C:\evil.txt' '\\evil.txt'; do
    rm -rf deep evil.cab && mkdir deep
    pkgtool cab "$(winpath evil.cab)" "$(winpath in/a.txt)=$name" || fail "cab with $name"
    if pkgtool extract "$(winpath evil.cab)" "$(winpath deep/out)" 2> err.txt; then
        fail "$name was extracted"
    fi
    grep -q 'FDI aborted \[0x000B\]' err.txt || fail "$name: $(cat err.txt)"
    [ -z "$(find "$work" -name evil.txt)" ] || fail "$name: evil.txt written: $(find "$work" -name evil.txt)"
    [ ! -e "$WINEPREFIX/drive_c/evil.txt" ] || fail "$name: C:\\evil.txt written"
done
expect_eq "hostile stored name" "$(gcab -t evil.cab)" '\evil.txt'

# A non-cabinet gives code 2; a truncated one fails without hanging; a missing one gives 1.
head -c 4000 /dev/urandom > junk.cab
if pkgtool extract "$(winpath junk.cab)" "$(winpath out6)" 2> err.txt; then fail "junk extracted"; fi
grep -q '\[0x0002\]' err.txt || fail "junk: $(cat err.txt)"
head -c $(( $(stat -c %s gcab.cab) / 2 )) gcab.cab > cut.cab
rc=0
timeout 60 wine "$PKGTOOL" extract "$(winpath cut.cab)" "$(winpath out7)" </dev/null 2> err.txt || rc=$?
[ "$rc" -ne 124 ] || fail "truncated cabinet hung"
[ "$rc" -eq 1 ] || fail "truncated cabinet: exit $rc, $(cat err.txt)"
if pkgtool extract "$(winpath none.cab)" "$(winpath out8)" 2> err.txt; then fail "missing cabinet extracted"; fi
grep -q 'Cabinet not found \[0x0001\]' err.txt || fail "missing: $(cat err.txt)"
echo "reader e2e passed"
