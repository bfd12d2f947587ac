#!/usr/bin/env bash
# The command line beside its anchors on the same machine, in one run:
#   summary of a generated file  beside  cat of the same file (both to /dev/null)
#   disasm to a new file          beside  objdump -d of a library to a new file
#                                         (both as MB/s of text written)
#   disasm's peak memory          beside  the size of the image
# Each pair runs in turn (A B A B ...); medians are shown, and the ratio of
# the medians. Times are wall clock and cpu (user + sys) seconds; on a shared
# machine the cpu figures are the steadier ones.
#
#   bench/compare.sh BUILD_DIR [SIZE_MB=64] [RUNS=7] [MEMORY_SIZE_MB=256]
#
# BUILD_DIR is a Release build with -DSKARN_BENCH=ON (it holds app/cli/skarn
# and bench/skarn_bench, which writes the files). Needs bash 5, objdump
# (binutils) and, for the memory figure, GNU time (/usr/bin/time).
set -euo pipefail

build=${1:?usage: bench/compare.sh BUILD_DIR [SIZE_MB] [RUNS] [MEMORY_SIZE_MB]}
size=${2:-64}
runs=${3:-7}
memsize=${4:-256}
skarn=$build/app/cli/skarn
gen=$build/bench/skarn_bench
lib=${OBJDUMP_INPUT:-$(g++ -print-file-name=libstdc++.so.6 2>/dev/null || true)}
[ -f "$lib" ] || lib=$skarn
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH=0

"$gen" --size_mb="$size" --save="$work/scenery.bgl"

# Runs a command once, its standard output thrown away (a text it writes
# goes to $work/text, made anew each time); prints "wall cpu".
measure() {
  rm -f "$work/text"
  local start=$EPOCHREALTIME
  local t
  t=$( { "$@" >/dev/null 2>&1; times; } | tail -1)
  local end=$EPOCHREALTIME
  # times: "0m0.012s 0m0.004s" (children's user and sys).
  awk -v s="$start" -v e="$end" -v t="$t" 'BEGIN {
    split(t, f, " "); cpu = 0
    for (i = 1; i <= 2; i++) { split(f[i], ms, "m"); cpu += ms[1] * 60 + ms[2] }
    printf "%.4f %.4f\n", e - s, cpu }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# pair A B: the two commands (functions) in turn; sets the medians and the
# text sizes.
pair() {
  : >"$work/a" && : >"$work/b"
  measure "$1" >/dev/null && measure "$2" >/dev/null  # warm-up
  for ((i = 0; i < runs; i++)); do
    measure "$1" >>"$work/a"
    abytes=$(stat -c %s "$work/text" 2>/dev/null || echo 0)
    measure "$2" >>"$work/b"
    bbytes=$(stat -c %s "$work/text" 2>/dev/null || echo 0)
  done
  aw=$(cut -d' ' -f1 "$work/a" | median); ac=$(cut -d' ' -f2 "$work/a" | median)
  bw=$(cut -d' ' -f1 "$work/b" | median); bc=$(cut -d' ' -f2 "$work/b" | median)
}

echo "machine: $(nproc) cores, $(uname -m); file: ${size} MiB of generated scenery; $runs runs each, medians"

summary() { "$skarn" summary "$work/scenery.bgl"; }
cat_file() { cat "$work/scenery.bgl"; }
pair summary cat_file
awk -v aw="$aw" -v ac="$ac" -v bw="$bw" -v bc="$bc" 'BEGIN {
  printf "summary      %7.3f s wall %7.3f s cpu | cat        %7.3f s wall %7.3f s cpu | ratio %.2f wall, %.2f cpu (goal: at most 1.5)\n",
         aw, ac, bw, bc, aw / bw, (bc > 0 ? ac / bc : 0) }'

disasm() { "$skarn" disasm "$work/scenery.bgl" --fs2000 -o "$work/text"; }
objdump_d() { objdump -d "$lib" >"$work/text"; }
pair disasm objdump_d
awk -v aw="$aw" -v ac="$ac" -v bw="$bw" -v bc="$bc" -v ab="$abytes" -v bb="$bbytes" 'BEGIN {
  ra = ab / aw / 1e6; rb = bb / bw / 1e6; ca = ab / ac / 1e6; cb = bb / bc / 1e6
  printf "disasm       %7.1f MB/s wall %7.1f MB/s cpu (%d MB) | objdump -d %7.1f MB/s wall %7.1f MB/s cpu (%d MB) | ratio %.2f wall, %.2f cpu (goal: 300 MB/s, at least 4)\n",
         ra, ca, ab / 1e6, rb, cb, bb / 1e6, ra / rb, ca / cb }'

if [ -x /usr/bin/time ]; then
  "$gen" --size_mb="$memsize" --save="$work/large.bgl"
  peak=$( { /usr/bin/time -f '%M' "$skarn" disasm "$work/large.bgl" --fs2000 -o /dev/null 2>&1 >/dev/null; } | tail -1)
  image=$(stat -c %s "$work/large.bgl")
  awk -v p="$peak" -v i="$image" -v s="$memsize" 'BEGIN {
    printf "disasm peak  %.1f MiB for a %d MiB file: image + %.1f MiB (goal: at most image + 8 MiB)\n", p / 1024, s, p / 1024 - i / 1048576 }'
fi
