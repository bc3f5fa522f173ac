#!/usr/bin/env bash
# Renders the whole icon corpus (tests/render/data/corpus) at four times its
# size with zdraw and with rsvg-convert, one process per file as a user runs
# them, pinned to one core. Each renderer's pass over the corpus is repeated
# (default 7 times, alternating the two) and the medians are reported with
# their ratio.
#
#   bench/svg_corpus.sh BUILD_DIR [REPETITIONS]
set -euo pipefail
build=$(cd "${1:?usage: bench/svg_corpus.sh BUILD_DIR [REPETITIONS]}" && pwd)
repetitions=${2:-7}
cd "$(dirname "$0")/.."
mapfile -t files < <(find tests/render/data/corpus -name '*.svg' | LC_ALL=C sort)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

pass() {
  local start end
  start=$(date +%s.%N)
  if [ "$1" = zdraw ]; then
    for f in "${files[@]}"; do taskset -c 1 "$build/zdraw" "$f" --scale 4 -o "$out/z.png" 2>/dev/null; done
  else
    for f in "${files[@]}"; do taskset -c 1 rsvg-convert -z 4 -o "$out/r.png" "$f"; done
  fi
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ours=() theirs=()
for ((i = 0; i < repetitions; ++i)); do
  ours+=("$(pass zdraw)")
  theirs+=("$(pass rsvg)")
done
z=$(median "${ours[@]}")
r=$(median "${theirs[@]}")
printf '%d files, %d passes each (median of the whole-corpus time)\n' "${#files[@]}" "$repetitions"
printf 'zdraw         %8.3f s  (%.2f ms per file)\n' "$z" "$(echo "$z * 1000 / ${#files[@]}" | bc -l)"
printf 'rsvg-convert  %8.3f s  (%.2f ms per file)\n' "$r" "$(echo "$r * 1000 / ${#files[@]}" | bc -l)"
printf 'ratio zdraw / rsvg-convert: %.3f\n' "$(echo "$z / $r" | bc -l)"
