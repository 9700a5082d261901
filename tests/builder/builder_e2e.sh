#!/usr/bin/env bash
# KInstaller.exe /S from the outside: exit codes and stderr lines of validation and
# loading, the layout of a built setup (cabextract, md5sum, cmp), failed builds
# that keep the old setup, and two builds at once.
#
# usage: builder_e2e.sh KINSTALLER_EXE DIST_DIR TESTPROC_EXE
set -u
exe=$1 dist=$2 testproc=$3
for f in "$exe" "$dist/Data/Engine2.dat" "$testproc"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

work=$WINEPREFIX/drive_c/kbtest
rm -rf "$work"
mkdir -p "$work/files/sub" "$work/out/folder.exe" "$work/extra"
trap 'rm -rf "$work"' EXIT
printf 'alpha text\r\n%.0s' {1..200} >"$work/files/a.txt"
head -c 20000 /dev/urandom >"$work/files/sub/b.bin"
head -c 9000 /dev/urandom >"$work/extra/c.dat"
printf 'tool for the setup\r\n' >"$work/extra/tool.txt"
cp "$dist/Bitmaps/Wizard/00.bmp" "$work/wizard.bmp"
cp "$dist/Bitmaps/Header/00.bmp" "$work/header.bmp"
marker="old setup, must stay"
temp_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/Temp | grep -v /Public/ | head -1)

# project FILE [KEY=VALUE]... [-- SECTION-LINES...]: a valid project with [Setup]
# values replaced or added, then extra lines (whole sections) appended.
project() {
  local file=$1; shift
  declare -A set=(
    [Version]=5.4 [GUID]='{0B6F1C2D-3E4A-4B5C-8D6E-7F8091A2B3C4}' [AppName]='Build Test' [AppVersion]=2.5
    [CompanyName]='Test Company' [SetupFile]='C:\kbtest\out\Setup.exe' [WizardBitmap]='C:\kbtest\wizard.bmp'
    [HeaderBitmap]='C:\kbtest\header.bmp' [CustomIcon]=0 [Win9x]=1 [WinNT]=1 [Win2000]=1 [WinXP]=1
    [WinSrv2003]=1 [WinVista]=1 [Win7]=1 [Win8]=1 [x64]=0 [Admin]=1 [InstallMode]=0 [InstallLevel]=1
    [PromptUninstall]=0 [InstallationPath]='<ProgramFiles>\<AppName>' [SourceFolder]='C:\kbtest\files'
    [ExistMode]=1 [NotRemove]=0 [Uninstall]=0 [ShowAddRemove]=0 [Updater]=0 [DialogWelcome]=1
    [DefaultLanguage]=English [ProgramGroup]='<AppName>' [FilesCount]=-1 [AdditionalFiles]=0
  )
  local order=(Version GUID AppName AppVersion CompanyName SetupFile WizardBitmap HeaderBitmap CustomIcon
    CustomIconFile Win9x WinNT Win2000 WinXP WinSrv2003 WinVista Win7 Win8 x64 Admin InstallMode InstallLevel
    PromptUninstall InstallationPath SourceFolder ExistMode NotRemove Uninstall ShowAddRemove Updater UpdateURL
    CheckUpdateBefore DialogWelcome DialogLicense DialogReadme DefaultLanguage LaunchFile LaunchFileName
    ViewReadme ViewReadmeFile CustomAction CustomActionName CustomActionCommand ProgramGroup FilesCount
    AdditionalFiles)
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do set[${1%%=*}]=${1#*=}; shift; done
  [ "${1:-}" = "--" ] && shift
  {
    echo '[Setup]'
    local k
    for k in "${order[@]}"; do [ -n "${set[$k]+x}" ] && echo "$k=${set[$k]}"; done
    echo '[Languages]'
    echo 'English='
    printf '%s\n' "$@"
  } | sed 's/$/\r/' >"$file"
}

# build ARGS...: KInstaller.exe with ARGS; sets rc, out, err. A hang guard turns a
# box that waits for an answer into a failure instead of a hung test.
build() {
  timeout 120 wine "$exe" "$@" </dev/null >"$work/stdout" 2>"$work/stderr"
  rc=$?
  out=$(tr -d '\r' <"$work/stdout")
  err=$(tr -d '\r' <"$work/stderr")
}

expect_invalid() {  # message KEY=VALUE... [-- lines]
  local message=$1; shift
  printf '%s' "$marker" >"$work/out/Setup.exe"
  project "$work/p.zpf" "$@"
  build /S 'C:\kbtest\p.zpf'
  [ "$rc" = 2 ] || fail "exit $rc, stderr: $err"
  grep -qxF "warning: $message" <<<"$err" || fail "stderr: $err"
  [ "$(cat "$work/out/Setup.exe")" = "$marker" ] || fail "the old setup changed"
}

# ---- Validation: each failing check, in order ----
v() { case_name="validation: $1"; shift; expect_invalid "$@"; }
v "product name" "Product Name must be specified." 'AppName=  '
v "setup file" "Setup File must be specified." 'SetupFile='
v "setup folder" 'Folder doesn'"'"'t exist:  C:\kbtest\nowhere' 'SetupFile=C:\kbtest\nowhere\S.exe'
# A name that is not absolute would land in whatever folder the process is in.
for name in 'out\Rel.exe' '\kbtest\out\Rel.exe'; do
  case_name="validation: setup file $name"
  cd "$work"; expect_invalid "Folder doesn't exist:  ${name%\\*}" "SetupFile=$name"; cd - >/dev/null
  [ ! -e "$work/out/Rel.exe" ] || fail "built into the current folder"
done
v "wizard picture" "Wizard Bitmap file is not found." 'WizardBitmap=C:\kbtest\none.bmp'
v "header picture" "Header Bitmap file is not found." 'HeaderBitmap=C:\kbtest\none.bmp'
v "icon" "Icon File is not found." 'CustomIcon=1' 'CustomIconFile=C:\kbtest\none.ico'
v "windows versions" "At least one Windows version should be selected." \
  Win9x=0 WinNT=0 Win2000=0 WinXP=0 WinSrv2003=0 WinVista=0 Win7=0 Win8=0
v "destination" "Destination Folder must be specified." 'InstallationPath='
v "administrator" "As the Administrator Privileges option is not selected, the setup program won't be able to install the application for All Users." Admin=0
v "GUID" "Product GUID must be specified." 'GUID=a\b'
v "licence" "License File for the (Default) language must be specified.  To specify it double-click on the (Default) item." \
  DialogLicense=1 -- '[License]' '(Default)='
v "readme" 'Readme File for the "(Default)" language is not found: C:\kbtest\none.rtf  Check the file location.' \
  DialogReadme=1 -- '[Readme]' '(Default)=C:\kbtest\none.rtf'
v "launch file" "File for Launch Application must be specified." LaunchFile=1 'LaunchFileName='
v "view readme" "File for View Readme File must be specified." ViewReadme=1 'ViewReadmeFile='
v "custom name" "Name for Custom Action must be specified." CustomAction=1 'CustomActionName=' CustomActionCommand=x
v "custom command" "Command for Custom Action must be specified." CustomAction=1 CustomActionName=x 'CustomActionCommand='
v "program group" "Program Group must be specified." 'ProgramGroup='
v "additional file" 'File not found: C:\kbtest\gone1.dll' AdditionalFiles=2 FilesCount=1 -- '[Files]' \
  '0=C:\kbtest\gone1.dll?<InstallDir>\g1.dll?Overwrite?Yes' '1=C:\kbtest\gone2.dll?<InstallDir>\g2.dll?Overwrite?Yes'

# ---- Loading ----
case_name="no project loaded exits 1"
build /S
[ "$rc" = 1 ] || fail "/S alone: exit $rc"
build /S 'C:\kbtest\missing.zpf'
[ "$rc" = 1 ] || fail "missing project: exit $rc"
project "$work/p.zpf"
wine "$testproc" hold 'C:\kbtest\p.zpf' 'C:\kbtest\held' 'C:\kbtest\release' 60 </dev/null &
holder=$!
for _ in $(seq 1 200); do [ -e "$work/held" ] && break; sleep 0.1; done
build /S 'C:\kbtest\p.zpf'
[ "$rc" = 1 ] || fail "unreadable project: exit $rc"
touch "$work/release"; wait $holder

case_name="lower-case /s with a relative project path builds; nothing lands in C:\\windows"
rm -f "$work/out/Setup.exe"
project "$work/rel.zpf"
before=$(find "$WINEPREFIX/drive_c/windows" -maxdepth 1 -newer "$work/rel.zpf" | wc -l)
cd "$work"; build /s rel.zpf; cd - >/dev/null
[ "$rc" = 0 ] || fail "exit $rc, stderr: $err"
[[ $out == 'Built C:\kbtest\out\Setup.exe ('*' KB)' ]] || fail "stdout: $out"
[ -f "$work/out/Setup.exe" ] || fail "no setup"
# The silent build ends without tearing its windows down; the recent list is still kept.
recent=$(wine reg query 'HKCU\Software\Quellix\Tarvex Installer\Recent' /v 1 </dev/null 2>&1 | tr -d '\r')
grep -qF 'C:\kbtest\rel.zpf' <<<"$recent" || fail "the recent list does not name the project: $recent"
after=$(find "$WINEPREFIX/drive_c/windows" -maxdepth 1 -newer "$work/rel.zpf" | wc -l)
[ "$after" = "$before" ] || fail "C:\\windows changed"

# ---- Layout ----
case_name="layout: engine, one cabinet per file in [Files] order, qzsetup.cab, trailer"
project "$work/layout.zpf" Uninstall=1 Updater=1 CheckUpdateBefore=1 'UpdateURL=http://127.0.0.1/u.txt' \
  AdditionalFiles=2 FilesCount=1 -- '[Files]' \
  '0=C:\kbtest\extra\c.dat?<InstallDir>\data\c.dat?Skip?No' '1=C:\kbtest\extra\tool.txt?<SetupTempDir>\tool.txt?Overwrite?Yes'
build /S 'C:\kbtest\layout.zpf'
[ "$rc" = 0 ] || fail "exit $rc, stderr: $err"
setup=$work/out/Setup.exe
x=$work/x; rm -rf "$x"; mkdir -p "$x/setup"
engine_size=$(stat -c %s "$dist/Data/Engine2.dat")
cmp -s -n "$engine_size" "$setup" "$dist/Data/Engine2.dat" || fail "the prefix is not Engine2.dat"
size=$(stat -c %s "$setup")
trailer=$(tail -c 13 "$setup")
[[ $trailer =~ ^ZYX[0-9]{10}$ ]] || fail "trailer '$trailer'"
cab_len=$((10#${trailer:3}))
tail -c $((cab_len + 13)) "$setup" | head -c "$cab_len" >"$x/qzsetup.cab"
cabextract -q -d "$x/setup" "$x/qzsetup.cab" || fail "qzsetup.cab does not extract"
members=$(cabextract -l "$x/qzsetup.cab" | awk -F'|' 'NR>2 && /\|/ {gsub(/^ +| +$/,"",$3); print $3}' | tr '\n' ' ')
[ "$members" = "Englishqz.lng qzsetup.ini qzwizard.bmp qzheader.bmp tool.txt QZUninstall.exe ZEZerevaz.exe Updater.ini " ] ||
  fail "members: $members"
ini=$(tr -d '\r' <"$x/setup/qzsetup.ini")
key() { sed -n "/^\\[$1\\]/,/^\\[/p" <<<"$ini" | sed -n "s/^$2=//p"; }
[ "$(key Setup EngineSize)" = "$engine_size" ] || fail "EngineSize $(key Setup EngineSize)"
[ "$(key Setup FilesCount)" = 6 ] || fail "FilesCount $(key Setup FilesCount)"
[ "$(key Files 3)$(key Files 5)" = "" ] || fail "slots 3 and 5 should have no key"
[ "$(key Files 4)" = '<InstallDir>\Uninstall.exe?0?Overwrite?Yes' ] || fail "uninstaller record $(key Files 4)"
offset=$engine_size
sources=("$work/files/a.txt" "$work/files/sub/b.bin" "$work/extra/c.dat")
targets=('<InstallDir>\a.txt?' '<InstallDir>\sub\b.bin?' '<InstallDir>\data\c.dat?')
tails=('?Overwrite?Yes' '?Overwrite?Yes' '?Skip?No')
for i in 0 1 2; do
  IFS='?' read -r _ length _ _ _ <<<"$(key Files $i)"
  crc=$(python3 -c 'import sys, zlib; print("%08X" % zlib.crc32(open(sys.argv[1], "rb").read()))' "${sources[$i]}")
  [ "$(key Files $i)" = "${targets[$i]}$length${tails[$i]}?$crc" ] || fail "record $i: $(key Files $i)"
  tail -c +$((offset + 1)) "$setup" | head -c "$length" >"$x/f$i.cab"
  rm -rf "$x/f$i"; mkdir "$x/f$i"; cabextract -q -d "$x/f$i" "$x/f$i.cab" || fail "cabinet $i does not extract"
  [ "$(ls "$x/f$i" | wc -l)" = 1 ] || fail "cabinet $i holds $(ls "$x/f$i")"
  [ "$(md5sum <"$x/f$i/$(basename "${sources[$i]}")")" = "$(md5sum <"${sources[$i]}")" ] || fail "cabinet $i content"
  offset=$((offset + length))
done
[ $((offset + cab_len + 13)) = "$size" ] || fail "cabinets and qzsetup.cab do not fill the file"
cmp -s "$x/setup/tool.txt" "$work/extra/tool.txt" || fail "tool.txt"
cmp -s "$x/setup/QZUninstall.exe" "$dist/Data/Uninstall2.exe" || fail "QZUninstall.exe"
grep -q 'UpdateURL=http://127.0.0.1/u.txt' "$x/setup/Updater.ini" || fail "Updater.ini"

# ---- Failed builds keep the old setup and leave no temporary files ----
work_folders() { ls "$temp_dir" | grep -i '^kpb' | sort; }
# Files beside the target, and build work folders made since the run started that
# are still there (the test has its bed, and so its temp folder, to itself).
leftovers() {
  ls "$work/out" | grep -v -x -e Setup.exe -e folder.exe
  comm -13 "$work/folders.before" <(work_folders)
}
expect_failed() {  # message-start KEY=VALUE... [-- lines]
  local message=$1; shift
  printf '%s' "$marker" >"$work/out/Setup.exe"
  project "$work/p.zpf" "$@"
  work_folders >"$work/folders.before"
  build /S 'C:\kbtest\p.zpf'
  [ "$rc" = 3 ] || fail "exit $rc, stderr: $err"
  [[ $err == "error: $message"* ]] || fail "stderr: $err"
  [ "$(cat "$work/out/Setup.exe")" = "$marker" ] || fail "the old setup changed"
  [ -z "$(leftovers)" ] || fail "left: $(leftovers)"
}
case_name="failed: a folder as target"
expect_failed 'Cannot create file: C:\kbtest\out\folder.exe' 'SetupFile=C:\kbtest\out\folder.exe'
case_name="failed: target equals a source file"
expect_failed 'Cannot create file: C:\kbtest\files\a.txt' 'SetupFile=C:\kbtest\files\a.txt'
cmp -s <(printf 'alpha text\r\n%.0s' {1..200}) "$work/files/a.txt" || fail "a.txt was overwritten"
# The program's own files (languages, engines, pictures, the program) are never written over.
program=$(winpath "$dist/")
lng=$(md5sum <"$dist/Languages/English.lng")
for name in 'Languages\English.lng' 'Setup.exe'; do
  case_name="failed: target $name in the program folder"
  expect_failed "Cannot create file: $program$name" "SetupFile=$program$name"
done
[ "$(md5sum <"$dist/Languages/English.lng")" = "$lng" ] || fail "English.lng was overwritten"
[ ! -e "$dist/Setup.exe" ] || fail "a setup was built into the program folder"
case_name="failed: a bad stored name"
expect_failed 'Compressing file error: C:\kbtest\extra\tool.txt  Invalid or duplicate file name: qzsetup.ini' \
  AdditionalFiles=1 FilesCount=0 -- '[Files]' '0=C:\kbtest\extra\tool.txt?<SetupTempDir>\qzsetup.ini?Overwrite?Yes'
case_name="failed: a row without a file name"
expect_failed 'Compressing file error: C:\kbtest\extra\tool.txt  Invalid or duplicate file name: ' \
  AdditionalFiles=1 FilesCount=0 -- '[Files]' '0=C:\kbtest\extra\tool.txt?<InstallDir>\sub\?Overwrite?Yes'
# The setup unpacks its temporary files flat: a sub-folder would not be there.
expect_failed 'Compressing file error: C:\kbtest\extra\tool.txt  Invalid or duplicate file name: sub\tool.txt' \
  AdditionalFiles=1 FilesCount=0 -- '[Files]' '0=C:\kbtest\extra\tool.txt?<SetupTempDir>\sub\tool.txt?Overwrite?Yes'

# ---- Two builds at once ----
case_name="two parallel builds succeed"
project "$work/p1.zpf" 'SetupFile=C:\kbtest\out\One.exe'
project "$work/p2.zpf" 'SetupFile=C:\kbtest\out\Two.exe'
timeout 120 wine "$exe" /S 'C:\kbtest\p1.zpf' </dev/null >/dev/null 2>&1 &
one=$!
timeout 120 wine "$exe" /S 'C:\kbtest\p2.zpf' </dev/null >/dev/null 2>&1 &
two=$!
wait $one; rc1=$?
wait $two; rc2=$?
[ "$rc1$rc2" = 00 ] || fail "exit codes $rc1 and $rc2"
for s in One Two; do [[ $(tail -c 13 "$work/out/$s.exe") =~ ^ZYX[0-9]{10}$ ]] || fail "$s.exe has no trailer"; done

echo "builder_e2e: $failures failure(s)"
[ "$failures" = 0 ]
