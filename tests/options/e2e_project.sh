# Sourced by the authoring end-to-end scripts: a small valid project file that
# builds with KInstaller.exe /S, and the scripts' failure counting.

failures=0
case_name=
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }
# stop MESSAGE: a failure that leaves nothing meaningful to check after it.
stop() { fail "$@"; exit "$failures"; }

# build_and_install: builds C:\$name\p.zpf with KInstaller.exe /S (from $dist) and
# runs its C:\$name\out\Setup.exe /S; either failing stops the script.
build_and_install() {
  local rc
  timeout 120 wine "$(winpath "$dist/KInstaller.exe")" /S "C:\\$name\\p.zpf" </dev/null >"$work/build.out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || stop "build exit $rc: $(cat "$work/build.out")"
  timeout 120 wine "C:\\$name\\out\\Setup.exe" /S </dev/null >"$work/setup.out" 2>&1
  rc=$?
  [ "$rc" = 0 ] || stop "setup exit $rc: $(cat "$work/setup.out")"
}

# write_project FILE DIST_DIR KEY=VALUE...: [Setup] with the given values over
# the defaults below (AppName, SetupFile, SourceFolder and GUID have none), the
# pictures from DIST_DIR, and English as the one language. Lines end in CRLF.
write_project() {
  local file=$1 dist=$2; shift 2
  local dist_win; dist_win=$(winpath "$dist/")
  declare -A set=(
    [Version]=5.4 [AppVersion]=1.0 [CompanyName]='Kin Tests' [WizardBitmap]="${dist_win}Bitmaps\\Wizard\\00.bmp"
    [HeaderBitmap]="${dist_win}Bitmaps\\Header\\00.bmp" [CustomIcon]=0 [Win9x]=1 [WinNT]=1 [Win2000]=1
    [WinXP]=1 [WinSrv2003]=1 [WinVista]=1 [Win7]=1 [Win8]=1 [x64]=0 [Admin]=1 [InstallMode]=0 [InstallLevel]=1
    [PromptUninstall]=0 [InstallationPath]='<ProgramFiles>\<AppName>' [ExistMode]=1 [NotRemove]=0
    [Uninstall]=0 [ShowAddRemove]=0 [Updater]=0 [DialogWelcome]=1 [DefaultLanguage]=English
    [ProgramGroup]='<AppName>' [FilesCount]=-1 [AdditionalFiles]=0 [FolderSize]=0
  )
  local order=(Version GUID AppName AppVersion CompanyName SetupFile WizardBitmap HeaderBitmap CustomIcon
    Win9x WinNT Win2000 WinXP WinSrv2003 WinVista Win7 Win8 x64 Admin InstallMode InstallLevel PromptUninstall
    InstallationPath SourceFolder ExistMode NotRemove Uninstall ShowAddRemove Updater DialogWelcome
    DefaultLanguage ProgramGroup FilesCount AdditionalFiles FolderSize)
  local pair k
  for pair in "$@"; do set[${pair%%=*}]=${pair#*=}; done
  {
    echo '[Setup]'
    for k in "${order[@]}"; do [ -n "${set[$k]+x}" ] && echo "$k=${set[$k]}"; done
    echo '[Languages]'
    echo 'English='
  } | sed 's/$/\r/' >"$file"
}

# setup_value FILE KEY: the value of KEY in the [Setup] section of a project file.
setup_value() {
  tr -d '\r' <"$1" | awk -v key="$2" -F= '
    /^\[/ { in_setup = ($0 == "[Setup]"); next }
    in_setup && $1 == key { sub(/^[^=]*=/, ""); print; exit }'
}
