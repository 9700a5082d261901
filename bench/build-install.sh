#!/usr/bin/env bash
# Build and install benchmark: our command-line build (KInstaller.exe /S, under
# Wine) against the native makensis (Debian's nsis, zlib), then both silent installs
# under wine64 in the test bed's prefix with a warm wineserver. Floors for the
# install: cabextract and Wine's own extrac32 of a gcab -z cabinet of the same
# folder, and a plain cp -r. Not a test: it reports, it asserts nothing but the
# installed files' md5s.
#
# Tables: the 50 MB corpus (490 files) and a one-file project; the interactive
# install of the corpus (the wizard driven with Next and Install by
# bench/wizard_driver.cpp, timed from its start to the finished page, in the same
# rounds as the silent installs); the scaling table (2,000 and 20,000 files of
# about 100 bytes). Then the goals, met or not.
#
#   bench/build-install.sh [RUNS]     (default 3; the median is reported)
#   BENCH_SCALING=0 skips the scaling table (its 20,000-file install is the slow row);
#   the scaling rows run once whatever RUNS says, and a scaling install still running
#   after BENCH_LIMIT seconds (default 900) is ended and reported as "> limit".
#
# Needs a build (scripts/build.sh). Installs nsis with apt when makensis is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
scaling=${BENCH_SCALING:-1}
limit=${BENCH_LIMIT:-900}
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
rm -rf "$bench"; mkdir -p "$bench"
x86_64-w64-mingw32-g++-posix -O2 -static -static-libgcc -static-libstdc++ \
  -o "$bench/wizard_driver.exe" "$root/bench/wizard_driver.cpp"

# ---- Content: the corpus (50 MB of seeded content: 20 MB text, 20 MB random, 10 MB
# repetitive, 300 tiny files), one file, and the scaling sets of tiny files ----
python3 - "$bench" "$scaling" <<'EOF'
import os, random, sys
root, scaling = sys.argv[1], sys.argv[2] != '0'
rng = random.Random(20261209)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10))) for _ in range(5000)]
def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f: f.write(data)
src = f'{root}/corpus/src'
for i in range(80):   # 80 x 256 KB of text
    lines, size = [], 0
    while size < 262144:
        line = ' '.join(rng.choice(words) for _ in range(12)) + '\r\n'
        lines.append(line); size += len(line)
    write(f'{src}/text/doc{i:03}.txt', ''.join(lines).encode()[:262144])
for i in range(80):   # 80 x 256 KB of random bytes
    write(f'{src}/bin/blob{i:03}.dat', rng.randbytes(262144))
for i in range(30):   # 30 x ~341 KB of repetitive records
    record = f'record {i:04} ' .encode() + bytes(range(64)) + b'\r\n'
    write(f'{src}/data/table{i:02}.db', (record * (349525 // len(record) + 1))[:349525])
for i in range(300):  # tiny files, three levels deep
    write(f'{src}/tiny/d{i % 5}/e{i % 7}/f{i:03}.cfg', f'key{i}=value{rng.randint(0, 10**9)}\r\n'.encode())
write(f'{root}/one/src/text/doc000.txt', b'one file of the one-file project\r\n' * 30)
for n in ([2000, 20000] if scaling else []):  # about 100 bytes each, 100 per folder
    for i in range(n - 1):
        line = f'key{i}=' + ''.join(rng.choice(words) + ' ' for _ in range(12))
        write(f'{root}/tiny{n}/src/text/d{i // 100:03}/f{i:05}.cfg', (line[:96] + '\r\n').encode())
    write(f'{root}/tiny{n}/src/text/doc000.txt', b'the shortcut target\r\n')  # one of the n files
EOF
sets=(corpus one)
[ "$scaling" = 0 ] || sets+=(tiny2000 tiny20000)

# ---- Our project and a comparable NSIS script, per set ----
cp "$dist/Bitmaps/Wizard/00.bmp" "$bench/w.bmp"; cp "$dist/Bitmaps/Header/00.bmp" "$bench/h.bmp"
guid='{5E0A7C3B-1D2F-4A6B-9C8D-7E6F5A4B3C2D}'
for set in "${sets[@]}"; do
  dir=$bench/$set
  (cd "$dir/src" && find . -type f -exec md5sum {} + | sort -k2) >"$dir/src.md5"
  cat <<EOF | sed 's/$/\r/' >"$dir/Bench.zpf"
[Setup]
Version=5.4
GUID=$guid
AppName=Bench App
AppVersion=1.0
CompanyName=Bench Company
SetupFile=C:\\bench\\$set\\BenchSetup.exe
WizardBitmap=C:\\bench\\w.bmp
HeaderBitmap=C:\\bench\\h.bmp
Admin=1
InstallLevel=1
PromptUninstall=0
InstallationPath=<ProgramFiles>\\<CompanyName>\\<AppName>
SourceFolder=C:\\bench\\$set\\src
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
  cat >"$dir/bench.nsi" <<'EOF'
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
done

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", b - a}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }
le() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(a <= b)}'; }

app="$WINEPREFIX/drive_c/Program Files (x86)/Bench Company/Bench App"
clean() {  # outside the timings
  rm -rf "$WINEPREFIX/drive_c/Program Files (x86)/Bench Company" "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Bench App"
  local k
  for k in 'HKLM\Software\Bench Company' "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$guid" \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchAppNsis'; do
    wine reg delete "$k" /f /reg:32 </dev/null >/dev/null 2>&1 || true
  done
}
verify() {  # SET WHO
  (cd "$app" && find . -type f ! -name Uninstall.exe ! -name Uninstall.ini -exec md5sum {} + | sort -k2) >"$bench/got.md5"
  cmp -s "$bench/got.md5" "$bench/$1/src.md5" || { echo "$1, $2: installed files differ from the source" >&2; exit 1; }
}

# measure SET RUNS [WIZARD]: medians into the R_* variables of SET (build, size,
# install, floors). With WIZARD=1 each round also runs the interactive install, so
# that it is timed beside the silent one: the speed of this machine drifts over
# minutes, and a ratio of two medians taken minutes apart would measure the drift.
declare -A R
measure() {
  local set=$1 n=$2 wizard=${3:-0} dir=$bench/$1 win="C:\\bench\\$1"
  local ob=() nb=() oi=() ni=() cb=() xb=() cp=() wi=()
  for _ in $(seq "$n"); do
    rm -f "$dir/BenchSetup.exe" "$dir/nsis-setup.exe"
    t0=$(now); wine "$dist/KInstaller.exe" /S "$win\\Bench.zpf" </dev/null >/dev/null; t1=$(now); ob+=("$(elapsed "$t0" "$t1")")
    t0=$(now); (cd "$dir" && makensis -V1 bench.nsi >/dev/null); t1=$(now); nb+=("$(elapsed "$t0" "$t1")")
  done
  R[$set.build]=$(median "${ob[@]}") R[$set.nbuild]=$(median "${nb[@]}")
  R[$set.size]=$(stat -c %s "$dir/BenchSetup.exe") R[$set.nsize]=$(stat -c %s "$dir/nsis-setup.exe")
  R[$set.over]=
  for _ in $(seq "$n"); do
    clean; t0=$(now); rc=0; timeout "$limit" wine "$win\\BenchSetup.exe" /S </dev/null || rc=$?; t1=$(now)
    if [ "$rc" = 124 ]; then
      oi+=("$limit"); R[$set.over]="> "
    else
      oi+=("$(elapsed "$t0" "$t1")"); verify "$set" KInstaller
    fi
    clean; t0=$(now); wine "$win\\nsis-setup.exe" /S </dev/null; t1=$(now); ni+=("$(elapsed "$t0" "$t1")"); verify "$set" NSIS
    [ "$wizard" = 0 ] || interactive "$set"
  done
  clean
  R[$set.install]=$(median "${oi[@]}") R[$set.ninstall]=$(median "${ni[@]}")
  [ "$wizard" = 0 ] || R[$set.wizard]=$(median "${wi[@]}")
  local floor=$dir/floor members
  rm -rf "$floor"; mkdir -p "$floor"
  mapfile -t members < <(cd "$dir/src" && find . -type f | sed 's|^\./||')
  (cd "$dir/src" && gcab -c -z "$floor/all.cab" "${members[@]}")
  for _ in $(seq "$n"); do
    rm -rf "$floor/x"; mkdir "$floor/x"; t0=$(now); cabextract -q -d "$floor/x" "$floor/all.cab"; t1=$(now); cb+=("$(elapsed "$t0" "$t1")")
    rm -rf "$floor/w"; t0=$(now); wine extrac32 /Y /E /L "$win\\floor\\w" "$win\\floor\\all.cab" </dev/null; t1=$(now)
    xb+=("$(elapsed "$t0" "$t1")")
    rm -rf "$floor/y"; t0=$(now); cp -r "$dir/src" "$floor/y"; t1=$(now); cp+=("$(elapsed "$t0" "$t1")")
  done
  [ "$(find "$floor/w" -type f | wc -l)" = "${#members[@]}" ] || { echo "$set: extrac32 left files out" >&2; exit 1; }
  rm -rf "$floor"
  R[$set.cabextract]=$(median "${cb[@]}") R[$set.extrac32]=$(median "${xb[@]}") R[$set.cp]=$(median "${cp[@]}")
}

# One interactive install of SET into measure's wi: the wizard through Next and
# Install to its finished page.
interactive() {
  local set=$1 line
  clean
  line=$(wine "$bench/wizard_driver.exe" "C:\\bench\\$set\\BenchSetup.exe" 1800 </dev/null | grep '^FINISHED ') ||
    { echo "$set: the wizard did not reach its finished page" >&2; exit 1; }
  wi+=("${line#FINISHED }")
  verify "$set" "KInstaller (wizard)"
}

measure corpus "$runs" 1
measure one "$runs"
if [ "$scaling" != 0 ]; then
  measure tiny2000 1
  measure tiny20000 1
fi
files=$(find "$bench/corpus/src" -type f | wc -l)
bytes=$(du -sb "$bench/corpus/src" | cut -f1)
rm -rf "$bench"

cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
echo
echo "Machine: $cpu, $(nproc) CPUs ($(lscpu | sed -n 's/^Core(s) per socket: *//p' | head -1) cores per socket); load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Build: KInstaller.exe /S under Wine; makensis native (Linux). Installs: both setups /S under wine64. Medians of $runs runs."
echo
echo "Corpus: $files files, $bytes bytes"
echo "metric | KInstaller | NSIS | ratio"
echo "build time (s) | ${R[corpus.build]} | ${R[corpus.nbuild]} | $(ratio "${R[corpus.build]}" "${R[corpus.nbuild]}")"
echo "setup size (bytes) | ${R[corpus.size]} | ${R[corpus.nsize]} | $(ratio "${R[corpus.size]}" "${R[corpus.nsize]}")"
echo "install time (s) | ${R[corpus.install]} | ${R[corpus.ninstall]} | $(ratio "${R[corpus.install]}" "${R[corpus.ninstall]}")"
echo "interactive install, start to finished page (s) | ${R[corpus.wizard]} | - | $(ratio "${R[corpus.wizard]}" "${R[corpus.install]}") of our silent install"
echo "one-file build time (s) | ${R[one.build]} | ${R[one.nbuild]} | $(ratio "${R[one.build]}" "${R[one.nbuild]}")"
echo "one-file install time (s) | ${R[one.install]} | ${R[one.ninstall]} | $(ratio "${R[one.install]}" "${R[one.ninstall]}")"
echo "install vs cabextract floor (${R[corpus.cabextract]} s) | $(ratio "${R[corpus.install]}" "${R[corpus.cabextract]}")"
echo "install vs wine extrac32 floor (${R[corpus.extrac32]} s) | $(ratio "${R[corpus.install]}" "${R[corpus.extrac32]}")"
echo "install vs cp -r floor (${R[corpus.cp]} s) | $(ratio "${R[corpus.install]}" "${R[corpus.cp]}")"
echo "Every install verified: each installed file's md5 matches its source."

goal() {  # TEXT OK
  if [ "$2" = 1 ]; then echo "  met:     $1"; else echo "  NOT met: $1"; fi
}
met() { if le "$1" "$2"; then echo 1; else echo 0; fi; }
per_file() {  # N: (install - extrac32 floor) / N in ms
  awk -v i="${R[tiny$1.install]}" -v f="${R[tiny$1.extrac32]}" -v n="$1" 'BEGIN {printf "%.3f", (i - f) * 1000 / n}'
}
if [ "$scaling" != 0 ]; then
  echo
  echo "Scaling: files of about 100 bytes, one run each"
  echo "files | build ours (s) | build NSIS (s) | install ours (s) | install NSIS (s) | extrac32 floor (s) | cabextract floor (s) | (install - extrac32) / N (ms)"
  for n in 2000 20000; do
    echo "$n | ${R[tiny$n.build]} | ${R[tiny$n.nbuild]} | ${R[tiny$n.over]}${R[tiny$n.install]} | ${R[tiny$n.ninstall]} | ${R[tiny$n.extrac32]} | ${R[tiny$n.cabextract]} | $(per_file $n)"
  done
  echo "build(20000) / build(2000): ours $(ratio "${R[tiny20000.build]}" "${R[tiny2000.build]}"), NSIS $(ratio "${R[tiny20000.nbuild]}" "${R[tiny2000.nbuild]}")"
fi

echo
echo "Goals:"
goal "install <= 1.0 x the reference ($(ratio "${R[corpus.install]}" "${R[corpus.ninstall]}"))" \
  "$(met "$(ratio "${R[corpus.install]}" "${R[corpus.ninstall]}")" 1.0)"
goal "build <= 0.8 x the reference ($(ratio "${R[corpus.build]}" "${R[corpus.nbuild]}"))" \
  "$(met "$(ratio "${R[corpus.build]}" "${R[corpus.nbuild]}")" 0.8)"
goal "size <= 1.1 x the reference ($(ratio "${R[corpus.size]}" "${R[corpus.nsize]}"))" \
  "$(met "$(ratio "${R[corpus.size]}" "${R[corpus.nsize]}")" 1.1)"
goal "interactive install <= 1.2 x the silent one ($(ratio "${R[corpus.wizard]}" "${R[corpus.install]}"))" \
  "$(met "$(ratio "${R[corpus.wizard]}" "${R[corpus.install]}")" 1.2)"
if [ "$scaling" != 0 ]; then
  for n in 2000 20000; do
    goal "install per file above the extrac32 floor <= 1 ms at N = $n (${R[tiny$n.over]}$(per_file $n) ms)" \
      "$(met "$(per_file $n)" 1.0)"
  done
  goal "build(20000) <= 11 x build(2000) ($(ratio "${R[tiny20000.build]}" "${R[tiny2000.build]}"))" \
    "$(met "$(ratio "${R[tiny20000.build]}" "${R[tiny2000.build]}")" 11)"
else
  echo "  (scaling goals not measured: BENCH_SCALING=0)"
fi
harness_stop
