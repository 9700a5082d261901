#!/usr/bin/env bash
# Builds the sample project examples/sample/Sample.zpf with the authoring program's
# command-line build (KInstaller.exe /S), installs the setup silently under Wine,
# shows the installed files, the registry value, the shortcut and the Add/Remove
# entry, then runs the installed uninstaller and shows that all of it is gone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

source "$root/scripts/wine-harness.sh"
harness_start
"$root/scripts/sample-steps.sh" "$root/build/dist/KInstaller.exe" "$root/build/sample/SampleApp.exe" \
  "$root/examples/sample" "$root/build/tests/commands/testproc.exe"
harness_stop
