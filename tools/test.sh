#!/usr/bin/env bash
# Builds zd with every test and runs the whole suite: the README's test command.
#
# On Debian the packages the tests need are checked first; run as root on a
# fresh machine, the script installs the missing ones with apt-get (as another
# user it names them and stops). Arguments go to CMake's configure step (CI
# passes -DZD_WERROR=ON). `tools/test.sh --packages` lists the packages.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make                          # the build
  libgtest-dev                            # the unit tests
  zlib1g-dev libpng-dev libstb-dev        # peers decoding our PNG, BMP, QOI, PNM and TGA files
  libjpeg-dev                             # peer decoding our JPEG files
  libexpat1-dev                           # the SVG document renderer (zdraw FILE.svg) and its tests
  librsvg2-bin                            # renders our SVG documents to compare with our fills
  netpbm                                  # reads our PAM files
  locales                                 # a decimal-comma locale: output must not follow it
  python3 python3-pytest                  # the Python binding's tests
  python3-numpy python3-pil               # numpy and Pillow round trips
  python3-hypothesis                      # the binding's property-based suite
  python3-venv python3-pip python3-setuptools python3-wheel  # pip install into a fresh venv
)
if [ "${1:-}" = "--packages" ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

if command -v dpkg >/dev/null; then
  missing=()
  for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "tools/test.sh: the tests need: ${missing[*]}" >&2
      echo "install them with: sudo apt-get install ${missing[*]}  (or run this script as root)" >&2
      exit 1
    fi
    echo "tools/test.sh: installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
  # The locale-independence tests need a locale with a decimal comma.
  if [ "$(id -u)" -eq 0 ] && ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
  fi
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
jobs=$(nproc)
cmake -S . -B build -DZD_TESTS=ON -DZD_BENCH=OFF "${launcher[@]}" "$@"
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
