# Sourced by the end-to-end scripts: the Windows form of a Unix path, as Wine maps
# it (the prefix's drive_c is C:, everything else is under Z:). Pure shell: a
# winepath process per path costs time and, under load, sometimes answers nothing.
winpath() {
  local path=$1 trailing=
  [[ $path == */ && $path != / ]] && trailing='\'
  path=$(realpath -m -- "$path")
  local drive_c
  drive_c=$(realpath -m -- "${WINEPREFIX:?WINEPREFIX is not set}/drive_c")
  if [[ $path == "$drive_c" || $path == "$drive_c"/* ]]; then
    path="C:${path#"$drive_c"}"
  else
    path="Z:$path"
  fi
  path=${path//\//\\}
  [[ $path == ?: ]] && path+='\'
  [[ $path == *\\ ]] || path+=$trailing
  printf '%s\n' "$path"
}
