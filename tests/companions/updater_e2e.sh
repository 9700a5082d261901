#!/usr/bin/env bash
# The updater stand-in: "/S" ends at once with exit 0 and no window whatever ini
# lies beside it; "/A" and no parameter show one information box and exit 0,
# ending with the installed language's "no connection" text ([Updater] 6).
#
# usage: updater_e2e.sh PROCDRIVER UPDATER_EXE
set -u
driver=$1 updater=$2
for f in "$driver" "$updater"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done

work=$(mktemp -d "$WINEPREFIX/drive_c/updater-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

# copy_updater NAME: $work/NAME/Updater.exe
copy_updater() { mkdir -p "$work/$1"; cp "$updater" "$work/$1/Updater.exe"; }

# run NAME ARGS [procdriver options...]: rc in $rc, reported windows in $work/NAME.out
run() {
  local name=$1 args=$2; shift 2
  wine "$driver" --timeout 30 "$@" -- "\"$(winpath "$work/$name/Updater.exe")\" $args" </dev/null \
    2>"$work/$name.err" | sed -u 's/\r$//' > "$work/$name.out"
  rc=${PIPESTATUS[0]}
}

boxes() { grep -c '^BOX ' "$work/$1.out"; }

copy_updater good
printf '[General]\r\nAppName=Demo App\r\nAppVersion=1.2\r\nUpdateURL=http://127.0.0.1/update.txt\r\n' > "$work/good/Updater.ini"
printf '[Updater]\r\n0=Demo Updates\r\n1=\r\n[General]\r\nAppName=Not this one\r\n' > "$work/good/Uninstall.ini"
copy_updater missing
copy_updater garbage
head -c 3000 /dev/urandom > "$work/garbage/Updater.ini"
head -c 3000 /dev/urandom > "$work/garbage/Uninstall.ini"

for name in good missing garbage; do
  case_name="SilentSwitchExitsZeroWithoutWindow/$name"
  run "$name" /S
  [ "$rc" = 0 ] || fail "exit $rc, expected 0"
  grep -q '^\(BOX\|WINDOW\) ' "$work/$name.out" && fail "windows shown: $(cat "$work/$name.out")"
done

case_name=CheckSwitchShowsOneBoxWithProductVersionAndAddress
run good /A --press '*' OK
[ "$rc" = 0 ] || fail "exit $rc, expected 0"
[ "$(boxes good)" = 1 ] || fail "expected one box: $(cat "$work/good.out")"
grep -q '^BOX Demo Updates|Product: Demo App\\r\\nVersion: 1.2\\r\\nUpdate address: http://127.0.0.1/update.txt\\r\\n\\r\\n.*does not .*download' \
  "$work/good.out" || fail "box: $(cat "$work/good.out")"

case_name=NoParameterReadsInstalledLogWithLineBreakMarks
copy_updater installed
printf '[Updater]\r\n0=\r\n[General]\r\nAppName=Two<#>Lines\r\nAppVersion=3.0\r\nUpdateURL=http://127.0.0.1/u\r\n' \
  > "$work/installed/Uninstall.ini"
run installed "" --press '*' OK
[ "$rc" = 0 ] || fail "exit $rc, expected 0"
[ "$(boxes installed)" = 1 ] || fail "expected one box: $(cat "$work/installed.out")"
grep -q '^BOX Check for Updates|Product: Two\\r\\nLines\\r\\nVersion: 3.0\\r\\nUpdate address: http://127.0.0.1/u\\r\\n' \
  "$work/installed.out" || fail "box: $(cat "$work/installed.out")"

case_name=CheckSwitchSaysNoConnectionInTheInstalledLanguage
copy_updater german
printf '[Updater]\r\n0=Update f\xfcr Demo\r\n2=Demo ist aktuell.\r\n6=Der Update-Server ist nicht erreichbar.\r\n[General]\r\nAppName=Demo\r\nAppVersion=2.0\r\nUpdateURL=http://127.0.0.1/d\r\n' \
  > "$work/german/Uninstall.ini"
run german /A --press '*' OK
[ "$rc" = 0 ] || fail "exit $rc, expected 0"
[ "$(boxes german)" = 1 ] || fail "expected one box: $(cat "$work/german.out")"
LC_ALL=C grep -q '^BOX Update f.r Demo|Product: Demo\\r\\nVersion: 2.0\\r\\nUpdate address: http://127.0.0.1/d\\r\\n\\r\\nDer Update-Server ist nicht erreichbar\.$' \
  "$work/german.out" || fail "box: $(cat "$work/german.out")"

case_name=NoIniShowsEmptyProduct
run missing /A --press '*' OK
[ "$rc" = 0 ] || fail "exit $rc, expected 0"
grep -q '^BOX Check for Updates|Product: \\r\\nVersion: \\r\\nUpdate address: \\r\\n' "$work/missing.out" \
  || fail "box: $(cat "$work/missing.out")"

[ "$failures" = 0 ] && echo "updater_e2e: all cases passed"
exit $((failures > 0))
