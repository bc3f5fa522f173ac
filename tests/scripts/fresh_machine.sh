#!/usr/bin/env bash
# The README's first command as a newcomer's fresh machine runs it: in a copy
# of the sources, with every optional package hidden from CMake (GoogleTest,
# zlib, libpng, libjpeg, stb, expat, Google Benchmark, pkg-config and the benchmark
# peers), the command is run exactly as written. It must configure with a
# one-line note for what it skips, build the library and zdraw and nothing
# else, and paint the demo picture.
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
if grep -q -E '^ZD_(SANITIZE|TSAN):BOOL=ON' "$build/CMakeCache.txt"; then
  echo "skipped: sanitizer build"; exit 77
fi
command=$(grep -m1 -E '^    cmake -S \. -B build .*--target zdraw' "$source/README.md" | sed 's/^    //')
[ -n "$command" ] || { echo "README.md lacks the main-job command"; exit 1; }
readme_tests=$(grep -c -E '^    tools/test\.sh$' "$source/README.md" || true)
[ "$readme_tests" -eq 1 ] || { echo "README.md must name tools/test.sh once as a command"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/zd"
tar -C "$source" --exclude='./build*' --exclude=./fuzz/corpus --exclude=./.git -cf - . |
  tar -C "$work/zd" -xf -
cd "$work/zd"

# The hidden packages go into the cache first; the README's configure step
# then finds them hidden as a fresh machine would.
hidden=()
for package in GTest ZLIB PNG JPEG stb EXPAT benchmark PkgConfig Cairo Agg Deflate; do
  hidden+=("-DCMAKE_DISABLE_FIND_PACKAGE_${package}=ON")
done
# Reuse this build's compiler cache where there is one: the same work, faster.
launcher=$(grep -E '^CMAKE_CXX_COMPILER_LAUNCHER:' "$build/CMakeCache.txt" | cut -d= -f2 || true)
cmake -S . -B build "${hidden[@]}" ${launcher:+-DCMAKE_C_COMPILER_LAUNCHER=$launcher} \
  ${launcher:+-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher} > configure-first.log 2>&1

start=$(date +%s)
bash -c "$command" > readme.log 2>&1 || { cat readme.log; echo "the README command failed"; exit 1; }
echo "README command: $(($(date +%s) - start)) s"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
[ "$(grep -c 'zd: unit tests skipped' readme.log)" -eq 1 ] || fail "no one-line note for the unit tests"
[ "$(grep -c 'zd: benchmarks skipped' readme.log)" -eq 1 ] || fail "no one-line note for the benchmarks"
head -c 8 zdraw-demo.png | od -An -tx1 | tr -d ' \n' | grep -qx 89504e470d0a1a0a ||
  fail "no demo PNG"
grep -q '<svg ' zdraw-demo.svg || fail "no demo SVG"
# Only the library and zdraw were built: no other program, no test object.
built=$(find build -type f -perm -u+x ! -name '*.so*' ! -name '*.sh' ! -path '*/CMakeFiles/*' | sort)
[ "$built" = "build/zdraw" ] || fail "built more than zdraw: $built"
objects=$(find build -name '*.o' | grep -v -E '/(zd_objects|zdraw)\.dir/' || true)
[ -z "$objects" ] || fail "compiled more than the library and zdraw: $(echo "$objects" | head -3)"

[ $failures -eq 0 ] && echo "fresh machine: the README's first command holds"
exit $((failures != 0))
