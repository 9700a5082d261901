#!/usr/bin/env bash
# What a setup recorded, the installed uninstaller takes back: a project built
# with KInstaller.exe /S, a per-user installation (Add/Remove entry under HKCU)
# of an x64 package whose actions
# write a value one level below HKCU (HKCU\Environment), associate the existing
# extension txt (whose command is REG_EXPAND_SZ, as on Windows), write a quoted
# INI value, register a type library and a COM server, make a shortcut, change
# the environment (PATH append, a new and an existing variable), write a value
# under new keys and set the wallpaper; one registry row names a bare root
# (HKCU\) and fails without a box. The type library is unregistered by hand
# before uninstalling. Uninstall.exe /S must then answer 0 and every state in
# the table below, queried with `wine reg query` in both views, must be what it
# was before the setup ran.
# Last, a package the builder would now refuse (made with pkgtool): a [Files]
# record whose target has no file name fails without a box.
#
# usage: uninstall_e2e.sh PKGTOOL PROCDRIVER DIST_DIR KZTEST_TLB KZCOM_DLL TESTPROC FIXTURES_DIR
set -u
pkgtool=$1 driver=$2 dist=$3 tlb=$4 kzcom=$5 testproc=$6 fixtures=$7
data=$dist/Data
for f in "$pkgtool" "$driver" "$dist/KInstaller.exe" "$data/Engine2.dat" "$tlb" "$kzcom" "$testproc" "$fixtures/Englishqz.lng"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done

work=$(mktemp -d "$WINEPREFIX/drive_c/uninst-e2e.XXXXXX")
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"  # write_project, fail
w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
reg_delete() { wine reg delete "$@" /f </dev/null >/dev/null 2>&1; }
reg_add() {  # says what reg said when it fails
  local out
  out=$(wine reg add "$@" /f </dev/null 2>&1) || fail "reg add $*: $(printf '%s' "$out" | tr -d '\r' | tr '\n' ' ')"
}

guid='{6E0B3C61-0000-4000-8000-0000000000E2}'
libid='{6E0B3C52-9D1A-4F7E-8B25-3A4C5D6E7F81}'
desk='HKCU\Control Panel\Desktop'
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
unlist='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
app=$work/App
wapp=$(winpath "$app")

# ---- what the run touches in shared places, saved and put back ------------------
for v in 32 64; do
  w reg export 'HKCR\.txt' "$(winpath "$work/dottxt$v.reg")" /y /reg:$v >/dev/null
  w reg export 'HKCR\txtfile' "$(winpath "$work/txtfile$v.reg")" /y /reg:$v >/dev/null
done
w reg export "$desk" "$(winpath "$work/desk.reg")" /y >/dev/null
restore() {
  local v
  for v in 32 64; do
    reg_delete 'HKCR\.txt' /reg:$v; reg_delete 'HKCR\txtfile' /reg:$v
    [ -s "$work/dottxt$v.reg" ] && wine reg import "$(winpath "$work/dottxt$v.reg")" /reg:$v </dev/null >/dev/null 2>&1
    [ -s "$work/txtfile$v.reg" ] && wine reg import "$(winpath "$work/txtfile$v.reg")" /reg:$v </dev/null >/dev/null 2>&1
    reg_delete "HKCR\\TypeLib\\$libid" /reg:$v
  done
  [ -s "$work/desk.reg" ] && wine reg import "$(winpath "$work/desk.reg")" </dev/null >/dev/null 2>&1
  reg_delete 'HKCU\Environment' /v KZT_USERVAR
  reg_delete 'HKCU\Software\KzTU' /reg:64; reg_delete 'HKCU\Software\KzTestCom' /reg:64
  reg_delete "$envkey" /v KZT_UNEW /reg:64; reg_delete "$envkey" /v KZT_UOLD /reg:64
  [ -n "${old_path:-}" ] && reg_add "$envkey" /v PATH /t "${old_path%% *}" /d "${old_path#* }" /reg:64
  reg_delete 'HKCU' /v KzTRootOnly
  reg_delete "$unlist\\$guid"
}
trap 'restore; rm -rf "$work"' EXIT

old_path=$(w reg query "$envkey" /v PATH /reg:64 | sed -nE 's/^ +PATH +(REG_[A-Z_]+) +/\1 /p')
reg_add "$envkey" /v KZT_UOLD /d old /reg:64

# Windows' own txt association: the setup overwrites all four default values.
# (Wine's prefix has no HKCR\.txt, and a REG_SZ command.)
reg_add 'HKCR\.txt' /ve /d txtfile /reg:64
reg_add 'HKCR\.txt' /v 'Content Type' /d text/plain /reg:64
reg_add 'HKCR\txtfile' /ve /d 'Text Document' /reg:64
reg_add 'HKCR\txtfile\DefaultIcon' /ve /t REG_EXPAND_SZ /d '%SystemRoot%\system32\imageres.dll,-102' /reg:64
reg_add 'HKCR\txtfile\shell\open\command' /ve /t REG_EXPAND_SZ /d '%SystemRoot%\system32\NOTEPAD.EXE %1' /reg:64
cp "$fixtures/qzheader.bmp" "$work/old.bmp"
reg_add "$desk" /v Wallpaper /d "$(winpath "$work/old.bmp")"
reg_add "$desk" /v TileWallpaper /d 1
reg_add "$desk" /v WallpaperStyle /d 2
# An empty per-user Uninstall list left by an earlier test is not ours to keep;
# one holding entries makes the list check meaningless.
[ -z "$(w reg query "$unlist" | grep -v '^$' | tail -n +2)" ] && reg_delete "$unlist"
wine reg query "$unlist" </dev/null >/dev/null 2>&1 && unlist_was_there=1 || unlist_was_there=0

# The states that must come back: KEY|VIEW|reg query options.
states=(
  'HKCR\.txt|64|/s'
  'HKCR\.txt|32|/s'
  'HKCR\txtfile|64|/s'
  'HKCR\txtfile|32|/s'
  'HKCU\Environment|64|'
  "$envkey|64|"
  'HKCU\Software\KzTU|64|/s'
  'HKCU\Software\KzTestCom|64|/s'
  'HKCU|64|'
  "$desk|64|"
  "HKCR\TypeLib\$libid|64|/s"
  "$unlist|64|"
)
snapshot() {  # DIR
  mkdir -p "$1"; local i key view opts
  for i in "${!states[@]}"; do
    IFS='|' read -r key view opts <<<"${states[$i]}"
    # reg answers every query with the key or "Unable to find"; an empty answer
    # is reg itself failing now and then under Wine, so it is asked again.
    for _ in 1 2 3; do
      w reg query "$key" $opts /reg:$view > "$1/$i"
      [ -s "$1/$i" ] && break
    done
  done
}
snapshot "$work/before"

# ---- the project, built with KInstaller.exe /S -------------------------------------
mkdir -p "$work/files" "$work/out" "$work/tmp"
echo app > "$work/files/app.exe"
cp "$tlb" "$work/files/kztest.tlb"
cp "$kzcom" "$work/files/kzcom.dll"
cp "$fixtures/qzwizard.bmp" "$work/files/wall.bmp"
wwork=$(winpath "$work")
write_project "$work/p.zpf" "$dist" GUID="$guid" AppName='KzT Uninst' SetupFile="$wwork\\out\\Setup.exe" \
  SourceFolder="$wwork\\files" x64=1 Admin=0 InstallLevel=0 InstallationPath="$wapp" Uninstall=1 ShowAddRemove=1
printf '%s\r\n' '[Registry]' \
  '0=HKCU\Environment*?KZT_USERVAR*?REG_SZ*?uv*?Yes*?Yes' \
  '1=HKCU\*?KzTRootOnly*?REG_SZ*?x*?Yes*?Yes' \
  '2=HKCU\Software\KzTU\A\B*?v*?REG_DWORD*?7*?Yes*?Yes' \
  '[Shortcuts]' '0=<InstallDir>\Links*?app*?<InstallDir>\app.exe*?KzT*?*?*?*?0*?Normal' \
  '[Environments]' '0=PATH*?C:\KzTU*?APPEND*?Yes' '1=KZT_UNEW*?new*?OVERWRITE*?Yes' '2=KZT_UOLD*?changed*?OVERWRITE*?Yes' \
  '[Extensions]' '0=txt*?<InstallDir>\app.exe*?KzT text*?*?0' \
  '[INI]' '0=<InstallDir>\q.ini*?S*?Cmd*?"C:\a b\a.txt"*?Yes*?Yes' \
  '[Others]' '0=TYPE LIBRARY*?<InstallDir>\kztest.tlb*?No' '1=WALLPAPER*?<InstallDir>\wall.bmp*?No' \
  '2=DLL/ACTIVEX*?<InstallDir>\kzcom.dll*?No' >> "$work/p.zpf"
timeout 120 wine "$dist/KInstaller.exe" /S "$wwork\\p.zpf" </dev/null > "$work/build.out" 2>&1 \
  || { echo "KInstaller.exe /S: $(cat "$work/build.out")"; exit 1; }

drive() {  # CMDLINE: under TMP=TEMP=$work/tmp; exit code in rc
  local wtmp; wtmp=$(winpath "$work/tmp")
  wine "$driver" --timeout 90 --env "TMP=$wtmp" --env "TEMP=$wtmp" -- "$1" </dev/null > "$work/driver.out" 2>&1
  rc=$?
}

# ---- install ---------------------------------------------------------------------
case_name=install
drive "\"$wwork\\out\\Setup.exe\" /S /L"
[ "$rc" = 7 ] || fail "setup exit code $rc, expected 7 (the bare root is an error)"
log=$(tr -d '\r' < "$work/tmp/QZSETUPLOG.TXT" 2>/dev/null)
grep -qxF 'Error registry key: HKEY_CURRENT_USER\' <<<"$log" || fail "no error line for the bare root: $log"
! grep -q '^BOX ' "$work/driver.out" || fail "a silent setup showed $(grep '^BOX ' "$work/driver.out")"
! w reg query HKCU /v KzTRootOnly | grep -q KzTRootOnly || fail "a value was written at the root of HKCU"
[ "$(w reg query 'HKCU\Environment' /v KZT_USERVAR | sed -nE 's/^ +KZT_USERVAR +REG_SZ +//p')" = uv ] \
  || fail "HKCU\\Environment KZT_USERVAR not written"
grep -qxF 'Cmd="C:\a b\a.txt"' <(tr -d '\r' < "$app/q.ini" 2>/dev/null) || fail "q.ini: $(cat "$app/q.ini" 2>/dev/null)"
command=$(w reg query 'HKCR\txtfile\shell\open\command' /ve /reg:64 | sed -nE 's/^ +\(Default\) +(REG_[A-Z_]+) +/\1 /p')
[ "$command" = "REG_SZ \"$wapp\\app.exe\" \"%1\"" ] || fail "txt command after install: $command"
grep -qi '^\[AssociationValues\]' "$app/Uninstall.ini" 2>/dev/null || fail "no [AssociationValues] in Uninstall.ini"
wine reg query "$unlist\\$guid" </dev/null >/dev/null 2>&1 || fail "no Add/Remove entry under HKCU"
wine reg query "HKCR\\TypeLib\\$libid" /reg:64 </dev/null >/dev/null 2>&1 || fail "type library not registered"
w reg query "$envkey" /v PATH /reg:64 | grep -q ';C:\\KzTU$' || fail "PATH not appended"
[ -f "$app/Links/app.lnk" ] || fail "no shortcut"
for key in 'HKCU\Software\KzTU\A\B' 'HKCU\Software\KzTestCom'; do
  wine reg query "$key" </dev/null >/dev/null 2>&1 || fail "no $key after install"
done

# The type library goes before the uninstaller comes: nothing left to undo is no error.
reg_delete "HKCR\\TypeLib\\$libid" /reg:64

# ---- uninstall -------------------------------------------------------------------
case_name=uninstall
rm -f "$work/tmp/QZUNINSTALLLOG.TXT"
drive "\"$wapp\\Uninstall.exe\" /S"
[ "$rc" = 0 ] || fail "Uninstall.exe /S exit code $rc: $(tr -d '\r' < "$work/tmp/QZUNINSTALLLOG.TXT" 2>/dev/null)"
wine "$testproc" wait QZUninstall.exe 60 </dev/null || fail "QZUninstall.exe still runs"
snapshot "$work/after"
for i in "${!states[@]}"; do
  diff -q "$work/before/$i" "$work/after/$i" >/dev/null ||
    fail "${states[$i]} differs from before the setup: $(diff "$work/before/$i" "$work/after/$i" | tr '\n' '|')"
done
[ ! -e "$app" ] || fail "left behind: $(cd "$app" && find . | tr '\n' ' ')"
[ "$unlist_was_there" = 1 ] || ! wine reg query "$unlist" </dev/null >/dev/null 2>&1 || fail "the Uninstall list the setup created stays"

rm -rf "$work"/tmp/QZUN*

# ---- a [Files] record without a file name ------------------------------------------
case_name=no_file_name
printf '[Setup]\r\nAppName=KzT NoName\r\nAppVersion=1.0\r\nDefaultLanguage=English\r\nInstallationPath=%s\r\n' \
  "$wapp" > "$work/noname.ini"
wine "$pkgtool" package --engine "$(winpath "$data/Engine2.dat")" --script "$(winpath "$work/noname.ini")" \
  --out "$(winpath "$work/noname.exe")" \
  --file "$(winpath "$work/files/app.exe")" '<InstallDir>\sub\' \
  --file "$(winpath "$work/files/app.exe")" '<InstallDir>\app.exe' \
  --member "$(winpath "$fixtures/Englishqz.lng")" Englishqz.lng \
  --member "$(winpath "$fixtures/qzwizard.bmp")" qzwizard.bmp \
  --member "$(winpath "$fixtures/qzheader.bmp")" qzheader.bmp </dev/null > "$work/pkg.out" 2>&1 \
  || fail "pkgtool: $(cat "$work/pkg.out")"
rm -f "$work/tmp/QZSETUPLOG.TXT"
drive "\"$(winpath "$work/noname.exe")\" /S /L"
[ "$rc" = 7 ] || fail "setup exit code $rc, expected 7"
grep -qxF "Error file: $wapp\\sub\\" <(tr -d '\r' < "$work/tmp/QZSETUPLOG.TXT" 2>/dev/null) \
  || fail "no error line for the target without a file name"
! grep -q '^BOX ' "$work/driver.out" || fail "a silent setup showed $(grep '^BOX ' "$work/driver.out")"
[ -f "$app/app.exe" ] || fail "the record after it was not installed"
rm -rf "$app"

[ $failures -eq 0 ] && echo "uninstall_e2e: all cases passed"
exit $((failures > 0))
