#!/usr/bin/env bash
# What the authoring program packs for the wizard's languages: a project with
# English and Deutsch checked and a licence and readme for "(Default)" and for
# Deutsch, built with KInstaller.exe /S. The setup's inner cabinet (cabextract)
# must hold the shipped language files byte for byte and the RTF files as given.
#
# usage: languages_e2e.sh KINSTALLER_EXE DIST_DIR
set -u
exe=$1 dist=$2
for f in "$exe" "$dist/Languages/English.lng" "$dist/Languages/Deutsch.lng" "$dist/Bitmaps/Wizard/00.bmp"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

work=$(mktemp -d "$WINEPREFIX/drive_c/languages-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
w=$(winpath "$work")
mkdir -p "$work/files" "$work/out" "$work/x"
printf 'payload\r\n' >"$work/files/app.txt"
cp "$dist/Bitmaps/Wizard/00.bmp" "$work/wizard.bmp"
cp "$dist/Bitmaps/Header/00.bmp" "$work/header.bmp"
# rtf NAME TEXT: a small RTF document (cp1252) named NAME.
rtf() { printf '{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 %s\\par}\r\n' "$2" >"$work/$1"; }
rtf licence.rtf 'Licence for everyone.'
rtf lizenz.rtf "Lizenz f\\'fcr alle."
rtf readme.rtf 'Read me first.'
rtf liesmich.rtf "Bitte zuerst lesen: \\'e4\\'f6\\'fc."

sed 's/$/\r/' >"$work/p.zpf" <<EOF
[Setup]
Version=5.4
GUID={5C1D2E3F-4A5B-4C6D-8E7F-8091A2B3C4D5}
AppName=Language Test
AppVersion=1.0
CompanyName=Test Company
SetupFile=$w\\out\\Setup.exe
WizardBitmap=$w\\wizard.bmp
HeaderBitmap=$w\\header.bmp
CustomIcon=0
Win9x=1
WinNT=1
Win2000=1
WinXP=1
WinSrv2003=1
WinVista=1
Win7=1
Win8=1
x64=0
Admin=1
InstallMode=0
InstallLevel=1
PromptUninstall=0
InstallationPath=<ProgramFiles>\\<AppName>
SourceFolder=$w\\files
ExistMode=1
NotRemove=0
Uninstall=0
ShowAddRemove=0
Updater=0
DialogWelcome=1
DialogLicense=1
DialogReadme=1
DefaultLanguage=English
ProgramGroup=<AppName>
FilesCount=-1
AdditionalFiles=0
[Languages]
English=
Deutsch=
[License]
(Default)=$w\\licence.rtf
Deutsch=$w\\lizenz.rtf
[Readme]
(Default)=$w\\readme.rtf
Deutsch=$w\\liesmich.rtf
EOF

case_name="the project builds"
timeout 120 wine "$exe" /S "$w\\p.zpf" </dev/null >"$work/stdout" 2>"$work/stderr"
rc=$?
[ "$rc" = 0 ] || fail "exit $rc, stderr: $(tr -d '\r' <"$work/stderr")"
setup=$work/out/Setup.exe

case_name="the inner cabinet extracts"
trailer=$(tail -c 13 "$setup" 2>/dev/null)
if [[ $trailer =~ ^ZYX[0-9]{10}$ ]]; then
  cab_len=$((10#${trailer:3}))
  tail -c $((cab_len + 13)) "$setup" | head -c "$cab_len" >"$work/qzsetup.cab"
  cabextract -q -d "$work/x" "$work/qzsetup.cab" || fail "qzsetup.cab does not extract"
else
  fail "no trailer: '$trailer'"
fi

case_name="each checked language is the shipped file, byte for byte"
for language in English Deutsch; do
  cmp -s "$work/x/${language}qz.lng" "$dist/Languages/$language.lng" || fail "${language}qz.lng differs or is missing"
done
[ "$(ls "$work/x" | grep -ci 'qz\.lng$')" = 2 ] || fail "language members: $(ls "$work/x" | grep -i 'qz\.lng$')"

case_name="licence and readme files of both rows, as given"
for pair in 'L(Default).rtf licence.rtf' 'LDeutsch.rtf lizenz.rtf' 'R(Default).rtf readme.rtf' 'RDeutsch.rtf liesmich.rtf'; do
  read -r member source <<<"$pair"
  cmp -s "$work/x/$member" "$work/$source" || fail "$member differs from $source or is missing"
done

echo "languages_e2e: $failures failure(s)"
[ "$failures" = 0 ]
