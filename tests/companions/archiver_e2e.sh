#!/usr/bin/env bash
# The archiver stand-in, run directly: what it packs, unzip reads back exactly;
# what zip stores, it unpacks into -o folders with blanks or a trailing backslash;
# compressed, unsafe, truncated or damaged archives fail with exit 2 and leave
# nothing behind; bad command lines exit 7.
#
# usage: archiver_e2e.sh PROCDRIVER 7ZA_EXE
set -u
driver=$1 exe=$2
for f in "$driver" "$exe"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
for tool in zip unzip python3; do command -v $tool >/dev/null || { echo "missing $tool"; exit 1; }; done

work=$(mktemp -d "$WINEPREFIX/drive_c/archiver-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
cp "$exe" "$work/7za.exe"

# za 'ARGS': runs the archiver with ARGS as its raw Windows command line (wine
# would re-quote separate arguments); rc in $rc, its messages in err.txt.
za() {
  wine "$driver" --timeout 60 -- "\"$(winpath "$work/7za.exe")\" $1" </dev/null >"$work/out.txt" 2>"$work/err.txt"
  rc=$?
}

# The source tree: nested folders, an empty folder, a hidden file, an empty file, random bytes.
src=$work/Data
mkdir -p "$src/sub dir/deeper" "$src/empty"
head -c 1048576 /dev/urandom > "$src/random.bin"
: > "$src/sub dir/empty.txt"
echo "hidden" > "$src/sub dir/deeper/secret.txt"
printf 'line\r\n%.0s' {1..100} > "$src/text.txt"
wine attrib +h "$(winpath "$src/sub dir/deeper/secret.txt")" </dev/null >/dev/null 2>&1

case_name=PackedFolderPassesUnzipAndUnpacksIdentically
mkdir -p "$work/out"
za "a \"$(winpath "$work/out/data.zip")\" \"$(winpath "$src")\\*\""
[ "$rc" = 0 ] || fail "pack exit $rc: $(cat "$work/err.txt")"
unzip -tq "$work/out/data.zip" >/dev/null 2>&1 || fail "unzip -t refused the archive"
names=$(unzip -Z1 "$work/out/data.zip" | sort | tr '\n' ' ')
expected="empty/ random.bin sub dir/ sub dir/deeper/ sub dir/deeper/secret.txt sub dir/empty.txt text.txt "
[ "$names" = "$expected" ] || fail "names: $names"
ls "$work/out" | grep -q tmp && fail "temporary file left"
mkdir -p "$work/unzipped"
(cd "$work/unzipped" && unzip -q "$work/out/data.zip")
diff -r "$src" "$work/unzipped" >/dev/null || fail "unzip gives a different tree"

case_name=RepackingReplacesTheArchiveAndNeverPacksItself
za "a \"$(winpath "$src/self.zip")\" \"$(winpath "$src")\\*\""
[ "$rc" = 0 ] || fail "exit $rc"
unzip -Z1 "$src/self.zip" | grep -q 'self.zip' && fail "the archive packed itself"
rm -f "$src/self.zip"

case_name=UnpacksStoredZipIntoFoldersWithBlanksAndTrailingBackslash
(cd "$src" && zip -q -0 -r "$work/stored.zip" .)
for target in "$work/to one" "$work/to two"; do
  suffix=; [ "$target" = "$work/to two" ] && suffix='\'
  za "x \"$(winpath "$work/stored.zip")\" -o\"$(winpath "$target")$suffix\" -aoa"
  [ "$rc" = 0 ] || fail "exit $rc for $target: $(cat "$work/err.txt")"
  diff -r "$src" "$target" >/dev/null || fail "tree differs in $target"
done
za "x \"$(winpath "$work/stored.zip")\" \"-o$(winpath "$work/to one")\" -aoa"
[ "$rc" = 0 ] || fail "overwriting exit $rc"

# expect_refused NAME ZIPFILE: exit 2, a message, and no file in the target folder.
expect_refused() {
  case_name=$1
  za "x \"$(winpath "$2")\" \"-o$(winpath "$work/refused-$1")\" -aoa"
  [ "$rc" = 2 ] || fail "exit $rc"
  [ -s "$work/err.txt" ] || fail "no message"
  [ -z "$(find "$work/refused-$1" -type f 2>/dev/null)" ] || fail "files left behind"
}
yes "compressible text" | head -c 65536 > "$work/big.txt"
(cd "$work" && zip -q -6 deflated.zip big.txt)
expect_refused CompressedEntryRefused "$work/deflated.zip"
python3 - "$work" <<'PY'
import sys, zipfile
w = sys.argv[1]
for name, entry in (("dotdot.zip", "../x.txt"), ("drive.zip", "C:/x.txt")):
    with zipfile.ZipFile(f"{w}/{name}", "w", zipfile.ZIP_STORED) as z:
        z.writestr("ok.txt", "fine")
        z.writestr(entry, "escape")
data = open(f"{w}/stored.zip", "rb").read()
open(f"{w}/truncated.zip", "wb").write(data[: len(data) // 2])
with zipfile.ZipFile(f"{w}/crc.zip", "w", zipfile.ZIP_STORED) as z:
    z.writestr("bad.txt", "a" * 1000)
raw = bytearray(open(f"{w}/crc.zip", "rb").read())
raw[raw.index(b"aaaa")] = ord("b")
open(f"{w}/crc.zip", "wb").write(raw)
PY
expect_refused ParentFolderNameRefused "$work/dotdot.zip"
expect_refused DriveNameRefused "$work/drive.zip"
expect_refused TruncatedArchiveRefused "$work/truncated.zip"
expect_refused DamagedChecksumRefused "$work/crc.zip"
[ -e "$work/x.txt" ] && fail "an entry escaped its folder"

case_name=MissingSourceFolderMakesNoArchive
za "a \"$(winpath "$work/none.zip")\" \"$(winpath "$work/no such folder")\\*\""
[ "$rc" = 2 ] || fail "exit $rc"
[ -e "$work/none.zip" ] && fail "archive written"

case_name=BadCommandLinesExitSeven
for args in "" "a" "x $(winpath "$work/stored.zip")" "x $(winpath "$work/stored.zip") -y" "d $(winpath "$work/stored.zip") -aoa" \
            "a $(winpath "$work/z.zip") C:\\ extra"; do
  za "$args"
  [ "$rc" = 7 ] || fail "'$args' exit $rc"
done

[ "$failures" = 0 ] && echo "archiver_e2e: all cases passed"
exit $((failures > 0))
