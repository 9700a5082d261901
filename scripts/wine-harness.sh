# Wine test bed, sourced by scripts/test.sh and scripts/demo.sh (and usable by hand:
# `source scripts/wine-harness.sh; harness_start; ...; harness_stop`).
#
# A fresh 64-bit prefix under build/ on every run (never ~/.wine), made by wine64
# alone, set up to look like real 64-bit Windows; Xvfb on a free display; a warm
# persistent wineserver and a virtual desktop kept running for the whole suite.

HARNESS_ROOT=${HARNESS_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
HARNESS_DIR=${HARNESS_DIR:-$HARNESS_ROOT/build/wine}
HARNESS_XVFB_PID=
HARNESS_DESKTOP_PID=

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

# A copy of the prepared prefix for a test that needs a clean machine (~700 MB: delete after use).
harness_clone_prefix() {
  local dest=$1
  wineserver -w 2>/dev/null || true
  rm -rf "$dest"
  cp -a "$WINEPREFIX" "$dest"
}

harness_start_xvfb() {
  local fd_file=$HARNESS_DIR/display
  rm -f "$fd_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  HARNESS_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    kill -0 "$HARNESS_XVFB_PID" 2>/dev/null || harness_die "Xvfb did not start"
    sleep 0.1
  done
  [ -s "$fd_file" ] || harness_die "Xvfb gave no display number"
  export DISPLAY=":$(tr -d '[:space:]' <"$fd_file")"
}

# Prefix, display, warm wineserver and desktop. ctest must start only after this:
# a persistent server that is not warmed up outside ctest hangs it.
harness_start() {
  harness_check_loader
  harness_make_prefix
  harness_start_xvfb
  trap harness_stop EXIT
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  wine explorer /desktop=Default,1024x768 </dev/null >/dev/null 2>&1 &
  HARNESS_DESKTOP_PID=$!
  echo "wine-harness: prefix ready, DISPLAY=$DISPLAY"
}

harness_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$HARNESS_DESKTOP_PID" ]; then wait "$HARNESS_DESKTOP_PID" 2>/dev/null || true; HARNESS_DESKTOP_PID=; fi
  if [ -n "$HARNESS_XVFB_PID" ]; then
    kill "$HARNESS_XVFB_PID" 2>/dev/null || true
    wait "$HARNESS_XVFB_PID" 2>/dev/null || true
    HARNESS_XVFB_PID=
  fi
}

# The prefix's temp folder as a Unix path (C:\users\<user>\Temp).
harness_temp_dir() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/Temp "$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp; do
    [ -d "$d" ] && [ "$(basename "$(dirname "$d")")" != Public ] && { echo "$d"; return; }
  done
}
