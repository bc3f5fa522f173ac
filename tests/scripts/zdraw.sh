#!/bin/bash
# zdraw end to end: the demo scene, a normal run in every output format,
# path data from a file, and bad input (exit 2, one line naming the argument).
# $1 = build directory, $2 = source directory.
set -u
zdraw="$(cd "$1" && pwd)/zdraw"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Checks that a file starts with the given bytes (as hex).
starts_with() {
  local file=$1 hex=$2
  local got
  got=$(head -c $((${#hex} / 2)) "$file" 2>/dev/null | od -An -tx1 | tr -d ' \n')
  [ "$got" = "$hex" ] || fail "$file starts with '$got', expected '$hex'"
}

# --- the demo scene
(cd "$work" && "$zdraw" > demo.out 2> demo.err)
[ $? -eq 0 ] || fail "demo run exited non-zero: $(cat "$work/demo.err")"
starts_with "$work/zdraw-demo.png" 89504e470d0a1a0a
grep -q '^<svg xmlns="http://www.w3.org/2000/svg" width="480" height="320"' "$work/zdraw-demo.svg" ||
  fail "demo SVG header"
[ "$(grep -o '<path ' "$work/zdraw-demo.svg" | wc -l)" -gt 10 ] || fail "demo SVG has too few paths"
grep -q 'fill-rule="evenodd"' "$work/zdraw-demo.svg" || fail "demo SVG lacks the even-odd layer"
grep -q 'zdraw-demo.png' "$work/demo.out" && grep -q 'zdraw-demo.svg' "$work/demo.out" ||
  fail "demo run does not say where it wrote"

# --- a normal run; the format follows the extension unless --format names it
triangle="M10 10 L90 10 L50 80 Z"
"$zdraw" --size 100x100 --path "$triangle" --color "oklch(70% 0.1 150)" \
  -o "$work/out.png" --svg "$work/out.svg" || fail "normal run"
starts_with "$work/out.png" 89504e470d0a1a0a
grep -q '<path d="M 10 10 L 90 10 L 50 80 Z" fill="#' "$work/out.svg" || fail "normal SVG"
for pair in "bmp:424d" "qoi:716f6966" "tga:" "jpg:ffd8ff" "pnm:50"; do
  ext=${pair%%:*}
  magic=${pair#*:}
  "$zdraw" --size 40x30 --path "$triangle" --color "#336699" -o "$work/out.$ext" ||
    fail "run writing .$ext"
  [ -s "$work/out.$ext" ] || fail "empty .$ext"
  [ -z "$magic" ] || starts_with "$work/out.$ext" "$magic"
done
"$zdraw" --size 40x30 --path "$triangle" --format qoi --quality 50 -o "$work/named.img" ||
  fail "--format qoi"
starts_with "$work/named.img" 716f6966

# Several layers, modifiers applying to the path before them; path from a file.
printf 'M 0 0 L 40 0 L 40 40 L 0 40 Z\n M 10 10 L 30 10 L 30 30 L 10 30 Z' > "$work/square.d"
# Any CSS colour: a name gives the same image as its hex value.
"$zdraw" --size 40x40 --path @"$work/square.d" --color red --even-odd \
  --path "M0 0 L40 0 L0 40 Z" --color "rgba(0, 0, 255, 0.5)" --overwrite --tolerance 0.25 \
  -o "$work/named.png" || fail "named colour refused"
"$zdraw" --size 40x40 --path @"$work/square.d" --color "#FF0000" --even-odd \
  --path "M0 0 L40 0 L0 40 Z" --color "rgba(0, 0, 255, 0.5)" --overwrite --tolerance 0.25 \
  -o "$work/layers.png" --svg "$work/layers.svg" || fail "layered run"
cmp -s "$work/named.png" "$work/layers.png" || fail "red and #FF0000 differ"
for css in "hsl(200 80% 40%)" "color(display-p3 1 0.2 0.1)" "color-mix(in oklch, red, blue)"; do
  "$zdraw" --size 8x8 --path "M0 0 L8 0 L8 8 Z" --color "$css" -o "$work/css.png" || fail "--color '$css'"
done
[ "$(grep -o '<path ' "$work/layers.svg" | wc -l)" -eq 2 ] || fail "layered SVG path count"
[ "$(grep -o 'fill-rule="evenodd"' "$work/layers.svg" | wc -l)" -eq 1 ] ||
  fail "even-odd applies to its own layer only"

# --- bad input: exit 2 and one line that names the argument
expect_refusal() {
  local needle=$1
  shift
  "$zdraw" "$@" > "$work/out" 2> "$work/err"
  local status=$?
  [ $status -eq 2 ] || fail "'$*' exited $status, expected 2"
  [ "$(wc -l < "$work/err")" -eq 1 ] || fail "'$*' printed $(wc -l < "$work/err") lines"
  grep -q -- "$needle" "$work/err" || fail "'$*' message lacks '$needle': $(cat "$work/err")"
}
expect_refusal "--size" --size 0x10 --path "$triangle" -o "$work/x.png"
expect_refusal "--size" --size 10 --path "$triangle" -o "$work/x.png"
expect_refusal "--size" --size 10x10x --path "$triangle" -o "$work/x.png"
expect_refusal "--size" --size 99999999999x10 --path "$triangle" -o "$work/x.png"
expect_refusal "--path 'M10 10 L'" --path "M10 10 L" -o "$work/x.png"
expect_refusal "--path 'L 5 5'" --path "L 5 5" -o "$work/x.png"
expect_refusal "--path '@$work/missing.d'" --path "@$work/missing.d" -o "$work/x.png"
expect_refusal "--color 'oklch(nope)'" --path "$triangle" --color "oklch(nope)" -o "$work/x.png"
expect_refusal "--color 'bluish'" --path "$triangle" --color "bluish" -o "$work/x.png"
expect_refusal "--color" --color "#fff" --path "$triangle" -o "$work/x.png"
expect_refusal "--tolerance 'nan'" --path "$triangle" --tolerance nan -o "$work/x.png"
expect_refusal "--tolerance" --path "$triangle" --tolerance
expect_refusal "--quality '0'" --path "$triangle" --quality 0 -o "$work/x.png"
expect_refusal "--format 'gif'" --path "$triangle" --format gif -o "$work/x.png"
expect_refusal "-o '$work/x.xyz'" --path "$triangle" -o "$work/x.xyz"
expect_refusal "-o '$work/no/such/dir.png'" --path "$triangle" -o "$work/no/such/dir.png"
expect_refusal "--svg '$work/no/such/dir.svg'" --path "$triangle" --svg "$work/no/such/dir.svg"
expect_refusal "'--bogus'" --bogus
expect_refusal "nothing to write" --path "$triangle"

# --- help documents every option
"$zdraw" --help > "$work/help" || fail "--help exit status"
for option in --size --path --color --even-odd --overwrite --tolerance -o --format --quality --svg; do
  grep -q -- "$option" "$work/help" || fail "--help does not mention $option"
done

[ $failures -eq 0 ] && echo "zdraw: all checks passed"
exit $((failures != 0))
