#!/usr/bin/env bash
# A setup installed over an installed copy whose files all differ: 300 files in
# three folders, built with KInstaller.exe /S, installed silently, then every
# file changed, built and installed again into the same folder. Every file must
# then hold the new bytes (md5), the uninstall log must name each file once, and
# the folders must hold nothing but the product's files (no temporary copy left).
#
# usage: replace_e2e.sh PROCDRIVER DIST_DIR
set -u
driver=$1 dist=$2
for f in "$driver" "$dist/KInstaller.exe" "$dist/Bitmaps/Wizard/00.bmp"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"

name=KinReplaceE2E
work=$(mktemp -d "$WINEPREFIX/drive_c/replace-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
w=$(winpath "$work")
app=$work/App
mkdir -p "$work/src" "$work/tmp" "$work/out"

# write_sources GENERATION: 300 small files, 100 in each of three folders.
write_sources() {
  local i
  for i in $(seq 0 299); do
    mkdir -p "$work/src/folder$((i % 3))"
    printf 'file %d of generation %d\r\n' "$i" "$1" >"$work/src/folder$((i % 3))/file$i.txt"
  done
}
# build_and_run GENERATION: builds the setup of the sources as they are and runs it silently into $app.
build_and_run() {
  local rc
  timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "$w\\p.zpf" </dev/null >"$work/build.out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || stop "build $1 exit $rc: $(cat "$work/build.out")"
  wine "$driver" --env "TMP=$w\\tmp" --env "TEMP=$w\\tmp" -- "\"$w\\out\\Setup.exe\" /S /P \"$w\\App\"" \
    </dev/null >"$work/setup.out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || stop "setup $1 exit $rc: $(cat "$work/setup.out")"
}
sums() { (cd "$1" && find . -type f ! -name Uninstall.exe ! -name Uninstall.ini -exec md5sum {} + | sort -k2); }

write_project "$work/p.zpf" "$dist" GUID='{3D6F1A2B-8C4E-4F70-9B1D-2E5A7C9F0B31}' AppName=$name \
  SetupFile="$w\\out\\Setup.exe" SourceFolder="$w\\src" Uninstall=1 ExistMode=1

case_name="first install"
write_sources 1
build_and_run 1
sums "$work/src" >"$work/want1.md5"
sums "$app" | cmp -s - "$work/want1.md5" || fail "the installed files differ from the first sources"

case_name="install over it"
write_sources 2
build_and_run 2
sums "$work/src" >"$work/want2.md5"
cmp -s "$work/want1.md5" "$work/want2.md5" && stop "the second sources do not differ"
sums "$app" | cmp -s - "$work/want2.md5" || fail "not every file holds the new bytes: $(sums "$app" | diff - "$work/want2.md5" | head -3)"

case_name="log"
log=$app/Uninstall.ini
files=$(tr -d '\r' <"$log" | awk '/^\[/ { on = ($0 == "[Files]"); next } on && NF { sub(/^[^=]*=/, ""); print }' | sort)
want=$( (cd "$work/src" && find . -type f; echo ./Uninstall.exe; echo ./Uninstall.ini) | while IFS= read -r f; do
  f=${f#./}; printf '%s\\App\\%s\n' "$w" "${f//\//\\}"; done | sort)
[ "$files" = "$want" ] || fail "[Files] does not name each file once: $(diff <(echo "$files") <(echo "$want") | head -5 | tr '\n' ' ')"
[ -z "$(echo "$files" | uniq -d)" ] || fail "a file is named twice"

case_name="nothing else"
extra=$( (cd "$app" && find . -type f ! -name Uninstall.exe ! -name Uninstall.ini) | sort | comm -23 - <( (cd "$work/src" && find . -type f) | sort))
[ -z "$extra" ] || fail "left in the install folders: $(echo "$extra" | head -3 | tr '\n' ' ')"
[ -z "$(find "$work/tmp" -mindepth 1 -maxdepth 1)" ] || fail "left in the setup's temp folder: $(ls "$work/tmp")"

case_name=
[ "$failures" = 0 ] && echo "replace_e2e: all cases passed"
exit "$failures"
