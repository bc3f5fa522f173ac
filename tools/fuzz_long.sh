#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for a set time each, merges what
# the runs found into the seed corpora (only inputs that add coverage, by
# libFuzzer's -merge=1) and prints, per target, the executions, executions
# per second (by the wall clock and by the CPU time the target had) and the
# coverage reached (cov: edges, ft: features).
#
#   tools/fuzz_long.sh [-m MINUTES | -s SECONDS] [-j PARALLEL] [-b BUILD] [-n] [target...]
#
#   -m  minutes per target (default 30); -s gives seconds instead
#   -j  targets run at once (default 1; this machine has 2 cores)
#   -b  build folder of a -DZD_FUZZ=ON build (default build-asan)
#   -n  measure only: leave fuzz/corpus/ as it is
#
# Each run starts from a copy of fuzz/corpus/<target>/ and works in a
# temporary folder; crashes are left in that folder (its path is printed) and
# make the script exit with status 1 after the report.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=1800
parallel=1
build=build-asan
merge=1
while getopts "m:s:j:b:n" option; do
  case $option in
    m) seconds=$((OPTARG * 60)) ;;
    s) seconds=$OPTARG ;;
    j) parallel=$OPTARG ;;
    b) build=$OPTARG ;;
    n) merge=0 ;;
    *) sed -n '2,18p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for binary in "$build"/fuzz/fuzz_*; do
    [ -x "$binary" ] && targets+=("$(basename "$binary" | sed 's/^fuzz_//')")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz: configure with -DZD_FUZZ=ON (clang) and build first" >&2
  exit 2
fi

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

# One target: run, then merge; writes "$results/<target>.row".
run_target() {
  local name=$1 binary="$build/fuzz/fuzz_$1"
  local work log row
  work=$(mktemp -d "/tmp/zd_fuzz_${name}_XXXXXX")
  log="$work.log"
  mkdir -p "$work/corpus" "$work/crashes"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/corpus/"
  local status=0 timer=()
  # CPU seconds as well as wall time: on a busy machine the wall-clock rate
  # understates the target's own speed.
  [ -x /usr/bin/time ] && timer=(/usr/bin/time -f 'cpu-seconds %U %S' -o "$work.time")
  "${timer[@]}" "$binary" -max_total_time="$seconds" -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$work/crashes/" "$work/corpus" >"$log" 2>&1 || status=$?
  local execs speed cov ft cpu="-"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  if [ -s "$work.time" ] && [ -n "$execs" ]; then
    cpu=$(awk -v n="$execs" '/^cpu-seconds/ { t = $2 + $3; if (t > 0) printf "%d", n / t }' "$work.time")
  fi
  local note="ok"
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$work/crashes")" ]; then
    note="FAILED (exit $status): see $log and $work/crashes"
  elif [ "$merge" -eq 1 ]; then
    mkdir -p "fuzz/corpus/$name"
    local before after
    before=$(find "fuzz/corpus/$name" -type f | wc -l)
    if "$binary" -merge=1 -rss_limit_mb=4096 "fuzz/corpus/$name" "$work/corpus" \
      >"$work.merge.log" 2>&1; then
      after=$(find "fuzz/corpus/$name" -type f | wc -l)
      note="ok, corpus $before -> $after"
    else
      note="FAILED merge: see $work.merge.log"
    fi
  fi
  printf '%-16s %12s %9s %9s %7s %7s  %s\n' "$name" "${execs:-?}" "${speed:-?}" "${cpu:-?}" \
    "${cov:-?}" "${ft:-?}" "$note" >"$results/$name.row"
  if [ "$note" = "${note#FAILED}" ]; then rm -rf "$work" "$log" "$work.merge.log" "$work.time"; fi
}

echo "running ${#targets[@]} targets for ${seconds}s each, $parallel at a time (build: $build)"
running=0
for name in "${targets[@]}"; do
  if [ ! -x "$build/fuzz/fuzz_$name" ]; then
    echo "no target $name in $build/fuzz" >&2
    exit 2
  fi
  run_target "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

printf '\n%-16s %12s %9s %9s %7s %7s  %s\n' target executions exec/s exec/cpu-s cov ft result
failed=0
for name in "${targets[@]}"; do
  cat "$results/$name.row"
  grep -q FAILED "$results/$name.row" && failed=1
done
exit $failed
