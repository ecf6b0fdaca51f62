#!/usr/bin/env bash
# Drives exar as a user would: pack a tree, list, verify, extract it back byte
# for byte, refuse damaged and unsafe archives without writing, raw streams,
# usage errors and --help; natively also the peak memory of an extraction.
# usage: exar_cli_test.sh [--measure-memory] EXAR... (the command, possibly with
# an emulator in front). Ends with "N passed, N failed".
set -u
measure=0
if [ "${1:-}" = "--measure-memory" ]; then measure=1; shift; fi
exar=()
for part in "$@"; do
  if [ -e "$part" ]; then part=$(cd "$(dirname "$part")" && pwd)/$(basename "$part"); fi
  exar+=("$part")
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

passed=0
failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; [ -s err.txt ] && sed 's/^/  stderr: /' err.txt; }
# expect CODE DESCRIPTION ARGS...: runs exar with ARGS and checks its exit code.
expect() {
  local code=$1 what=$2
  shift 2
  "${exar[@]}" "$@" >out.txt 2>err.txt </dev/null
  local got=$?
  if [ "$got" -eq "$code" ]; then ok; else bad "$what: exit $got, expected $code"; fi
}
# Deterministic bytes: perl's generator with a fixed seed.
bytes() { perl -e 'srand($ARGV[1]); print map { chr(int(rand(256))) } 1..$ARGV[0]' "$1" "$2"; }
text() { perl -e 'srand($ARGV[1]); my @w = qw(vale umber lay demo map tile sound); print join(" ", map { $w[int(rand(@w))] } 1..$ARGV[0])' "$1" "$2"; }

# --- a tree with levels, empty directory, empty file, buffer-sized files ---
mkdir -p src/DATA/LEVELS src/SOUND/FX/OLD src/EMPTYDIR
text 20000 1 > "src/README.TXT"
text 30 2 > "src/UMBERLAY VALE.UNS"
: > src/DATA/EMPTY
bytes 131072 3 > src/DATA/EXACT.BIN
bytes 131073 4 > src/DATA/OVER.BIN
text 40000 5 > "src/DATA/LEVELS/L-01 #A.MAP"
head -c 300000 /dev/zero > src/DATA/LEVELS/ZEROS.BIN
bytes 5000 6 > src/SOUND/FX/HIT.WAV
printf 'lower case' > src/SOUND/mixed.Txt

expect 0 "pack" pack src a.pak
expect 0 "verify" verify a.pak
grep -q "ok" out.txt && ok || bad "verify prints ok"
expect 0 "list" list a.pak
# 9 files and 6 directories, plus the heading and the summary line.
[ "$(wc -l <out.txt)" -eq 17 ] && ok || bad "list shows every entry"
grep -q 'SOUND\\MIXED.TXT' out.txt && ok || bad "paths are upper-cased and backslash-separated"
expect 0 "extract" extract a.pak out
mv src/SOUND/mixed.Txt src/SOUND/MIXED.TXT
diff -r src out >diff.txt && ok || bad "extracted tree differs: $(head -3 diff.txt)"

# --- threads: the same archive and the same tree for any number ---
expect 0 "pack with one thread" pack --jobs 1 src one.pak
expect 0 "pack with three threads" pack src three.pak --jobs 3
cmp -s one.pak three.pak && ok || bad "pack --jobs 3 differs from --jobs 1"
cmp -s one.pak a.pak && ok || bad "pack --jobs 1 differs from the default"
expect 0 "verify with three threads" verify --jobs 3 a.pak
expect 0 "extract with one thread" extract --jobs 1 a.pak out1
expect 0 "extract with three threads" extract a.pak out3 --jobs 3
diff -r out1 out3 >diff.txt && diff -r out out3 >>diff.txt && ok || bad "extract --jobs trees differ: $(head -3 diff.txt)"
for jobs in 0 x 1000 ""; do
  expect 2 "extract --jobs '$jobs'" extract --jobs $jobs a.pak out-bad
  grep -q "jobs" err.txt && ok || bad "--jobs '$jobs' named"
done
[ ! -e out-bad ] && ok || bad "bad --jobs extracted anyway"

# Over an earlier tree: the archive's files rewritten, others left alone.
echo changed > out/DATA/EXACT.BIN
echo mine > out/SAVE.DAT
expect 0 "extract over an earlier tree" extract a.pak out
cmp -s src/DATA/EXACT.BIN out/DATA/EXACT.BIN && ok || bad "file rewritten"
[ "$(cat out/SAVE.DAT)" = mine ] && ok || bad "other file left alone"

# --- damaged archives: refused, nothing written ---
head -c -1 a.pak > cut.pak
expect 1 "verify truncated" verify cut.pak
grep -q "damaged archive" err.txt && ok || bad "truncation named as damage"
expect 1 "extract truncated" extract cut.pak out-cut
[ -z "$(ls -A out-cut 2>/dev/null)" ] && ok || bad "truncated archive wrote files"

# A stored size that the stream does not decode to: only decoding finds it.
perl -e 'local $/; my $a = <STDIN>; my $s = unpack("V", substr($a, 8, 4));
  my $n = unpack("V", substr($a, 12 + $s, 4)); my $b = 12 + $s + 20 + 44 * $n;
  substr($a, $b + 4, 4) = pack("V", unpack("V", substr($a, $b + 4, 4)) + 1); print $a' \
  <a.pak >size.pak
expect 1 "verify wrong stored size" verify size.pak
grep -q "README.TXT" err.txt && ok || bad "damage message names the entry"
# Two damaged entries, the second (a small file, said to hold half its size) decoded
# long before the first: every number of threads names the first.
perl -e 'local $/; my $a = <STDIN>; my $s = unpack("V", substr($a, 8, 4));
  my $b = 12 + $s + 20 + 44 * unpack("V", substr($a, 12 + $s, 4));
  $b += 12 + unpack("V", substr($a, $b + 8, 4));
  substr($a, $b + 4, 4) = pack("V", unpack("V", substr($a, $b + 4, 4)) / 2); print $a' \
  <size.pak >twice.pak
perl -e 'local $/; my $a = <STDIN>; my $s = unpack("V", substr($a, 8, 4));
  my $b = 12 + $s + 20 + 44 * unpack("V", substr($a, 12 + $s, 4));
  $b += 12 + unpack("V", substr($a, $b + 8, 4));
  substr($a, $b + 4, 4) = pack("V", unpack("V", substr($a, $b + 4, 4)) / 2); print $a' \
  <a.pak >second.pak
expect 1 "verify the second entry damaged" verify --jobs 3 second.pak
grep -q "UMBERLAY VALE.UNS" err.txt && ok || bad "the second entry's damage is found"
expect 1 "verify two damaged entries with one thread" verify --jobs 1 twice.pak
grep -q "README.TXT" err.txt && ok || bad "one thread names the first damaged entry"
cp err.txt err-one.txt
expect 1 "verify two damaged entries with three threads" verify --jobs 3 twice.pak
cmp -s err.txt err-one.txt && ok || bad "verify --jobs 3 names another damage than --jobs 1"

# An unsafe path: "ZZ\EVIL" becomes "..\EVIL".
mkdir -p evil/ZZ && echo payload > evil/ZZ/EVIL
expect 0 "pack evil" pack evil evil.pak
perl -0777 -pe 's/ZZ\\EVIL\0/..\\EVIL\0/' <evil.pak >unsafe.pak
mkdir -p jail
expect 1 "extract unsafe" extract unsafe.pak jail/dest
grep -q '\.\.\\EVIL' err.txt && ok || bad "unsafe path named"
[ ! -e jail/EVIL ] && [ -z "$(ls -A jail/dest 2>/dev/null)" ] && ok || bad "unsafe archive wrote files"
expect 1 "verify unsafe" verify unsafe.pak
expect 1 "list unsafe" list unsafe.pak

# Names that could not be extracted safely are refused when packing.
mkdir -p clash/A && echo 1 > clash/A/x && echo 2 > clash/A/X
expect 1 "pack names differing in case" pack clash clash.pak
[ ! -e clash.pak ] && ok || bad "refused pack left an output"
# Outputs appear only when complete and never replace what is not a file.
echo old > keep.pak
mkdir -p unreadable && echo x > unreadable/F && mkdir -p outdir.pak
expect 1 "pack onto a directory" pack unreadable outdir.pak
[ -d outdir.pak ] && ok || bad "directory in the way kept"
expect 2 "pack with three arguments" pack src keep.pak extra
[ "$(cat keep.pak)" = old ] && ok || bad "existing output kept"
expect 0 "pack over an existing archive" pack unreadable keep.pak
expect 0 "verify the replaced archive" verify keep.pak
[ ! -e keep.pak.part ] && ok || bad "part file left behind"

# --- raw streams ---
bytes 70000 7 > raw.bin
expect 0 "lzh encode" lzh encode raw.bin raw.lzh
expect 0 "lzh decode" lzh decode 70000 raw.lzh raw.out
cmp -s raw.bin raw.out && ok || bad "raw stream round trip"
expect 1 "lzh decode with a size far too small" lzh decode 1000 raw.lzh wrong.out
expect 1 "lzh decode with a size no stream reaches" lzh decode 4000000000 raw.lzh wrong.out
[ ! -e wrong.out ] && ok || bad "failed decode wrote output"
: > empty.bin
expect 0 "lzh encode empty" lzh encode empty.bin empty.lzh
[ ! -s empty.lzh ] && ok || bad "empty input gives an empty stream"
expect 0 "lzh decode empty" lzh decode 0 empty.lzh empty.out

# --- usage ---
expect 2 "no command"
expect 2 "unknown command" frobnicate
expect 2 "pack with one argument" pack src
expect 2 "decode with a bad size" lzh decode 12x raw.lzh x.out
expect 2 "lzh without a mode" lzh
expect 1 "missing archive" verify no-such.pak
for command in "" pack list verify extract lzh; do
  # shellcheck disable=SC2086
  expect 0 "help of '$command'" $command --help
  grep -q "usage: exar" out.txt && ok || bad "help text of '$command'"
done
# Every command: the wrong number of arguments prints its own usage to stderr
# and nothing to stdout; -h anywhere among the arguments prints it to stdout.
for call in "pack src" "list" "list a.pak extra" "verify" "verify a.pak extra" "extract a.pak" \
            "extract a.pak out extra" "lzh encode raw.bin" "lzh decode 70000 raw.lzh"; do
  command=${call%% *}
  # shellcheck disable=SC2086
  expect 2 "'$call'" $call
  grep -q "^usage: exar $command" err.txt && [ ! -s out.txt ] && ok || bad "usage of '$call' on stderr"
  # shellcheck disable=SC2086
  expect 0 "'$call -h'" $call -h
  grep -q "^usage: exar $command" out.txt && [ ! -s err.txt ] && ok || bad "help of '$call -h' on stdout"
done

# --- peak memory of an extraction: under the archive's size + 8 MiB ---
if [ "$measure" -eq 1 ] && [ -x /usr/bin/time ]; then
  mkdir -p mem
  head -c 12000000 /dev/urandom > mem/NOISE.BIN
  text 400000 8 > mem/TEXT.TXT
  expect 0 "pack for memory" pack mem mem.pak
  size_kb=$(( $(stat -c %s mem.pak 2>/dev/null || echo 0) / 1024 ))
  /usr/bin/time -f "%M" -o rss.txt "${exar[@]}" extract mem.pak mem-out >/dev/null 2>err.txt
  rss_kb=$(tail -n 1 rss.txt 2>/dev/null || echo 999999999)
  echo "exar extract: peak RSS ${rss_kb} KiB for an archive of ${size_kb} KiB"
  [ "$rss_kb" -lt $((size_kb + 8192)) ] && ok || bad "peak RSS ${rss_kb} KiB >= ${size_kb} + 8192 KiB"
  cmp -s mem/NOISE.BIN mem-out/NOISE.BIN && ok || bad "large file extracted"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
