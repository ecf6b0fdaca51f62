#!/usr/bin/env bash
# Checks a packed demo payload against the tree it was packed from:
# `exar verify` accepts it, its header places the name table and the entry
# directory where the tree's names put them, and extracting it gives back
# the tree byte for byte. With NEAR, the archive's size must lie within 5 % of
# NEAR bytes (the product's contents compress like the real product's).
#   payload_check.sh EXAR ARCHIVE TREE WORKDIR [NEAR]
set -u
exar=$1 archive=$2 tree=$3 work=$4 near=${5:-}
fail() { echo "FAIL: $*"; exit 1; }

le32() {  # little-endian 32-bit field of the archive at a byte offset
  od -An -tu4 -j "$1" -N4 --endian=little "$archive" | tr -d ' '
}

[ -f "$archive" ] || fail "no archive at $archive"
"$exar" verify "$archive" || fail "exar verify refused $archive"
[ "$(le32 8)" = 9282 ] || fail "name table is $(le32 8) bytes, not 9282"
[ "$(le32 9294)" = 341 ] || fail "entry count is $(le32 9294), not 341"
# Every path with its terminator, then the directory header and 44-byte entries.
[ "$(le32 $((9294 + 20 + 12)))" = 24318 ] || fail "first stored block is not at 24318"

size=$(stat -c %s "$archive")
if [ -n "$near" ] && { [ $((size * 100)) -lt $((near * 95)) ] || [ $((size * 100)) -gt $((near * 105)) ]; }; then
  fail "the archive has $size bytes, not within 5 % of $near"
fi

rm -rf "$work"
"$exar" extract "$archive" "$work" >/dev/null || fail "exar extract failed"
diff -r "$tree" "$work" >/dev/null || fail "the extracted tree differs from $tree"
rm -rf "$work"
echo "payload ok: $size bytes"
