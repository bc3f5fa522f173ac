#!/bin/bash
# ZD_DISABLE_CPU_FEATURES=all forces the portable kernels, which must write
# the same bytes as the vector kernels the processor allows: zdraw's demo
# scene, and a scene of translucent, even-odd and overwriting layers as PNG
# and as JPEG, with and without the variable.
# $1 = build directory, $2 = source directory.
set -u
zdraw="$(cd "$1" && pwd)/zdraw"
for flag in avx2 fma bmi2; do
  grep -qw "$flag" /proc/cpuinfo 2>/dev/null || { echo "no $flag: nothing to compare"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

layers=(--size 301x203
  --path "M5 5 L296 20 L150 198 Z M40 40 L260 60 L150 160 Z" --color "rgba(200, 30, 90, 0.45)" --even-odd
  --path "M0 100 C 80 -40 220 240 301 100 L301 203 L0 203 Z" --color "oklch(70% 0.25 150 / 0.7)"
  --path "M20 180 A 120 80 15 1 1 280 30 Z" --color "#13579b" --overwrite --tolerance 0.2
  --path "M-10 -10 H 320 V 60 H -10 Z" --color "rgb(250 250 10 / 0.3)")

# Runs zdraw in directory $2 with the rest of the arguments; $1 is the
# variable's value, or "-" to run without it.
draw() {
  local disabled=$1 dir=$2
  shift 2
  local environment=(env -u ZD_DISABLE_CPU_FEATURES)
  [ "$disabled" = - ] || environment=(env ZD_DISABLE_CPU_FEATURES="$disabled")
  mkdir -p "$dir"
  (cd "$dir" && "${environment[@]}" "$zdraw" "$@" > /dev/null) ||
    { echo "FAIL: zdraw $* ($disabled)"; failures=$((failures + 1)); }
}

for disabled in - all; do
  dir="$work/${disabled/-/detected}"
  draw "$disabled" "$dir"
  draw "$disabled" "$dir" "${layers[@]}" -o layers.png
  draw "$disabled" "$dir" "${layers[@]}" --quality 75 -o layers.jpg
done
for file in zdraw-demo.png layers.png layers.jpg; do
  cmp -s "$work/detected/$file" "$work/all/$file" || {
    echo "FAIL: $file differs between the detected and the portable kernels"
    failures=$((failures + 1))
  }
done
[ $failures -eq 0 ] && echo "all outputs identical"
exit $((failures > 0))
