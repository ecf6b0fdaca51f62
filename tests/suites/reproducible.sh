#!/usr/bin/env bash
# Reproducible Windows programs: builds what ships twice from this source
# tree, in two fresh build folders of different names (build/reproducible/
# first and build/reproducible/second-build), and compares setup.exe, the
# demo's Vale.exe, config.exe and Sweeper.exe and the packed demo payload
# byte for byte. A difference is reported with the file and its first
# differing offset.
#
# Only target setup is built (it needs the demo's programs and the payload).
# The two builds also differ in what a build must not depend on: the first
# runs without SOURCE_DATE_EPOCH, the second with one (the linker reads it),
# and in another time zone. The folders are removed when both builds agree
# and kept for a look when they do not. Ends with "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/suites/lib/checks.bash"
# Both builds are unsigned (a signature carries the time of signing).
unset UMBERLAY_SIGN_CERT UMBERLAY_SIGN_KEY UMBERLAY_SIGN_PASS_FILE UMBERLAY_SIGN_TIMESTAMP_URL

base=$root/build/reproducible
first=$base/first
second=$base/second-build
logs=$root/build/test-logs/reproducible
shipped=(setup.exe demo/programs/Vale.exe demo/programs/config.exe demo/programs/Sweeper.exe
         demo/package/umberlay-demo.exar)

# Builds target setup of the win32 preset in the fresh folder $1, logs in $2;
# the further arguments are environment settings for the build.
build_in() {
  local dir=$1 log_dir=$2
  shift 2
  rm -rf "$dir"
  env "$@" "$root/scripts/build-preset" --binary-dir "$dir" win32 "$log_dir" setup
}

# Compares file $1 (relative to the build folders) between the two builds.
compare() {
  local rel=$1 a=$first/$1 b=$second/$1 out offset
  if [ ! -f "$a" ] || [ ! -f "$b" ]; then
    check_fail "$rel: not made by both builds"
    return
  fi
  if out=$(LC_ALL=C cmp -- "$a" "$b" 2>&1); then
    check_pass "$rel is the same in both builds ($(stat -c %s "$a") bytes)"
    return
  fi
  # cmp counts bytes from 1: "A B differ: byte N, line L", or
  # "cmp: EOF on A after byte N" when A is the start of B.
  if [[ $out =~ differ:\ (byte|char)\ ([0-9]+) ]]; then
    offset=$((BASH_REMATCH[2] - 1))
  elif [[ $out =~ EOF\ on\ .*\ after\ byte\ ([0-9]+) ]]; then
    offset=${BASH_REMATCH[1]}
  elif [[ $out =~ EOF\ on\ .*\ which\ is\ empty ]]; then
    offset=0
  else
    check_fail "$rel: cannot compare the two builds' files: $out"
    return
  fi
  check_fail "$(printf '%s differs between the builds: first at offset %d (0x%x); sizes %d and %d' \
    "$rel" "$offset" "$offset" "$(stat -c %s "$a")" "$(stat -c %s "$b")")"
}

built=yes
if build_in "$first" "$logs/first" -u SOURCE_DATE_EPOCH TZ=UTC0; then
  check_pass "first build (build/reproducible/first)"
else
  check_fail "first build (logs: $logs/first)"; built=no
fi
if [ "$built" = yes ]; then
  if build_in "$second" "$logs/second" SOURCE_DATE_EPOCH=946684800 TZ=IST-5:30; then
    check_pass "second build (build/reproducible/second-build)"
  else
    check_fail "second build (logs: $logs/second)"; built=no
  fi
fi
if [ "$built" = yes ]; then
  for rel in "${shipped[@]}"; do compare "$rel"; done
fi

[ "$checks_failed" -gt 0 ] && echo "the build folders are kept in $base for a look"
check_summary || exit 1
rm -rf "$base"
