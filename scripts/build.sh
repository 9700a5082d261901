#!/usr/bin/env bash
# Configures (once) and builds everything into build/, the shipped files into build/dist/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/build/build.ninja" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$root/build" -j "$(nproc)"
