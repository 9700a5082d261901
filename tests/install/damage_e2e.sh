#!/usr/bin/env bash
# A setup damaged on its way to the user must not install the damaged file. A
# setup built with KInstaller.exe /S is installed; then a newer build, with bytes
# flipped inside one file's compressed data, runs silently over it. Each case must
# end with exit 7, without a box, the damaged file's old copy intact (md5), no
# temporary copy left beside it, the other file installed and "Error file:" in the
# setup log.
#   8 bytes flipped alike: the cabinet's XOR checksums cannot see it; the file's
#                          CRC-32 in its [Files] record must.
#   1 byte flipped:        the cabinet library reports a corrupt cabinet.
#
# usage: damage_e2e.sh PROCDRIVER DIST_DIR
set -u
driver=$1 dist=$2
for f in "$driver" "$dist/KInstaller.exe" "$dist/Bitmaps/Wizard/00.bmp"; do
  [ -e "$f" ] || { echo "missing $f"; exit 1; }
done
command -v cabextract >/dev/null || { echo "missing cabextract"; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../options/e2e_project.sh"

work=$(mktemp -d "$WINEPREFIX/drive_c/damage-e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
w=$(winpath "$work")
app=$work/App
mkdir -p "$work/src" "$work/tmp" "$work/out"

# write_sources GENERATION: big.bin is random (stored, not deflated, in its cabinet,
# so flipped bytes reach the unpacked file), ok.txt a line of text.
write_sources() {
  python3 -c "import random,sys; random.seed($1); sys.stdout.buffer.write(random.randbytes(40000))" >"$work/src/big.bin"
  printf 'generation %d\r\n' "$1" >"$work/src/ok.txt"
}
build() {
  timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "$w\\p.zpf" </dev/null >"$work/build.out" 2>&1 ||
    stop "build $1 failed: $(cat "$work/build.out")"
}
# run_setup FILE: runs it silently into $app with the setup log; the exit code in $rc.
run_setup() {
  rm -f "$work/tmp/QZSETUPLOG.TXT"
  wine "$driver" --timeout 20 --env "TMP=$w\\tmp" --env "TEMP=$w\\tmp" -- "\"$w\\out\\$1\" /S /L /P \"$w\\App\"" \
    </dev/null >"$work/setup.out" 2>&1
  rc=$?
}

# damage SETUP TARGET_NAME COUNT OUT: XORs COUNT consecutive bytes with 0xFF inside the
# compressed data of the first data block of TARGET_NAME's cabinet. The cabinet is
# found from the setup script (EngineSize, then the [Files] lengths in key order).
damage() {
  python3 - "$@" "$work/script" <<'PY'
import configparser, os, struct, subprocess, sys
setup, name, count, out, scratch = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
data = bytearray(open(setup, 'rb').read())
assert data[-13:-10] == b'ZYX', 'no trailer'
length = int(data[-10:])
os.makedirs(scratch, exist_ok=True)
open(f'{scratch}/qzsetup.cab', 'wb').write(data[-13 - length:-13])
subprocess.run(['cabextract', '-q', '-F', 'qzsetup.ini', '-d', scratch, f'{scratch}/qzsetup.cab'], check=True)
ini = configparser.ConfigParser(interpolation=None, strict=False)
ini.optionxform = str
ini.read_string(open(f'{scratch}/qzsetup.ini', encoding='latin-1').read())
offset = int(ini['Setup']['EngineSize'])
for key in sorted(ini['Files'], key=int):
    fields = ini['Files'][key].split('?')
    if fields[0].lower().endswith('\\' + name):
        break
    offset += int(fields[1])
else:
    sys.exit(f'no [Files] record for {name}')
cab = offset
assert data[cab:cab + 4] == b'MSCF', 'no cabinet at the offset'
flags, = struct.unpack_from('<H', data, cab + 30)
assert flags == 0, 'cabinet with reserved fields or a set'
first_block, = struct.unpack_from('<I', data, cab + 36)  # CFFOLDER.coffCabStart
block = cab + first_block
checksum, compressed = struct.unpack_from('<IH', data, block)
assert checksum != 0 and compressed > 200 and data[block + 8:block + 10] == b'CK'
at = block + 8 + 100  # well inside the block's data: 8 bytes cover each checksum lane twice
for i in range(count):
    data[at + i] ^= 0xFF
open(out, 'wb').write(data)
PY
}

write_project "$work/p.zpf" "$dist" GUID='{5E2B7C41-9A3D-4B6E-8F10-3C7D2A9E4B58}' AppName=KinDamageE2E \
  SetupFile="$w\\out\\Setup.exe" SourceFolder="$w\\src" ExistMode=1

case_name="older copy"
write_sources 1
build 1
run_setup Setup.exe
[ "$rc" = 0 ] || stop "first install exit $rc: $(cat "$work/setup.out")"
old_md5=$(md5sum <"$app/big.bin")
write_sources 2
build 2

# case name|bytes flipped
cases=(
  "8 bytes flipped alike|8"
  "one byte flipped|1"
)
for row in "${cases[@]}"; do
  IFS='|' read -r case_name count <<<"$row"
  damage "$work/out/Setup.exe" big.bin "$count" "$work/out/Damaged.exe" || { fail "could not damage the setup"; continue; }
  run_setup Damaged.exe
  [ "$rc" = 7 ] || fail "exit $rc instead of 7: $(tr '\n' ' ' <"$work/setup.out")"
  grep -q '^BOX' "$work/setup.out" && fail "a box was shown: $(grep '^BOX' "$work/setup.out" | head -1)"
  [ "$(md5sum <"$app/big.bin")" = "$old_md5" ] || fail "big.bin does not hold its old bytes"
  grep -q 'generation 2' "$app/ok.txt" || fail "the undamaged ok.txt was not installed"
  [ -z "$(find "$app" -iname 'qzn*.tmp')" ] || fail "a temporary copy was left: $(ls "$app")"
  grep -q '^Error file: .*big\.bin' "$work/tmp/QZSETUPLOG.TXT" 2>/dev/null || fail "no 'Error file:' line for big.bin in the setup log"
  printf 'generation 1\r\n' >"$app/ok.txt"  # the next case installs it again
done

case_name=
[ "$failures" = 0 ] && echo "damage_e2e: all cases passed"
exit "$failures"
