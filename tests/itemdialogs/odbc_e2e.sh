#!/usr/bin/env bash
# The registry rows of the ODBC dialog, in the sample project, built with
# KInstaller.exe /S and installed with the setup's /S: the customer's machine gets
# the data source (a setup not marked x64 writes the 32-bit view), and the
# uninstaller takes it away again.
#
# usage: odbc_e2e.sh KINSTALLER_EXE SAMPLEAPP_EXE SAMPLE_DIR TESTPROC_EXE
set -u
kinstaller=$1 sample_app=$2 sample_src=$3 testproc=$4
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
: "${WINEPREFIX:?WINEPREFIX is not set}"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
wine_q() { wine "$@" </dev/null; }

sample=$WINEPREFIX/drive_c/sample
sources='HKLM\SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources'
demo='HKLM\SOFTWARE\ODBC\ODBC.INI\Demo'
cleanup() {
  wine_q reg delete "$demo" /f /reg:32 >/dev/null 2>&1
  wine_q reg delete "$sources" /v Demo /f /reg:32 >/dev/null 2>&1
  rm -rf "$sample"
}
cleanup
trap cleanup EXIT
cp -r "$sample_src" "$sample"
rm -rf "$sample/src"
cp "$sample_app" "$sample/files/SampleApp.exe"

# The two rows the ODBC dialog appends for a "System" data source Demo.
awk '{ print } /^\[Registry\]/ { reg = 1; next } reg && /^0=/ {
  printf "1=HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources*?Demo*?REG_SZ*?SQL Server*?Yes*?Yes\r\n"
  printf "2=HKLM\\SOFTWARE\\ODBC\\ODBC.INI\\Demo*?Server*?REG_SZ*?srv*?Yes*?Yes\r\n"; reg = 0 }' \
  "$sample_src/Sample.zpf" >"$sample/Sample.zpf"
grep -q '^2=HKLM' "$sample/Sample.zpf" || fail "the rows were not added to the project"

timeout 300 wine "$(winpath "$kinstaller")" /S 'C:\sample\Sample.zpf' </dev/null || fail "the build exited $?"
timeout 300 wine 'C:\sample\SampleSetup-1.0.exe' /S </dev/null || fail "the setup exited $?"

server=$(wine_q reg query "$demo" /v Server /reg:32 2>/dev/null | tr -d '\r')
grep -Eq 'Server +REG_SZ +srv$' <<<"$server" || fail "no Server value: $server"
driver=$(wine_q reg query "$sources" /v Demo /reg:32 2>/dev/null | tr -d '\r')
grep -Eq 'Demo +REG_SZ +SQL Server$' <<<"$driver" || fail "no Demo data source: $driver"

uninstaller='C:\Program Files (x86)\Sample Company\Sample App\Uninstall.exe'
wine_q "$uninstaller" /S || fail "the uninstaller exited $?"
# The uninstaller goes on in a copy of itself: wait for it (bounded).
wine_q "$(winpath "$testproc")" wait QZUninstall.exe 60 >/dev/null 2>&1 || true
for _ in $(seq 60); do
  wine_q reg query "$demo" /v Server /reg:32 >/dev/null 2>&1 || break
  sleep 0.5
done
wine_q reg query "$demo" /v Server /reg:32 >/dev/null 2>&1 && fail "the uninstaller left the Server value"

[ "$failures" -eq 0 ] && echo "odbc_e2e: all passed"
exit $((failures > 0))
