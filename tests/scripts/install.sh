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
