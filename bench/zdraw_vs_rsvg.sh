#!/bin/bash
# The main job end to end: the same 1024 x 1024 scene of 200 polygons drawn
# to PNG by zdraw (from its command line) and by rsvg-convert (from the SVG
# document zdraw writes of the same layers), as whole processes, in one run.
# Prints the median, minimum and maximum wall time of each and the ratio of
# the medians, zdraw / rsvg-convert.
#
# Usage: bench/zdraw_vs_rsvg.sh [BUILD_DIR] [RUNS]   (defaults: build, 15)
#
# The scene matches the fill benchmarks' "polygons": 200 polygons of 3 to 12
# vertices inside 256-pixel boxes, non-zero rule, alternately opaque and at
# 50% alpha, from a fixed seed. Runs alternate between the two programs so
# that a busy machine slows both alike; with taskset installed both are
# pinned to one CPU (ZD_BENCH_CPU, default 1).
set -eu
build=${1:-build}
runs=${2:-15}
zdraw="$(cd "$build" && pwd)/zdraw"
[ -x "$zdraw" ] || { echo "no zdraw in $build" >&2; exit 2; }
command -v rsvg-convert > /dev/null || { echo "rsvg-convert not installed" >&2; exit 77; }
[ "$runs" -ge 7 ] || { echo "at least 7 runs" >&2; exit 2; }
pin=()
command -v taskset > /dev/null && pin=(taskset -c "${ZD_BENCH_CPU:-1}")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One layer per line: path data, then the colour. A 32-bit linear
# congruential generator keeps the scene the same everywhere.
awk 'BEGIN {
  state = 12345
  for (p = 0; p < 200; p++) {
    n = 3 + int(rnd() * 10)
    x0 = rnd() * (1024 - 256); y0 = rnd() * (1024 - 256)
    d = ""
    for (v = 0; v < n; v++) {
      d = d (v == 0 ? "M" : " L") sprintf("%.2f %.2f", x0 + rnd() * 256, y0 + rnd() * 256)
    }
    r = int(rnd() * 256); g = int(rnd() * 256); b = int(rnd() * 256)
    printf "%s Z\trgb(%d %d %d / %s)\n", d, r, g, b, (p % 2 == 0 ? "1" : "0.5")
  }
}
function rnd() { state = (state * 1103515245 + 12345) % 2147483648; return state / 2147483648 }' \
  > "$work/layers.tsv"

args=(--size 1024x1024)
while IFS=$'\t' read -r data colour; do args+=(--path "$data" --color "$colour"); done \
  < "$work/layers.tsv"
"$zdraw" "${args[@]}" -o "$work/check.png" --svg "$work/scene.svg" > /dev/null

# Wall time of one process in milliseconds.
timeOf() {
  local start=$EPOCHREALTIME
  "$@" > /dev/null
  local end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", (b - a) * 1000 }'
}

: > "$work/zdraw.ms"
: > "$work/rsvg.ms"
# One untimed run of each first (page cache, dynamic loading).
"${pin[@]}" "$zdraw" "${args[@]}" -o "$work/zdraw.png" > /dev/null
"${pin[@]}" rsvg-convert -o "$work/rsvg.png" "$work/scene.svg"
for ((run = 0; run < runs; run++)); do
  timeOf "${pin[@]}" "$zdraw" "${args[@]}" -o "$work/zdraw.png" >> "$work/zdraw.ms"
  timeOf "${pin[@]}" rsvg-convert -o "$work/rsvg.png" "$work/scene.svg" >> "$work/rsvg.ms"
done

# median min max of one column of numbers
stats() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "%.2f %.2f %.2f\n", v[int((NR + 1) / 2)], v[1], v[NR] }'; }
read -r zMed zMin zMax < <(stats "$work/zdraw.ms")
read -r rMed rMin rMax < <(stats "$work/rsvg.ms")
printf '200 polygons, 1024x1024, %d runs each (ms: median / min / max)\n' "$runs"
printf '  %-28s %8s %8s %8s  %s\n' program median min max "PNG bytes"
printf '  %-28s %8s %8s %8s  %s\n' "zdraw (command line)" "$zMed" "$zMin" "$zMax" \
  "$(stat -c %s "$work/zdraw.png")"
printf '  %-28s %8s %8s %8s  %s\n' "rsvg-convert (SVG file)" "$rMed" "$rMin" "$rMax" \
  "$(stat -c %s "$work/rsvg.png")"
awk -v z="$zMed" -v r="$rMed" 'BEGIN { printf "  zdraw / rsvg-convert: %.2f\n", z / r }'
