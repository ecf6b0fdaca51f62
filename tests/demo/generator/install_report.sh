#!/usr/bin/env bash
# Reports what an installation of the demo left in a Wine prefix: the
# registered directory with its directories, files and bytes, whether it
# equals the generated tree (VALE.INI aside when the configuration program
# rewrote it), the registry values and the shortcuts. Exit code 0 when the
# product is registered and its tree is complete.
#   install_report.sh TREE        (WINEPREFIX and the Wine environment set)
set -u
tree=$1
product_key='HKLM\SOFTWARE\Aldmoor&Brisk\Umberlay Vale (Demo)'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Umberlay Vale (Demo)'
# The setup is a 32-bit program: its keys are in the registry's 32-bit view
# (below Wow6432Node on 64-bit Windows). The 64-bit build that stands in for it
# in the benchmarks writes to the 64-bit view.
view=32
wine reg query "$product_key" /reg:32 >/dev/null 2>&1 || view=64
reg_values() { wine reg query "$1" /reg:$view 2>/dev/null | tr -d '\r' | grep -E '^ +[^ ]+ +REG_'; }
code=0

pth=$(reg_values "$product_key" | sed -n 's/^ *pth *REG_SZ *//p')
if [ -n "$pth" ]; then
  dir=$(wine winepath -u "$pth" 2>/dev/null | tr -d '\r')
  dir=${dir%/}
  files=$(find "$dir" -type f | wc -l)
  dirs=$(find "$dir" -mindepth 1 -type d | wc -l)
  bytes=$(find "$dir" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  echo "installed: $pth: $dirs directories, $files files, $bytes bytes"
  differing=$(diff -rq "$tree" "$dir" 2>&1 | grep -v '/VALE.INI differ$')
  if [ -z "$differing" ]; then
    if cmp -s "$tree/VALE.INI" "$dir/VALE.INI"; then
      echo "  equal to the generated tree, byte for byte"
    else
      echo "  equal to the generated tree, byte for byte, but VALE.INI (saved by CONFIG.EXE)"
    fi
  else
    echo "  differs from the generated tree:"
    echo "$differing" | sed "s|$tree/||g; s|$dir/||g; s/^/    /" | head -n 10
    code=1
  fi
else
  echo "installed: nothing registered (no pth in $product_key)"
  code=1
fi

echo "registry:"
for key in "$product_key" "$uninstall_key"; do
  echo "  $key"
  values=$(reg_values "$key" | sed 's/^ */    /')
  echo "${values:-    (missing)}"
done

echo "shortcuts:"
links=$(find "$WINEPREFIX/drive_c/users" \( -path '*Start Menu*' -o -path '*Desktop*' \) \
  -name '*.lnk' 2>/dev/null | sed "s|^$WINEPREFIX/drive_c/|  C:/|" | sort)
echo "${links:-  (none)}"
exit "$code"
