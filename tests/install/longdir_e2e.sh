#!/usr/bin/env bash
# Install folders near the platform's limit: a project built with KInstaller.exe
# /S (files in a sub-folder, the uninstaller on) installed silently with /P into
# a 230-character folder installs and uninstalls completely; into a 254-character
# folder (longer than a folder may be) it ends with exit 6 and "Error dir:" in
# the setup log, and leaves nothing: no folder, no file, nothing in its temp folder.
#
# usage: longdir_e2e.sh PROCDRIVER DIST_DIR
set -u
driver=$1 dist=$2
for f in "$driver" "$dist/KInstaller.exe" "$dist/Bitmaps/Wizard/00.bmp"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"

work=$(mktemp -d "$WINEPREFIX/drive_c/longdir-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
w=$(winpath "$work")
mkdir -p "$work/src/sub" "$work/tmp" "$work/out"
printf 'a\r\n' >"$work/src/a.txt"
printf 'b\r\n' >"$work/src/sub/b.txt"
write_project "$work/p.zpf" "$dist" GUID='{9E4B2D17-3A6C-4F58-B0D2-7C1E5A3F9B64}' AppName=KzLongDir \
  SetupFile="$w\\out\\Setup.exe" SourceFolder="$w\\src" Uninstall=1 SilentUninstall=1
timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "$w\\p.zpf" </dev/null >"$work/build.out" 2>&1
rc=$?
[ "$rc" = 0 ] || stop "build exit $rc: $(cat "$work/build.out")"

# long_folder LENGTH: a Windows folder of exactly LENGTH characters below $w,
# made of nested parts of at most 60 characters each.
long_folder() {
  local path="$w\\L" part
  while [ "${#path}" -lt "$1" ]; do
    part=$(printf 'd%.0s' $(seq 1 $(( $1 - ${#path} - 1 > 60 ? 60 : $1 - ${#path} - 1 ))))
    path+="\\$part"
  done
  printf '%s' "$path"
}
unix_of() { local rel=${1#"$w"}; printf '%s' "$work${rel//\\//}"; }
setup_log() { tr -d '\r' <"$work"/tmp/QZSETUPLOG.TXT 2>/dev/null; }
run() {  # COMMAND LINE: exit code in rc
  rm -f "$work/tmp/QZSETUPLOG.TXT"
  wine "$driver" --timeout 90 --env "TMP=$w\\tmp" --env "TEMP=$w\\tmp" -- "$1" </dev/null >"$work/run.out" 2>&1
  rc=$?
}

case_name="230 characters"
dir=$(long_folder 230)
[ "${#dir}" = 230 ] || stop "the folder has ${#dir} characters"
run "\"$w\\out\\Setup.exe\" /S /L /P \"$dir\""
[ "$rc" = 0 ] || fail "setup exit $rc: $(setup_log | grep Error | head -3 | tr '\n' '|')"
[ -f "$(unix_of "$dir")/sub/b.txt" ] && [ -f "$(unix_of "$dir")/Uninstall.ini" ] || fail "not installed"
run "\"$dir\\Uninstall.exe\" /S"
[ "$rc" = 0 ] || fail "uninstall exit $rc: $(cat "$work/run.out")"
for _ in $(seq 1 600); do  # the uninstaller's copy removes the folders last: at most 30 s
  [ -e "$work/L" ] || break
  sleep 0.05
done
[ ! -e "$work/L" ] || fail "left after uninstall: $(cd "$work" && find L | tail -3 | tr '\n' ' ')"

case_name="254 characters"
rm -rf "$work/L" "$work"/tmp/*
dir=$(long_folder 254)
[ "${#dir}" = 254 ] || stop "the folder has ${#dir} characters"
run "\"$w\\out\\Setup.exe\" /S /L /P \"$dir\""
[ "$rc" = 6 ] || fail "setup exit $rc, expected 6"
setup_log | grep -q '^Error dir: ' || fail "no \"Error dir:\" in the setup log: $(setup_log | tail -3 | tr '\n' '|')"
[ ! -e "$work/L" ] || fail "left: $(cd "$work" && find L | tail -3 | tr '\n' ' ')"
left=$(find "$work/tmp" -mindepth 1 -maxdepth 1 ! -name QZSETUPLOG.TXT)
[ -z "$left" ] || fail "left in the temp folder: $left"

case_name=
[ "$failures" = 0 ] && echo "longdir_e2e: all cases passed"
exit "$failures"
