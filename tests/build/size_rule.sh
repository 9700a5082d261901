#!/usr/bin/env bash
# The setup runtime must stay small: what it links uses no iostreams or locales
# (on their own they add close to a megabyte).
set -euo pipefail
root=$1
hits=$(grep -rnE '#\s*include\s*<(iostream|fstream|sstream|locale)>' \
         "$root/runtime" "$root/cabinet" "$root/winlib" --include='*.cpp' --include='*.h' || true)
if [ -n "$hits" ]; then
  echo "FAIL: forbidden headers in code the runtime links:"; echo "$hits"; exit 1
fi
echo "size rule: ok"
