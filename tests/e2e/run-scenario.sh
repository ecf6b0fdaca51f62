#!/usr/bin/env bash
# Runs one end-to-end scenario: a fresh copy of the template Wine prefix, a
# virtual 1024x768 screen of its own, the driver against the setup, a
# screenshot for every picture the driver asks for, and the checks that are
# made from the host side (the installed tree against the archive's own
# extraction). Returns the driver's result.
#   run-scenario.sh NAME SETUP_EXE DRIVER_EXE ARCHIVE EXAR OUT_DIR
#   run-scenario.sh install SETUP_EXE DRIVER_EXE ARCHIVE EXAR OUT_DIR [driver install options]
# NAME "install" runs one whole installation ("driver install", see
# driver_main.cpp) with the options given. Pictures go to OUT_DIR/shots/NAME,
# the driver's report to OUT_DIR/work/NAME/driver.log. E2E_KEEP_PREFIX=1
# keeps the Wine prefix (OUT_DIR/work/NAME/prefix) for a look afterwards.
set -uo pipefail
name=$1 setup=$2 driver=$3 archive=$4 exar=$5 out=$6
shift 6
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env"

work=$out/work/$name
shots=$out/shots/$name
rm -rf "$work" "$shots"
mkdir -p "$work" "$shots"
# drive-setup.sh's Wine session makes the prefix from the template.
export WINEPREFIX=$work/prefix
if [ "$name" = no_directdraw ]; then
  export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;ddraw=d"
fi
# The driver's command: "install" with the options given, or one scenario.
if [ "$name" = install ]; then
  command=(install -- "$@")
else
  command=(scenario "$name")
fi
bash "$root/tests/e2e/drive-setup.sh" "$shots" "$driver" "$setup" "${command[@]}" |
  tee "$work/driver.log"
code=${PIPESTATUS[0]}

# The installed tree must equal the archive's contents byte for byte.
installed="$WINEPREFIX/drive_c/Program Files/Umberlay Vale (Demo)"
compare=no
exclude=()
case $name in
  fresh_install|play_now|no_directdraw) compare=yes ;;
  # The real product's configuration program (answered with OK) rewrites its
  # settings file VALE.INI: that one file is not compared.
  install) [[ " $* " == *" --dir "* ]] || compare=yes; exclude=(-x VALE.INI) ;;
esac
case $compare in
  yes)
    if "$exar" extract "$archive" "$work/expected" >/dev/null 2>&1 &&
        diff -r "${exclude[@]}" "$work/expected" "$installed" >"$work/tree.diff" 2>&1; then
      echo "ok   the installed tree equals the archive's contents ($(find "$work/expected" -type f | wc -l) files)"
    else
      echo "FAIL the installed tree differs from the archive's contents:"; head -20 "$work/tree.diff"
      code=1
    fi ;;
esac
[ "${E2E_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$WINEPREFIX"
echo "scenario $name: exit $code"
exit "$code"
