#!/usr/bin/env bash
# Runs the Python binding's pytest suite against this build's libzd.so.
# Skipped (exit 77) in sanitizer builds, whose library cannot be loaded into
# an uninstrumented interpreter, and where Debian's pytest is missing.
set -euo pipefail
build=$1 source=$2
if grep -q -E '^ZD_(SANITIZE|TSAN):BOOL=ON' "$build/CMakeCache.txt"; then
  echo "skipped: sanitizer build"; exit 77
fi
python=/usr/bin/python3
if ! "$python" -c 'import pytest' 2>/dev/null; then
  echo "skipped: python3-pytest is not installed"; exit 77
fi
library=$(ls "$build"/libzd.so.1 2>/dev/null || ls "$build"/libzd.so)
cd "$source/bindings/python"
ZD_LIBRARY="$library" PYTHONPATH="$source/bindings/python" \
  "$python" -m pytest -q -p no:cacheprovider tests
