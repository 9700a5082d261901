#!/usr/bin/env bash
# Installed twice, or v1 then v2, then uninstalled: the machine is as it was
# before the first install. A project built with KInstaller.exe /S (standard
# mode, PromptUninstall=0) with files in sub-folders, a registry value in each
# registry root, an INI value in a new file, a PATH append, an environment
# variable that existed before and is overwritten, and an association of an
# extension that existed before (its class's values are overwritten). The second
# run must continue the first run's log: otherwise the folders, keys, the
# variable's original value and the class's old values the first run recorded
# are lost, and v1's files that v2 no longer ships stay behind.
#
# Runs in its own copy of the prefix with its own wineserver (see roundtrip_e2e.sh
# for what a snapshot holds and why the temp folders are left out; the authoring
# program's own settings under HKCU\Software\Quellix are left out too).
#
# usage: reinstall_e2e.sh PROCDRIVER TESTPROC DIST_DIR
set -u
driver=$1 testproc=$2 dist=$3
for f in "$driver" "$testproc" "$dist/KInstaller.exe" "$dist/Bitmaps/Wizard/00.bmp"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/reinstall.XXXXXX")
main_prefix=${KIN_BASE_PREFIX:-$WINEPREFIX}  # the clean base prefix, made with every server stopped
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT
cp -a "$main_prefix" "$tmp/prefix"
export WINEPREFIX=$tmp/prefix
wineserver -p 5
wine cmd /c exit </dev/null >/dev/null 2>&1

drive=$WINEPREFIX/drive_c
work=$drive/reinstall-e2e
mkdir -p "$work/out"
w=$(winpath "$work")
app='C:\KzMerge App'
app_unix="$drive/KzMerge App"
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'

reg_dump() {  # KEY VIEW
  echo "== $1 /reg:$2"
  local file=$tmp/dump.reg
  rm -f "$file"
  wine reg export "$1" "$(winpath "$file")" /y /reg:"$2" </dev/null >/dev/null 2>&1
  [ -f "$file" ] && iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r'
}
prune=( \( -path './users/*/Temp' -o -path './users/*/AppData/Local/Temp' -o -path './windows/temp' \
  -o -path ./reinstall-e2e \) -prune )
snapshot() {  # FILE
  {
    (cd "$drive" && find . "${prune[@]}" -o -type d -printf 'D %p\n' -o -type f -printf 'F %p %s\n' | LC_ALL=C sort)
    reg_dump 'HKLM\SOFTWARE' 64; reg_dump 'HKLM\SOFTWARE' 32
    reg_dump 'HKCU\Software' 64 | awk '/^\[HKEY_CURRENT_USER\\Software\\Wine(\\|\])/ {skip=1; next}
      /^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer(\\|\])/ {skip=1; next}
      /^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer(\\|\])/ {skip=1; next}
      /^\[HKEY_CURRENT_USER\\Software\\Quellix(\\|\])/ {skip=1; next}
      /^\[HKEY_/ {skip=0} !skip'
    reg_dump "$envkey" 64
  } >"$1"
}

# version V FILES...: the sources of version V (each file names its version).
version() {
  local v=$1 f; shift
  rm -rf "$work/src"
  for f in "$@"; do
    mkdir -p "$(dirname "$work/src/$f")"
    printf 'version %s of %s\r\n' "$v" "$f" >"$work/src/$f"
  done
  write_project "$work/p.zpf" "$dist" GUID='{5C2E8A41-7D3B-4E95-A06F-1B9C3D5E7F20}' AppName=KzMerge \
    AppVersion="$v.0" SetupFile="$w\\out\\Setup.exe" SourceFolder="$w\\src" Uninstall=1 ShowAddRemove=1 \
    SilentUninstall=1 ExistMode=1
  sed 's/$/\r/' >>"$work/p.zpf" <<EOF
[Registry]
0=HKCU\\Software\\KzMerge\\Sub*?s*?REG_SZ*?v$v*?Yes*?Yes
1=HKLM\\Software\\KzMerge*?d*?REG_SZ*?v$v*?Yes*?Yes
[INI]
0=<InstallDir>\\app.ini*?S*?k*?v$v*?Yes*?Yes
[Environments]
0=PATH*?C:\\KzMerge\\bin*?APPEND*?Yes
1=KZMERGE_OLD*?set by $v*?OVERWRITE*?Yes
[Extensions]
0=kzm*?<InstallDir>\\a.txt*?KzMerge document $v*?*?0
EOF
  local rc
  timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "$w\\p.zpf" </dev/null >"$tmp/build.out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || stop "build of $v exit $rc: $(cat "$tmp/build.out")"
}
install() {
  wine "$driver" --timeout 90 -- "\"$w\\out\\Setup.exe\" /S /L /P \"$app\"" </dev/null >"$tmp/setup.out" 2>&1
  local rc=$?
  [ "$rc" = 0 ] || stop "setup exit $rc: $(cat "$tmp/setup.out"; grep -h Error "$drive"/users/*/Temp/QZSETUPLOG.TXT | tr '\r\n' '||')"
}
uninstall() {
  wine "$driver" --timeout 90 -- "\"$app\\Uninstall.exe\" /S" </dev/null >"$tmp/uninstall.out" 2>&1
  local rc=$?
  [ "$rc" = 0 ] || fail "uninstall exit $rc: $(cat "$tmp/uninstall.out")"
  wine "$testproc" wait QZUninstall.exe 60 </dev/null || fail "QZUninstall.exe still runs"
}
same_as_before() {  # FILE
  diff -q "$tmp/before" "$1" >/dev/null || fail "after uninstall: $(diff "$tmp/before" "$1" | head -20 | tr '\n' '|')"
}

wine reg add "$envkey" /v KZMERGE_OLD /d original /f </dev/null >/dev/null 2>&1
# Another program's ".kzm" in both views (Wine keeps HKCR apart per view; Windows shares it).
for view in 32 64; do
  wine reg add 'HKCR\.kzm' /ve /d kzmfile /f /reg:$view </dev/null >/dev/null 2>&1
  wine reg add 'HKCR\kzmfile' /ve /d 'Other document' /f /reg:$view </dev/null >/dev/null 2>&1
  wine reg add 'HKCR\kzmfile\shell\open\command' /ve /t REG_EXPAND_SZ /d '%SystemRoot%\other.exe "%1"' \
    /f /reg:$view </dev/null >/dev/null 2>&1
done
snapshot "$tmp/before"
grep -q 'KZMERGE_OLD"="original"' "$tmp/before" || stop "the variable set before is not in the snapshot"
grep -qi '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\kzmfile\]' "$tmp/before" || stop "the association is not in the snapshot"

case_name="install twice"
version 1 a.txt sub/b.txt sub/deep/c.txt
install
[ -f "$app_unix/sub/deep/c.txt" ] || stop "not installed"
wine reg query 'HKCR\kzmfile' /ve /reg:32 </dev/null 2>/dev/null | grep -q 'KzMerge document 1' || fail "not associated"
install
uninstall
snapshot "$tmp/after-twice"
same_as_before "$tmp/after-twice"

case_name="v1 then v2"
version 1 a.txt sub/b.txt sub/deep/c.txt
install
version 2 a.txt sub/b.txt other/d.txt
install
[ -f "$app_unix/other/d.txt" ] && grep -q 'version 2' "$app_unix/a.txt" || fail "v2 not installed"
uninstall
snapshot "$tmp/after-upgrade"
same_as_before "$tmp/after-upgrade"

case_name=
[ "$failures" = 0 ] && echo "reinstall_e2e: all cases passed"
exit "$failures"
