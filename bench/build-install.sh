#!/usr/bin/env bash
# Build and install benchmark: our command-line build (KInstaller.exe /S, under
# Wine) against the native makensis (Debian's nsis, zlib), then both silent installs
# under wine64 in the test bed's prefix with a warm wineserver. Floors for the
# install: cabextract of a gcab -z cabinet of the same folder, and a plain cp -r.
# Not a test: it reports, it asserts nothing but the installed files' md5s.
#
#   bench/build-install.sh [RUNS]     (default 3; the median is reported)
#
# Needs a build (scripts/build.sh). Installs nsis with apt when makensis is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
dist=${KIN_DIST:-$root/build/dist}  # another build's dist folder may be given
[ -f "$dist/KInstaller.exe" ] || { echo "build first: scripts/build.sh" >&2; exit 1; }
if ! command -v makensis >/dev/null; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y --no-install-recommends nsis >/dev/null
  else sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nsis >/dev/null; fi
fi

export HARNESS_DIR=${HARNESS_DIR:-$root/build/bench/wine}
source "$root/scripts/wine-harness.sh"
harness_start >/dev/null

bench=$WINEPREFIX/drive_c/bench
src=$bench/src
rm -rf "$bench"; mkdir -p "$src"

# ---- 50 MB of seeded content: 20 MB text, 20 MB random, 10 MB repetitive, 300 tiny files ----
python3 - "$src" <<'EOF'
import os, random, sys
root = sys.argv[1]
rng = random.Random(20261209)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10))) for _ in range(5000)]
def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f: f.write(data)
for i in range(80):   # 80 x 256 KB of text
    lines, size = [], 0
    while size < 262144:
        line = ' '.join(rng.choice(words) for _ in range(12)) + '\r\n'
        lines.append(line); size += len(line)
    write(f'{root}/text/doc{i:03}.txt', ''.join(lines).encode()[:262144])
for i in range(80):   # 80 x 256 KB of random bytes
    write(f'{root}/bin/blob{i:03}.dat', rng.randbytes(262144))
for i in range(30):   # 30 x ~341 KB of repetitive records
    record = f'record {i:04} ' .encode() + bytes(range(64)) + b'\r\n'
    write(f'{root}/data/table{i:02}.db', (record * (349525 // len(record) + 1))[:349525])
for i in range(300):  # tiny files, three levels deep
    write(f'{root}/tiny/d{i % 5}/e{i % 7}/f{i:03}.cfg', f'key{i}=value{rng.randint(0, 10**9)}\r\n'.encode())
EOF
files=$(find "$src" -type f | wc -l)
bytes=$(du -sb "$src" | cut -f1)
(cd "$src" && find . -type f -exec md5sum {} + | sort -k2) >"$bench/src.md5"

# ---- Our project and a comparable NSIS script ----
cp "$dist/Bitmaps/Wizard/00.bmp" "$bench/w.bmp"; cp "$dist/Bitmaps/Header/00.bmp" "$bench/h.bmp"
guid='{5E0A7C3B-1D2F-4A6B-9C8D-7E6F5A4B3C2D}'
{
  cat <<EOF
[Setup]
Version=5.4
GUID=$guid
AppName=Bench App
AppVersion=1.0
CompanyName=Bench Company
SetupFile=C:\\bench\\BenchSetup.exe
WizardBitmap=C:\\bench\\w.bmp
HeaderBitmap=C:\\bench\\h.bmp
Admin=1
InstallLevel=1
PromptUninstall=0
InstallationPath=<ProgramFiles>\\<CompanyName>\\<AppName>
SourceFolder=C:\\bench\\src
ExistMode=1
Uninstall=1
ShowAddRemove=1
DefaultLanguage=English
ProgramGroup=<AppName>
FilesCount=-1
AdditionalFiles=0
[Languages]
English=
[Shortcuts]
0=<ProgramGroup>*?Bench App*?<InstallDir>\\text\\doc000.txt*?Bench App*?*?<InstallDir>*?*?0*?Normal
[Registry]
0=HKEY_LOCAL_MACHINE\\Software\\<CompanyName>\\<AppName>*?InstallDir*?REG_SZ*?<InstallDir>*?Yes*?Yes
EOF
} | sed 's/$/\r/' >"$bench/Bench.zpf"
cat >"$bench/bench.nsi" <<'EOF'
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "Bench App"
OutFile "nsis-setup.exe"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES32\Bench Company\Bench App"
Section
  SetShellVarContext all
  SetRegView 32
  SetOutPath "$INSTDIR"
  File /r "src\*.*"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Bench App"
  CreateShortcut "$SMPROGRAMS\Bench App\Bench App.lnk" "$INSTDIR\text\doc000.txt"
  WriteRegStr HKLM "Software\Bench Company\Bench App" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchAppNsis" "DisplayName" "Bench App"
  WriteRegStr HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchAppNsis" "UninstallString" "$INSTDIR\Uninstall.exe"
SectionEnd
Section "Uninstall"
  RMDir /r "$INSTDIR"
SectionEnd
EOF

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", b - a}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

# ---- Builds ----
ours_build=() nsis_build=()
for _ in $(seq "$runs"); do
  rm -f "$bench/BenchSetup.exe" "$bench/nsis-setup.exe"
  t0=$(now); wine "$dist/KInstaller.exe" /S 'C:\bench\Bench.zpf' </dev/null >/dev/null; t1=$(now)
  ours_build+=("$(elapsed "$t0" "$t1")")
  t0=$(now); (cd "$bench" && makensis -V1 bench.nsi >/dev/null); t1=$(now)
  nsis_build+=("$(elapsed "$t0" "$t1")")
done
ours_size=$(stat -c %s "$bench/BenchSetup.exe")
nsis_size=$(stat -c %s "$bench/nsis-setup.exe")

# ---- Installs (cleaned between runs, outside the timing) ----
app="$WINEPREFIX/drive_c/Program Files (x86)/Bench Company/Bench App"
clean() {
  rm -rf "$WINEPREFIX/drive_c/Program Files (x86)/Bench Company" "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Bench App"
  local k
  for k in 'HKLM\Software\Bench Company' "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$guid" \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchAppNsis'; do
    wine reg delete "$k" /f /reg:32 </dev/null >/dev/null 2>&1 || true
  done
}
verify() {  # who
  (cd "$app" && find . -type f ! -name Uninstall.exe ! -name Uninstall.ini -exec md5sum {} + | sort -k2) >"$bench/got.md5"
  cmp -s "$bench/got.md5" "$bench/src.md5" || { echo "$1: installed files differ from the source" >&2; exit 1; }
}
ours_install=() nsis_install=()
for _ in $(seq "$runs"); do
  clean; t0=$(now); wine 'C:\bench\BenchSetup.exe' /S </dev/null; t1=$(now); ours_install+=("$(elapsed "$t0" "$t1")"); verify KInstaller
  clean; t0=$(now); wine 'C:\bench\nsis-setup.exe' /S </dev/null; t1=$(now); nsis_install+=("$(elapsed "$t0" "$t1")"); verify NSIS
done
clean

# ---- Floors ----
floor=$HARNESS_DIR/floor
rm -rf "$floor"; mkdir -p "$floor"
mapfile -t members < <(cd "$src" && find . -type f | sed 's|^\./||')
(cd "$src" && gcab -c -z "$floor/all.cab" "${members[@]}")
cab_runs=() cp_runs=()
for _ in $(seq "$runs"); do
  rm -rf "$floor/x"; mkdir "$floor/x"; t0=$(now); cabextract -q -d "$floor/x" "$floor/all.cab"; t1=$(now); cab_runs+=("$(elapsed "$t0" "$t1")")
  rm -rf "$floor/y"; t0=$(now); cp -r "$src" "$floor/y"; t1=$(now); cp_runs+=("$(elapsed "$t0" "$t1")")
done
rm -rf "$floor" "$bench"

ob=$(median "${ours_build[@]}") nb=$(median "${nsis_build[@]}")
oi=$(median "${ours_install[@]}") ni=$(median "${nsis_install[@]}")
cb=$(median "${cab_runs[@]}") cp=$(median "${cp_runs[@]}")
echo
echo "Content: $files files, $bytes bytes; medians of $runs runs; $(nproc) CPUs, $(lscpu | sed -n 's/^Model name: *//p' | head -1)"
echo "Build: KInstaller.exe /S under Wine; makensis native (Linux). Installs: both setups /S under wine64."
echo "metric | KInstaller | NSIS | ratio"
echo "build time (s) | $ob | $nb | $(ratio "$ob" "$nb")"
echo "setup size (bytes) | $ours_size | $nsis_size | $(ratio "$ours_size" "$nsis_size")"
echo "install time (s) | $oi | $ni | $(ratio "$oi" "$ni")"
echo "install vs cabextract floor ($cb s) | $(ratio "$oi" "$cb")"
echo "install vs cp -r floor ($cp s) | $(ratio "$oi" "$cp")"
echo "Both installs verified: every installed file's md5 matches its source."
harness_stop
