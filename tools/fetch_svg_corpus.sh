#!/usr/bin/env bash
# Fetches the icon corpus of the SVG document tests from the npm registry and
# copies a fixed selection into tests/render/data/corpus/<set>/, with each
# set's licence. The versions are pinned and the selection is every k-th file
# of the sorted list, so a rerun gives the same files. CI never runs this: the
# selection is committed.
#
#   tools/fetch_svg_corpus.sh [PER_SET]    (default 80 files per set)
set -euo pipefail
cd "$(dirname "$0")/.."
per_set=${1:-80}
target=tests/render/data/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name@version  folder-in-package  licence-file  set-name
sets=(
  "feather-icons@4.29.2 dist/icons LICENSE feather"
  "bootstrap-icons@1.13.2 icons LICENSE bootstrap"
  "simple-icons@16.37.0 icons LICENSE.md simple"
  "@mdi/svg@7.4.47 svg LICENSE mdi"
)

rm -rf "$target"
mkdir -p "$target"
for entry in "${sets[@]}"; do
  read -r package folder licence name <<<"$entry"
  mkdir -p "$work/$name"
  (cd "$work/$name" && npm pack --silent "$package" >/dev/null && tar -xzf ./*.tgz)
  mapfile -t files < <(cd "$work/$name/package/$folder" && ls -1 -- *.svg | LC_ALL=C sort)
  count=${#files[@]}
  step=$((count / per_set))
  [ "$step" -ge 1 ] || step=1
  mkdir -p "$target/$name"
  taken=0
  for ((i = 0; i < count && taken < per_set; i += step)); do
    cp "$work/$name/package/$folder/${files[$i]}" "$target/$name/"
    taken=$((taken + 1))
  done
  cp "$work/$name/package/$licence" "$target/$name/LICENSE"
  echo "$package: $taken of $count files"
done
printf '%s\n' "${sets[@]}" | awk '{print $1}' >"$target/VERSIONS"
