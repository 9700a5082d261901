#!/usr/bin/env bash
# KInstaller.exe from the outside: the association mode, silent builds that load
# nothing, and a normal start closed by another program. Windows and boxes are
# watched by procdriver; registry values are checked with `wine reg query`.
#
# usage: mainwindow_e2e.sh KINSTALLER_EXE PROCDRIVER
set -u
exe=$1 driver=$2
for f in "$exe" "$driver"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
win_exe=$(winpath "$exe")
settings='HKCU\Software\Quellix\Tarvex Installer\Settings'

# run OUTFILE [driver options...] -- ARGS: the program through procdriver; sets rc.
run() {
  local out=$1; shift
  local opts=()
  while [ "$1" != "--" ]; do opts+=("$1"); shift; done
  shift
  wine "$driver" "${opts[@]}" --timeout 60 -- "\"$win_exe\" $*" </dev/null >"$out" 2>&1
  rc=$?
}

# reg_default KEY: the default value's data as `wine reg query` prints it.
reg_default() {
  wine reg query "$1" /ve /reg:64 </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'
}

out=$(mktemp)
trap 'rm -f "$out" "$out.gate"' EXIT

case_name="/SFA writes the four associations and shows nothing"
for k in 'HKCR\.zpf' 'HKCR\zpffile'; do wine reg delete "$k" /f /reg:64 </dev/null >/dev/null 2>&1; done
run "$out" -- /SFA
[ "$rc" = 0 ] || fail "exit $rc"
grep -q '^WINDOW\|^BOX' "$out" && fail "showed: $(cat "$out")"
[ "$(reg_default 'HKCR\.zpf')" = "zpffile" ] || fail ".zpf = $(reg_default 'HKCR\.zpf')"
[ "$(reg_default 'HKCR\zpffile')" = "Tarvex Installer Project" ] || fail "zpffile = $(reg_default 'HKCR\zpffile')"
[ "$(reg_default 'HKCR\zpffile\DefaultIcon')" = "$win_exe,1" ] || fail "icon = $(reg_default 'HKCR\zpffile\DefaultIcon')"
[ "$(reg_default 'HKCR\zpffile\shell\open\command')" = "\"$win_exe\" \"%1\"" ] \
  || fail "command = $(reg_default 'HKCR\zpffile\shell\open\command')"

case_name="/S with a missing project exits 1 without a window"
run "$out" -- /S 'C:\missing.zpf'
[ "$rc" = 1 ] || fail "exit $rc"
grep -q '^WINDOW\|^BOX' "$out" && fail "showed: $(cat "$out")"

case_name="/S alone exits 1 without a window"
run "$out" -- /S
[ "$rc" = 1 ] || fail "exit $rc"
grep -q '^WINDOW\|^BOX' "$out" && fail "showed: $(cat "$out")"

case_name="start and close leaves the window's preferences"
wine reg delete "$settings" /f </dev/null >/dev/null 2>&1
wine reg add "$settings" /v Wizard /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 || fail "cannot seed Wizard"
touch "$out.gate"  # the window is closed as soon as it shows
run "$out" --gate WinlibForm "$(winpath "$out.gate")" --
[ "$rc" = 0 ] || fail "exit $rc: $(cat "$out")"
grep -q '^GATE Tarvex Installer 5.4 - New Product' "$out" || fail "no main window: $(cat "$out")"
values=$(wine reg query "$settings" </dev/null 2>/dev/null | tr -d '\r')
names="Main_Maximized Main_Width Main_Height Main_Left Main_Top TreeView_Width"
for spec in Prerequisites:6 Files:4 Shortcuts:9 Registry:6 INI:6 Commands:6 Variables:5 Extensions:5 Environment:4 Others:3; do
  for ((i = 0; i < ${spec#*:}; i++)); do names+=" ${spec%:*}Col$i"; done
done
count=0
for name in $names; do
  count=$((count + 1))
  grep -q "^ *$name *REG_DWORD" <<<"$values" || fail "$name missing"
done
[ "$count" = 60 ] || fail "checked $count names"
wine reg delete "$settings" /f </dev/null >/dev/null 2>&1

[ "$failures" = 0 ] && echo "mainwindow_e2e: all cases passed"
exit $((failures > 0))
