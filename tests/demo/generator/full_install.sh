#!/usr/bin/env bash
# A full default installation of setup.exe with the demo payload, headless:
# a fresh copy of the template Wine prefix, a virtual 1024x768 screen of its
# own, the end-to-end driver clicking through every page (and OK in the
# configuration program), a screenshot for every picture the driver asks
# for; then the report of what the installation left (install_report.sh),
# with the installed tree compared to the generated one.
#   full_install.sh SETUP_EXE DRIVER_EXE TREE OUT_DIR
# Prints the driver's checks, the time the driver took and the report; the
# screenshots stay in OUT_DIR/shots. Exit code 0 when all of it passed.
set -uo pipefail
setup=$1 driver=$2 tree=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
source "$root/scripts/wine-env"

shots=$out/shots
rm -rf "$out"
mkdir -p "$shots"
# drive-setup.sh's Wine session makes the prefix from the template.
export WINEPREFIX=$out/prefix

# The driver times the extraction up to the payload's last file, which is the last
# file that the product's list file names (the list is in archive order).
timing=()
list="$tree/UMBERLAY VALE.UNS"
if [ -f "$list" ]; then
  last=$(tr -d '\r' <"$list" | grep -v '^!' | tail -n 1)
  if [ -n "$last" ] && [ -f "$tree/${last//\\//}" ]; then
    timing=(--time-extraction "$last" "$(stat -c %s "$tree/${last//\\//}")")
  fi
fi

started=$(date +%s.%N)
bash "$root/tests/e2e/drive-setup.sh" "$shots" "$driver" "$setup" install "${timing[@]}" |
  tee "$out/driver.log"
code=${PIPESTATUS[0]}
elapsed=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
echo "driver: the installation took $elapsed s (Xvfb and Wine start included)"

# The report reads the registry through Wine, in a session without a screen.
"$root/scripts/wine-session" --no-screen -- "$here/install_report.sh" "$tree" || code=1
# The finish page must stand in front of the restored backdrop: at the
# screen's centre a person sees the page, not the backdrop's gradient row.
finish_shot=$shots/06-finish.png
if [ -f "$finish_shot" ]; then
  centre=$(convert "$finish_shot" -format '%[pixel:p{512,400}]' info: 2>/dev/null)
  if [ "$centre" = "srgb(132,132,123)" ]; then
    echo "FAIL the finish page is hidden behind the backdrop"; code=1
  else
    echo "ok the finish page is in front of the backdrop"
  fi
fi
pictures=$(find "$shots" -name '*.png' | sort)
echo "screenshots:"
echo "${pictures:-  (none)}" | sed 's/^\//  \//'
exit "$code"
