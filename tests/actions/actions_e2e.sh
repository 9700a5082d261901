#!/usr/bin/env bash
# Install actions end to end: two packages (x64 and 32-bit) with every record kind
# are built with pkgtool and installed with "/S /L"; the registry is checked with
# `wine reg query` in each view, links with IShellLinkA::Load (lnkread), files on
# disk, and the records in the installed Uninstall.ini. Everything the runs touch
# in shared places (HKCU, HKLM, HKCR, PATH) is put back at the end.
#
# usage: actions_e2e.sh PKGTOOL PROCDRIVER ENGINE_DAT KZCOM_DLL KZTEST_TLB LNKREAD FIXTURES_DIR
set -u
pkgtool=$1 driver=$2 engine=$3 kzcom=$4 tlb=$5 lnkread=$6 fixtures=$7
font=/usr/share/wine/fonts/tahoma.ttf
for f in "$pkgtool" "$driver" "$engine" "$kzcom" "$tlb" "$lnkread" "$fixtures/Englishqz.lng" "$font"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done

work=$(mktemp -d "$WINEPREFIX/drive_c/actions-e2e.XXXXXX")
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }

envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
libid='{6E0B3C52-9D1A-4F7E-8B25-3A4C5D6E7F81}'
guid64='{6E0B3C60-0000-4000-8000-000000000064}'
guid32='{6E0B3C60-0000-4000-8000-000000000032}'
unkey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
pf64=$WINEPREFIX/drive_c/Program\ Files/KzTAct64
pf32=$WINEPREFIX/drive_c/Program\ Files\ \(x86\)/KzTAct32

# "TYPE DATA" of a value, "" when it is missing. VIEW is 32 or 64.
value() {  # KEY NAME VIEW
  w reg query "$1" /v "$2" /reg:"$3" | sed -nE "s/^ +$2 +(REG_[A-Z_]+) *(.*)$/\1 \2/p" | head -1
}
default_value() { w reg query "$1" /ve /reg:"$2" | sed -nE 's/^ +\(Default\) +REG_[A-Z_]+ *(.*)$/\1/p' | head -1; }
key_exists() { wine reg query "$1" /reg:"$2" </dev/null >/dev/null 2>&1; }
reg_delete() { wine reg delete "$1" /f /reg:"$2" </dev/null >/dev/null 2>&1; }

# Values of one section of an uninstall log, in key order.
records() {  # LOG SECTION
  tr -d '\r' < "$1" | awk -v s="[$2]" '/^\[/ { on = ($0 == s); next } on && /=/ { sub(/^[^=]*=/, ""); print }'
}
expect_record() {  # LOG SECTION VALUE
  records "$1" "$2" | grep -qxF -- "$3" || fail "[$2] has no record '$3': $(records "$1" "$2" | tr '\n' '|')"
}
expect_no_record() {  # LOG SECTION PATTERN (grep -E)
  ! records "$1" "$2" | grep -qE -- "$3" || fail "[$2] has a record matching '$3'"
}
expect_eq() { [ "$2" = "$3" ] || fail "$1: '$2', expected '$3'"; }

# ---- what the runs touch, saved and put back -----------------------------------
old_path=$(value "$envkey" PATH 64)
w reg export 'HKCR\.ini' "$(winpath "$work/dotini.reg")" /y /reg:64 >/dev/null
w reg export 'HKCR\inifile' "$(winpath "$work/inifile.reg")" /y /reg:64 >/dev/null
iconv -f UTF-16LE -t UTF-8 "$work/inifile.reg" > "$work/inifile.reg.txt" 2>/dev/null

restore() {
  local view
  for view in 32 64; do
    reg_delete 'HKCU\Software\KzT' $view; reg_delete 'HKCU\Software\KzTestCom' $view
    reg_delete 'HKLM\Software\KzTAct' $view
    reg_delete 'HKCR\.kzt' $view; reg_delete 'HKCR\kztfile' $view
    reg_delete 'HKCR\.kzt32' $view; reg_delete 'HKCR\kzt32file' $view
    reg_delete "HKCR\\TypeLib\\$libid" $view
    reg_delete "$unkey\\$guid64" $view; reg_delete "$unkey\\$guid32" $view
  done
  wine reg delete "$envkey" /v KZT_NEW /f </dev/null >/dev/null 2>&1
  wine reg delete "$envkey" /v KZT_OLD /f </dev/null >/dev/null 2>&1
  if [ -n "$old_path" ]; then
    wine reg add "$envkey" /v PATH /t "${old_path%% *}" /d "${old_path#* }" /f </dev/null >/dev/null 2>&1
  fi
  if [ -s "$work/inifile.reg" ]; then
    reg_delete 'HKCR\.ini' 64; reg_delete 'HKCR\inifile' 64
    wine reg import "$(winpath "$work/dotini.reg")" /reg:64 </dev/null >/dev/null 2>&1
    wine reg import "$(winpath "$work/inifile.reg")" /reg:64 </dev/null >/dev/null 2>&1
  fi
  rm -rf "$pf64" "$pf32" "$WINEPREFIX/drive_c/windows/system32/kzt64.txt" "$WINEPREFIX/drive_c/windows/syswow64/kzt32.txt"
}
trap 'restore; rm -rf "$work"' EXIT
restore  # a run killed before its end left things behind

case_name=prefix
[ "${old_path%% *}" = REG_EXPAND_SZ ] || fail "system PATH is not REG_EXPAND_SZ: $old_path"
key_exists 'HKCR\.ini' 64 && key_exists 'HKCR\inifile' 64 || fail "the prefix has no HKCR\\.ini and inifile"
wine reg add "$envkey" /v KZT_OLD /d old /f </dev/null >/dev/null 2>&1

# ---- packages --------------------------------------------------------------------
# make_package NAME X64 SCRIPT_BODY FILE_ARGS...: $work/NAME/setup.exe
make_package() {
  local name=$1 x64=$2 body=$3; shift 3
  local dir=$work/$name
  mkdir -p "$dir/tmp"
  { printf '[Setup]\nAppName=%s\nAppVersion=1.0\nDefaultLanguage=English\nInstallLevel=1\n' "$name"
    printf 'x64=%s\nUninstall=1\nShowAddRemove=1\n' "$x64"
    printf '%s\n' "$body"; } > "$dir/qzsetup.ini"
  wine "$pkgtool" package --engine "$(winpath "$engine")" --script "$(winpath "$dir/qzsetup.ini")" \
    --out "$(winpath "$dir/setup.exe")" "$@" --uninstaller "$(winpath "$lnkread")" \
    --member "$(winpath "$fixtures/Englishqz.lng")" Englishqz.lng \
    --member "$(winpath "$fixtures/qzwizard.bmp")" qzwizard.bmp \
    --member "$(winpath "$fixtures/qzheader.bmp")" qzheader.bmp </dev/null > "$dir/package.out" 2>&1 \
    || { fail "pkgtool: $(cat "$dir/package.out")"; return 1; }
}

run_setup() {  # NAME: silent with the setup log; exit code in rc, log lines in $work/NAME/log
  local dir=$work/$1 tmp
  tmp=$(winpath "$dir/tmp")
  wine "$driver" --timeout 90 --env "TMP=$tmp" --env "TEMP=$tmp" -- "\"$(winpath "$dir/setup.exe")\" /S /L" \
    </dev/null > "$dir/out" 2>&1
  rc=$?
  tr -d '\r' < "$dir/tmp/QZSETUPLOG.TXT" > "$dir/log" 2>/dev/null || fail "no setup log"
  local left; left=$(find "$dir/tmp" -maxdepth 1 -iname 'QZTMP*' | head -1)
  [ -z "$left" ] || fail "left $left"
}
logged() { grep -qxF -- "$2" "$work/$1/log" || fail "the setup log has no line '$2'"; }

src=$work/src
mkdir -p "$src"
printf '[S]\r\nk=old\r\n' > "$src/old.ini"
echo 64 > "$src/kzt64.txt"; echo 32 > "$src/kzt32.txt"
cp "$kzcom" "$src/kz32.dll"
# The COFF Machine field of the copy says i386 (0x014C).
pe=$(od -An -tu4 -j60 -N4 "$src/kz32.dll" | tr -d ' ')
printf '\x4c\x01' | dd of="$src/kz32.dll" bs=1 seek=$((pe + 4)) conv=notrunc 2>/dev/null

# ---- test 4 and the x64 half of test 6 -------------------------------------------
case_name=x64_actions
body64='InstallationPath=<ProgramFiles>\KzTAct64
GUID='"$guid64"'
[Shortcuts]
0=<InstallDir>\Links\kz.lnk*?<InstallDir>\kzcom.dll*?KzT link*?-a -b*?C:\T1*?<InstallDir>\kzcom.dll*?2*?MAXIMIZE
[Extensions]
0=kzt*?C:\T1\app.exe*?KzT file*?*?0
1=ini*?C:\T1\app.exe*?Ini file*?*?0
[Registry]
0=HKCU\Software\KzT\A\B\*?s*?REG_SZ*?hello*?Yes*?Yes
1=HKCU\Software\KzT\A\B*?e*?REG_EXPAND_SZ*?%SystemRoot%\x*?Yes*?Yes
2=HKCU\Software\KzT\A\B*?d*?REG_DWORD*?-1*?Yes*?Yes
3=HKCU\Software\KzT\A\B*?b*?REG_BINARY*?0a 0B ff*?Yes*?Yes
4=HKCU\Software\KzT\A\B*?u*?REG_QWORD*?1*?Yes*?Yes
5=HKCU\Software\KzT\A\B*?x<#>y*?REG_SZ*?crlf*?Yes*?Yes
6=HKLM\Software\KzTAct*?v64*?REG_SZ*?x64*?Yes*?Yes
[INI]
0=<InstallDir>\new.ini*?S*?k*?v*?Yes*?Yes
1=<InstallDir>\old.ini*?S*?k*?new*?No*?Yes
[Environments]
0=PATH*?C:\T1*?APPEND*?Yes
1=KZT_NEW*?v1*?OVERWRITE*?Yes
2=KZT_OLD*?v2*?OVERWRITE*?Yes
[Others]
0=DLL/ACTIVEX*?<InstallDir>\kzcom.dll*?No
1=DLL/ACTIVEX*?<InstallDir>\missing.dll*?No
2=TYPE LIBRARY*?<InstallDir>\kztest.tlb*?No
3=FONT*?<InstallDir>\kztahoma.ttf*?No'
if make_package x64 1 "$body64" \
    --file "$(winpath "$kzcom")" '<InstallDir>\kzcom.dll' \
    --file "$(winpath "$tlb")" '<InstallDir>\kztest.tlb' \
    --file "$(winpath "$font")" '<InstallDir>\kztahoma.ttf' \
    --file "$(winpath "$src/old.ini")" '<InstallDir>\old.ini' \
    --file "$(winpath "$src/kzt64.txt")" '<SystemDir>\kzt64.txt'; then
  run_setup x64
  expect_eq "exit code (an unknown type and a missing DLL)" "$rc" 7
  log64=$pf64/Uninstall.ini
  [ -f "$log64" ] || fail "no Uninstall.ini in $pf64"
  dir='C:\Program Files\KzTAct64'
  key='HKCU\Software\KzT\A\B'; long='HKEY_CURRENT_USER\Software\KzT'

  # Registry: the four types, the keys made root down, the refused type.
  expect_eq "REG_SZ" "$(value "$key" s 64)" "REG_SZ hello"
  expect_eq "REG_EXPAND_SZ" "$(value "$key" e 64)" 'REG_EXPAND_SZ %SystemRoot%\x'
  expect_eq "REG_DWORD" "$(value "$key" d 64)" "REG_DWORD 0xffffffff"
  expect_eq "REG_BINARY" "$(value "$key" b 64)" "REG_BINARY 0A0BFF"
  expect_eq "[RegistryKeys] of KzT" "$(records "$log64" RegistryKeys | grep -F "$long" | tr '\n' '|')" \
    "$long|$long\\A|$long\\A\\B|"
  expect_no_record "$log64" RegistryKeys '^HKEY_CURRENT_USER\\Software$'
  logged x64 "Error registry value: $long\\A\\B: u"
  expect_no_record "$log64" RegistryValues '\*\?u$'
  expect_record "$log64" RegistryValues "$long\\A\\B*?s"
  w reg query "$key" /reg:64 | grep -q 'crlf$' || fail "the value named x<#>y is missing"
  expect_record "$log64" RegistryValues "$long\\A\\B*?x<#>y"

  # INI: a new file is recorded with its key; an existing key is kept.
  grep -q '^k=v' "$pf64/new.ini" || fail "new.ini: $(cat "$pf64/new.ini")"
  expect_record "$log64" Files "$dir\\new.ini"
  expect_record "$log64" INIValues "$dir\\new.ini*?S*?k"
  grep -q '^k=old' "$pf64/old.ini" || fail "old.ini was overwritten: $(cat "$pf64/old.ini")"
  expect_no_record "$log64" INIValues 'old\.ini'

  # Shortcut, read back by the system's link reader.
  link=$(w "$lnkread" "$dir\\Links\\kz.lnk")
  for line in "PATH=$dir\\kzcom.dll" "ARGS=-a -b" 'DIR=C:\T1' "DESC=KzT link" "ICON=$dir\\kzcom.dll,2"; do
    grep -qxF -- "$line" <<<"$link" || fail "link has no $line: $(tr '\n' '|' <<<"$link")"
  done
  expect_record "$log64" Files "$dir\\Links\\kz.lnk"
  expect_record "$log64" Folders "$dir\\Links"

  # Associations: a new extension with its quoted command; "ini" existed, nothing recorded.
  expect_eq "command" "$(default_value 'HKCR\kztfile\shell\open\command' 64)" '"C:\T1\app.exe" "%1"'
  expect_eq ".kzt" "$(default_value 'HKCR\.kzt' 64)" "kztfile"
  expect_record "$log64" RegistryKeys 'HKEY_CLASSES_ROOT\.kzt'
  expect_record "$log64" RegistryKeys 'HKEY_CLASSES_ROOT\kztfile'
  # Wine's inifile has no DefaultIcon: that one key is the action's, the rest existed.
  expect_no_record "$log64" RegistryKeys '^HKEY_CLASSES_ROOT\\(\.ini|inifile|inifile\\shell.*)$'
  if key_exists 'HKCR\inifile\DefaultIcon' 64 && ! grep -q DefaultIcon "$work/inifile.reg.txt"; then
    expect_record "$log64" RegistryKeys 'HKEY_CLASSES_ROOT\inifile\DefaultIcon'
  fi

  # Environment: PATH keeps its type and entries; the records say how to undo.
  expect_eq "PATH" "$(value "$envkey" PATH 64)" "$old_path;C:\\T1"
  expect_record "$log64" Environment 'UPATH*?C:\T1'
  expect_record "$log64" Environment 'DKZT_NEW'
  expect_record "$log64" Environment 'WKZT_OLD*?old'
  expect_eq "KZT_OLD" "$(value "$envkey" KZT_OLD 64)" "REG_SZ v2"

  # Others: the COM server ran, the missing one is reported, the type library is registered.
  [ -n "$(value 'HKCU\Software\KzTestCom' Server 64)" ] || fail "DllRegisterServer wrote no marker"
  expect_record "$log64" ActiveX "$dir\\kzcom.dll"
  logged x64 "Error activex file: $dir\\missing.dll"
  key_exists "HKCR\\TypeLib\\$libid" 64 || fail "type library not registered"
  expect_record "$log64" TypeLibrary "$dir\\kztest.tlb"
  expect_record "$log64" Fonts "$dir\\kztahoma.ttf"

  # Test 6, x64 half: system32, the 64-bit view only.
  [ -f "$WINEPREFIX/drive_c/windows/system32/kzt64.txt" ] || fail "<SystemDir> file not in system32"
  expect_eq "HKLM value /reg:64" "$(value 'HKLM\Software\KzTAct' v64 64)" "REG_SZ x64"
  expect_eq "HKLM value /reg:32" "$(value 'HKLM\Software\KzTAct' v64 32)" ""
  key_exists "$unkey\\$guid64" 64 || fail "no entry in the 64-bit view"
  ! key_exists "$unkey\\$guid64" 32 || fail "entry in the 32-bit view"
fi

# ---- test 6, 32-bit package -----------------------------------------------------
case_name=x86_actions
reg_delete 'HKCU\Software\KzTestCom' 64
body32='InstallationPath=<ProgramFiles>\KzTAct32
GUID='"$guid32"'
[Extensions]
0=kzt32*?C:\T1\app.exe*?KzT32 file*?*?0
[Registry]
0=HKLM\Software\KzTAct*?v32*?REG_SZ*?x86*?Yes*?Yes
[Others]
0=DLL/ACTIVEX*?<InstallDir>\kzcom.dll*?No
1=DLL/ACTIVEX*?<InstallDir>\kz32.dll*?No'
if make_package x86 0 "$body32" \
    --file "$(winpath "$kzcom")" '<InstallDir>\kzcom.dll' \
    --file "$(winpath "$src/kz32.dll")" '<InstallDir>\kz32.dll' \
    --file "$(winpath "$src/kzt32.txt")" '<SystemDir>\kzt32.txt'; then
  run_setup x86
  expect_eq "exit code (the i386 server cannot be registered here)" "$rc" 7
  dir='C:\Program Files (x86)\KzTAct32'
  [ -f "$WINEPREFIX/drive_c/windows/syswow64/kzt32.txt" ] || fail "<SystemDir> file not in syswow64"
  [ ! -e "$WINEPREFIX/drive_c/windows/system32/kzt32.txt" ] || fail "<SystemDir> file in system32"
  expect_eq "HKLM value /reg:32" "$(value 'HKLM\Software\KzTAct' v32 32)" "REG_SZ x86"
  expect_eq "HKLM value /reg:64" "$(value 'HKLM\Software\KzTAct' v32 64)" ""
  key_exists "$unkey\\$guid32" 32 || fail "no entry in the 32-bit view"
  ! key_exists "$unkey\\$guid32" 64 || fail "entry in the 64-bit view"
  expect_eq ".kzt32 /reg:32" "$(default_value 'HKCR\.kzt32' 32)" "kzt32file"
  [ -n "$(value 'HKCU\Software\KzTestCom' Server 64)" ] || fail "DllRegisterServer wrote no marker"
  logged x86 "Error activex: $dir\\kz32.dll"
  expect_no_record "$pf32/Uninstall.ini" ActiveX 'kz32\.dll'
fi

[ $failures -eq 0 ] && echo "actions_e2e: all cases passed"
exit $((failures > 0))
