#!/usr/bin/env bash
# Requirement checks, prerequisite rules and previous versions end to end: setups
# built by pkgtool from fixtures/app.ini, started through procdriver (which
# answers their boxes), checked with the setup log, files on disk and
# `wine reg query`. Every key this script touches is restored at exit.
#
# usage: requirements_e2e.sh PROCDRIVER PKGTOOL ENGINE_DAT FIXTURES PICTURES STUB UNINSTALLER
set -u
driver=$1 pkgtool=$2 engine=$3 fixtures=$4 pictures=$5 stub=$6 uninstaller=$7
for f in "$driver" "$pkgtool" "$engine" "$fixtures/Englishqz.lng" "$pictures/qzwizard.bmp" "$stub" "$uninstaller"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winebrowser.exe=d"  # an opened address starts no browser

work=$(mktemp -d "$WINEPREFIX/drive_c/req-e2e.XXXXXX")
guid='{6B1D0F7E-3C2A-4E55-9A10-0000C0FFEE09}'
ukey='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
ndp='HKLM\SOFTWARE\Microsoft\NET Framework Setup\NDP\v4\Full'
appdefaults='HKCU\Software\Wine\AppDefaults'
caption='KzTReq Setup'
q() { wine "$@" </dev/null >/dev/null 2>&1; }
cleanup() {
  q reg delete "$ukey\\$guid" /f /reg:32
  q reg delete "$ukey\\KzTReq" /f /reg:32
  q reg delete "$ndp" /f /reg:32
  q reg delete "$ndp" /f /reg:64
  for exe in kzreq_xp.exe kzreq_w10.exe; do q reg delete "$appdefaults\\$exe" /f; done
  rm -rf "$work"
}
trap cleanup EXIT; [ -n "${KEEP_WORK:-}" ] && trap - EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
reg_query() { wine reg query "$@" </dev/null 2>/dev/null | tr -d '\r' | grep -v '^reg: '; }

# package NAME EXE SCRIPT_LINES PKGTOOL_ARGS...: $work/NAME/EXE from app.ini plus
# SCRIPT_LINES ([Setup] keys, then any further sections).
package() {
  local name=$1 exe=$2 lines=$3; shift 3
  local dir=$work/$name
  mkdir -p "$dir/tmp"
  # A [Setup] key given in LINES replaces the fixture's.
  local keys
  keys=$(printf '%s\n' "$lines" | sed -n 's/^\([A-Za-z0-9]*\)=.*/^\1=/p')
  { grep -v -f <(printf '%s\n' "${keys:-^\$^}") "$fixtures/app.ini"; printf '%s\n' "$lines"; } | sed 's/$/\r/' > "$dir/app.ini"
  wine "$pkgtool" package --engine "$(winpath "$engine")" --script "$(winpath "$dir/app.ini")" \
    --out "$(winpath "$dir/$exe")" --member "$(winpath "$fixtures/Englishqz.lng")" \
    --member "$(winpath "$pictures/qzwizard.bmp")" --member "$(winpath "$pictures/qzheader.bmp")" \
    --uninstaller "$(winpath "$uninstaller")" "$@" </dev/null >"$dir/pkg.out" 2>&1 \
    || { fail "pkgtool: $(cat "$dir/pkg.out")"; return 1; }
}

# run NAME EXE ARGS [PROCDRIVER_OPTIONS...]: the setup with ARGS + " /L" and its own TMP.
run() {
  local name=$1 exe=$2 args=$3; shift 3
  local dir=$work/$name
  rm -f "$dir/tmp/QZSETUPLOG.TXT"
  wine "$driver" --env "TMP=$(winpath "$dir/tmp")" --env "TEMP=$(winpath "$dir/tmp")" "$@" -- \
    "\"$(winpath "$dir/$exe")\" $args /L" </dev/null >"$dir/out" 2>&1
  rc=$?
}
log_of() { tr -d '\r' < "$work/$1/tmp/QZSETUPLOG.TXT" 2>/dev/null; }
expect_code() { [ "$rc" = "$1" ] || fail "exit code $rc, expected $1; log: $(log_of "$case_name" | tail -n +5 | tr '\n' '|'); out: $(tr '\n' '|' < "$work/$case_name/out")"; }
expect_no_tempdir() { [ -z "$(find "$work/$case_name/tmp" -maxdepth 1 -iname 'QZTMP*')" ] || fail "a QZTMP folder stayed"; }
expect_box() { grep -qF "BOX $1" "$work/$case_name/out" || fail "no box \"$1\"; saw: $(grep '^BOX' "$work/$case_name/out" | tr '\n' '|')"; }
expect_no_box() { ! grep -q '^BOX' "$work/$case_name/out" || fail "unexpected box: $(grep '^BOX' "$work/$case_name/out" | tr '\n' '|')"; }
# stub NAME EXE LINES: the stub as $work/NAME/EXE, scripted by LINES.
stub() {
  mkdir -p "$work/$1"
  cp "$stub" "$work/$1/$2"
  printf '%s\n' "$3" > "$work/$1/${2%.*}.stub"
}
nl=$'\n'
payload() { mkdir -p "$work/src"; echo "$2" > "$work/src/$1"; echo "--file $(winpath "$work/src/$1") <InstallDir>\\$1"; }

# --- Windows versions ---------------------------------------------------------------
case_name=winxp
q reg add "$appdefaults\\kzreq_xp.exe" /v Version /d winxp /f
if package $case_name kzreq_xp.exe 'WinXP=0'; then
  run $case_name kzreq_xp.exe "/S /P C:\\kzt-req-e2e\\xp"
  expect_code 5; expect_no_tempdir; expect_no_box
  [ "$(log_of $case_name | sed -n 4p)" = "WinXP" ] || fail "log line 4: $(log_of $case_name | sed -n 4p)"
  log_of $case_name | grep -qxF 'Error requirement: 3 9x/NT/2000/Server 2003/Vista/7/8' || fail "no refusal line in the log"
  [ ! -e "$WINEPREFIX/drive_c/kzt-req-e2e/xp" ] || fail "something was installed"
  run $case_name kzreq_xp.exe "" --press "$caption" No
  expect_code 5; expect_box "$caption|M3: 9x/NT/2000/Server 2003/Vista/7/8"
fi
case_name=win10
q reg add "$appdefaults\\kzreq_w10.exe" /v Version /d win10 /f
if package $case_name kzreq_w10.exe 'WinXP=0'; then
  run $case_name kzreq_w10.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 0
  [ "$(log_of $case_name | sed -n 4p)" = "Win8" ] || fail "log line 4: $(log_of $case_name | sed -n 4p)"
fi

# --- .NET at level 9 (4.5) ---------------------------------------------------------------
case_name=dotnet
q reg add "$ndp" /v Install /t REG_DWORD /d 1 /f /reg:32
q reg add "$ndp" /v Release /t REG_DWORD /d 378389 /f /reg:32
if package $case_name setup.exe "dotNET=1${nl}dotNETVersion=9" $(payload a.txt one); then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 0; expect_no_box
  [ -e "$work/$case_name/App/a.txt" ] || fail "not installed with .NET 4.5 present"
fi
case_name=dotnet_fixup
q reg add "$ndp" /v Release /t REG_DWORD /d 378388 /f /reg:32
stub $case_name fixup.exe "record $(winpath "$work/$case_name/fixup.txt")${nl}regdword 32|SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full|Release|378389"
if package $case_name setup.exe "dotNET=1${nl}dotNETVersion=9${nl}LinkDN=$(winpath "$work/$case_name/fixup.exe") /q" $(payload a.txt one); then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")" --press "$caption" Yes
  expect_code 0; expect_box "$caption|M7: 4.5"
  [ "$(tr -d '\r' < "$work/$case_name/fixup.txt" 2>/dev/null)" = "/q" ] || fail "the fix-up got: $(cat "$work/$case_name/fixup.txt" 2>/dev/null)"
fi
case_name=dotnet_link
q reg add "$ndp" /v Release /t REG_DWORD /d 378388 /f /reg:32
if package $case_name setup.exe "dotNET=1${nl}dotNETVersion=9${nl}LinkDN=http://127.0.0.1:9/dotnet"; then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")" --press "$caption" Yes --press "Setup - KzTReq 1.0" OK
  expect_code 5; expect_no_tempdir
  expect_box "$caption|M7: 4.5"; expect_box "Setup - KzTReq 1.0|M28: "
fi
case_name=dotnet_views
q reg delete "$ndp" /f /reg:32
q reg add "$ndp" /v Install /t REG_DWORD /d 1 /f /reg:64
q reg add "$ndp" /v Release /t REG_DWORD /d 378389 /f /reg:64
if package $case_name setup.exe "dotNET=1${nl}dotNETVersion=9${nl}x64=1"; then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 0; expect_no_box
fi
if package ${case_name}32 setup.exe "dotNET=1${nl}dotNETVersion=9"; then
  case_name=${case_name}32
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")" --press "$caption" No
  expect_code 5; expect_box "$caption|M7: 4.5"
fi
q reg delete "$ndp" /f /reg:64

# --- an application to close ------------------------------------------------------------
case_name=closeapp
stub $case_name QzBusy.exe "touch $(winpath "$work/$case_name/started")${nl}waitfor $(winpath "$work/$case_name/done")"
if package $case_name setup.exe "CloseApp=1${nl}CloseAppFile=qzbusy.EXE${nl}CloseAppText=Busy App"; then
  wine "$work/$case_name/QzBusy.exe" </dev/null >/dev/null 2>&1 &
  busy=$!
  for _ in $(seq 200); do [ -e "$work/$case_name/started" ] && break; sleep 0.1; done
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 5; expect_no_box
  run $case_name setup.exe "/P $(winpath "$work/$case_name/App")" --press "$caption" Cancel
  expect_code 5; expect_box "$caption|M6: Busy App"
  touch "$work/$case_name/done"; wait $busy
fi

# --- the author's rules ------------------------------------------------------------------
case_name=rules
made=$(winpath "$work/$case_name/made.txt")
stub $case_name fixup.exe "touch $made"
rule="Need it*?$(winpath "$work/$case_name/fixup.exe")*?All*?File exists*?$made*?"
if package $case_name setup.exe "${nl}[Prerequisites]${nl}0=$rule" $(payload a.txt one); then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")" --press "$caption" No
  expect_code 5; expect_box "$caption|M27: Need it"
  # Any caption: the run above checked it; under load Wine can show a box's text before its caption.
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")" --press "*" Yes
  expect_code 0
  [ -e "$work/$case_name/App/a.txt" ] || fail "not installed after the fix-up"
fi
case_name=rules_x86
if package $case_name setup.exe "${nl}[Prerequisites]${nl}0=Skip me*?*?x86*?FILE EXISTS*?C:\\no\\such.file*?"; then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 0; expect_no_box
fi

# --- previous versions --------------------------------------------------------------------
v1() {  # NAME: installs version 1.0 with a.txt and old.txt into $work/NAME/App
  local name=$1
  mkdir -p "$work/$name/src1"; echo v1 > "$work/$name/src1/a.txt"; echo old > "$work/$name/src1/old.txt"
  package $name v1.exe 'SilentUninstall=0' --file "$(winpath "$work/$name/src1/a.txt")" '<InstallDir>\a.txt' \
    --file "$(winpath "$work/$name/src1/old.txt")" '<InstallDir>\old.txt' || return 1
  run $name v1.exe "/S /P $(winpath "$work/$name/App")"
  [ "$rc" = 0 ] && [ -e "$work/$name/App/old.txt" ] || { fail "v1 did not install ($rc)"; return 1; }
}
v2() {  # NAME LINES: version 2.0 with a.txt and new.txt
  local name=$1
  mkdir -p "$work/$name/src2"; echo v2 > "$work/$name/src2/a.txt"; echo new > "$work/$name/src2/new.txt"
  package $name v2.exe "AppVersion=2.0${nl}$2" --file "$(winpath "$work/$name/src2/a.txt")" '<InstallDir>\a.txt' \
    --file "$(winpath "$work/$name/src2/new.txt")" '<InstallDir>\new.txt'
}
entry_value() { reg_query "$ukey\\$guid" /v "$1" /reg:32 | awk -v n="$1" '$1==n{print $3}'; }
qz_running() { wine tasklist </dev/null 2>/dev/null | tr -d '\r' | grep -qi '^QZUninstall.exe'; }

case_name=replace
if v1 $case_name && v2 $case_name 'PromptUninstall=1'; then
  app=$work/$case_name/App
  run $case_name v2.exe "/S /P $(winpath "$app")"
  expect_code 0; expect_no_box
  [ "$(cat "$app/a.txt" 2>/dev/null)" = v2 ] && [ -e "$app/new.txt" ] || fail "v2's files are not in place"
  [ ! -e "$app/old.txt" ] || fail "old.txt stayed"
  [ "$(entry_value DisplayVersion)" = 2.0 ] || fail "DisplayVersion: $(entry_value DisplayVersion)"
  grep -q '^AppVersion=2.0' <(tr -d '\r' < "$app/Uninstall.ini") || fail "Uninstall.ini is not 2.0's"
  ! qz_running || fail "QZUninstall.exe still runs"
fi
q reg delete "$ukey\\$guid" /f /reg:32

case_name=keep
if v1 $case_name && v2 $case_name 'PromptUninstall=0'; then
  run $case_name v2.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 0
  [ -e "$work/$case_name/App/old.txt" ] || fail "old.txt was removed"
  run $case_name v1.exe "/P $(winpath "$work/$case_name/App")" --press "$caption" No
  expect_code 0; expect_box "$caption|M30: KzTReq 2.0 1.0"
fi
q reg delete "$ukey\\$guid" /f /reg:32

case_name=stubborn
if v1 $case_name && v2 $case_name 'PromptUninstall=1'; then
  app=$work/$case_name/App
  stub $case_name App/Uninstall.exe "record $(winpath "$work/$case_name/runs.txt")"
  run $case_name v2.exe "/S /P $(winpath "$app")"
  expect_code 0
  [ "$(tr -d '\r' < "$work/$case_name/runs.txt" 2>/dev/null | tr '\n' ' ')" = "/S /S /S " ] \
    || fail "uninstaller runs: $(tr '\n' ' ' < "$work/$case_name/runs.txt" 2>/dev/null)"
  log_of $case_name | grep -qxF "Error uninstall: $(winpath "$app")\\Uninstall.exe" || fail "no give-up line in the log"
fi
q reg delete "$ukey\\$guid" /f /reg:32

case_name=upgrade_none
if package $case_name setup.exe 'InstallMode=1' $(payload a.txt one); then
  run $case_name setup.exe "/S /P $(winpath "$work/$case_name/App")"
  expect_code 0; expect_no_tempdir; expect_no_box
  [ ! -e "$work/$case_name/App" ] || fail "installed without a copy to upgrade"
  log_of $case_name | grep -q '^Error upgrade: ' || fail "no upgrade line in the log"
fi

case_name=upgrade
if v1 $case_name && v2 $case_name "InstallMode=1${nl}CheckVersions=1${nl}CheckMinVer=1.0${nl}CheckMaxVer=2.0"; then
  app=$work/$case_name/App
  run $case_name v2.exe "/S /P C:\\Other"
  expect_code 0
  [ "$(cat "$app/a.txt" 2>/dev/null)" = v2 ] && [ -e "$app/new.txt" ] && [ -e "$app/old.txt" ] \
    || fail "not installed over the old folder"
  [ ! -e "$WINEPREFIX/drive_c/Other" ] || fail "/P won over the installed folder"
  grep -qiF 'old.txt' "$app/Uninstall.ini" || fail "v1's log records are gone"
fi
q reg delete "$ukey\\$guid" /f /reg:32
case_name=upgrade_range
if v1 $case_name && v2 $case_name "InstallMode=1${nl}CheckVersions=1${nl}CheckMinVer=1.1${nl}CheckMaxVer=2.0"; then
  run $case_name v2.exe "/P $(winpath "$work/$case_name/App")" --press "$caption" OK
  expect_code 0; expect_box "$caption|M25: KzTReq 1.1..2.0"
  [ ! -e "$work/$case_name/App/new.txt" ] || fail "installed outside the range"
fi

[ "$failures" = 0 ] && echo "requirements_e2e: all cases passed"
exit $((failures > 0))
