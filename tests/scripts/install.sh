#!/usr/bin/env bash
# Installs this build into a temporary prefix, then builds and runs two small
# consumers: one through find_package(zd), one through pkg-config zd.
set -euo pipefail
build=$1 source=$2
if grep -q -E '^ZD_(SANITIZE|TSAN):BOOL=ON' "$build/CMakeCache.txt"; then
  echo "skipped: sanitizer build"; exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
test -f "$prefix/include/zd.h"
test -x "$prefix/bin/zdraw"
libdir=$(dirname "$(find "$prefix" -name 'libzd.so.1' | head -n 1)")
test -n "$libdir"
objdump -p "$libdir/libzd.so.1" | grep -q 'SONAME *libzd.so.1'

echo "-- the installed zdraw runs as installed, in a clean environment, also when moved"
readelf -d "$prefix/bin/zdraw" | grep -E 'R(UN)?PATH' | grep -q '\$ORIGIN/' ||
  { echo "zdraw has no RPATH relative to itself"; exit 1; }
mkdir "$work/run"
(cd "$work/run" && env -i "$prefix/bin/zdraw" > out.txt)
grep -q 'zdraw-demo.png' "$work/run/out.txt"
head -c 8 "$work/run/zdraw-demo.png" | od -An -tx1 | tr -d ' \n' | grep -qx 89504e470d0a1a0a
mv "$prefix" "$work/moved"
env -i "$work/moved/bin/zdraw" --size 8x8 --path "M0 0 L8 0 L8 8 Z" -o "$work/run/moved.png"
test -s "$work/run/moved.png"
mv "$work/moved" "$prefix"

echo "-- find_package(zd)"
cmake -S "$source/tests/install/consumer" -B "$work/cmake-consumer" \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cmake-consumer/consumer"

echo "-- pkg-config zd"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc -std=c99 -Wall -Werror -o "$work/pkg-consumer" "$source/tests/install/consumer/main.c" \
  $(pkg-config --cflags --libs zd)
LD_LIBRARY_PATH="$libdir" "$work/pkg-consumer"
