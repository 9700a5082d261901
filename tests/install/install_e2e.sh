#!/usr/bin/env bash
# Built setups installed silently end to end: packages made by pkgtool from
# fixtures/app.ini, started through procdriver with their own TMP, checked with
# host tools (cmp, stat, grep) and `wine reg query`.
#
# usage: install_e2e.sh PROCDRIVER PKGTOOL ENGINE_DAT LANG_FIXTURES VERSION_DIR UNINSTALLER
set -u
driver=$1 pkgtool=$2 engine=$3 langs=$4 versions=$5 uninstaller=$6
here=$(cd "$(dirname "$0")" && pwd)
[ -e "$uninstaller" ] || uninstaller=$driver  # any small program: the run only copies it
for f in "$driver" "$pkgtool" "$engine" "$langs/Englishqz.lng" "$versions/ver3.dll"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
command -v gcab >/dev/null && command -v cabextract >/dev/null || { echo "gcab and cabextract are needed"; exit 1; }

work=$(mktemp -d "$WINEPREFIX/drive_c/install-e2e.XXXXXX")
guid='{6B1D0F7E-3C2A-4E55-9A10-0000C0FFEE01}'
ukey='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
cleanup() {
  wine reg delete "$ukey\\$guid" /f /reg:32 </dev/null >/dev/null 2>&1
  wine reg delete "$ukey\\KzTSentinel" /f /reg:32 </dev/null >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT; [ -n "${KEEP_WORK:-}" ] && trap - EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
reg32() { wine reg query "$@" /reg:32 </dev/null 2>/dev/null | tr -d '\r' | grep -v '^reg: '; }
has_entry() { wine reg query "$ukey\\$guid" /reg:32 </dev/null >/dev/null 2>&1; }
subkeys() { reg32 "$ukey" | grep -ci '^HKEY_LOCAL_MACHINE.*\\Uninstall\\'; }

# package NAME SCRIPT_EDIT PKGTOOL_ARGS...: $work/NAME/setup.exe from app.ini with
# the sed expression SCRIPT_EDIT applied ("" for none); the install folder is $work/NAME/App.
package() {
  local name=$1 edit=$2; shift 2
  local dir=$work/$name
  mkdir -p "$dir/tmp" "$dir/src"
  sed -e "$edit" "$here/fixtures/app.ini" > "$dir/app.ini"
  wine "$pkgtool" package --engine "$(winpath "$engine")" --script "$(winpath "$dir/app.ini")" \
    --out "$(winpath "$dir/setup.exe")" --member "$(winpath "$langs/Englishqz.lng")" \
    --member "$(winpath "$langs/qzwizard.bmp")" --member "$(winpath "$langs/qzheader.bmp")" "$@" </dev/null >"$dir/pkg.out" 2>&1 \
    || { fail "pkgtool: $(cat "$dir/pkg.out")"; return 1; }
}

# repack NAME PERL_EXPR: edits the packaged qzsetup.ini (the setup cabinet is unpacked,
# edited and packed again; the bytes before it stay as they are).
repack() {
  local dir=$work/$1 expr=$2
  local size length start
  size=$(stat -c %s "$dir/setup.exe")
  length=$(tail -c 10 "$dir/setup.exe" | sed 's/^0*//')
  start=$((size - 13 - length))
  rm -rf "$dir/cab" && mkdir -p "$dir/cab"
  tail -c $((13 + length)) "$dir/setup.exe" | head -c "$length" > "$dir/old.cab"
  cabextract -q -d "$dir/cab" "$dir/old.cab" || { fail "cabextract"; return 1; }
  perl -pi -e "$expr" "$dir/cab/qzsetup.ini"
  (cd "$dir/cab" && gcab -c -z -n "$dir/new.cab" ./*) || { fail "gcab"; return 1; }
  { head -c "$start" "$dir/setup.exe"; cat "$dir/new.cab"; printf 'ZYX%010d' "$(stat -c %s "$dir/new.cab")"; } > "$dir/setup2.exe"
  mv "$dir/setup2.exe" "$dir/setup.exe"
}

# run NAME [ARGS]: silent setup into $work/NAME/App unless ARGS say otherwise.
run() {
  local name=$1 dir=$work/$1
  local args=${2:-/S /P \"$(winpath "$work/$1/App")\"}
  args="$args /L"
  wine "$driver" --env "TMP=$(winpath "$dir/tmp")" --env "TEMP=$(winpath "$dir/tmp")" -- \
    "\"$(winpath "$dir/setup.exe")\" $args" </dev/null >"$dir/out" 2>&1
  rc=$?
}
expect_code() {
  [ "$rc" = "$1" ] || fail "exit code $rc, expected $1; log: $(tr -d '\r' < "$work/$case_name/tmp/QZSETUPLOG.TXT" 2>/dev/null | tail -n +6 | tr '\n' '|')"
}
expect_no_tempdir() { [ -z "$(find "$work/$case_name/tmp" -maxdepth 1 -iname 'QZTMP*')" ] || fail "a QZTMP folder stayed"; }
ini_section() {  # FILE SECTION: the section's lines, CR removed
  tr -d '\r' < "$1" | awk -v s="[$2]" '/^\[/{on=($0==s);next} on&&NF'
}

# --- 1: files in sub-folders ---------------------------------------------------
case_name=subfolders
src=$work/$case_name/src
mkdir -p "$src"; printf 'alpha\r\n' > "$src/a.txt"; head -c 70000 /dev/urandom > "$src/b.bin"; echo top > "$src/c.txt"
touch -d '2021-03-04 05:06:08' "$src/a.txt"
app='<InstallDir>'
if package $case_name "" --file "$(winpath "$src/a.txt")" "$app\\sub\\a.txt" --file "$(winpath "$src/b.bin")" "$app\\sub\\deep\\b.bin" \
     --file "$(winpath "$src/c.txt")" "$app\\c.txt" --uninstaller "$(winpath "$uninstaller")"; then
  run $case_name
  expect_code 0; expect_no_tempdir
  dest=$work/$case_name/App
  cmp -s "$src/a.txt" "$dest/sub/a.txt" && cmp -s "$src/b.bin" "$dest/sub/deep/b.bin" && cmp -s "$src/c.txt" "$dest/c.txt" \
    || fail "installed bytes differ"
  cmp -s "$uninstaller" "$dest/Uninstall.exe" || fail "Uninstall.exe is not the uninstaller"
  for f in sub/a.txt sub/deep/b.bin c.txt; do
    d=$(( $(stat -c %Y "$src/$(basename "$f")") - $(stat -c %Y "$dest/$f" 2>/dev/null || echo 0) ))
    [ "${d#-}" -le 2 ] || fail "$f: mtime differs by $d s"
  done
  w=$(winpath "$dest")
  want_folders=$(printf '0=%s\n1=%s\\sub\n2=%s\\sub\\deep' "$w" "$w" "$w")
  [ "$(ini_section "$dest/Uninstall.ini" Folders)" = "$want_folders" ] || fail "[Folders]: $(ini_section "$dest/Uninstall.ini" Folders | tr '\n' ' ')"
  want_files=$(printf '0=%s\\sub\\a.txt\n1=%s\\sub\\deep\\b.bin\n2=%s\\c.txt\n3=%s\\Uninstall.exe\n4=%s\\Uninstall.ini' "$w" "$w" "$w" "$w" "$w")
  [ "$(ini_section "$dest/Uninstall.ini" Files)" = "$want_files" ] || fail "[Files]: $(ini_section "$dest/Uninstall.ini" Files | tr '\n' ' ')"
  entry=$(reg32 "$ukey\\$guid")
  grep -q 'EstimatedSize *REG_DWORD *0x3ff$' <<<"$entry" || fail "EstimatedSize: $(grep EstimatedSize <<<"$entry")"
  grep -qiF "UninstallString    REG_SZ    $w\\Uninstall.exe" <<<"$entry" || fail "UninstallString: $(grep UninstallString <<<"$entry")"
  grep -q "InstallDate *REG_SZ *$(date +%Y%m%d)$" <<<"$entry" || fail "InstallDate: $(grep InstallDate <<<"$entry")"
  wine reg delete "$ukey\\$guid" /f /reg:32 </dev/null >/dev/null 2>&1
fi

# --- 2: existing files ------------------------------------------------------------
case_name=existing
src=$work/$case_name/src; dest=$work/$case_name/App
mkdir -p "$src" "$dest"
for f in skip over ask; do echo "new $f" > "$src/$f.txt"; echo "old $f" > "$dest/$f.txt"; done
cp "$versions/ver3.dll" "$src/up.dll"; cp "$versions/ver1.dll" "$src/down.dll"
cp "$versions/ver2.dll" "$dest/up.dll"; cp "$versions/ver2.dll" "$dest/down.dll"
touch -d '2030-01-01' "$dest/up.dll" "$dest/down.dll"   # dates would say "older": versions decide
if package $case_name 's/^ShowAddRemove=1/ShowAddRemove=0/' \
     --file "$(winpath "$src/skip.txt")" "$app\\skip.txt" Skip Yes --file "$(winpath "$src/over.txt")" "$app\\over.txt" Overwrite Yes \
     --file "$(winpath "$src/ask.txt")" "$app\\ask.txt" Ask Yes \
     --file "$(winpath "$src/up.dll")" "$app\\up.dll" "Overwrite only if newer" Yes \
     --file "$(winpath "$src/down.dll")" "$app\\down.dll" "Overwrite only if newer" Yes --uninstaller "$(winpath "$uninstaller")"; then
  repack $case_name 's/^(\[Files\])/[Others]\r\n0=DLL*?<InstallDir>\\down.dll*?No\r\n$1/'
  run $case_name
  expect_code 0; expect_no_tempdir   # 7 would mean the skipped DLL's registration ran
  [ "$(cat "$dest/skip.txt")" = "old skip" ] || fail "Skip replaced the file"
  [ "$(cat "$dest/over.txt")" = "new over" ] || fail "Overwrite kept the old file"
  [ "$(cat "$dest/ask.txt")" = "new ask" ] || fail "Ask under /S did not overwrite"
  cmp -s "$versions/ver3.dll" "$dest/up.dll" || fail "3.0.0.0 did not replace 2.0.0.0"
  cmp -s "$versions/ver2.dll" "$dest/down.dll" || fail "1.0.0.0 replaced 2.0.0.0"
fi

# --- 3: failures that stop the run ---------------------------------------------------
bad() {  # NAME CODE PERL_EXPR [RUN_ARGS]
  case_name=$1; local code=$2 expr=$3 args=${4:-}
  local s=$work/$case_name/src
  mkdir -p "$s"; echo one > "$s/a.txt"; echo two > "$s/b.txt"
  package $case_name "" --file "$(winpath "$s/a.txt")" "$app\\a.txt" --file "$(winpath "$s/b.txt")" "$app\\b.txt" \
    --uninstaller "$(winpath "$uninstaller")" || return
  [ -n "$expr" ] && repack $case_name "$expr"
  run $case_name "$args"
  expect_code "$code"; expect_no_tempdir
  [ ! -e "$work/$case_name/App/b.txt" ] || fail "a later file was installed"
  [ ! -e "$work/$case_name/App/Uninstall.ini" ] || fail "the log was put in place"
  ! has_entry || fail "an entry was written"
}
bad three_fields 6 's/^0=(.*)\?Yes\r?$/0=$1?\r/'
bad negative_length 6 's/^0=([^?]*)\?\d+\?/0=$1?-5?/'
bad past_the_end 6 's/^0=([^?]*)\?\d+\?/0=$1?99999999?/'
bad no_install_folder 6 's/^InstallationPath=.*$/InstallationPath=\r/' "/S"
bad relative_folder 6 "" "/S /P ab"
# A root only when chosen: not one InstallationPath or a /P placeholder expands to.
bad expanded_root 6 's/^InstallationPath=.*$/InstallationPath=<SystemDrive>\\\r/' "/S"
bad p_expanded_root 6 "" "/S /P <SystemDrive>\\"

case_name=empty_guid
s=$work/$case_name/src; mkdir -p "$s"; echo one > "$s/a.txt"
if package $case_name 's/^GUID=.*/GUID=/' --file "$(winpath "$s/a.txt")" "$app\\a.txt" --uninstaller "$(winpath "$uninstaller")"; then
  before=$(subkeys)
  run $case_name
  expect_code 7; expect_no_tempdir
  [ "$(subkeys)" = "$before" ] || fail "the Uninstall key's subkeys changed"
  [ -z "$(reg32 "$ukey" | grep -v '^HKEY\|^$')" ] || fail "values were written into the Uninstall key itself"
fi

case_name=empty_appname
s=$work/$case_name/src; mkdir -p "$s"; echo one > "$s/a.txt"
wine reg add "$ukey\\KzTSentinel" /v DisplayName /d sentinel /f /reg:32 </dev/null >/dev/null 2>&1
if package $case_name 's/^AppName=.*/AppName=/' --file "$(winpath "$s/a.txt")" "$app\\a.txt" --uninstaller "$(winpath "$uninstaller")"; then
  run $case_name
  [ -n "$(reg32 "$ukey\\{6B1D0F7E-3C2A-4E55-9A10-0000C0FFEE01}")" ] || fail "no entry under the product's GUID"
  [ -n "$(reg32 "$ukey\\KzTSentinel")" ] || fail "another product's entry was deleted"
fi

[ "$failures" = 0 ] && echo "install_e2e: all cases passed"
exit $((failures > 0))
