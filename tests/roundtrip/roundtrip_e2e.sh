#!/usr/bin/env bash
# Install then uninstall leaves the machine as it was, for an x64 and a 32-bit
# package holding every record kind (new targets only, Uninstall=Yes).
#
# The test runs in its own copy of the clean base prefix (KIN_BASE_PREFIX, made by
# the harness with every server stopped) with its own short-lived wineserver, so
# nothing another test did or does changes what the snapshots see. A snapshot is:
#   - every folder path, and every file's path, size and md5 under drive_c;
#   - `wine reg query /s` of HKLM\SOFTWARE in both views, HKCU\Software, the
#     test's HKCR keys in both views and the system Environment key.
# Excluded, each for a reason:
#   - the users' and the Windows temp folders: setups and the uninstaller work
#     there, and the uninstaller's copy stays there until a restart by design;
#   - HKCU\Software\Wine: Wine's own settings, rewritten by Wine itself;
#   - the per-user shell caches Wine keeps under HKCU\Software\Microsoft\Windows\
#     CurrentVersion\Explorer (written by the shell on any link or font call),
#     HKCU\Software\Microsoft\Internet Explorer (Wine fills it the first time a
#     shell or URL component loads, whichever process that is).
# Then: with Uninstall.ini deleted, Uninstall.exe /S exits 2 and changes nothing;
# with one installed file held open it exits 3 and removes all the rest.
#
# PART runs a share of the cases, each share in its own prefix copy, so that ctest
# can run them side by side: x64 (the x64 package), x86 (the 32-bit package and
# the desktop values) or all (the default).
#
# usage: roundtrip_e2e.sh PKGTOOL PROCDRIVER DIST_DATA TESTPROC ARGLOG KZCOM_DLL KZTEST_TLB FIXTURES [PART]
set -u
pkgtool=$1 driver=$2 data=$3 testproc=$4 arglog=$5 kzcom=$6 tlb=$7 fixtures=$8 part=${9:-all}
case $part in all | x64 | x86) ;; *) echo "unknown part $part"; exit 1 ;; esac
font=/usr/share/wine/fonts/tahoma.ttf
for f in "$pkgtool" "$driver" "$data/Engine2.dat" "$data/Uninstall2.exe" "$testproc" "$arglog" "$kzcom" "$tlb" "$font"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/roundtrip.XXXXXX")
main_prefix=${KIN_BASE_PREFIX:-$WINEPREFIX}
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$main_prefix" "$work/prefix"
export WINEPREFIX=$work/prefix
wineserver -p 5
wine cmd /c exit </dev/null >/dev/null 2>&1

failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
w() { winpath "$1"; }
drive=$WINEPREFIX/drive_c
libid='{6E0B3C52-9D1A-4F7E-8B25-3A4C5D6E7F81}'
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'

# `reg export` holds what `reg query /s` prints, in a quarter of the time.
# A key that is not there dumps nothing; any other failure of reg (seen once under
# heavy load, for a key that was there) is tried again before it counts.
reg_dump() {  # KEY VIEW
  echo "== $1 /reg:$2"
  local file=$work/dump.reg answer try
  for try in 1 2 3; do
    rm -f "$file"
    answer=$(wine reg export "$1" "$(w "$file")" /y /reg:"$2" </dev/null 2>&1) && break
    grep -q 'Unable to find' <<<"$answer" && break
  done
  [ -f "$file" ] && iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r'
}
prune=( \( -path './users/*/Temp' -o -path './users/*/AppData/Local/Temp' -o -path './windows/temp' \) -prune )
snapshot() {  # FILE
  {
    (cd "$drive" && find . "${prune[@]}" -o -type d -printf 'D %p\n' -o -type f -printf 'F %p %s\n' | LC_ALL=C sort)
    (cd "$drive" && find . "${prune[@]}" -o -type f -print0 | LC_ALL=C sort -z | xargs -0 -r md5sum)
    reg_dump 'HKLM\SOFTWARE' 64; reg_dump 'HKLM\SOFTWARE' 32
    reg_dump 'HKCU\Software' 64 | awk '/^\[HKEY_CURRENT_USER\\Software\\Wine(\\|\])/ {skip=1; next}
      /^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer(\\|\])/ {skip=1; next}
      /^\[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer(\\|\])/ {skip=1; next}
      /^\[HKEY_/ {skip=0} !skip'
    local view key
    for view in 32 64; do
      for key in 'HKCR\.kzrt' 'HKCR\kzrtfile' "HKCR\\TypeLib\\$libid"; do reg_dump "$key" $view; done
    done
    reg_dump "$envkey" 64
  } > "$1"
}
same_as() {  # BEFORE AFTER WHAT
  if ! diff -q "$1" "$2" >/dev/null; then
    fail "$3 differs: $(diff "$1" "$2" | head -20 | tr '\n' '|')"
  fi
}

# drive_setup / drive_uninstall: exit code in rc.
run() { wine "$driver" --timeout 90 -- "$1" </dev/null >"$work/out" 2>&1; rc=$?; }
wait_copies() { wine "$testproc" wait QZUninstall.exe 60 </dev/null || fail "QZUninstall.exe still runs"; }

src=$work/src; mkdir -p "$src/sub"
echo one > "$src/f1.txt"; echo two > "$src/sub/f2.txt"

make_package() {  # NAME X64 INSTALLDIR
  local name=$1 x64=$2 dir=$work/$1
  mkdir -p "$dir"
  cat > "$dir/qzsetup.ini" <<INI
[Setup]
AppName=KzRT $name
AppVersion=1.0
GUID={6E0B3C70-0000-4000-8000-0000000000$x64$x64}
x64=$x64
Admin=1
InstallationPath=$3
Uninstall=1
SilentUninstall=1
ShowAddRemove=1
InstallLevel=1
SilentInstall=1
DefaultLanguage=English
ProgramGroup=KzRT $name
[Shortcuts]
0=<InstallDir>\\Links\\kz.lnk*?<InstallDir>\\f1.txt*?KzRT link*?-a*?<InstallDir>*?*?0*?NORMAL
1=<ProgramsMenu>\\KzRT $name\\kz.lnk*?<InstallDir>\\f1.txt*?KzRT link*?*?*?*?0*?NORMAL
[Registry]
0=HKCU\\Software\\KzRT\\A\\B*?s*?REG_SZ*?hello*?Yes*?Yes
1=HKCU\\Software\\KzRT\\A\\B*?e*?REG_EXPAND_SZ*?%SystemRoot%\\x*?Yes*?Yes
2=HKCU\\Software\\KzRT\\A\\B*?d*?REG_DWORD*?7*?Yes*?Yes
3=HKCU\\Software\\KzRT\\A\\B*?b*?REG_BINARY*?0a 0B ff*?Yes*?Yes
4=HKCU\\Software\\KzRT\\A\\B*?*?REG_SZ*?default*?Yes*?Yes
5=HKLM\\Software\\KzRT\\V*?v*?REG_SZ*?$name*?Yes*?Yes
[INI]
0=<InstallDir>\\new.ini*?S*?k*?v*?Yes*?Yes
[Commands]
0=$(w "$arglog")*?roundtrip*?Hide*?Before Uninstallation*?Yes*?All
[Extensions]
0=kzrt*?<InstallDir>\\f1.txt*?KzRT file*?*?0
[Environments]
0=PATH*?C:\\KzRT\\bin*?APPEND*?Yes
1=KZRT_NEW*?v1*?OVERWRITE*?Yes
[Others]
0=DLL/ACTIVEX*?<InstallDir>\\kzcom.dll*?No
1=TYPE LIBRARY*?<InstallDir>\\kztest.tlb*?No
2=FONT*?<InstallDir>\\kztahoma.ttf*?No
INI
  wine "$pkgtool" package --engine "$(w "$data/Engine2.dat")" --script "$(w "$dir/qzsetup.ini")" \
    --out "$(w "$dir/setup.exe")" \
    --file "$(w "$src/f1.txt")" '<InstallDir>\f1.txt' \
    --file "$(w "$src/sub/f2.txt")" '<InstallDir>\sub\deep\f2.txt' \
    --file "$(w "$kzcom")" '<InstallDir>\kzcom.dll' \
    --file "$(w "$tlb")" '<InstallDir>\kztest.tlb' \
    --file "$(w "$font")" '<InstallDir>\kztahoma.ttf' \
    --uninstaller "$(w "$data/Uninstall2.exe")" \
    --member "$(w "$fixtures/Englishqz.lng")" --member "$(w "$fixtures/qzwizard.bmp")" \
    --member "$(w "$fixtures/qzheader.bmp")" </dev/null >"$dir/pkg.out" 2>&1 \
    || { fail "pkgtool: $(cat "$dir/pkg.out")"; return 1; }
}

install() {  # NAME: exit 0 expected
  run "\"$(w "$work/$1/setup.exe")\" /S /L"
  [ "$rc" = 0 ] || fail "setup exit code $rc: $(cat "$work/out"; grep -h Error "$drive"/users/*/Temp/QZSETUPLOG.TXT | tr '\r\n' '||')"
}

round_trip() {  # NAME X64 INSTALLDIR(windows) INSTALLDIR(unix)
  local name=$1 x64=$2 win=$3 unix=$4
  case_name=$name
  make_package "$name" "$x64" "$win" || return
  snapshot "$work/$name.before"

  install "$name"
  [ -f "$unix/Uninstall.ini" ] && [ -f "$unix/sub/deep/f2.txt" ] || fail "not installed"
  wine reg query 'HKCU\Software\KzRT\A\B' </dev/null >/dev/null 2>&1 || fail "registry values not written"
  run "\"$win\\Uninstall.exe\" /S"
  [ "$rc" = 0 ] || fail "Uninstall.exe /S exit code $rc"
  wait_copies
  snapshot "$work/$name.after"
  same_as "$work/$name.before" "$work/$name.after" "after uninstall, the snapshot"

  case_name=$name-no-log
  install "$name"
  cp "$unix/Uninstall.ini" "$work/$name.ini"
  rm "$unix/Uninstall.ini"
  snapshot "$work/$name.nolog.before"
  run "\"$win\\Uninstall.exe\" /S"
  [ "$rc" = 2 ] || fail "exit code $rc, expected 2"
  wait_copies
  snapshot "$work/$name.nolog.after"
  same_as "$work/$name.nolog.before" "$work/$name.nolog.after" "without Uninstall.ini, the snapshot"

  case_name=$name-held
  cp "$work/$name.ini" "$unix/Uninstall.ini"
  rm -f "$work/ready" "$work/stop"
  wine "$testproc" hold "$win\\sub\\deep\\f2.txt" "$(w "$work/ready")" "$(w "$work/stop")" 90 </dev/null &
  local holder=$!
  for _ in $(seq 1 200); do [ -e "$work/ready" ] && break; sleep 0.1; done
  [ -e "$work/ready" ] || fail "the file holder did not start"
  run "\"$win\\Uninstall.exe\" /S"
  [ "$rc" = 3 ] || fail "exit code $rc, expected 3"
  wait_copies
  touch "$work/stop"; wait "$holder"
  [ -f "$unix/sub/deep/f2.txt" ] || fail "the held file went"
  snapshot "$work/$name.held.after"
  # Only the held file and the folders above it may differ from the first snapshot.
  local rel=${unix#"$drive"}
  diff "$work/$name.before" "$work/$name.held.after" | grep '^[<>]' \
    | grep -vF -e "D .$rel" -e "F .$rel/sub/deep/f2.txt" -e "  .$rel/sub/deep/f2.txt" > "$work/$name.held.diff"
  [ ! -s "$work/$name.held.diff" ] || fail "besides the held file: $(head -10 "$work/$name.held.diff" | tr '\n' '|')"
  rm -rf "$unix"
}


# Wallpaper and screen saver: kept apart from the snapshots, since the desktop
# values exist before and after. After uninstall they no longer name the files.
desktop_value() {  # NAME
  wine reg query 'HKCU\Control Panel\Desktop' /v "$1" </dev/null 2>/dev/null | tr -d '\r' \
    | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
desktop_case() {
  case_name=desktop
  local dir=$work/desktop win='C:\Program Files\KzDesk' unix="$drive/Program Files/KzDesk"
  mkdir -p "$dir"
  cat > "$dir/qzsetup.ini" <<INI
[Setup]
AppName=KzRT desktop
AppVersion=1.0
GUID={6E0B3C70-0000-4000-8000-0000000000D1}
x64=1
InstallationPath=$win
Uninstall=1
SilentUninstall=1
InstallLevel=1
SilentInstall=1
DefaultLanguage=English
[Others]
0=WALLPAPER*?<InstallDir>\\kzwall.bmp*?No
1=SCREENSAVER*?<InstallDir>\\kzsaver.scr*?No
INI
  wine "$pkgtool" package --engine "$(w "$data/Engine2.dat")" --script "$(w "$dir/qzsetup.ini")" \
    --out "$(w "$dir/setup.exe")" \
    --file "$(w "$fixtures/qzwizard.bmp")" '<InstallDir>\kzwall.bmp' \
    --file "$(w "$src/f1.txt")" '<InstallDir>\kzsaver.scr' \
    --uninstaller "$(w "$data/Uninstall2.exe")" \
    --member "$(w "$fixtures/Englishqz.lng")" --member "$(w "$fixtures/qzwizard.bmp")" \
    --member "$(w "$fixtures/qzheader.bmp")" </dev/null >"$dir/pkg.out" 2>&1 \
    || { fail "pkgtool: $(cat "$dir/pkg.out")"; return 1; }
  install desktop
  [[ $(desktop_value Wallpaper) == *kzwall.bmp ]] || fail "the wallpaper was not set: $(desktop_value Wallpaper)"
  # Wine has no desk.cpl: set what its screen-saver installer would have set.
  wine reg add 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /d "$win\kzsaver.scr" /f </dev/null >/dev/null 2>&1
  run "\"$win\\Uninstall.exe\" /S"
  [ "$rc" = 0 ] || fail "Uninstall.exe /S exit code $rc"
  wait_copies
  [[ $(desktop_value Wallpaper) != *kzwall.bmp* ]] || fail "the wallpaper still names the removed file"
  [[ $(desktop_value SCRNSAVE.EXE) != *kzsaver.scr* ]] || fail "the screen saver still names the removed file"
  [ ! -e "$unix" ] || fail "the install folder is left: $(ls "$unix")"
}
if [ "$part" != x86 ]; then
  round_trip x64 1 'C:\Program Files\KzRT64' "$drive/Program Files/KzRT64"
fi
if [ "$part" != x64 ]; then
  round_trip x86 0 'C:\Program Files (x86)\KzRT32' "$drive/Program Files (x86)/KzRT32"
  desktop_case
fi

[ "$failures" = 0 ] && echo "roundtrip_e2e ($part): all cases passed"
exit $((failures > 0))
