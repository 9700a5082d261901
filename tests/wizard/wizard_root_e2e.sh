#!/usr/bin/env bash
# A drive root as the install folder: a scratch drive is mapped in the test prefix
# (a dosdevices link to an empty folder); wizard_root_install picks its root with
# Browse in drive-only mode and installs through the real run; then the installed
# uninstaller runs silently. Checked with host tools: the files on the mapped
# folder and `wine reg query` of the Add/Remove entry, before and after.
#
# usage: wizard_root_e2e.sh WIZARD_ROOT_INSTALL PROCDRIVER
set -u
exe=$1 driver=$2
for f in "$exe" "$driver"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
dosdevices=${WINEPREFIX:?WINEPREFIX is not set}/dosdevices
letter=
for l in q r s t u v w x y; do [ -e "$dosdevices/$l:" ] || [ -L "$dosdevices/$l:" ] || { letter=$l; break; }; done
[ -n "$letter" ] || { echo "no free drive letter in $dosdevices"; exit 1; }
work=$(mktemp -d "$WINEPREFIX/drive_c/wizard-root.XXXXXX")
drive=$work/drive
guid='{6B1D0F7E-3C2A-4E55-9A10-0000C0FFEE02}'
entry="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$guid"
cleanup() {
  rm -f "$dosdevices/$letter:"
  wine reg delete "$entry" /f /reg:32 </dev/null >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT; [ -n "${KEEP_WORK:-}" ] && trap - EXIT
mkdir -p "$drive"
ln -s "$drive" "$dosdevices/$letter:"
L=${letter^^}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
has_entry() { wine reg query "$entry" /reg:32 </dev/null >/dev/null 2>&1; }

KZ_SCRATCH_DRIVE=$L wine "$exe" </dev/null >"$work/install.out" 2>&1 || fail "wizard_root_install: $(cat "$work/install.out")"
[ "$(cat "$drive/a.txt" 2>/dev/null)" = $'alpha\r' ] || fail "a.txt is not on $L:\\"
for f in Uninstall.exe Uninstall.ini; do [ -f "$drive/$f" ] || fail "$f is not on $L:\\"; done
grep -qi "^InstallDir=$L:\\\\\?"$'\r'"\?$" "$drive/Uninstall.ini" 2>/dev/null \
  || fail "Uninstall.ini's folder: $(grep -i '^InstallDir=' "$drive/Uninstall.ini" 2>/dev/null)"
has_entry || fail "no Add/Remove entry"

wine "$driver" --timeout 60 -- "\"$L:\\Uninstall.exe\" /S" </dev/null >"$work/uninstall.out" 2>&1
rc=$?
[ "$rc" = 0 ] || fail "the uninstaller ended with $rc: $(cat "$work/uninstall.out")"
grep -q '^BOX ' "$work/uninstall.out" && fail "a box showed: $(cat "$work/uninstall.out")"
left=$(ls -A "$drive")
[ -z "$left" ] || fail "left on $L:\\: $left"
! has_entry || fail "the Add/Remove entry stayed"

[ "$failures" = 0 ] && echo "wizard_root_e2e: installed into and uninstalled from $L:\\"
exit $((failures > 0))
