#!/usr/bin/env bash
# Builds the sample project with the authoring program's /S, installs the setup
# silently, shows and checks what it installed, uninstalls it and shows that all
# of it is gone. Shared by scripts/demo.sh and the sample end-to-end test.
#
#   sample-steps.sh KInstaller.exe SampleApp.exe examples/sample testproc.exe
#
# Needs WINEPREFIX (a prepared test-bed prefix) and DISPLAY. Exits non-zero on the
# first failure.
set -euo pipefail
kinstaller=$1 sample_app=$2 sample_src=$3 testproc=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/winpath.sh"
: "${WINEPREFIX:?WINEPREFIX is not set}"

fail() { echo "FAILED: $*" >&2; exit 1; }
wine_q() { wine "$@" </dev/null; }

drive_c=$WINEPREFIX/drive_c
sample=$drive_c/sample
app_dir="$drive_c/Program Files (x86)/Sample Company/Sample App"
app_key='HKLM\Software\Sample Company\Sample App'
entry_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{6C1D2E7A-3B54-4F19-8E2A-5D0C9B7F4A12}'
installed=(SampleApp.exe Readme.txt License.rtf docs/Guide.txt Uninstall.exe Uninstall.ini)

# The sample lives at C:\sample, where its project file expects it.
rm -rf "$sample"
cp -r "$sample_src" "$sample"
rm -rf "$sample/src"
cp "$sample_app" "$sample/files/SampleApp.exe"

echo "== Building: KInstaller.exe /S 'C:\\sample\\Sample.zpf'"
set +e
wine_q "$(winpath "$kinstaller")" /S 'C:\sample\Sample.zpf'
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "the build exited $rc"
setup=$sample/SampleSetup-1.0.exe
[ -f "$setup" ] || fail "no $setup"

echo "== Installing: C:\\sample\\SampleSetup-1.0.exe /S"
set +e
wine_q 'C:\sample\SampleSetup-1.0.exe' /S
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "the setup exited $rc"

echo "== Installed files (C:\\Program Files (x86)\\Sample Company\\Sample App)"
for f in "${installed[@]}"; do
  [ -f "$app_dir/$f" ] || fail "missing $f"
  printf '   %-16s %8s bytes\n' "$f" "$(stat -c %s "$app_dir/$f")"
done
for f in SampleApp.exe Readme.txt License.rtf docs/Guide.txt; do
  [ "$(md5sum <"$app_dir/$f")" = "$(md5sum <"$sample/files/$f")" ] || fail "$f differs from its source"
done
echo "   md5 of the four product files matches their sources"

echo "== Registry value ($app_key, 32-bit view)"
value=$(wine_q reg query "$app_key" /v InstallDir /reg:32 | tr -d '\r' | grep REG_SZ) || fail "no InstallDir value"
echo "  $value"
[[ $value == *'C:\Program Files (x86)\Sample Company\Sample App'* ]] || fail "InstallDir holds the wrong folder"

echo "== Shortcuts"
mapfile -t links < <(find "$drive_c/ProgramData" "$drive_c/users" -name 'Sample App.lnk' 2>/dev/null)
[ "${#links[@]}" -gt 0 ] || fail "no Sample App.lnk"
for l in "${links[@]}"; do echo "   ${l#"$drive_c/"}"; done

echo "== Add/Remove entry ($entry_key, 32-bit view)"
wine_q reg query "$entry_key" /reg:32 | tr -d '\r' | grep REG_ | sed 's/^ */   /' || fail "no Add/Remove entry"

echo "== Uninstalling: Uninstall.exe /S"
set +e
wine_q 'C:\Program Files (x86)\Sample Company\Sample App\Uninstall.exe' /S
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "the uninstaller exited $rc"
wine_q "$(winpath "$testproc")" wait QZUninstall.exe 60 || fail "the uninstaller did not end"

echo "== Left after uninstalling"
left=0
for f in "${installed[@]}"; do
  if [ -e "$app_dir/$f" ]; then echo "   still there: $f"; left=1; fi
done
for l in "${links[@]}"; do
  if [ -e "$l" ]; then echo "   still there: ${l#"$drive_c/"}"; left=1; fi
done
if wine_q reg query "$app_key" /v InstallDir /reg:32 >/dev/null 2>&1; then echo "   still there: the InstallDir value"; left=1; fi
if wine_q reg query "$entry_key" /reg:32 >/dev/null 2>&1; then echo "   still there: the Add/Remove entry"; left=1; fi
[ "$left" -eq 0 ] || fail "the uninstaller left things behind"
echo "   nothing: files, shortcut, value and Add/Remove entry are gone"
rm -rf "$sample"
