#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages only.
# Idempotent: apt is called only when a package is missing.
set -euo pipefail

packages=(wine wine64 fonts-wine
          gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 mingw-w64-tools
          cmake ninja-build googletest
          xvfb xauth x11-apps x11-utils imagemagick cabextract gcab zip unzip)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  # Recommends stay off: wine64 recommends the 32-bit loader, which breaks every
  # wine call on machines that cannot run 32-bit code.
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  else
    sudo apt-get update
    sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

if [ -e /usr/lib/wine/wine ]; then
  echo "install-deps: /usr/lib/wine/wine (the 32-bit Wine loader) is installed." >&2
  echo "install-deps: on machines that run no 32-bit code it makes every wine call fail;" >&2
  echo "install-deps: remove the 32-bit Wine package (it provides that loader) and run again." >&2
  exit 1
fi
