# Sourced by the gallery scripts. gallery_run NAME OUT COMMAND...: runs COMMAND
# (under wine) in the background; it writes NN-<name>.ready into OUT at each
# step and waits for NN-<name>.png, which this answers with the screen
# (xcapture.sh, which shows dialogs over their owners; written under a temporary
# name and renamed, so the exe never sees half a file). Then checks that every
# shot exists and is not empty and that COMMAND ended with 0; returns the number
# of failures.
gallery_run() {
  local name=$1 out=$2; shift 2
  local capture log pid rc ready answered failures=0 shots=0
  capture="$(dirname "${BASH_SOURCE[0]}")/xcapture.sh"
  log=$(mktemp)
  wine "$@" </dev/null >"$log" 2>&1 &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    answered=0
    for ready in "$out"/*.ready; do
      [ -e "$ready" ] && [ ! -e "${ready%.ready}.png" ] || continue
      if bash "$capture" "$out/.partial.png"; then
        mv -f "$out/.partial.png" "${ready%.ready}.png"
      else
        echo "screenshot for $(basename "$ready") failed"
      fi
      answered=1
    done
    [ "$answered" = 1 ] || sleep 0.05
  done
  wait "$pid"
  rc=$?
  if [ "$rc" != 0 ]; then echo "FAIL: $name ended with $rc"; failures=$((failures + 1)); fi
  for ready in "$out"/*.ready; do
    [ -e "$ready" ] || continue
    shots=$((shots + 1))
    if [ ! -s "${ready%.ready}.png" ]; then
      echo "FAIL: no screenshot $(basename "${ready%.ready}.png")"; failures=$((failures + 1))
    fi
    rm -f "$ready"
  done
  if [ "$shots" = 0 ]; then echo "FAIL: $name asked for no screenshot"; failures=$((failures + 1)); fi
  cat "$log"
  rm -f "$log"
  [ "$failures" = 0 ] && echo "$name: $shots screenshots in $out"
  return "$failures"
}
