#!/usr/bin/env bash
# Installs setup.exe's default payload under Wine with the end-to-end driver
# (a two-level group and a desktop shortcut), then uninstalls it with the
# installed Sweeper.exe, driven by the demo's Wine test, and checks that
# nothing of the product is left but a file the user added.
#   uninstall_after_install.sh SETUP_EXE DRIVER_EXE TEST_EXE OUT_DIR
# Runs in a Wine prefix and a Wine session of its own.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [ "${1:-}" = --in-session ]; then
  setup=$2 driver=$3 test=$4
  wine "$driver" install --setup "$(winepath -w "$setup")" \
      --group "Umberlay Games\\Umberlay Vale (Demo)" --desktop </dev/null 2>/dev/null
  code=$?
  echo "install: driver exit code $code"
  [ $code -eq 0 ] || exit $code
  wine "$test" --gtest_filter=SweeperAfterInstall.* "$(dirname "$test")" </dev/null
  exit $?
fi

setup=$1 driver=$2 test=$3 out=$4
rm -rf "$out"
mkdir -p "$out"
export WINEPREFIX=$out/prefix
"$root/scripts/wine-session" --fresh -- "$0" --in-session "$setup" "$driver" "$test" 2>&1 |
  grep -v "Read access denied"
code=${PIPESTATUS[0]}
rm -rf "$out/prefix"
exit "$code"
