#!/usr/bin/env bash
# A registry export made by regedit, imported on the Registry tab: the values a
# setup can carry install exactly as they were exported (REG_SZ with quotes and
# backslashes, REG_EXPAND_SZ unexpanded, REG_DWORD, 48 bytes of REG_BINARY, the
# default value); REG_MULTI_SZ and REG_QWORD are reported as not imported and
# never reach the machine.
#
# usage: regimport_e2e.sh AUTHORING_DRIVER DIST_DIR
set -u
driver=$1 dist=$2
for f in "$driver" "$dist/KInstaller.exe" "$dist/Data/Engine1.dat"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/e2e_project.sh"

name=KinRegImpE2E
key="HKEY_CURRENT_USER\\Software\\$name"
work=$WINEPREFIX/drive_c/$name
app_dir="$WINEPREFIX/drive_c/Program Files (x86)/$name"
cleanup() {
  wine reg delete "$key" /f </dev/null >/dev/null 2>&1
  rm -rf "$work" "$app_dir"
}
cleanup
trap cleanup EXIT
mkdir -p "$work/files" "$work/out"
printf 'readme\r\n' >"$work/files/readme.txt"

bin_hex=$(head -c 48 /dev/urandom | od -An -tx1 | tr -d ' \n' | tr a-f A-F)
reg_add() { wine reg add "$key" "$@" /f </dev/null >/dev/null 2>&1 || fail "reg add $*"; }

case_name="source key"
reg_add /v Str /t REG_SZ /d 'C:\Dir "q" x'
reg_add /v Exp /t REG_EXPAND_SZ /d '%SystemRoot%\x'
reg_add /v Dw /t REG_DWORD /d 0xffffffff
reg_add /v Bin /t REG_BINARY /d "$bin_hex"
reg_add /ve /d 'the default'
reg_add /v Multi /t REG_MULTI_SZ /d 'one\0two'
reg_add /v Qw /t REG_QWORD /d 0x1122334455667788
# regedit takes only the long root name.
wine regedit /E "$(winpath "$work/export.reg")" "$key" </dev/null >/dev/null 2>&1
[ -s "$work/export.reg" ] || fail "regedit wrote no export"

case_name="import"
write_project "$work/p.zpf" "$dist" GUID='{5E0D7A21-4C3B-4F6A-9B1E-2D8C7F0A3B64}' AppName=$name \
  SetupFile="C:\\$name\\out\\Setup.exe" SourceFolder="C:\\$name\\files"
wine "$driver" import-reg "C:\\$name\\p.zpf" "$(winpath "$work/export.reg")" </dev/null >"$work/driver.out" 2>&1
rc=$?
[ "$rc" = 0 ] || stop "driver exit $rc: $(cat "$work/driver.out")"
sed 's/^/  box: /' "$work/driver.out"
grep -q '^5 registry value(s) imported\.' "$work/driver.out" || fail "box: $(cat "$work/driver.out")"
grep -q '2 entries were not imported' "$work/driver.out" || fail "box: $(cat "$work/driver.out")"
grep -c '^[0-9]*=HKEY_CURRENT_USER\\Software\\KinRegImpE2E\*?' "$work/p.zpf" >/dev/null || fail "no Registry rows saved"
wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || fail "reg delete"

case_name="build and install"
build_and_install
[ -f "$app_dir/readme.txt" ] || fail "readme.txt not installed"

# The package is not x64: its values go to the 32-bit view (HKCU\Software is one
# key in both views).
query() { wine reg query "$key" "$@" /reg:32 </dev/null 2>/dev/null | tr -d '\r' | grep -E '^ +' | sed -E 's/^ +//; s/ {4}/|/g'; }
expect_value() {  # NAME TYPE DATA
  case_name="value $1"
  local got; got=$(query /v "$1")
  [ "$got" = "$1|$2|$3" ] || fail "got '$got'"
}
expect_value Str REG_SZ 'C:\Dir "q" x'
expect_value Exp REG_EXPAND_SZ '%SystemRoot%\x'
expect_value Dw REG_DWORD 0xffffffff
expect_value Bin REG_BINARY "$bin_hex"
case_name="default value"
got=$(query /ve)
[ "$got" = "(Default)|REG_SZ|the default" ] || fail "got '$got'"
case_name="not imported"
for v in Multi Qw; do
  got=$(query /v $v)
  [ -z "$got" ] || fail "$v is there: $got"
done

[ "$failures" = 0 ] && echo "regimport_e2e: all cases passed"
exit "$failures"
