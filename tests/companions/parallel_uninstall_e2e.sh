#!/usr/bin/env bash
# Four products, each built with KInstaller.exe /S and installed by its own setup,
# then their four "Uninstall.exe /S" released at the same moment, as a script or a
# management tool would: every uninstaller exits 0, nothing of any product is left,
# and once the copies have ended no QZUN* working folder is left in %TEMP%. Meanwhile
# a working folder whose lock file is held (its uninstaller has not yet started its
# copy) keeps its copy, and the folder of an ended copy goes.
#
# usage: parallel_uninstall_e2e.sh DIST_DIR TESTPROC_EXE
set -u
dist=$1 testproc=$2
for f in "$dist/KInstaller.exe" "$dist/Data/Uninstall2.exe" "$testproc"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-harness.sh"

temp=$(harness_temp_dir)
[ -n "$temp" ] || { echo "no temp folder in $WINEPREFIX"; exit 1; }
count=4
guids=('{5B0E7C31-2A94-4D6F-9E13-7C8A2B4F6D01}' '{5B0E7C31-2A94-4D6F-9E13-7C8A2B4F6D02}'
  '{5B0E7C31-2A94-4D6F-9E13-7C8A2B4F6D03}' '{5B0E7C31-2A94-4D6F-9E13-7C8A2B4F6D04}')
arp='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
name_of() { echo "KinParallelUninstall$1"; }
app_of() { echo "$WINEPREFIX/drive_c/Program Files (x86)/$(name_of "$1")"; }
gate=$WINEPREFIX/drive_c/kin_parallel_gate
ready=$WINEPREFIX/drive_c/kin_parallel_ready release=$WINEPREFIX/drive_c/kin_parallel_release
busy=$temp/QZUN999991 ended=$temp/QZUN999992 parked=$temp/QZUN999993.tmp
cleanup() {
  local i
  for i in $(seq "$count"); do
    rm -rf "$WINEPREFIX/drive_c/$(name_of "$i")" "$(app_of "$i")"
    wine reg delete "$arp\\${guids[i - 1]}" /f /reg:32 </dev/null >/dev/null 2>&1
  done
  [ -n "${holder:-}" ] && touch "$release" && wait "$holder"
  rm -rf "$gate" "$ready" "$release" "$busy" "$ended" "$parked"
}
cleanup
trap cleanup EXIT

# Built side by side (the builds are independent), installed in turn.
case_name="build"
pids=()
for i in $(seq "$count"); do
  name=$(name_of "$i") work=$WINEPREFIX/drive_c/$(name_of "$i")
  mkdir -p "$work/files" "$work/out"
  printf 'product %s\r\n' "$i" >"$work/files/readme.txt"
  write_project "$work/p.zpf" "$dist" GUID="${guids[i - 1]}" AppName="$name" Uninstall=1 ShowAddRemove=1 \
    SetupFile="C:\\$name\\out\\Setup.exe" SourceFolder="C:\\$name\\files"
  timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "C:\\$name\\p.zpf" </dev/null >"$work/build.out" 2>&1 &
  pids+=($!)
done
for i in $(seq "$count"); do
  wait "${pids[i - 1]}" || stop "build $i exited $?: $(cat "$WINEPREFIX/drive_c/$(name_of "$i")/build.out")"
done
case_name="install"
for i in $(seq "$count"); do
  name=$(name_of "$i")
  timeout 120 wine "C:\\$name\\out\\Setup.exe" /S </dev/null >/dev/null 2>&1 || stop "setup $i exited $?"
  [ -f "$(app_of "$i")/Uninstall.exe" ] && [ -f "$(app_of "$i")/readme.txt" ] || stop "product $i not installed"
  wine reg query "$arp\\${guids[i - 1]}" /reg:32 </dev/null >/dev/null 2>&1 || stop "no Add/Remove entry for product $i"
done

case_name="four at once"
before=$(ls -d "$temp"/QZUN* 2>/dev/null)
# Working folders as other uninstallers leave them: one that has its copy but not
# yet started it, and so still holds its lock file (a held lock keeps the folder
# whole); one of an ended copy, and an ended copy's file parked outside its folder
# (both removed).
mkdir -p "$busy" "$ended"
for folder in "$busy" "$ended"; do cp "$dist/Data/Uninstall2.exe" "$folder/QZUninstall.exe"; done
cp "$dist/Data/Uninstall2.exe" "$parked"
: >"$busy/QZUninstall.lck"
: >"$ended/QZUninstall.lck"
wine "$testproc" hold "$(winpath "$busy/QZUninstall.lck")" "$(winpath "$ready")" "$(winpath "$release")" 120 \
  </dev/null >/dev/null 2>&1 &
holder=$!
for _ in $(seq 300); do [ -e "$ready" ] || ! kill -0 "$holder" 2>/dev/null && break; sleep 0.1; done
[ -e "$ready" ] || fail "the lock file could not be held"
log=$temp/QZUNINSTALLLOG.TXT
log_lines=$(cat "$log" 2>/dev/null | wc -l)
# Each waits for its line from the gate; one write releases all four together.
rm -f "$gate"
mkfifo "$gate"
exec 3<>"$gate"
pids=()
for i in $(seq "$count"); do
  uninstaller="C:\\Program Files (x86)\\$(name_of "$i")\\Uninstall.exe"
  ( read -r _ <&3; exec 3>&-; exec timeout 120 wine "$uninstaller" /S </dev/null >/dev/null 2>&1 ) &
  pids+=($!)
done
printf '\n%.0s' $(seq "$count") >&3
for i in $(seq "$count"); do
  wait "${pids[i - 1]}"
  rc=$?
  [ "$rc" = 0 ] || fail "uninstaller $i exited $rc"
done
exec 3>&-
wine "$testproc" wait QZUninstall.exe 60 </dev/null >/dev/null 2>&1 || fail "QZUninstall.exe still runs after 60 s"
[ -f "$busy/QZUninstall.exe" ] || fail "a folder whose lock file is held lost its copy"
[ ! -e "$ended" ] || fail "the folder of an ended copy is left: $(ls -A "$ended" | tr '\n' ' ')"
[ ! -e "$parked" ] || fail "an ended copy's parked file is left"
touch "$release"
wait "$holder" || fail "the lock file was not held until released"
holder=
rm -rf "$busy"

case_name="nothing left"
for i in $(seq "$count"); do
  [ ! -e "$(app_of "$i")" ] || fail "product $i left: $(ls -A "$(app_of "$i")" | tr '\n' ' ')"
  ! wine reg query "$arp\\${guids[i - 1]}" /reg:32 </dev/null >/dev/null 2>&1 || fail "product $i left its Add/Remove entry"
done
for folder in "$temp"/QZUN*; do
  [ -d "$folder" ] || continue
  grep -qxF "$folder" <<<"$before" || fail "working folder left: $(basename "$folder") ($(ls -A "$folder" | tr '\n' ' '))"
done
if [ "$failures" != 0 ] && [ -f "$log" ]; then
  echo "QZUNINSTALLLOG.TXT, new lines:"
  tail -n +"$((log_lines + 1))" "$log"
fi

[ "$failures" = 0 ] && echo "parallel_uninstall_e2e: all passed"
exit "$failures"
