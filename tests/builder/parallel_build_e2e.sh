#!/usr/bin/env bash
# KInstaller.exe /S compresses the files on several workers: its setup equals the
# one a build on one worker (KIN_BUILD_WORKERS=1) makes, byte for byte up to
# qzsetup.cab, whose members match in content (the cabinet stores qzsetup.ini's
# time, and that file is written anew by every build). The project mixes sizes,
# compressible and random content, folders, and Additional Files rows (one into
# the setup's temporary folder).
#
# usage: parallel_build_e2e.sh KINSTALLER_EXE DIST_DIR
set -u
exe=$1 dist=$2
for f in "$exe" "$dist/Data/Engine2.dat"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

work=$WINEPREFIX/drive_c/kpartest
rm -rf "$work"
mkdir -p "$work/files/sub/deep" "$work/extra" "$work/out"
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import random, sys
root = sys.argv[1]
rng = random.Random(16)
for i in range(36):
    folder = ['files', 'files/sub', 'files/sub/deep'][i % 3]
    size = [40, 3000, 70000, 400000][i % 4]
    if i % 2:
        data = rng.randbytes(size)
    else:
        data = (' '.join(rng.choice(['alpha', 'beta', 'gamma', 'delta']) for _ in range(size // 5)) + '\r\n').encode()
    open(f'{root}/{folder}/f{i:02}.dat', 'wb').write(data)
open(f'{root}/extra/tool.txt', 'wb').write(b'tool for the setup\r\n')
open(f'{root}/extra/big.bin', 'wb').write(rng.randbytes(900000))
PY
cp "$dist/Bitmaps/Wizard/00.bmp" "$work/wizard.bmp"
cp "$dist/Bitmaps/Header/00.bmp" "$work/header.bmp"
sed 's/$/\r/' >"$work/p.zpf" <<'ZPF'
[Setup]
Version=5.4
GUID={2C4E6A8B-1D3F-4B5C-9E7A-0F1A2B3C4D5E}
AppName=Parallel Build
AppVersion=1.0
CompanyName=Test Company
SetupFile=C:\kpartest\out\Setup.exe
WizardBitmap=C:\kpartest\wizard.bmp
HeaderBitmap=C:\kpartest\header.bmp
Admin=1
InstallLevel=1
InstallationPath=<ProgramFiles>\<AppName>
SourceFolder=C:\kpartest\files
ExistMode=1
Uninstall=1
DefaultLanguage=English
ProgramGroup=<AppName>
FilesCount=-1
AdditionalFiles=2
[Languages]
English=
[Files]
0=C:\kpartest\extra\big.bin?<InstallDir>\data\big.bin?Skip?No
1=C:\kpartest\extra\tool.txt?<SetupTempDir>\tool.txt?Overwrite?Yes
ZPF

# build WORKERS NAME: prints the exit code; stdout and stderr go to NAME.out/.err.
build() {
  local workers=$1 name=$2
  KIN_BUILD_WORKERS=$workers timeout 120 wine "$exe" /S 'C:\kpartest\p.zpf' </dev/null \
    >"$work/$name.out" 2>"$work/$name.err"
  echo $?
}
rc1=$(build 1 one)
cp "$work/out/Setup.exe" "$work/one.exe"
rc8=$(build 8 many)
cp "$work/out/Setup.exe" "$work/many.exe"
[ "$rc1" = 0 ] || fail "one worker: exit $rc1, $(cat "$work/one.err")"
[ "$rc8" = 0 ] || fail "eight workers: exit $rc8, $(cat "$work/many.err")"
cmp -s "$work/one.out" "$work/many.out" || fail "stdout differs: $(cat "$work/one.out") / $(cat "$work/many.out")"

# The setups: everything before qzsetup.cab byte-identical, the same trailer length
# field aside, and qzsetup.cab's members the same.
split() {  # SETUP DIR: DIR/head (engine and file cabinets), DIR/qzsetup.cab, DIR/members/
  local setup=$1 dir=$2 trailer cab_len size
  mkdir -p "$dir/members"
  size=$(stat -c %s "$setup")
  trailer=$(tail -c 13 "$setup")
  [[ $trailer =~ ^ZYX[0-9]{10}$ ]] || { fail "$setup: trailer '$trailer'"; return; }
  cab_len=$((10#${trailer:3}))
  head -c $((size - cab_len - 13)) "$setup" >"$dir/head"
  tail -c $((cab_len + 13)) "$setup" | head -c "$cab_len" >"$dir/qzsetup.cab"
  cabextract -q -d "$dir/members" "$dir/qzsetup.cab" || fail "$setup: qzsetup.cab does not extract"
}
split "$work/one.exe" "$work/x1"
split "$work/many.exe" "$work/x8"
cmp -s "$work/x1/head" "$work/x8/head" || fail "engine and file cabinets differ: $(cmp "$work/x1/head" "$work/x8/head")"
[ "$(stat -c %s "$work/x1/head")" -gt 3000000 ] || fail "the file cabinets are missing"
diff -r "$work/x1/members" "$work/x8/members" >/dev/null || fail "qzsetup.cab members differ"
[ "$(ls "$work/x1/members" | wc -l)" -ge 5 ] || fail "qzsetup.cab holds $(ls "$work/x1/members")"

echo "parallel_build_e2e: $failures failure(s)"
[ "$failures" = 0 ]
