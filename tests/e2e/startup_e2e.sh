#!/usr/bin/env bash
# Built setups end to end: a package is the engine, a qzsetup.cab made by gcab
# from the fixture files, and the trailer. Each case starts the setup through
# procdriver with its own TMP/TEMP and checks the exit code, the windows it
# showed, and the files it left, with host tools (cmp, grep, od).
#
# usage: startup_e2e.sh PROCDRIVER ENGINE_DAT FIXTURES_DIR
set -u
driver=$1 engine=$2 fixtures=$3
for f in "$driver" "$engine" "$fixtures/basic.ini"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
command -v gcab >/dev/null || { echo "gcab is not installed"; exit 1; }

work=$(mktemp -d "$WINEPREFIX/drive_c/startup-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

# make_package NAME SCRIPT [edits...]: $work/NAME/setup.exe. Edits: no-lng,
# no-ini, no-header, bad-wizard, evil (adds a member stored as "..\evil.txt"),
# garbage-cab, cut-last-byte, length-beyond, welcome (the welcome page on).
make_package() {
  local name=$1 script=$2; shift 2
  local dir=$work/$name src=$work/$name/src
  mkdir -p "$src"
  cp "$fixtures/$script" "$src/qzsetup.ini"
  cp "$fixtures/Englishqz.lng" "$fixtures/qzwizard.bmp" "$fixtures/qzheader.bmp" "$src/"
  local edit
  for edit in "$@"; do
    case $edit in
      no-lng) rm "$src/Englishqz.lng" ;;
      no-ini) rm "$src/qzsetup.ini" ;;
      no-header) rm "$src/qzheader.bmp" ;;
      bad-wizard) echo "not a bitmap" > "$src/qzwizard.bmp" ;;
      evil) echo "escaped" > "$src/abcevil.txt" ;;
      welcome) printf 'DialogWelcome=1\r\n' >> "$src/qzsetup.ini" ;;  # a page that waits for the user
    esac
  done
  (cd "$src" && gcab -c -z -n "$dir/qzsetup.cab" ./*) || { fail "gcab failed"; return 1; }
  # gcab strips "..\": store a same-length name and rename it inside the cabinet.
  [[ " $* " == *" evil "* ]] && perl -0777 -pi -e 's/abcevil\.txt/..\\evil.txt/' "$dir/qzsetup.cab"
  [[ " $* " == *" garbage-cab "* ]] && head -c 3000 /dev/urandom > "$dir/qzsetup.cab"
  local length digits
  length=$(stat -c %s "$dir/qzsetup.cab")
  digits=$(printf '%010d' "$length")
  [[ " $* " == *" length-beyond "* ]] && digits=$(printf '%010d' 900000000)
  { cat "$engine" "$dir/qzsetup.cab"; printf 'ZYX%s' "$digits"; } > "$dir/setup.exe"
  [[ " $* " == *" cut-last-byte "* ]] && truncate -s -1 "$dir/setup.exe"
  mkdir -p "$dir/tmp"
  return 0
}

# run NAME ARGS [driver options...]: starts $work/NAME/setup.exe with ARGS under
# TMP=TEMP=$work/NAME/tmp; stdout lines in $work/NAME/out, exit code in rc.
run() {
  local name=$1 args=$2; shift 2
  local dir=$work/$name exe tmp
  exe=$(winpath "$dir/setup.exe"); tmp=$(winpath "$dir/tmp")
  wine "$driver" --env "TMP=$tmp" --env "TEMP=$tmp" "$@" -- "\"$exe\" $args" </dev/null 2>"$dir/err" | sed -u 's/\r$//' > "$dir/out"
  rc=${PIPESTATUS[0]}
}

expect_code() { [ "$rc" = "$1" ] || fail "exit code $rc, expected $1 ($(cat "$work/$case_name/out" | tr '\n' ' '))"; }
expect_no_window() { ! grep -qE '^(WINDOW|BOX) ' "$work/$case_name/out" || fail "showed: $(grep -E '^(WINDOW|BOX) ' "$work/$case_name/out")"; }
expect_no_tempdir() {
  local left; left=$(find "$work/$case_name/tmp" -maxdepth 1 -iname 'QZTMP*' | head -3)
  [ -z "$left" ] || fail "left $left"
}

# Silent runs of bad packages: the code names the stage; nothing shown or left.
bad_silent() {  # NAME CODE SCRIPT EDITS...
  case_name=$1; local code=$2 script=$3; shift 3
  make_package "$case_name" "$script" "$@" || return
  run "$case_name" "/S"
  expect_code "$code"; expect_no_window; expect_no_tempdir
}

# --- group 2: start-up end to end ---------------------------------------------
case_name=valid_silent
make_package $case_name basic.ini && { run $case_name "/S"; expect_code 0; expect_no_window; expect_no_tempdir; }

case_name=silent_log
if make_package $case_name basic.ini; then
  run $case_name "/s /l"
  expect_code 0; expect_no_window; expect_no_tempdir
  log=$work/$case_name/tmp/QZSETUPLOG.TXT
  if [ -f "$log" ]; then  # there, so Wine's GetTempPath followed the child's TMP
    [ "$(grep -c $'\r$' "$log")" = 5 ] && [ "$(wc -l < "$log")" = 5 ] && [ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' ')" = 0d0a ] \
      || fail "log is not five CR LF lines: $(od -c "$log" | head -5)"
    mapfile -t lines < <(tr -d '\r' < "$log")
    [ "${lines[0],,}" = "$(winpath "$work/$case_name/setup.exe" | tr 'A-Z' 'a-z')" ] || fail "log line 1: ${lines[0]}"
    [ "${lines[1]}" = "App 1.0" ] || fail "log line 2: ${lines[1]}"
    [[ "${lines[2]}" == *"$(date +%Y)"* ]] || fail "log line 3 has no year: ${lines[2]}"
    [[ "${lines[3]}" =~ ^Win(95|98|ME|NT|2000|XP|Srv2003|Vista|7|8|Unknow)$ ]] || fail "log line 4: ${lines[3]}"
    [ "${lines[4]}" = "Admin" ] || fail "log line 5: ${lines[4]}"
  else
    fail "no QZSETUPLOG.TXT in the child's TMP"
  fi
fi

case_name=old_log_deleted
if make_package $case_name basic.ini; then
  echo old > "$work/$case_name/tmp/QZSETUPLOG.TXT"
  run $case_name "/S"
  expect_code 0
  [ ! -e "$work/$case_name/tmp/QZSETUPLOG.TXT" ] || fail "an old log stayed without /L"
fi

case_name=silent_install_key
make_package $case_name silentinstall.ini && { run $case_name ""; expect_code 0; expect_no_window; expect_no_tempdir; }

bad_silent cut_last_byte 1 basic.ini cut-last-byte
case_name=short_file  # the engine and 12 bytes: 400,012 in all, too short for a trailer
mkdir -p "$work/$case_name/tmp"; { cat "$engine"; printf 'ZYX000000001'; } > "$work/$case_name/setup.exe"
run $case_name "/S"; expect_code 1; expect_no_window; expect_no_tempdir
bad_silent length_beyond 1 basic.ini length-beyond
bad_silent garbage_cabinet 1 basic.ini garbage-cab
bad_silent no_script 1 basic.ini no-ini
bad_silent engine_size_beyond 1 enginebeyond.ini
bad_silent evil_member 1 basic.ini evil
[ ! -e "$work/evil_member/evil.txt" ] && [ ! -e "$work/evil_member/tmp/evil.txt" ] || fail "evil.txt escaped the temp folder"
bad_silent wizard_not_bmp 2 basic.ini bad-wizard
bad_silent header_missing 2 basic.ini no-header
bad_silent no_language 4 basic.ini no-lng

case_name=corrupt_box
mkdir -p "$work/$case_name/tmp"; { cat "$engine"; printf 'ZYX000000001'; } > "$work/$case_name/setup.exe"
run $case_name "" --press Error OK
expect_code 1; expect_no_tempdir
grep -qxF 'BOX Error|The setup file is corrupt.\r\n\r\nError code: 1' "$work/$case_name/out" \
  || fail "no corrupt-setup box: $(cat "$work/$case_name/out")"

# --- group 3: the temp folder name ----------------------------------------------
premade() {  # DIR FREE: QZTMP000-999 with a sentinel each, except FREE ("" = none free)
  (cd "$1" && mkdir QZTMP{000..999} && for d in QZTMP*; do echo "${d#QZTMP}" > "$d/sentinel"; done
   if [ -n "$2" ]; then rm -r "QZTMP$2"; fi)
}
sentinels_intact() {
  local bad; bad=$(for d in "$1"/QZTMP*/; do n=${d%/}; n=${n##*QZTMP}; [ "$(cat "$d/sentinel" 2>/dev/null)" = "$n" ] || echo "$n"; done | head -3)
  [ -z "$bad" ] || fail "sentinels changed: $bad"
}
case_name=one_name_free
if make_package $case_name basic.ini; then
  premade "$work/$case_name/tmp" 537
  run $case_name "/S"
  expect_code 0; sentinels_intact "$work/$case_name/tmp"
  [ "$(find "$work/$case_name/tmp" -maxdepth 1 -name 'QZTMP*' | wc -l)" = 999 ] && [ ! -e "$work/$case_name/tmp/QZTMP537" ] \
    || fail "the free name was not used and removed"
fi
case_name=all_names_taken
if make_package $case_name basic.ini; then
  premade "$work/$case_name/tmp" ""
  run $case_name "/S"
  expect_code 1; expect_no_window; sentinels_intact "$work/$case_name/tmp"
  [ "$(find "$work/$case_name/tmp" -maxdepth 1 -name 'QZTMP*' | wc -l)" = 1000 ] || fail "a premade folder went missing"
fi

# --- group 4: data.zip missing --------------------------------------------------
case_name=datazip_silent
if make_package $case_name datazip.ini; then
  run $case_name "/S" --press Open Cancel
  expect_code 0; expect_no_tempdir
  [ "$(grep -cE '^(WINDOW|BOX) ' "$work/$case_name/out")" = 1 ] && grep -q '^BOX Open|' "$work/$case_name/out" \
    || fail "expected only the Open dialog: $(cat "$work/$case_name/out")"
fi
case_name=datazip_wizard
if make_package $case_name datazip.ini; then
  run $case_name "" --press "App Setup" OK --press Open Cancel
  expect_code 0; expect_no_tempdir
  expected="BOX App Setup|The archive data.zip was not found:\\r\\n$(winpath "$work/$case_name")\\data.zip"
  mapfile -t boxes < <(grep -E '^(WINDOW|BOX) ' "$work/$case_name/out")
  [ "${boxes[0]:-}" = "$expected" ] || fail "first box: ${boxes[0]:-none}, expected $expected"
  [[ "${boxes[1]:-}" == "BOX Open|"* ]] || fail "second window: ${boxes[1]:-none}"
  [ "${#boxes[@]}" = 2 ] || fail "windows: ${boxes[*]}"
fi

# --- group 5: the wizard window ----------------------------------------------
case_name=interim_window
if make_package $case_name basic.ini welcome; then
  dir=$work/$case_name gate=$work/$case_name/gate
  run $case_name "" --gate TForm1 "$(winpath "$gate")" --press '*' Yes &
  runner=$!
  for _ in $(seq 1 600); do grep -q '^GATE ' "$dir/out" 2>/dev/null && break; kill -0 $runner 2>/dev/null || break; sleep 0.1; done
  grep -qxF 'WINDOW TForm1|App Setup' "$dir/out" || fail "window: $(cat "$dir/out")"
  temps=("$dir"/tmp/QZTMP*)
  if [ -d "${temps[0]}" ]; then
    for m in qzsetup.ini Englishqz.lng qzwizard.bmp qzheader.bmp; do
      cmp -s "$dir/src/$m" "${temps[0]}/$m" || fail "$m differs or is missing in ${temps[0]}"
    done
  else
    fail "no QZTMP folder while the window is shown"
  fi
  touch "$gate"
  wait $runner
  rc=$(grep -o '^EXIT [0-9]*' "$dir/out" | cut -d' ' -f2)
  expect_code 0; expect_no_tempdir
fi

if [ "$failures" -gt 0 ]; then echo "$failures failure(s)"; exit 1; fi
echo "all start-up cases passed"
