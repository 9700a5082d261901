#!/usr/bin/env bash
# Every program we ship imports system DLLs only: no MinGW runtime DLL may be needed.
set -euo pipefail
build=$1
objdump=x86_64-w64-mingw32-objdump
bad=0
while IFS= read -r exe; do
  dlls=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  for dll in $dlls; do
    case "${dll,,}" in
      libstdc++*|libgcc*|libwinpthread*|*mingw*) echo "FAIL: $exe imports $dll"; bad=1 ;;
    esac
  done
done < <(find "$build" -path "$build/wine" -prune -o \( -name '*.exe' -o -name '*.dat' \) -type f -print | grep -v -e googletest -e CMakeFiles)
[ $bad -eq 0 ] && echo "static imports: ok"
exit $bad
