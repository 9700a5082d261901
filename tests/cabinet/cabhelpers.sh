# Shared by the cabinet end-to-end scripts (sourced). Checks use independent
# tools only: cabextract, gcab, cmp, od.

fail() { echo "FAIL: $*" >&2; exit 1; }

# Windows form of a Unix path, for our programs under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

pkgtool() { wine "$PKGTOOL" "$@" </dev/null; }

# Little-endian header fields: u32 FILE OFFSET, u16 FILE OFFSET, u8 FILE OFFSET.
u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
u16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
u8() { od -An -tu1 -j"$2" -N1 "$1" | tr -d ' '; }

# expect_eq WHAT ACTUAL EXPECTED
expect_eq() { [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"; }

# The header of a one-folder, one-file MSZIP cabinet that is not part of a set.
check_single_header() {
    local cab=$1
    expect_eq "signature" "$(head -c4 "$cab")" "MSCF"
    expect_eq "cbCabinet" "$(u32 "$cab" 8)" "$(stat -c %s "$cab")"
    expect_eq "versionMinor" "$(u8 "$cab" 24)" 3
    expect_eq "versionMajor" "$(u8 "$cab" 25)" 1
    expect_eq "cFolders" "$(u16 "$cab" 26)" 1
    expect_eq "cFiles" "$(u16 "$cab" 28)" 1
    expect_eq "flags" "$(u16 "$cab" 30)" 0
    expect_eq "setID" "$(u16 "$cab" 32)" 0
    expect_eq "iCabinet" "$(u16 "$cab" 34)" 0
    expect_eq "typeCompress" "$(u16 "$cab" 42)" 1
}
