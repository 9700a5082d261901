#!/usr/bin/env bash
# A setup ended by TerminateProcess half-way through its files: 2,000 small files
# built with KInstaller.exe /S, installed silently over an installed older
# version whose files all differ, through procdriver, which terminates it once
# about half of them are replaced. Every file must then hold either its old or
# its new bytes, never a mix; the product's Add/Remove entry stays; the uninstall
# log the run keeps must be a complete INI file that names only files that exist;
# and the install folder may hold, beside the product's files, at most the one
# temporary copy being written (qzn*.tmp). Run again, the setup completes the
# install, and the uninstaller then leaves nothing.
#
# usage: kill_e2e.sh PROCDRIVER DIST_DIR
set -u
driver=$1 dist=$2
for f in "$driver" "$dist/KInstaller.exe" "$dist/Bitmaps/Wizard/00.bmp"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"

name=KinKillE2E
setup_name=KinKillE2ESetup.exe
count=2000
work=$(mktemp -d "$WINEPREFIX/drive_c/kill-e2e.XXXXXX")
driver_pid=
cleanup() {
  [ -n "$driver_pid" ] && touch "$work/kill" && wait "$driver_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
w=$(winpath "$work")
app=$work/App
mkdir -p "$work/src" "$work/old" "$work/tmp" "$work/out"
guid='{7A0C4E21-5B3D-4F86-A1E9-0C2D4B6F8A13}'

# Every file of the older version differs from the newer one's.
python3 - "$work" "$count" <<'EOF'
import os, sys
work, count = sys.argv[1], int(sys.argv[2])
for tree, word in (('old', 'older'), ('src', 'item')):
    for i in range(count):
        folder = f'{work}/{tree}/part{i % 4}'
        os.makedirs(folder, exist_ok=True)
        with open(f'{folder}/item{i:04}.dat', 'wb') as f:
            f.write(f'{word} {i}\r\n'.encode() * (1 + i % 50))
EOF
# build SOURCE SETUP: the product from SOURCE as out\SETUP.
build() {
  write_project "$work/p.zpf" "$dist" GUID="$guid" AppName=$name \
    SetupFile="$w\\out\\$2" SourceFolder="$w\\$1" Uninstall=1 ShowAddRemove=1
  timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "$w\\p.zpf" </dev/null >"$work/build.out" 2>&1
  local rc=$?
  [ "$rc" = 0 ] || stop "build of $1 exit $rc: $(cat "$work/build.out")"
}
build old "Old$setup_name"
build src "$setup_name"

case_name="older version"
wine "$driver" --timeout 120 --env "TMP=$w\\tmp" --env "TEMP=$w\\tmp" -- \
  "\"$w\\out\\Old$setup_name\" /S /P \"$w\\App\"" </dev/null >"$work/setup.out" 2>&1
rc=$?
[ "$rc" = 0 ] || stop "the older version's setup exit $rc: $(cat "$work/setup.out")"
entry="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$guid"
has_entry() { wine reg query "$entry" /reg:32 </dev/null >/dev/null 2>&1; }
has_entry || stop "the older version has no Add/Remove entry"
# A file the newer run replaces changes after this mark (its status time).
touch "$work/before-kill"
sleep 0.01

case_name="kill"
# The setup gets a temp folder of its own, so its log is found there afterwards.
wine "$driver" --timeout 120 --kill "$w\\kill" --env "TMP=$w\\tmp" --env "TEMP=$w\\tmp" -- \
  "\"$w\\out\\$setup_name\" /S /P \"$w\\App\"" </dev/null >"$work/setup.out" 2>&1 &
driver_pid=$!
placed=0
for _ in $(seq 1 1200); do  # at most 60 s
  placed=$(find "$app" -type f -name 'item*.dat' -cnewer "$work/before-kill" 2>/dev/null | wc -l)
  [ "$placed" -ge $((count / 2)) ] && break
  kill -0 "$driver_pid" 2>/dev/null || break
  sleep 0.05
done
touch "$work/kill"
wait "$driver_pid"
rc=$?
driver_pid=
[ "$rc" = 137 ] || stop "the setup ended by itself (exit $rc, $placed files seen): $(cat "$work/setup.out")"
after=$(find "$app" -type f -name 'item*.dat' -cnewer "$work/before-kill" | wc -l)
[ "$after" -lt "$count" ] || stop "every file was replaced before the kill landed: nothing to check"
echo "killed with $after of $count files replaced"
has_entry || fail "the installed product lost its Add/Remove entry"

# same_as_a_source REL: the installed file holds its newer or its older bytes.
same_as_a_source() { cmp -s "$app/$1" "$work/src/$1" || cmp -s "$app/$1" "$work/old/$1"; }

case_name="log"
log=$app/Uninstall.ini.part
[ -f "$log" ] || stop "no uninstall log in the install folder: $(ls "$app" | grep -v '^item' | head -5)"
tr -d '\r' <"$log" >"$work/log.txt"
bad=$(grep -vnE '^\[[A-Za-z]+\]$|^[^=[]+=' "$work/log.txt" | head -3)
[ -z "$bad" ] || fail "lines that are neither a section nor a key: $bad"
tail -c 2 "$log" | od -An -c | grep -q '\\r  *\\n' || fail "the log does not end with a whole line"
for section in Messages Updater General Folders Files; do
  grep -qx "\[$section\]" "$work/log.txt" || fail "no [$section] section"
done
awk '/^\[/ { on = ($0 == "[Files]"); next } on && NF { sub(/^[^=]*=/, ""); print }' "$work/log.txt" >"$work/logged.txt"
logged=$(wc -l <"$work/logged.txt")
[ "$logged" -gt 0 ] || fail "the log names no file, though $after were in place"
missing=0 torn=0
while IFS= read -r path; do
  rel=${path#"$w\\App\\"}
  rel=${rel//\\//}
  if [ ! -f "$app/$rel" ]; then
    missing=$((missing + 1))
  elif [[ $rel == */item*.dat ]] && ! same_as_a_source "$rel"; then  # Uninstall.exe has no source here
    torn=$((torn + 1))
  fi
done <"$work/logged.txt"
[ "$missing" = 0 ] || fail "$missing logged files do not exist"
[ "$torn" = 0 ] || fail "$torn logged files hold neither their old nor their new bytes"
echo "the log names $logged files"

case_name="install folder"
temps=$(find "$app" -type f -iname 'qzn*.tmp' | wc -l)
[ "$temps" -le 1 ] || fail "$temps temporary copies left"
other=$(find "$app" -type f ! -name 'item*.dat' ! -iname 'qzn*.tmp' ! -name 'Uninstall.ini*' ! -name Uninstall.exe | head -3)
[ -z "$other" ] || fail "unexpected files: $other"
while IFS= read -r f; do
  rel=${f#"$app/"}
  same_as_a_source "$rel" || fail "a torn file under its own name: $rel"
done < <(find "$app" -type f -name 'item*.dat')

# The same setup again completes the install from the log the killed run left,
# and the uninstaller then removes everything, the folders the killed run made included.
case_name="rerun and uninstall"
wine "$driver" --timeout 120 --env "TMP=$w\\tmp" --env "TEMP=$w\\tmp" -- \
  "\"$w\\out\\$setup_name\" /S /P \"$w\\App\"" </dev/null >"$work/setup.out" 2>&1
rc=$?
[ "$rc" = 0 ] || stop "the rerun exit $rc: $(cat "$work/setup.out")"
[ -f "$app/Uninstall.ini" ] && [ ! -e "$app/Uninstall.ini.part" ] || fail "the log is not in place as Uninstall.ini"
[ "$(find "$app" -type f -name 'item*.dat' | wc -l)" = "$count" ] || fail "the rerun did not place every file"
diff -rq "$work/src" "$app" 2>/dev/null | grep -q '^Files ' && fail "the rerun left files with their old bytes"
wine "$driver" --timeout 120 -- "\"$w\\App\\Uninstall.exe\" /S" </dev/null >"$work/uninstall.out" 2>&1
rc=$?
[ "$rc" = 0 ] || fail "uninstall exit $rc: $(cat "$work/uninstall.out")"
for _ in $(seq 1 600); do  # the uninstaller's copy removes the folder last: at most 30 s
  [ -e "$app" ] || break
  sleep 0.05
done
[ ! -e "$app" ] || fail "left after uninstall: $(find "$app" | head -5 | tr '\n' ' ')"
has_entry && fail "the Add/Remove entry is left after uninstall"

case_name=
[ "$failures" = 0 ] && echo "kill_e2e: all cases passed"
exit "$failures"
