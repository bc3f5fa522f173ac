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
grep -q '^<svg xmlns="http://www.w3.org/2000/svg" width="480" height="440"' "$work/zdraw-demo.svg" ||
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

# Strokes and transforms: the SVG carries the stroke and transform attributes,
# and rsvg-convert (when installed) paints the same picture from it.
"$zdraw" --size 60x60 --rotate 90,30,30 --path "M10 30 L50 30 L30 10" --color "#336699" \
  --stroke 6 --join round --cap square --miter-limit 2 --dash "8,4 2" --dash-offset -3 \
  --path "M0 0 L10 0 L0 10 Z" --translate 40,40 --scale 2,1 \
  -o "$work/stroke.png" --svg "$work/stroke.svg" || fail "stroke run"
for attribute in 'fill="none" stroke="#336699"' 'stroke-width="6"' 'stroke-linejoin="round"' \
  'stroke-linecap="square"' 'stroke-miterlimit="2"' 'stroke-dasharray="8 4 2"' \
  'stroke-dashoffset="-3"' 'transform="matrix(2 0 0 1 40 40)"' '<g transform="matrix('; do
  grep -q -- "$attribute" "$work/stroke.svg" || fail "stroke SVG lacks $attribute"
done
grep -q '</g></svg>$' "$work/stroke.svg" || fail "stroke SVG group not closed"
if command -v rsvg-convert > /dev/null && command -v pngtopnm > /dev/null; then
  rsvg-convert "$work/stroke.svg" -o "$work/stroke-rsvg.png"
  # Alpha of both as plain numbers: they may differ only along edges.
  ours=$(pngtopnm -alpha "$work/stroke.png" | pnmtopnm -plain 2>/dev/null | tail -n +4 | tr -s ' \n' '\n' | grep -c '^255$')
  theirs=$(pngtopnm -alpha "$work/stroke-rsvg.png" | pnmtopnm -plain 2>/dev/null | tail -n +4 | tr -s ' \n' '\n' | grep -c '^255$')
  [ $((ours - theirs)) -le $((theirs / 10)) ] && [ $((theirs - ours)) -le $((theirs / 10)) ] ||
    fail "stroke: $ours opaque pixels here, $theirs from rsvg-convert"
fi
"$zdraw" --size 60x60 --path "M10 30 L50 30" -o "$work/filled.png" || fail "unstroked run"
cmp -s "$work/filled.png" "$work/stroke.png" && fail "the stroke painted what the fill paints"

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
expect_refusal "--stroke '-1'" --path "$triangle" --stroke -1 -o "$work/x.png"
expect_refusal "--join 'pointy'" --path "$triangle" --stroke 1 --join pointy -o "$work/x.png"
expect_refusal "--cap" --path "$triangle" --stroke 1 --cap -o "$work/x.png"
expect_refusal "--miter-limit '0.5'" --path "$triangle" --stroke 1 --miter-limit 0.5 -o "$work/x.png"
expect_refusal "--dash '4 -2'" --path "$triangle" --stroke 1 --dash "4 -2" -o "$work/x.png"
expect_refusal "--dash-offset 'inf'" --path "$triangle" --stroke 1 --dash-offset inf -o "$work/x.png"
expect_refusal "--join: the --path" --path "$triangle" --join round -o "$work/x.png"
expect_refusal "--stroke: must follow" --stroke 2 --path "$triangle" -o "$work/x.png"
expect_refusal "--transform '1 2 3'" --transform "1 2 3" --path "$triangle" -o "$work/x.png"
expect_refusal "--rotate 'abc'" --path "$triangle" --rotate abc -o "$work/x.png"
expect_refusal "--scale '1,2,3'" --path "$triangle" --scale 1,2,3 -o "$work/x.png"
expect_refusal "--translate '5'" --path "$triangle" --translate 5 -o "$work/x.png"
expect_refusal "cannot be drawn" --path "$triangle" --scale 1e37 -o "$work/x.png"
expect_refusal "'--bogus'" --bogus
expect_refusal "nothing to write" --path "$triangle"

# --- help documents every option
"$zdraw" --help > "$work/help" || fail "--help exit status"
for option in --size --path --color --even-odd --overwrite --tolerance -o --format --quality --svg \
  --stroke --join --cap --miter-limit --dash --dash-offset --transform --translate --scale --rotate; do
  grep -q -- "$option" "$work/help" || fail "--help does not mention $option"
done

[ $failures -eq 0 ] && echo "zdraw: all checks passed"
exit $((failures != 0))
