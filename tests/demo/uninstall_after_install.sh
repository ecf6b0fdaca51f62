#!/usr/bin/env bash
# Installs setup.exe's default payload under Wine with the end-to-end driver
# (a two-level group and a desktop shortcut), then uninstalls it with the
# installed Sweeper.exe, driven by the demo's Wine test, and checks that
# nothing of the product is left but a file the user added.
#   uninstall_after_install.sh SETUP_EXE DRIVER_EXE TEST_EXE OUT_DIR
# Runs in a Wine prefix and on a virtual screen of its own.
set -uo pipefail
setup=$1 driver=$2 test=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/scripts/wine-env"

rm -rf "$out"
mkdir -p "$out"
export WINEPREFIX=$out/prefix
"$root/scripts/wine-prefix" >/dev/null 2>&1 || { echo "cannot prepare the Wine prefix"; exit 1; }
export RUN_SETUP=$setup RUN_DRIVER=$driver RUN_TEST=$test

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
  wine "$RUN_DRIVER" install --setup "$(winepath -w "$RUN_SETUP")" \
      --group "Umberlay Games\\Umberlay Vale (Demo)" --desktop </dev/null 2>/dev/null
  code=$?
  echo "install: driver exit code $code"
  if [ $code -eq 0 ]; then
    wine "$RUN_TEST" --gtest_filter=SweeperAfterInstall.* "$(dirname "$RUN_TEST")" </dev/null
    code=$?
  fi
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  exit $code' 2>&1 | grep -v "Read access denied"
code=${PIPESTATUS[0]}
rm -rf "$out/prefix"
exit "$code"
