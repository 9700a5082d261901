#!/usr/bin/env bash
# Built setups with the shipped language files, end to end: the language a silent
# setup picks on a German and an English system (read back from an INI file it
# writes), and a wizard whose pages are all off: it installs, launches the
# program with its parameter, and ends by itself leaving no temp folder; after a
# failed action the same wizard ends with code 7 once the failure box is answered.
#
# usage: wizard_e2e.sh PROCDRIVER PKGTOOL ENGINE_DAT LANGUAGES_DIR PICTURES_DIR ARGLOG
set -u
driver=$1 pkgtool=$2 engine=$3 langs=$4 pictures=$5 arglog=$6
for f in "$driver" "$pkgtool" "$engine" "$langs/English.lng" "$langs/Deutsch.lng" "$pictures/qzwizard.bmp" "$arglog"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
work=$(mktemp -d "$WINEPREFIX/drive_c/wizard-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

# package NAME SCRIPT_TEXT [pkgtool args...]: $work/NAME/setup.exe installing into $work/NAME/App.
package() {
  local name=$1 script=$2; shift 2
  local dir=$work/$name
  mkdir -p "$dir/tmp"
  printf '%s' "$script" | sed "s|@DIR@|$(winpath "$dir/App" | sed 's/\\/\\\\/g')|" > "$dir/qzsetup.ini"
  local german=(--member "$(winpath "$langs/Deutsch.lng")" Deutschqz.lng)
  [ -n "${ONE_LANGUAGE:-}" ] && german=()
  wine "$pkgtool" package --engine "$(winpath "$engine")" --script "$(winpath "$dir/qzsetup.ini")" \
    --out "$(winpath "$dir/setup.exe")" --member "$(winpath "$langs/English.lng")" Englishqz.lng "${german[@]}" \
    --member "$(winpath "$pictures/qzwizard.bmp")" qzwizard.bmp \
    --member "$(winpath "$pictures/qzheader.bmp")" qzheader.bmp "$@" </dev/null >"$dir/pkg.out" 2>&1 \
    || { fail "pkgtool: $(cat "$dir/pkg.out")"; return 1; }
}

# run NAME ARGS [env...]: the setup through procdriver with its own TMP; rc set.
run() {
  local name=$1 args=$2; shift 2
  local dir=$work/$name tmp exe
  tmp=$(winpath "$dir/tmp"); exe=$(winpath "$dir/setup.exe")
  env "$@" wine "$driver" --env "TMP=$tmp" --env "TEMP=$tmp" --timeout 60 -- "\"$exe\" $args" </dev/null >"$dir/out" 2>&1
  rc=$?
}

no_tempdir() {
  local left; left=$(find "$work/$case_name/tmp" -maxdepth 1 -iname 'QZTMP*' | head -3)
  [ -z "$left" ] || fail "left $left"
}

common=$'[Setup]\r\nAppName=KzWizard\r\nAppVersion=1.0\r\nDefaultLanguage=English\r\nInstallationPath=@DIR@\r\nInstallLevel=0\r\nAdmin=0\r\n'

# --- the language a setup picks by itself --------------------------------------
for locale in de_DE.UTF-8:Deutsch:1031 C:English:1033; do
  IFS=: read -r lc name id <<<"$locale"
  case_name="auto-detect $lc"
  package "auto-$name" "$common"$'AutoDetectLanguage=1\r\n[INI]\r\n0=<InstallDir>\\lang.ini*?L*?name*?<Language>*?Yes*?Yes\r\n1=<InstallDir>\\lang.ini*?L*?id*?<LngID>*?Yes*?Yes\r\n2=<InstallDir>\\lang.ini*?L*?system*?<SystemLngID>*?Yes*?Yes\r\n' \
    --file "$(winpath "$arglog")" '<InstallDir>\argv.exe' || continue  # a file makes the folder
  run "auto-$name" "/S" LC_ALL="$lc"
  [ "$rc" = 0 ] || fail "exit code $rc: $(cat "$work/auto-$name/out")"
  got=$(tr -d '\r' < "$work/auto-$name/App/lang.ini" 2>/dev/null | grep -E '^(name|id|system)=' | tr '\n' ' ')
  [ "$got" = "name=$name id=$id system=$id " ] || fail "lang.ini: $got"
  no_tempdir
done

# --- a wizard with every page off ends by itself --------------------------------
case_name="no pages"
# One language: with two the setup asks for one first.
if ONE_LANGUAGE=1 package nopages "$common"$'LaunchFile=1\r\nLaunchFileChecked=1\r\nLaunchFileName=<InstallDir>\\argv.exe /x\r\n' \
     --file "$(winpath "$arglog")" '<InstallDir>\argv.exe'; then
  run nopages "" ARGLOG_FILE=
  [ "$rc" = 0 ] || fail "exit code $rc: $(cat "$work/nopages/out")"
  [ -f "$work/nopages/App/argv.exe" ] || fail "argv.exe not installed"
  log=$work/nopages/tmp/arglog.txt
  for _ in $(seq 1 100); do [ -s "$log" ] && grep -q '^END' "$log" && break; sleep 0.1; done
  grep -q '^ARG1 2 0 /x' "$log" 2>/dev/null || fail "argv.exe did not record /x: $(cat "$log" 2>/dev/null)"
  grep -qE '^(BOX) ' "$work/nopages/out" && fail "a box showed: $(cat "$work/nopages/out")"
  no_tempdir
fi

# --- the same wizard after a failed action ends with code 7 ------------------------
case_name="no pages, failed action"
if ONE_LANGUAGE=1 package failed "$common"$'[INI]\r\n0=Q:\\no-such-drive\\x.ini*?S*?k*?v*?Yes*?No\r\n' \
     --file "$(winpath "$arglog")" '<InstallDir>\argv.exe'; then
  dir=$work/failed tmp=$(winpath "$work/failed/tmp")
  wine "$driver" --env "TMP=$tmp" --env "TEMP=$tmp" --press '*' OK --timeout 60 -- "\"$(winpath "$dir/setup.exe")\"" \
    </dev/null >"$dir/out" 2>&1
  rc=$?
  [ "$rc" = 7 ] || fail "exit code $rc: $(cat "$dir/out")"
  [ "$(grep -c '^BOX ' "$dir/out")" = 1 ] || fail "expected the one failure box: $(cat "$dir/out")"
  no_tempdir
fi

[ "$failures" = 0 ] && echo "wizard_e2e: all cases passed"
exit "$failures"
