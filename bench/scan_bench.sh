#!/bin/sh
# Scan throughput on a generated library: MB/s at -j 1 and -j 2, the
# speed-up, and the peak memory of each run (and of a run over a quarter of
# the files, to show that memory does not grow with their number).
#
#   bench/scan_bench.sh BUILD_DIR [LIBRARY_DIR]
#
# BUILD_DIR is a Release build with -DSKARN_BENCH=ON. The library (about
# 2,000 files, 550 MB) is made once in LIBRARY_DIR (default
# /tmp/skarn-bench-library) and kept.
set -eu
build=$1
lib=${2:-/tmp/skarn-bench-library}
skarn=$build/app/cli/skarn
if [ ! -d "$lib" ]; then
  "$build/bench/skarn_make_library" "$lib"
fi
bytes=$(find "$lib" -type f \( -iname '*.bgl' \) -printf '%s\n' | awk '{s += $1} END {print s}')
files=$(find "$lib" -type f -iname '*.bgl' | wc -l)
out=$(mktemp -d)
# Once to warm the page cache.
"$skarn" scan "$lib" -o "$out/warm.jsonl" -j 2 2>/dev/null || true
run() {  # run NAME ARGS...: prints wall seconds, peak kB and CPU seconds
  name=$1
  shift
  /usr/bin/time -f '%e %M %U %S' -o "$out/$name.time" "$skarn" scan "$@" 2>/dev/null >/dev/null || true
  cat "$out/$name.time"
}
set -- $(run j1 "$lib" -o "$out/j1.jsonl" -j 1)
t1=$1 m1=$2 c1=$(echo "$3 $4" | awk '{print $1 + $2}')
set -- $(run j2 "$lib" -o "$out/j2.jsonl" -j 2)
t2=$1 m2=$2 c2=$(echo "$3 $4" | awk '{print $1 + $2}')
set -- $(run db "$lib" -o "$out/j2.db" -j 2)
td=$1 md=$2
set -- $(run quarter "$lib/region0" "$lib/region1" -o "$out/quarter.jsonl" -j 2)
mq=$2
cmp -s "$out/j1.jsonl" "$out/j2.jsonl" && same=yes || same=no
awk -v b="$bytes" -v f="$files" -v t1="$t1" -v t2="$t2" -v td="$td" -v m1="$m1" -v m2="$m2" -v md="$md" -v mq="$mq" -v same="$same" -v c1="$c1" -v c2="$c2" 'BEGIN {
  printf "library: %d BGL files, %.0f MB\n", f, b / 1e6
  printf "-j 1 jsonl: %.2f s, %.1f MB/s, peak %d kB, %.2f s CPU\n", t1, b / 1e6 / t1, m1, c1
  printf "-j 2 jsonl: %.2f s, %.1f MB/s, peak %d kB, %.2f s CPU\n", t2, b / 1e6 / t2, m2, c2
  printf "-j 2 sqlite: %.2f s, %.1f MB/s, peak %d kB\n", td, b / 1e6 / td, md
  printf "speed-up -j 2 / -j 1: %.2f (the CPU time of -j 2 over its wall time: %.2f)\n", t1 / t2, c2 / t2
  printf "peak memory over two of seven folders: %d kB\n", mq
  printf "-j 1 and -j 2 indexes identical: %s\n", same
}'
rm -rf "$out"
