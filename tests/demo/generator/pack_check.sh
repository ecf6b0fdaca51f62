#!/usr/bin/env bash
# Generates the demo tree around stand-in programs (and the product's own
# readme and settings), packs it with exar and checks the archive
# (payload_check.sh).
#   pack_check.sh DEMO_GEN EXAR WORKDIR
set -u
export LC_ALL=C
gen=$1 exar=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work/in" || exit 1
# Stand-ins with the mixed bytes of a program, and text.
for name in Vale.exe:170000 config.exe:95000 Sweeper.exe:140000; do
  awk -v n="${name#*:}" 'BEGIN { srand(7); for (i = 0; i < n; i++) printf "%c", int(rand() * 200) + 32 }' \
    >"$work/in/${name%%:*}"
done
demo=$here/../../../demo
"$gen" --vale "$work/in/Vale.exe" --config "$work/in/config.exe" \
  --sweeper "$work/in/Sweeper.exe" --readme "$demo/ReadMe.txt" \
  --settings "$demo/VALE.INI" "$work/tree" || exit 1
"$exar" pack "$work/tree" "$work/demo.exar" || exit 1
"$here/payload_check.sh" "$exar" "$work/demo.exar" "$work/tree" "$work/extracted" || exit 1
rm -rf "$work"
