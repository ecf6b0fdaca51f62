#!/usr/bin/env bash
# Drives a setup with the end-to-end driver in a Wine session of its own
# (scripts/wine-session: the current WINEPREFIX, made by the caller, and a
# virtual 1024x768 screen):
#   drive-setup.sh SHOTS_DIR DRIVER_EXE SETUP_EXE COMMAND... [-- OPTION...]
# runs "driver COMMAND... --setup SETUP --shots SHOTS OPTION..." under Wine
# and takes a screenshot for every picture the driver asks for (a .req file
# in SHOTS_DIR becomes the .png of that name). Prints the driver's output
# without Wine's "Read access denied" noise and exits with the driver's exit
# code.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [ "${1:-}" = --in-session ]; then
  shift
  shots=$1 driver=$2 setup=$3
  shift 3
  # The driver asks for a picture with a .req file; this loop takes it.
  ( while [ -d "$shots" ]; do
      for req in "$shots"/*.req; do
        [ -e "$req" ] || continue
        import -window root "${req%.req}.png" 2>/dev/null
        rm -f "$req"
      done
      sleep 0.1
    done ) &
  shooter=$!
  command=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    command+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  wine "$driver" "${command[@]}" --setup "$(winepath -w "$setup")" \
      --shots "$(winepath -w "$shots")" "$@" </dev/null 2>/dev/null
  code=$?
  kill $shooter 2>/dev/null
  exit $code
fi

"$root/scripts/wine-session" -- "$0" --in-session "$@" 2>&1 | grep -v "Read access denied"
exit "${PIPESTATUS[0]}"
