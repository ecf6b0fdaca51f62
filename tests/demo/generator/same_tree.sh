#!/usr/bin/env bash
# The Windows build of demo-gen (run under Wine) writes the same tree, byte
# for byte, as the native one that made the default payload.
#   same_tree.sh WINE_RUN DEMO_GEN_EXE VALE CONFIG SWEEPER README SETTINGS TREE WORKDIR
set -u
wine_run=$1 gen=$2 vale=$3 config=$4 sweeper=$5 readme=$6 settings=$7 tree=$8 work=$9
rm -rf "$work" && mkdir -p "$work" || exit 1
"$wine_run" "$gen" --vale "$vale" --config "$config" --sweeper "$sweeper" --readme "$readme" \
  --settings "$settings" "$work/tree" </dev/null 2>&1 | grep -v "Read access denied"
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "FAIL: demo-gen.exe failed"; exit 1; }
if ! diff -r "$tree" "$work/tree" >"$work/diff" 2>&1; then
  echo "FAIL: the Windows build wrote another tree:"; head -n 10 "$work/diff"; exit 1
fi
rm -rf "$work"
echo "same tree from the Windows build"
