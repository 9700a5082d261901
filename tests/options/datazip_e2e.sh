#!/usr/bin/env bash
# Tools > Create Data File with the shipped archiver: the data.zip beside the
# setup passes unzip -t with names relative to the source folder, the project
# records the source's byte total, and the built setup unpacks it into the install
# folder after installing: every file and folder of the source, the empty folder,
# the hidden file and the empty file included, byte-identical.
#
# usage: datazip_e2e.sh AUTHORING_DRIVER DIST_DIR TESTPROC
set -u
driver=$1 dist=$2 testproc=$3
for f in "$driver" "$dist/KInstaller.exe" "$dist/Data/7za.exe" "$testproc"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
for tool in unzip cmp diff; do command -v $tool >/dev/null || { echo "missing $tool"; exit 1; }; done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_project.sh"

name=KinDataZipE2E
work=$WINEPREFIX/drive_c/$name
app_dir="$WINEPREFIX/drive_c/Program Files (x86)/$name"
cleanup() { rm -rf "$work" "$app_dir"; }
cleanup
trap cleanup EXIT
mkdir -p "$work/files" "$work/out"
printf 'readme\r\n' >"$work/files/readme.txt"

# The source: nested folders, an empty folder, hidden files, an empty file, 1 MB of random bytes.
src=$work/Data
mkdir -p "$src/sub dir/deeper" "$src/empty"
head -c 1048576 /dev/urandom >"$src/random.bin"
: >"$src/sub dir/empty.txt"
printf 'hidden\r\n' >"$src/sub dir/deeper/secret.txt"
printf 'dot\r\n' >"$src/.dotfile"
printf 'line\r\n%.0s' {1..100} >"$src/text.txt"
wine attrib +h "$(winpath "$src/sub dir/deeper/secret.txt")" </dev/null >/dev/null 2>&1 || fail "attrib +h"
total=$(find "$src" -type f -printf '%s\n' | awk '{ t += $1 } END { print t }')

case_name="create data file"
write_project "$work/p.zpf" "$dist" GUID='{8A3F5C12-7D4E-4B91-A6C0-3E2F1D9B8C57}' AppName=$name \
  SetupFile="C:\\$name\\out\\Setup.exe" SourceFolder="C:\\$name\\files"
wine "$driver" create-data "C:\\$name\\p.zpf" "C:\\$name\\Data" </dev/null >"$work/driver.out" 2>&1
rc=$?
[ "$rc" = 0 ] || stop "driver exit $rc: $(cat "$work/driver.out")"
zip=$work/out/data.zip
unzip -tq "$zip" >/dev/null 2>&1 || fail "unzip -t refused $zip"
names=$(unzip -Z1 "$zip" 2>/dev/null | sort | tr '\n' ' ')
expected=".dotfile empty/ random.bin sub dir/ sub dir/deeper/ sub dir/deeper/secret.txt sub dir/empty.txt text.txt "
[ "$names" = "$expected" ] || fail "names: $names"
[ -z "$(find "$work/out" -name '*.tmp')" ] || fail "temporary archive left"
size=$(setup_value "$work/p.zpf" FolderSize)
[ "$size" = "$total" ] || fail "FolderSize=$size, the files hold $total bytes"
grep -qF '<SetupTempDir>\7za.exe*?x "<CurrentDir>\data.zip" -o"<InstallDir>" -aoa*?' "$work/p.zpf" \
  || fail "no archiver command row saved"
[ "$(setup_value "$work/p.zpf" Uninstall)" = 1 ] || fail "the uninstaller is not on"

case_name="build and install"
build_and_install
# After installing, the setup runs 7za.exe x "<CurrentDir>\data.zip" -o"<InstallDir>" -aoa.
[ -f "$app_dir/readme.txt" ] || fail "readme.txt not installed"

case_name="unpacked data"
while IFS= read -r -d '' entry; do
  rel=${entry#"$src/"}
  if [ -d "$entry" ]; then
    [ -d "$app_dir/$rel" ] || fail "folder missing: $rel"
  else
    cmp -s "$entry" "$app_dir/$rel" || fail "file differs or is missing: $rel"
  fi
done < <(find "$src" -mindepth 1 -print0)
for top in "$src"/* "$src"/.dotfile; do
  diff -r "$top" "$app_dir/$(basename "$top")" >/dev/null 2>&1 || fail "diff -r: $(basename "$top")"
done

case_name="uninstall"
temp=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp | grep -v /Public/ | head -1)
if [ -f "$app_dir/Uninstall.exe" ]; then
  before=$(ls -d "$temp"/QZUN* 2>/dev/null)
  timeout 120 wine "C:\\Program Files (x86)\\$name\\Uninstall.exe" /S </dev/null >"$work/uninstall.out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || fail "uninstaller exit $rc: $(cat "$work/uninstall.out")"
  wine "$testproc" wait QZUninstall.exe 60 </dev/null >/dev/null 2>&1 || fail "the uninstaller did not end"
  [ ! -e "$app_dir/readme.txt" ] || fail "readme.txt still installed"
  # The uninstaller's copy of itself goes at the next restart; this removal stands
  # in for it.
  for copy in "$temp"/QZUN*; do
    [ -d "$copy" ] && ! grep -qxF "$copy" <<<"$before" && rm -rf "$copy"
  done
else
  fail "no Uninstall.exe although Create Data File turns the uninstaller on"
fi

[ "$failures" = 0 ] && echo "datazip_e2e: all cases passed"
exit "$failures"
