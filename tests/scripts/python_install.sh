#!/usr/bin/env bash
# The Python package as a user installs it: `pip install ./bindings/python`
# into a fresh virtual environment (seeing Debian's numpy, Pillow, pytest and
# hypothesis through --system-site-packages; offline, so the build uses the
# installed setuptools), which builds the library with CMake and installs it
# inside the package. Then, in a clean environment (no ZD_LIBRARY, no
# PYTHONPATH), the installed package must be the one imported, and the
# binding's whole suite runs against it.
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
if grep -q -E '^ZD_(SANITIZE|TSAN):BOOL=ON' "$build/CMakeCache.txt"; then
  echo "skipped: sanitizer build"; exit 77
fi
python=/usr/bin/python3
for module in ensurepip pytest setuptools wheel; do
  "$python" -c "import $module" 2>/dev/null ||
    { echo "skipped: python3 lacks $module (python3-venv, python3-pytest, python3-setuptools, python3-wheel)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$python" -m venv --system-site-packages "$work/venv"
# This build's compiler cache, where there is one, for the package's build.
launcher=$(grep -E '^CMAKE_CXX_COMPILER_LAUNCHER:' "$build/CMakeCache.txt" | cut -d= -f2 || true)
if [ -n "$launcher" ]; then
  export CMAKE_C_COMPILER_LAUNCHER=$launcher CMAKE_CXX_COMPILER_LAUNCHER=$launcher
fi
"$work/venv/bin/pip" install --no-build-isolation --no-index --quiet "$source/bindings/python"

cd "$work"
clean=(env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8)
"${clean[@]}" "$work/venv/bin/python" - <<'PYTHON'
import os, sys, zd
for what, where in (("package", zd.__file__), ("library", zd.library._name)):
    assert os.path.realpath(where).startswith(os.path.realpath(sys.prefix)), (what, where)
image = zd.Image(4, 4).fill(zd.Path().rect(0, 0, 2, 2), zd.Color.parse("#f00"))
assert image.png().startswith(b"\x89PNG")
print("installed zd", zd.version, "from", os.path.dirname(zd.__file__))
PYTHON
"${clean[@]}" "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$source/bindings/python/tests"
