#!/usr/bin/env bash
# End to end: pkgtool packs a project of two source files, a file bound for
# <SetupTempDir>, the uninstaller and the updater (five [Files] slots), and
# independent tools (cabextract, gcab, cmp, md5sum, od) check the package:
# engine copy, one cabinet per file laid end to end, qzsetup.cab, trailer.
# Then a missing source, engine or script must fail, name the file and leave nothing.
#
# usage: package_e2e.sh PKGTOOL ENGINE_TEMPLATE
set -u
PKGTOOL=$1
ENGINE=$2

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() {  # what actual expected
  if [ "$2" != "$3" ]; then fail "$1: got '$2', expected '$3'"; fi
}
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

[ -f "$ENGINE" ] || { echo "engine template missing: $ENGINE (build the Engine targets)"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/package_e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
src=$work/src out=$work/out x=$work/x
mkdir -p "$src/sub" "$out" "$x"

# ---- Fixtures (no empty files: FCI cannot pack a 0-byte file) ----
printf 'A text file\r\nwith two lines\r\n' > "$src/a.txt"
head -c 70000 /dev/urandom > "$src/sub/b.bin"
printf 'bound for the setup temp folder\n' > "$src/helper.txt"
head -c 30000 /dev/urandom > "$src/Uninstall2.exe"
head -c 20000 /dev/urandom > "$src/Updater.exe"
printf '[General]\r\nAppName=Demo\r\n' > "$src/Updater.ini"
printf '[Messages]\r\n1=Hello\r\n' > "$src/English.lng"
printf '{\\rtf1 licence}' > "$src/License.rtf"
head -c 5000 /dev/urandom > "$src/wizard.bmp"
head -c 3000 /dev/urandom > "$src/header.bmp"
cat > "$src/qzsetup.ini" <<'EOF'
[Setup]
BuildDate=20240102
Version=5.4
AppName=Demo App
AppVersion=1.0
InstallationPath=<ProgramFiles>\Demo
Uninstall=1
InstallLevel=1
Updater=1
CheckUpdateBefore=1
FilesCount=0
FilesSize=123456
[Commands]
0=<InstallDir>\a.txt*?*?Normal*?After*?No*?All
EOF

setup=$out/setup.exe
# Slots in argument order: 0 a.txt, 1 b.bin, 2 the <SetupTempDir> file (packed as a
# member instead), 3 the uninstaller, 4 the updater (a member too). Members are given
# out of order on purpose.
wine "$PKGTOOL" package --engine "$(winpath "$ENGINE")" --script "$(winpath "$src/qzsetup.ini")" \
  --out "$(winpath "$setup")" \
  --file "$(winpath "$src/a.txt")" '<InstallDir>\a.txt' \
  --file "$(winpath "$src/sub/b.bin")" '<InstallDir>\sub\b.bin' Skip No \
  --empty-slot \
  --uninstaller "$(winpath "$src/Uninstall2.exe")" \
  --empty-slot \
  --member "$(winpath "$src/Updater.exe")" ZEZerevaz.exe \
  --member "$(winpath "$src/Updater.ini")" \
  --member "$(winpath "$src/helper.txt")" \
  --member "$(winpath "$src/header.bmp")" qzheader.bmp \
  --member "$(winpath "$src/English.lng")" Englishqz.lng \
  --member "$(winpath "$src/wizard.bmp")" qzwizard.bmp \
  --member "$(winpath "$src/License.rtf")" LEnglish.rtf \
  </dev/null > "$work/package.out" 2>&1
rc=$?
[ $rc -eq 0 ] && [ -f "$setup" ] || { cat "$work/package.out"; echo "FAIL: pkgtool package exited $rc"; exit 1; }

u8() { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }

# The MS-CAB header of a single cabinet: its length, one folder, MSZIP, no set.
check_header() {  # cab length files
  local cab=$1 len=$2 files=$3 what
  what=$(basename "$cab")
  expect_eq "$what signature" "$(head -c 4 "$cab")" "MSCF"
  expect_eq "$what cbCabinet" "$(u32 "$cab" 8)" "$len"
  expect_eq "$what version" "$(u8 "$cab" 24).$(u8 "$cab" 25)" "3.1"
  expect_eq "$what folders" "$(u16 "$cab" 26)" 1
  expect_eq "$what files" "$(u16 "$cab" 28)" "$files"
  expect_eq "$what flags/setID/iCabinet" "$(u16 "$cab" 30)/$(u16 "$cab" 32)/$(u16 "$cab" 34)" "0/0/0"
  expect_eq "$what typeCompress" "$(u16 "$cab" 42)" 1
  local attributes
  attributes=$(u16 "$cab" $(($(u32 "$cab" 16) + 14)))
  expect_eq "$what attributes within 0x27" "$((attributes & ~0x27))" 0
}

# ---- Trailer and setup cabinet ----
N=$(stat -c %s "$setup")
trailer=$(tail -c 13 "$setup")
[[ $trailer =~ ^ZYX[0-9]{10}$ ]] || { echo "FAIL: trailer '$trailer'"; exit 1; }
L=$((10#${trailer:3}))
tail -c $((13 + L)) "$setup" | head -c "$L" > "$work/qzsetup.cab"
check_header "$work/qzsetup.cab" "$L" 9
cabextract -q -t "$work/qzsetup.cab" >/dev/null 2>&1 || fail "cabextract -t qzsetup.cab"
members=$(cabextract -l "$work/qzsetup.cab" | awk -F' [|] ' 'NF == 3 && $1 ~ /[0-9]/ {print $3}' | tr '\n' ' ')
expect_eq "member order" "$members" \
  "Englishqz.lng LEnglish.rtf qzsetup.ini qzwizard.bmp qzheader.bmp helper.txt QZUninstall.exe ZEZerevaz.exe Updater.ini "
expect_eq "member order (gcab)" "$(gcab -l "$work/qzsetup.cab" | awk '{print $1}' | tr '\n' ' ')" "$members"
cabextract -q -d "$x" "$work/qzsetup.cab" || fail "cabextract qzsetup.cab"
cmp -s "$x/QZUninstall.exe" "$src/Uninstall2.exe" || fail "QZUninstall.exe differs from its source"
cmp -s "$x/ZEZerevaz.exe" "$src/Updater.exe" || fail "ZEZerevaz.exe differs from its source"
cmp -s "$x/helper.txt" "$src/helper.txt" || fail "helper.txt differs from its source"

# ---- The script, read as plain text ----
ini=$work/qzsetup.txt
tr -d '\r' < "$x/qzsetup.ini" > "$ini"
sections() { sed -n 's/^\[\(.*\)\]$/\1/p' "$ini" | tr '\n' ' '; }
section_lines() { awk -v s="[$1]" '/^\[/ { inside = ($0 == s); next } inside && NF' "$ini"; }
value() { section_lines "$1" | awk -v k="$2" 'index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }'; }

expect_eq "sections" "$(sections)" "Setup Commands Files "
expect_eq "last [Setup] key" "$(section_lines Setup | tail -n 1 | cut -d= -f1)" "EngineSize"
expect_eq "AppName" "$(value Setup AppName)" "Demo App"
expect_eq "FilesCount" "$(value Setup FilesCount)" 5
expect_eq "[Files] keys" "$(section_lines Files | cut -d= -f1 | tr '\n' ' ')" "0 1 3 "
expect_eq "uninstaller record" "$(value Files 3)" '<InstallDir>\Uninstall.exe?0?Overwrite?Yes'
expect_eq "Commands record" "$(value Commands 0)" '<InstallDir>\a.txt*?*?Normal*?After*?No*?All'

# ---- Engine copy ----
engine_size=$(value Setup EngineSize)
expect_eq "EngineSize" "$engine_size" "$(stat -c %s "$ENGINE")"
cmp -s -n "$engine_size" "$setup" "$ENGINE" || fail "the first EngineSize bytes differ from $(basename "$ENGINE")"

# ---- File cabinets, walked by [Files] ----
sources=("$src/a.txt" "$src/sub/b.bin" "" "" "")
modes=("Overwrite?Yes" "Skip?No" "" "" "")
offset=$engine_size
for k in 0 1 2 3 4; do
  record=$(value Files "$k")
  [ -n "$record" ] || continue
  IFS='?' read -r target length mode uninstall <<< "$record"
  [ "$length" -gt 0 ] || continue
  expect_eq "slot $k mode" "$mode?$uninstall" "${modes[$k]}"
  cab=$work/file$k.cab
  tail -c +$((offset + 1)) "$setup" | head -c "$length" > "$cab"
  check_header "$cab" "$length" 1
  name=${target##*\\}
  expect_eq "slot $k member" "$(gcab -l "$cab" | awk '{print $1}')" "$name"
  mkdir -p "$x/$k"
  cabextract -q -d "$x/$k" "$cab" || fail "cabextract slot $k"
  expect_eq "slot $k md5" "$(md5sum < "$x/$k/$name" | cut -d' ' -f1)" "$(md5sum < "${sources[$k]}" | cut -d' ' -f1)"
  offset=$((offset + length))
done
expect_eq "file cabinets end where qzsetup.cab starts" "$offset" "$((N - 13 - L))"

# ---- Failures: non-zero, the file named, nothing left ----
expect_failure() {  # what missing-name args...
  local what=$1 missing=$2; shift 2
  local target=$out/failed.exe
  wine "$PKGTOOL" package "$@" --out "$(winpath "$target")" </dev/null > "$work/failure.out" 2>&1
  local rc=$?
  [ $rc -ne 0 ] || fail "$what: exit code 0"
  grep -qi "$missing" "$work/failure.out" || fail "$what: the message does not name $missing: $(cat "$work/failure.out")"
  [ ! -e "$target" ] || fail "$what: output left behind"
  local left
  left=$(find "$out" -mindepth 1 ! -name setup.exe)
  [ -z "$left" ] || fail "$what: left in the output folder: $left"
}
good_engine=(--engine "$(winpath "$ENGINE")")
good_script=(--script "$(winpath "$src/qzsetup.ini")")
expect_failure "missing source" missing_source.txt "${good_engine[@]}" "${good_script[@]}" \
  --file "$(winpath "$src/a.txt")" '<InstallDir>\a.txt' --file "$(winpath "$src/missing_source.txt")" '<InstallDir>\m.txt'
expect_failure "missing engine" Engine9.dat --engine "$(winpath "$src/Engine9.dat")" "${good_script[@]}" \
  --file "$(winpath "$src/a.txt")" '<InstallDir>\a.txt'
expect_failure "missing script" missing_script.ini "${good_engine[@]}" --script "$(winpath "$src/missing_script.ini")" \
  --file "$(winpath "$src/a.txt")" '<InstallDir>\a.txt'
expect_failure "missing uninstaller" Uninstall9.exe "${good_engine[@]}" "${good_script[@]}" \
  --uninstaller "$(winpath "$src/Uninstall9.exe")"
expect_failure "duplicate member" helper.txt "${good_engine[@]}" "${good_script[@]}" \
  --member "$(winpath "$src/helper.txt")" --member "$(winpath "$src/a.txt")" HELPER.TXT

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package of $N bytes: engine $engine_size, file cabinets to $offset, qzsetup.cab $L bytes, trailer $trailer"
