#!/usr/bin/env bash
# Whole-run comparison of pixquill with netpbm's wbmptopbm -plain, the
# nearest peer (it too renders a one-bit image as text).
#
#   bench/compare.sh [path/to/pixquill]     (default: build/bench/app/pixquill)
#
# For a 1000 x 1000 and a 16 x 16 WBMP it counts the instructions of one
# whole run of each program with callgrind (start-up and exit included, and
# repeatable on a busy machine), measures the peak resident set with
# /usr/bin/time, checks that both programs drew the same picture, and prints
# the ratios pixquill / wbmptopbm. Needs valgrind, netpbm and time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$root/build/bench/app/pixquill}")
for tool in valgrind wbmptopbm pbmnoise pbmtowbmp /usr/bin/time; do
  command -v "$tool" >/dev/null || {
    echo "compare: $tool is missing (apt-get install valgrind netpbm time)" >&2
    exit 1
  }
done
[[ -x $exe ]] || { echo "compare: no pixquill at $exe (cmake --workflow --preset bench)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# instructions COMMAND...: instructions of one whole run under callgrind.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=cg.out "$@" >/dev/null 2>cg.log
  awk '/^summary:/ { print $2 }' cg.out
}

# peak_kb COMMAND...: the highest peak resident set of three runs, in KiB
# (the figure moves by a page or two from run to run).
peak_kb() {
  local run peak=0 kb
  for run in 1 2 3; do
    /usr/bin/time -f %M -o time.out "$@" >/dev/null 2>&1
    kb=$(tail -n 1 time.out)
    ((kb > peak)) && peak=$kb
  done
  echo "$peak"
}

# same_picture WBMP TEXT: whether TEXT is the picture wbmptopbm sees in WBMP.
# Plain PBM writes 1 for black, which the text picture shows as "#".
same_picture() {
  cmp -s <(wbmptopbm -plain "$1" | tail -n +3 | tr -d ' \n' | tr 01 '.#') \
         <(tr -d '\n' <"$2")
}

# Targets: instructions at most 0.25 x the peer's for 1000 x 1000 and 0.6 x
# for 16 x 16; peak memory at most 1.5 MB (1536 KiB) for 1000 x 1000.
declare -A target=([1000]=0.25 [16]=0.6)
printf '%-9s %14s %14s %7s %6s %11s %10s %7s\n' image pixquill wbmptopbm ratio target \
  'pixquill KB' 'netpbm KB' ratio
for side in 1000 16; do
  # A fixed seed keeps the picture, and so the figures, the same every run.
  pbmnoise -randomseed=1 "$side" "$side" | pbmtowbmp >"in$side.wbmp"

  ours=$(instructions "$exe" "in$side.wbmp" out.txt)
  same_picture "in$side.wbmp" out.txt || { echo "compare: pictures differ at $side" >&2; exit 1; }
  peer=$(instructions wbmptopbm -plain "in$side.wbmp")
  ours_kb=$(peak_kb "$exe" "in$side.wbmp" out.txt)
  peer_kb=$(peak_kb wbmptopbm -plain "in$side.wbmp")

  awk -v name="${side}x$side" -v a="$ours" -v b="$peer" -v t="${target[$side]}" \
    -v c="$ours_kb" -v d="$peer_kb" -v big=$((side == 1000)) 'BEGIN {
      printf "%-9s %14d %14d %7.3f %6s %11d %10d %7.3f%s\n", name, a, b, a / b,
        (a / b <= t ? "ok" : "MISSED"), c, d, c / d,
        (big ? (c <= 1536 ? "  ok" : "  MISSED (1536 KB)") : "")
    }'
done
