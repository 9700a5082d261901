# Wine test beds, sourced by scripts/test.sh and scripts/demo.sh (and usable by hand:
# `source scripts/wine-harness.sh; harness_start [BEDS]; ...; harness_stop`).
#
# A fresh 64-bit base prefix under build/wine on every run (never ~/.wine), made by
# wine64 alone and set up to look like real 64-bit Windows, then copied (with every
# server stopped) into BEDS independent beds under build/wine/bedN: each has its own
# prefix, its own persistent warm wineserver, its own Xvfb display and its own
# virtual desktop. ctest hands each test one bed through its resource allocation
# (the resource file is build/wine/beds.json; scripts/on-bed.sh reads the allocation).
# Bed 0 is exported as WINEPREFIX/DISPLAY for test discovery and tests run by hand.
# The base prefix stays untouched for tests that need a clean machine
# (KIN_BASE_PREFIX: copy it, never run a program in it).
HARNESS_ROOT=${HARNESS_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
HARNESS_DIR=${HARNESS_DIR:-$HARNESS_ROOT/build/wine}
HARNESS_XVFB_PIDS=()
HARNESS_DESKTOP_PIDS=()
HARNESS_BEDS=0

harness_env() {
  export WINEPREFIX=$HARNESS_DIR/prefix
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  # Wine's WinINet honours proxy variables even for 127.0.0.1.
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
}

harness_die() { echo "wine-harness: $*" >&2; exit 1; }

# Some machines run no 32-bit code; a 32-bit Wine loader there makes every wine call fail.
harness_check_loader() {
  if [ -e /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    harness_die "/usr/lib/wine/wine (32-bit Wine loader) is installed but cannot run on this machine; remove the 32-bit Wine package"
  fi
  command -v wine >/dev/null || harness_die "wine is not installed (run scripts/install-deps.sh)"
}

harness_wine() { wine "$@" </dev/null; }

# Copies the 64-bit view of an HKLM\Software key into the 32-bit view, as 64-bit
# Windows has both filled (a prefix made by wine64 alone leaves the 32-bit one empty).
harness_mirror_key() {
  local key=$1 file=$HARNESS_DIR/mirror.reg
  harness_wine reg export "$key" "$(winepath -w "$file")" /y /reg:64 >/dev/null 2>&1 \
    || harness_die "reg export $key failed"
  harness_wine reg import "$(winepath -w "$file")" /reg:32 >/dev/null 2>&1 \
    || harness_die "reg import $key failed"
  rm -f "$file"
}

harness_reg_add32() {  # key value data
  harness_wine reg add "$1" /v "$2" /d "$3" /f /reg:32 >/dev/null 2>&1 || harness_die "reg add $1 $2 failed"
}

harness_make_prefix() {
  harness_env
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$HARNESS_DIR"
  echo "wine-harness: making prefix $WINEPREFIX"
  harness_wine wineboot -i >/dev/null 2>&1 || harness_die "wineboot -i failed"
  wineserver -w

  # The user folders are symlinks into $HOME: tests must never write there.
  local user_dir
  for user_dir in "$WINEPREFIX"/drive_c/users/*/; do
    local link
    for link in "$user_dir"*; do
      if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
    done
  done

  # Virtual desktop: modal boxes take ~50 ms instead of ~2 s without a window manager.
  harness_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  harness_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1

  harness_mirror_key 'HKLM\Software\Microsoft\Windows\CurrentVersion'
  harness_mirror_key 'HKLM\Software\Microsoft\Windows NT\CurrentVersion'
  local cv='HKLM\Software\Microsoft\Windows\CurrentVersion'
  harness_reg_add32 "$cv" ProgramFilesDir 'C:\Program Files (x86)'
  harness_reg_add32 "$cv" CommonFilesDir 'C:\Program Files (x86)\Common Files'
  harness_reg_add32 "$cv" ProgramW6432Dir 'C:\Program Files'
  harness_reg_add32 "$cv" CommonW6432Dir 'C:\Program Files\Common Files'

  # The prefix has no Tahoma or Marlett; the wizard's layout is measured in Tahoma.
  local font
  for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
    [ -f "/usr/share/wine/fonts/$font" ] && cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  wineserver -w
}

# A copy of the clean base prefix for a test that needs a clean machine (~700 MB:
# delete after use; run it with a wineserver of its own).
harness_clone_prefix() {
  local dest=$1
  rm -rf "$dest"
  cp -a "${KIN_BASE_PREFIX:-$WINEPREFIX}" "$dest"
}

# How many beds a full run uses: one per core, at most 8; KIN_BEDS overrides.
harness_bed_count() {
  local n=${KIN_BEDS:-}
  if [ -z "$n" ]; then
    n=$(nproc 2>/dev/null || echo 1)
    [ "$n" -gt 8 ] && n=8
  fi
  [[ $n =~ ^[1-9][0-9]*$ ]] || harness_die "KIN_BEDS must be a positive number, not '$n'"
  echo "$n"
}

# harness_start_xvfb FILE: an Xvfb on a free display; its ":N" goes into FILE.
harness_start_xvfb() {
  local fd_file=$1
  rm -f "$fd_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  local pid=$!
  HARNESS_XVFB_PIDS+=("$pid")
  local i
  for i in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    kill -0 "$pid" 2>/dev/null || harness_die "Xvfb did not start"
    sleep 0.1
  done
  [ -s "$fd_file" ] || harness_die "Xvfb gave no display number"
  printf ':%s\n' "$(tr -d '[:space:]' <"$fd_file")" >"$fd_file"
}

# The resource spec ctest reads: one "bed" resource per bed, one slot each, so a
# test has its bed to itself (it may change machine-wide state there).
harness_write_spec() {
  local i sep= spec=$HARNESS_DIR/beds.json
  {
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"bed": ['
    for ((i = 0; i < HARNESS_BEDS; i++)); do
      printf '%s{"id": "%d", "slots": 1}' "$sep" "$i"; sep=', '
    done
    printf ']}]}\n'
  } >"$spec"
}

# Base prefix, BEDS beds (default 1), each with a display, a warm server and a
# desktop. ctest must start only after this: a persistent server that is not
# warmed up outside ctest hangs it.
harness_start() {
  HARNESS_BEDS=${1:-1}
  harness_check_loader
  harness_make_prefix
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  export KIN_BASE_PREFIX=$WINEPREFIX
  export KIN_BEDS_DIR=$HARNESS_DIR
  trap harness_stop EXIT
  local i bed
  for ((i = 0; i < HARNESS_BEDS; i++)); do
    bed=$HARNESS_DIR/bed$i
    rm -rf "$bed"
    mkdir -p "$bed"
    cp -a "$KIN_BASE_PREFIX" "$bed/prefix"
    harness_start_xvfb "$bed/display"
  done
  # Servers are started with -p and warmed here, all beds at once (waiting for
  # the warm-ups only: Xvfb runs in the background of this shell too).
  local warmups=()
  for ((i = 0; i < HARNESS_BEDS; i++)); do
    bed=$HARNESS_DIR/bed$i
    (
      export WINEPREFIX=$bed/prefix DISPLAY=$(cat "$bed/display")
      wineserver -p
      wine cmd /c exit >/dev/null 2>&1 </dev/null
    ) &
    warmups+=("$!")
  done
  local pid
  for pid in "${warmups[@]}"; do wait "$pid"; done
  for ((i = 0; i < HARNESS_BEDS; i++)); do
    bed=$HARNESS_DIR/bed$i
    WINEPREFIX=$bed/prefix DISPLAY=$(cat "$bed/display") \
      wine explorer /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
    HARNESS_DESKTOP_PIDS+=("$!")
  done
  # Each desktop window must be up before any test starts: a program started while
  # its desktop is still being made can fail without a word.
  local display ready
  for ((i = 0; i < HARNESS_BEDS; i++)); do
    display=$(cat "$HARNESS_DIR/bed$i/display")
    ready=0
    for _ in $(seq 1 300); do
      if xwininfo -display "$display" -root -children 2>/dev/null | grep -q '"Default - Wine desktop"'; then
        ready=1; break
      fi
      sleep 0.1
    done
    [ "$ready" = 1 ] || harness_die "bed $i: the virtual desktop did not appear on $display"
  done
  harness_write_spec
  export WINEPREFIX=$HARNESS_DIR/bed0/prefix
  DISPLAY=$(cat "$HARNESS_DIR/bed0/display")
  export DISPLAY
  echo "wine-harness: $HARNESS_BEDS bed(s) ready under $HARNESS_DIR, bed 0 DISPLAY=$DISPLAY"
}

# Disk the beds take (du's total, e.g. "5.6G").
harness_beds_disk() {
  du -sch "$HARNESS_DIR"/bed* 2>/dev/null | tail -1 | cut -f1
}

# Stops every bed's server, desktop and display, and removes the beds.
harness_stop() {
  local i pid
  for ((i = 0; i < HARNESS_BEDS; i++)); do
    if [ -d "$HARNESS_DIR/bed$i/prefix" ]; then
      WINEPREFIX=$HARNESS_DIR/bed$i/prefix wineserver -k >/dev/null 2>&1 || true
    fi
  done
  for pid in "${HARNESS_DESKTOP_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  HARNESS_DESKTOP_PIDS=()
  for pid in "${HARNESS_XVFB_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  HARNESS_XVFB_PIDS=()
  for ((i = 0; i < HARNESS_BEDS; i++)); do rm -rf "$HARNESS_DIR/bed$i"; done
  HARNESS_BEDS=0
  return 0
}

# A prefix's temp folder as a Unix path (C:\users\<user>\Temp); default WINEPREFIX.
harness_temp_dir() {
  local d prefix=${1:-$WINEPREFIX}
  for d in "$prefix"/drive_c/users/*/Temp "$prefix"/drive_c/users/*/AppData/Local/Temp; do
    [ -d "$d" ] && [ "$(basename "$(dirname "$d")")" != Public ] && { echo "$d"; return; }
  done
}

# Every bed's prefix, one a line (the exported WINEPREFIX when no beds exist).
harness_bed_prefixes() {
  local p found=0
  for p in "${KIN_BEDS_DIR:-$HARNESS_DIR}"/bed*/prefix; do
    [ -d "$p" ] && { echo "$p"; found=1; }
  done
  [ "$found" = 1 ] || echo "$WINEPREFIX"
}
