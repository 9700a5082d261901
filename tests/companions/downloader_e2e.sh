#!/usr/bin/env bash
# The downloader stand-in against a loopback HTTP server: the exact bytes arrive
# (with and without Content-Length); a folder target takes the address's last
# segment; every failure exits 2, leaves the old target as it was and no file or
# folder behind; command-line faults and unsafe names exit 1.
#
# usage: downloader_e2e.sh PROCDRIVER DOWNLOADER_EXE LOOPBACK_SERVER_PY
set -u
driver=$1 downloader=$2 server_py=$3
for f in "$driver" "$downloader" "$server_py"; do [ -e "$f" ] || { echo "missing $f"; exit 1; }; done
command -v python3 >/dev/null || { echo "python3 is not installed"; exit 1; }

work=$(mktemp -d "$WINEPREFIX/drive_c/downloader-e2e.XXXXXX")
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/winpath.sh"

head -c 200000 /dev/urandom > "$work/payload"
python3 "$server_py" "$work/port" "$work/payload" &
server_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "the loopback server did not start"; exit 1; }
read -r port closed_port < "$work/port"
base=http://127.0.0.1:$port

# dl ARGS: runs the downloader with this exact command line tail; exit code in $rc.
dl() {
  wine "$driver" --timeout 90 -- "\"$(winpath "$downloader")\" $1" </dev/null >"$work/driver.out" 2>"$work/dl.err"
  rc=$?
}
expect_rc() { [ "$rc" = "$1" ] || fail "exit $rc, expected $1 ($(tr -d '\r' <"$work/dl.err"))"; }

case_name=ExactBytesArriveInMissingFolders
dl "/S \"$base/bytes/a.bin\" /D \"$(winpath "$work/new/sub/exact.bin")\""
expect_rc 0
cmp -s "$work/payload" "$work/new/sub/exact.bin" || fail "bytes differ"
[ "$(ls -A "$work/new/sub")" = exact.bin ] || fail "leftovers: $(ls -A "$work/new/sub")"

case_name=ChunkedBodyWithoutLengthArrivesWhole
dl "\"$base/chunked/c.bin\" /D \"$(winpath "$work/chunked.bin")\""
expect_rc 0
cmp -s "$work/payload" "$work/chunked.bin" || fail "bytes differ"

case_name=ExistingFolderTargetKeepsTheAddressName
mkdir -p "$work/folder"
dl "/S \"$base/bytes/name.dat?x=1#frag\" /D \"$(winpath "$work/folder")\""
expect_rc 0
cmp -s "$work/payload" "$work/folder/name.dat" || fail "name.dat missing or different: $(ls -A "$work/folder")"

case_name=TrailingBackslashTargetIsCreatedAsFolder
dl "/S \"$base/bytes/kept.bin\" /D \"$(winpath "$work/made")\\\""
expect_rc 0
cmp -s "$work/payload" "$work/made/kept.bin" || fail "kept.bin missing or different"

echo old > "$work/old.txt"
mkdir -p "$work/keep"
for failure in missing closed truncated silent; do
  case_name="FailureExitsTwoAndChangesNothing/$failure"
  case $failure in
    missing) url=$base/missing ;;
    closed) url=http://127.0.0.1:$closed_port/x ;;
    truncated) url=$base/truncated ;;
    silent) url=$base/silent ;;
  esac
  cp "$work/old.txt" "$work/keep/target.bin"
  dl "/S \"$url\" /D \"$(winpath "$work/keep/target.bin")\""
  expect_rc 2
  cmp -s "$work/old.txt" "$work/keep/target.bin" || fail "the old target changed"
  [ "$(ls -A "$work/keep")" = target.bin ] || fail "leftovers: $(ls -A "$work/keep")"
  if [ "$failure" != silent ]; then  # the silent server costs a timeout; once is enough
    dl "/S \"$url\" /D \"$(winpath "$work/absent/deeper/t.bin")\""
    expect_rc 2
    [ -e "$work/absent" ] && fail "a folder was left: $(find "$work/absent")"
  fi
done

case_name=MissingTargetSwitchExitsOne
dl "/S \"$base/bytes/a.bin\""
expect_rc 1
dl "/S \"$base/bytes/a.bin\" /D"
expect_rc 1

case_name=UnsafeNameIsRefusedWithOne
mkdir -p "$work/safe"
for bad in "bytes/" "bytes/a:b" "bytes/.." "bytes/a*b"; do
  dl "/S \"$base/$bad\" /D \"$(winpath "$work/safe")\\\""
  expect_rc 1
done
[ -z "$(ls -A "$work/safe")" ] || fail "files written: $(ls -A "$work/safe")"

[ "$failures" = 0 ] && echo "downloader_e2e: all cases passed"
exit $((failures > 0))
