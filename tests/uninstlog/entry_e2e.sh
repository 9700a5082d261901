#!/usr/bin/env bash
# The Add/Remove Programs entry of built setups run with /S, checked with
# `wine reg query` in both views: the root by install level, no entry when the
# log or the entry is off, and an older entry under the product name removed.
#
# usage: entry_e2e.sh PROCDRIVER PKGTOOL DATA_DIR LANG_FIXTURES UNINSTALLER
set -u
driver=$1 pkgtool=$2 data=$3 langs=$4 uninstaller=$5
here=$(cd "$(dirname "$0")" && pwd)
for f in "$driver" "$pkgtool" "$data/Engine1.dat" "$data/Engine2.dat" "$langs/Englishqz.lng" "$uninstaller"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done

work=$(mktemp -d "$WINEPREFIX/drive_c/entry-e2e.XXXXXX")
guid='{6B1D0F7E-3C2A-4E55-9A10-0000C0FFEE07}'
name=KzTEntryE2E
tail='Microsoft\Windows\CurrentVersion\Uninstall'
hklm="HKLM\\SOFTWARE\\$tail" hkcu="HKCU\\Software\\$tail"
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
reg() { wine reg "$@" </dev/null 2>/dev/null | tr -d '\r'; }
has_key() { wine reg query "$1" "$2" </dev/null >/dev/null 2>&1; }  # KEY /reg:NN
# Where the entries of this test are: "HKLM32 HKLM64 HKCU" each followed by the
# names found (one `reg query` per place; HKCU\Software is one key in both views).
places() {
  local place
  for place in "HKLM32 $hklm /reg:32" "HKLM64 $hklm /reg:64" "HKCU $hkcu /reg:64"; do
    set -- $place
    reg query "$2" "$3" | awk -F'\\' -v p="$1" -v g="$guid" -v n="$name" \
      '/^HKEY_/ && ($NF == g || $NF == n) { print p ":" $NF }'
  done
}
remove_all() {
  local found
  for found in $(places); do
    case $found in
      HKLM32:*) wine reg delete "$hklm\\${found#*:}" /f /reg:32 ;;
      HKLM64:*) wine reg delete "$hklm\\${found#*:}" /f /reg:64 ;;
      HKCU:*) wine reg delete "$hkcu\\${found#*:}" /f ;;
    esac </dev/null >/dev/null 2>&1
  done
}
cleanup() { remove_all; rm -rf "$work"; }
trap cleanup EXIT
remove_all

# install NAME ENGINE SCRIPT_EDIT: builds $work/NAME/setup.exe from fixtures/entry.ini
# with the sed expression applied, runs it silently into $work/NAME/App; rc = exit code.
install() {
  local dir=$work/$1 engine=$2 edit=$3
  mkdir -p "$dir/tmp"
  sed -e "$edit" "$here/fixtures/entry.ini" > "$dir/entry.ini"
  echo payload > "$dir/a.txt"
  wine "$pkgtool" package --engine "$(winpath "$data/$engine")" --script "$(winpath "$dir/entry.ini")" \
    --out "$(winpath "$dir/setup.exe")" --member "$(winpath "$langs/Englishqz.lng")" \
    --member "$(winpath "$langs/qzwizard.bmp")" --member "$(winpath "$langs/qzheader.bmp")" \
    --file "$(winpath "$dir/a.txt")" '<InstallDir>\a.txt' --uninstaller "$(winpath "$uninstaller")" \
    </dev/null >"$dir/pkg.out" 2>&1 || { fail "pkgtool: $(cat "$dir/pkg.out")"; rc=-1; return 1; }
  wine "$driver" --env "TMP=$(winpath "$dir/tmp")" --env "TEMP=$(winpath "$dir/tmp")" -- \
    "\"$(winpath "$dir/setup.exe")\" /S /P \"$(winpath "$dir/App")\"" </dev/null >"$dir/out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || fail "exit code $rc"
  [ -z "$(find "$dir/tmp" -maxdepth 1 -iname 'QZTMP*')" ] || fail "a QZTMP folder stayed"
}
# expect_entries PLACES: exactly these entries of the test exist ("HKCU:{GUID}" ...).
expect_entries() {
  local found; found=$(places | sort | tr '\n' ' ' | sed 's/ $//')
  [ "$found" = "$*" ] || fail "entries: '$found', expected '$*'"
}

# --- InstallLevel 0: the current user's entry, recorded in the log ---------------
case_name=level0
if install $case_name Engine1.dat 's/^InstallLevel=1/InstallLevel=0/'; then
  expect_entries "HKCU:$guid"
  entry=$(reg query "$hkcu\\$guid")
  grep -q "DisplayName *REG_SZ *$name$" <<<"$entry" || fail "DisplayName: $(grep DisplayName <<<"$entry")"
  grep -q 'EstimatedSize *REG_DWORD *0x4$' <<<"$entry" || fail "EstimatedSize: $(grep EstimatedSize <<<"$entry")"
  grep -qF "HKEY_CURRENT_USER\\Software\\$tail\\$guid" "$work/$case_name/App/Uninstall.ini" || fail "the entry is not in [RegistryKeys]"
fi
remove_all

# --- InstallLevel 1: the machine's entry in the 32-bit package's view; the old
#     entry under the product name goes with its subkeys, the other view's stays --
case_name=level1
wine reg add "$hklm\\$name\\Sub" /v x /d 1 /f /reg:32 </dev/null >/dev/null 2>&1
wine reg add "$hklm\\$name" /v y /d 1 /f /reg:64 </dev/null >/dev/null 2>&1
has_key "$hklm\\$name\\Sub" /reg:32 || fail "could not make the old entry"
if install $case_name Engine2.dat ''; then
  # The old entry of this (32-bit) package's view is gone; the other view's key of that name stays.
  expect_entries "HKLM32:$guid HKLM64:$name"
fi
remove_all

# --- No entry when the entry or the log is off --------------------------------------
case_name=no-addremove
install $case_name Engine2.dat 's/^ShowAddRemove=1/ShowAddRemove=0/' && expect_entries ""
case_name=log-off
if install $case_name Engine2.dat 's/^Uninstall=1/Uninstall=0/'; then
  expect_entries ""
  [ -e "$work/$case_name/App/Uninstall.ini" ] && fail "Uninstall.ini was put in place with the log off"
fi

[ "$failures" = 0 ] && echo "entry_e2e: all cases passed"
exit $((failures > 0))
