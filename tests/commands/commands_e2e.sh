#!/usr/bin/env bash
# Commands and the uninstaller stand-in end to end.
#   1. A silent x64 setup with [Commands] rows: Before Installation runs before
#      any target exists; After Installation after the files, in the program's
#      folder; 300-character parameters arrive whole; uninstall-time rows are
#      logged once, not run; "x64" runs, "x86" does not; a bare cmd.exe runs.
#      Its Uninstall.exe /S then runs the logged rows and removes the install.
#   2. Uninstall2.exe /S in a folder without Uninstall.ini exits 2, changes nothing.
#   3. The uninstaller's copy without /S: No changes nothing (exit 1); Yes shows
#      the log's [Messages] 2 and removes what the log names (exit 0).
#
# usage: commands_e2e.sh PKGTOOL PROCDRIVER DIST_DATA ARGLOG FIXTURES
set -u
pkgtool=$1 driver=$2 data=$3 arglog=$4 fixtures=$5
testproc=$(dirname "$arglog")/testproc.exe
for f in "$pkgtool" "$driver" "$data/Engine2.dat" "$data/Uninstall2.exe" "$arglog" "$testproc" "$fixtures/Englishqz.lng"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done

work=$(mktemp -d "$WINEPREFIX/drive_c/cmd-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
w() { winpath "$1"; }
tmp=$work/tmp; mkdir -p "$tmp"
wtmp=$(w "$tmp")

# drive CMDLINE [driver options]: runs under TMP=TEMP=$tmp; stdout in $work/out, code in rc.
drive() {
  local line=$1; shift
  wine "$driver" --env "TMP=$wtmp" --env "TEMP=$wtmp" "$@" -- "$line" </dev/null 2>"$work/err" | sed -u 's/\r$//' > "$work/out"
  rc=${PIPESTATUS[0]}
}
wait_copies() { wine "$testproc" wait QZUninstall.exe 60 </dev/null || fail "QZUninstall.exe still runs"; }
log_text() { tr -d '\r' < "$tmp/arglog.txt" 2>/dev/null; }
# block TAG: the arglog block of the run tagged TAG
block() { log_text | awk -v tag="RUN $1" '$0 == tag {on=1} on {print} on && /^END$/ {exit}'; }
tree() { (cd "$1" && find . | LC_ALL=C sort); }

# --- 1. commands in a silent setup ---------------------------------------------
case_name=commands_setup
app=$work/App
wapp=$(w "$app")
warglog=$(w "$arglog")
long=$(printf 'p%.0s' $(seq 300))
src=$work/src; mkdir -p "$src"
echo one > "$src/f1.txt"
cat > "$src/qzsetup.ini" <<INI
[Setup]
AppName=Cmd App
AppVersion=1.0
GUID={0C3D0C3D-1111-2222-3333-444455556666}
x64=1
Admin=0
InstallationPath=$wapp
Uninstall=1
SilentUninstall=1
ShowAddRemove=0
InstallLevel=1
SilentInstall=1
DefaultLanguage=English
[Commands]
0=$warglog*?before "$wapp" "$wapp\\f1.txt"*?Hide*?Before Installation*?Yes*?All
1=<InstallDir>\\bin\\arglog.exe*?after "<InstallDir>\\f1.txt"*?Hide*?After Installation*?Yes*?All
2=$warglog*?long $long*?Hide*?After Installation*?Yes*?All
3=$warglog*?uninstbefore*?Hide*?Before Uninstallation*?Yes*?All
4=$warglog*?uninstafter*?Normal*?After Uninstallation*?yes*?All
5=$warglog*?uninstbefore*?Hide*?Before Uninstallation*?Yes*?All
6=$warglog*?x64*?Hide*?After Installation*?Yes*?x64
7=$warglog*?x86*?Hide*?After Installation*?Yes*?x86
8=cmd.exe*?/c echo bare> "<InstallDir>\\bare.txt"*?Hide*?After Installation*?Yes*?All
INI
wine "$pkgtool" package --engine "$(w "$data/Engine2.dat")" --script "$(w "$src/qzsetup.ini")" \
  --out "$(w "$work/setup.exe")" \
  --file "$(w "$src/f1.txt")" '<InstallDir>\f1.txt' \
  --file "$warglog" '<InstallDir>\bin\arglog.exe' \
  --uninstaller "$(w "$data/Uninstall2.exe")" \
  --member "$(w "$fixtures/Englishqz.lng")" --member "$(w "$fixtures/qzwizard.bmp")" \
  --member "$(w "$fixtures/qzheader.bmp")" </dev/null >"$work/pkg.out" 2>&1 || fail "pkgtool: $(cat "$work/pkg.out")"

drive "\"$(w "$work/setup.exe")\" /S"
[ "$rc" = 0 ] || fail "setup exit code $rc"
before=$(block before)
grep -qxF "ARG2 ${#wapp} 0 $wapp" <<<"$before" || fail "Before Installation saw the install folder: $before"
grep -qxF "ARG3 $(( ${#wapp} + 7 )) 0 $wapp\\f1.txt" <<<"$before" || fail "Before Installation saw f1.txt: $before"
after=$(block after)
grep -qxF "CWD $wapp\\bin" <<<"$after" || fail "After Installation not in its folder: $after"
grep -q "^ARG2 [0-9]* 1 .*f1.txt$" <<<"$after" || fail "After Installation ran before the files: $after"
grep -qxF "ARG2 300 0 $long" <<<"$(block long)" || fail "300-character parameter not whole: $(block long | grep ARG2 | cut -c1-40)"
[ -n "$(block x64)" ] || fail "the x64 row did not run"
[ -z "$(block x86)" ] || fail "the x86 row ran"
[ -f "$app/bare.txt" ] || fail "bare cmd.exe with Wait=Yes did not run"
[ -z "$(block uninstbefore)$(block uninstafter)" ] || fail "an uninstall-time row ran at install"
ini=$(tr -d '\r' < "$app/Uninstall.ini" 2>/dev/null)
sec() { awk -v s="[$1]" '$0 == s {on=1; next} /^\[/ {on=0} on && /=/' <<<"$ini"; }
[ "$(sec ExecBeforeUninstall)" = "0=$warglog*?uninstbefore*?HIDE*?YES" ] || fail "[ExecBeforeUninstall]: $(sec ExecBeforeUninstall)"
[ "$(sec ExecAfterUninstall)" = "0=$warglog*?uninstafter*?NORMAL*?YES" ] || fail "[ExecAfterUninstall]: $(sec ExecAfterUninstall)"

# The installed uninstaller runs the logged rows and removes what the setup made.
rm -f "$app/bare.txt"  # made by a command, not by the setup: not in the log
drive "\"$wapp\\Uninstall.exe\" /S"
[ "$rc" = 0 ] || fail "Uninstall.exe /S exit code $rc ($(cat "$tmp/QZUNINSTALLLOG.TXT" 2>/dev/null))"
wait_copies
[ -n "$(block uninstbefore)" ] || fail "[ExecBeforeUninstall] did not run"
[ -n "$(block uninstafter)" ] || fail "[ExecAfterUninstall] did not run"
[ ! -e "$app" ] || fail "left behind: $(tree "$app" | tr '\n' ' ')"
[ "$(find "$tmp" -maxdepth 1 -name 'QZUN*' | wc -l)" -le 1 ] || fail "more than one QZUN folder"

# --- 2. no Uninstall.ini: exit 2, nothing changed ------------------------------
case_name=no_log
rm -rf "$tmp"/QZUN*
nolog=$work/nolog; mkdir -p "$nolog"; cp "$data/Uninstall2.exe" "$nolog/Uninstall.exe"; echo keep > "$nolog/keep.txt"
state_before=$(tree "$nolog"; tree "$tmp")
drive "\"$(w "$nolog")\\Uninstall.exe\" /S"
[ "$rc" = 2 ] || fail "exit code $rc, expected 2"
! grep -q '^BOX ' "$work/out" || fail "showed $(grep '^BOX ' "$work/out")"
[ "$state_before" = "$(tree "$nolog"; tree "$tmp" | grep -vx './QZUNINSTALLLOG.TXT')" ] || fail "something changed"
rm -f "$tmp/QZUNINSTALLLOG.TXT"

# --- 3. the copy without /S ------------------------------------------------------
make_ui_install() {
  ui=$work/ui; rm -rf "$ui"; mkdir -p "$ui/App/sub"
  wui=$(w "$ui/App")
  cp "$data/Uninstall2.exe" "$ui/App/Uninstall.exe"; echo a > "$ui/App/sub/a.txt"
  printf '%s\r\n' '[Messages]' '0=Remove UI App' '1=Remove UI App now?' '2=UI App is gone.' '[General]' \
    'AppName=UI App' 'x64=1' "InstallDir=$wui" '[Folders]' "0=$wui" "1=$wui\\sub" '[Files]' \
    "0=$wui\\sub\\a.txt" "1=$wui\\Uninstall.exe" "2=$wui\\Uninstall.ini" > "$ui/App/Uninstall.ini"
  mkdir -p "$tmp/QZUN1"; cp "$data/Uninstall2.exe" "$tmp/QZUN1/QZUninstall.exe"
  copy_line="\"$wtmp\\QZUN1\\QZUninstall.exe\" /QZCOPY 0 0 \"$wui\""
}
case_name=copy_no
make_ui_install
state_before=$(tree "$ui")
drive "$copy_line" --press '*' No
[ "$rc" = 1 ] || fail "exit code $rc, expected 1"
grep -qxF 'BOX Remove UI App|Remove UI App now?' "$work/out" || fail "question: $(cat "$work/out")"
[ "$state_before" = "$(tree "$ui")" ] || fail "something changed"

case_name=copy_yes
make_ui_install
drive "$copy_line" --press '*' Yes --press '*' OK
[ "$rc" = 0 ] || fail "exit code $rc, expected 0 ($(cat "$tmp/QZUNINSTALLLOG.TXT" 2>/dev/null))"
grep -qxF 'BOX Remove UI App|UI App is gone.' "$work/out" || fail "done box: $(cat "$work/out")"
[ ! -e "$ui/App" ] || fail "left behind: $(tree "$ui/App" | tr '\n' ' ')"

rm -rf "$tmp"
[ "$failures" = 0 ] && echo "commands_e2e: all cases passed"
exit $((failures > 0))
