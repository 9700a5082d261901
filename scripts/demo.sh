#!/usr/bin/env bash
# Packs the sample in examples/sample into a setup executable with the project's
# own package writer and shows its layout: engine copy, one cabinet per file,
# qzsetup.cab and the trailer. Then installs it silently, shows what was
# installed, uninstalls it with the installed Uninstall.exe /S and shows what is
# left (nothing). (The sample project file comes with the package builder.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

source "$root/scripts/wine-harness.sh"
harness_start

sample=$root/examples/sample
out=$root/build/demo
rm -rf "$out"; mkdir -p "$out"
w() { winepath -w "$1"; }

wine "$(w "$root/build/tests/tools/pkgtool.exe")" package \
  --engine "$(w "$root/build/dist/Data/Engine2.dat")" \
  --script "$(w "$sample/qzsetup.ini")" \
  --out "$(w "$out/setup.exe")" \
  --file "$(w "$sample/readme.txt")" '<InstallDir>\readme.txt' \
  --file "$(w "$sample/logo.bmp")" '<InstallDir>\logo.bmp' \
  --file "$(w "$sample/docs/guide.txt")" '<InstallDir>\docs\guide.txt' \
  --file "$(w "$sample/start.cmd")" '<InstallDir>\start.cmd' 'Overwrite only if newer' Yes \
  --uninstaller "$(w "$root/build/dist/Data/Uninstall2.exe")" \
  --member "$(w "$sample/setup/Englishqz.lng")" \
  --member "$(w "$sample/setup/qzwizard.bmp")" \
  --member "$(w "$sample/setup/qzheader.bmp")" \
  </dev/null

setup=$out/setup.exe
size=$(stat -c %s "$setup")
trailer=$(tail -c 13 "$setup")
cab_len=$((10#${trailer:3}))
cab_off=$((size - 13 - cab_len))
echo
echo "Setup executable: $setup"
echo "  size:            $size bytes"
echo "  trailer:         $trailer"
echo "  qzsetup.cab:     offset $cab_off, length $cab_len"

mkdir -p "$out/setupcab"
tail -c $((cab_len + 13)) "$setup" | head -c "$cab_len" >"$out/qzsetup.cab"
cabextract -q -d "$out/setupcab" "$out/qzsetup.cab"
ini=$out/setupcab/qzsetup.ini
engine_size=$(sed -n 's/^EngineSize=//p' "$ini" | tr -d '\r')
echo "  EngineSize:      $engine_size"
echo "  FileCabinets:"
offset=$engine_size
sed -n '/^\[Files\]/,/^\[/p' "$ini" | tr -d '\r' | grep '=' | while IFS='=' read -r key record; do
  IFS='?' read -r target length mode uninstall <<<"$record"
  if [ "$length" -gt 0 ]; then
    member=$(tail -c +$((offset + 1)) "$setup" | head -c "$length" >"$out/file.cab"; cabextract -l "$out/file.cab" | awk -F'|' 'NR>2 && /\|/ {gsub(/^ +| +$/,"",$3); print $3}')
    printf '    [%s] offset %-8s length %-6s member %-12s -> %s (%s, uninstall %s)\n' \
      "$key" "$offset" "$length" "$member" "$target" "$mode" "$uninstall"
    offset=$((offset + length))
  fi
done
rm -f "$out/file.cab"
echo
echo "cabextract -l $setup:"
cabextract -l "$setup"

# Install, look, uninstall, look again.
app="$WINEPREFIX/drive_c/Program Files (x86)/Sample Product"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{4F2A9C1E-7B3D-4E8A-9C51-2D6E8F0A1B3C}'
show_state() {
  if [ -d "$app" ]; then (cd "$app" && find . -type f -printf '    %p  %s bytes\n' | sort); else echo "    (no install folder)"; fi
  if wine reg query "$entry" /reg:32 </dev/null >/dev/null 2>&1; then
    echo "    Add/Remove entry:"; wine reg query "$entry" /reg:32 </dev/null | tr -d '\r' | grep REG_ | sed 's/^ */      /'
  else
    echo "    (no Add/Remove entry)"
  fi
}
echo
echo "Installing: setup.exe /S"
set +e
wine "$(w "$setup")" /S </dev/null; rc=$?
echo "  exit code $rc"
echo "  Installed:"
show_state
echo
echo "Uninstalling: \"C:\\Program Files (x86)\\Sample Product\\Uninstall.exe\" /S"
wine 'C:\Program Files (x86)\Sample Product\Uninstall.exe' /S </dev/null; rc=$?
echo "  exit code $rc"
wine "$(w "$root/build/tests/commands/testproc.exe")" wait QZUninstall.exe 60 </dev/null
echo "  Left:"
show_state
set -e
harness_stop
echo
echo "The sample project file and its build in the authoring program come later."
