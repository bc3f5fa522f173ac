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
grep -q '^<svg xmlns="http://www.w3.org/2000/svg" width="480" height="520"' "$work/zdraw-demo.svg" ||
  fail "demo SVG header"
[ "$(grep -o '<path ' "$work/zdraw-demo.svg" | wc -l)" -gt 10 ] || fail "demo SVG has too few paths"
grep -q 'fill-rule="evenodd"' "$work/zdraw-demo.svg" || fail "demo SVG lacks the even-odd layer"
[ "$(grep -o '<linearGradient ' "$work/zdraw-demo.svg" | wc -l)" -eq 2 ] ||
  fail "demo SVG lacks its two gradients"
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

# --antialias per layer: scanlines is what a layer gets without it; area and
# none change the edge pixels of their own layer only.
"$zdraw" --size 40x40 --path "M2 3 L37 9 L12 36 Z" -o "$work/aa-default.png" || fail "default AA"
"$zdraw" --size 40x40 --path "M2 3 L37 9 L12 36 Z" --antialias scanlines -o "$work/aa-lines.png" ||
  fail "--antialias scanlines"
cmp -s "$work/aa-default.png" "$work/aa-lines.png" || fail "--antialias scanlines is not the default"
for aa in area none; do
  "$zdraw" --size 40x40 --path "M2 3 L37 9 L12 36 Z" --antialias $aa -o "$work/aa-$aa.png" ||
    fail "--antialias $aa"
  cmp -s "$work/aa-default.png" "$work/aa-$aa.png" && fail "--antialias $aa changed nothing"
done
"$zdraw" --size 40x40 --path "M2 3 L37 9 L12 36 Z" --antialias area --path "M0 0 L1 0 L0 1 Z" \
  -o "$work/aa-two.png" || fail "--antialias on the first of two layers"
"$zdraw" --size 40x40 --path "M2 3 L37 9 L12 36 Z" --path "M0 0 L1 0 L0 1 Z" --antialias area \
  -o "$work/aa-second.png" || fail "--antialias on the second of two layers"
cmp -s "$work/aa-two.png" "$work/aa-second.png" && fail "--antialias reached another layer"

# Strokes and transforms: the SVG carries the stroke and transform attributes,
# and rsvg-convert (when installed) paints the same picture from it.
"$zdraw" --size 60x60 --path "M10 30 L50 30 L30 10" --color "#336699" --rotate 90,30,30 \
  --stroke 6 --join round --cap square --miter-limit 2 --dash "8,4 2" --dash-offset -3 \
  --path "M0 0 L10 0 L0 10 Z" --translate 40,40 --scale 2,1 \
  -o "$work/stroke.png" --svg "$work/stroke.svg" || fail "stroke run"
for attribute in 'fill="none" stroke="#336699"' 'stroke-width="6"' 'stroke-linejoin="round"' \
  'stroke-linecap="square"' 'stroke-miterlimit="2"' 'stroke-dasharray="8 4 2"' \
  'stroke-dashoffset="-3"' 'transform="matrix(2 0 0 1 40 40)"' 'transform="matrix(0 1 -1 0 60 0)"'; do
  grep -q -- "$attribute" "$work/stroke.svg" || fail "stroke SVG lacks $attribute"
done
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
expect_refusal "--antialias 'best'" --path "$triangle" --antialias best -o "$work/x.png"
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
expect_refusal "--transform '1 2 3'" --path "$triangle" --transform "1 2 3" -o "$work/x.png"
expect_refusal "--rotate: must follow" --rotate 30 --path "$triangle" -o "$work/x.png"
expect_refusal "--rotate 'abc'" --path "$triangle" --rotate abc -o "$work/x.png"
expect_refusal "--scale '1,2,3'" --path "$triangle" --scale 1,2,3 -o "$work/x.png"
expect_refusal "--translate '5'" --path "$triangle" --translate 5 -o "$work/x.png"
expect_refusal "cannot be filled" --path "$triangle" --scale 1e37 -o "$work/x.png"
expect_refusal "cannot be stroked" --path "$triangle" --stroke 1 --dash "0.0001" -o "$work/x.png"
expect_refusal "'--bogus'" --bogus
expect_refusal "nothing to write" --path "$triangle"

# --- the library's own account follows zdraw's context, on the same line
expect_refusal "--path 'M10 10 L': parsePath: expected a number at offset 8" --path "M10 10 L" -o "$work/x.png"
expect_refusal "--color 'bluish': parseCss: unknown colour name 'bluish' at offset 0" \
  --path "$triangle" --color bluish -o "$work/x.png"
expect_refusal "cannot be filled: flatten: segment limit exceeded (1048576)" --size 8x8 \
  --path "M0 0 A 1e12 1e12 0 0 1 2e12 0 Z" --tolerance 1e-6 -o "$work/x.png"
expect_refusal "--background 'nope'" --background nope --path "$triangle" -o "$work/x.png"
expect_refusal "--scale '0'" --path "$triangle" --scale 0 -o "$work/x.png"
expect_refusal "--scale" --scale 2 --path "$triangle" -o "$work/x.png"
expect_refusal "--viewbox '0,0,24'" --viewbox 0,0,24 --path "$triangle" -o "$work/x.png"
expect_refusal "--viewbox '0,0,0,24'" --viewbox 0,0,0,24 --path "$triangle" -o "$work/x.png"

# --- outputs: two to one file are refused before anything is written; a
# failed run leaves an existing file as it was and no temporary behind
cd "$work"
expect_refusal "name the same file" --path "$triangle" -o same.png --svg same.png
expect_refusal "name the same file" --path "$triangle" -o ./same.png --svg "$work/same.png"
expect_refusal "name the same file" --path "$triangle" -o - --svg -
[ ! -e same.png ] || fail "a refused run wrote same.png"
echo old > kept.png
ln kept.png linked.svg
expect_refusal "name the same file" --path "$triangle" -o kept.png --svg linked.svg
expect_refusal "cannot be filled" --size 8x8 --path "M0 0 A 1e12 1e12 0 0 1 2e12 0 Z" \
  --tolerance 1e-6 -o kept.png
[ "$(cat kept.png)" = old ] || fail "a failed run changed kept.png"
expect_refusal "-o '/dev/full': cannot write" --size 8x8 --path "$triangle" -o /dev/full
"$zdraw" --size 8x8 --path "$triangle" -o kept.png --svg fresh.svg || fail "run over kept.png"
starts_with kept.png 89504e470d0a1a0a
ls -A | grep -q '^\.kept\.png\.\|^\.fresh\.svg\.' && fail "a temporary file was left behind"
[ "$(stat -c %a fresh.svg)" = "$(umask -S >/dev/null; touch plain; stat -c %a plain)" ] ||
  fail "the output does not have a new file's permissions"
# Standard output takes either output.
"$zdraw" --size 8x8 --path "$triangle" -o - > stdout.png || fail "-o -"
cmp -s stdout.png kept.png || fail "-o - differs from the file"
"$zdraw" --size 8x8 --path "$triangle" --svg - > stdout.svg || fail "--svg -"
cmp -s stdout.svg fresh.svg || fail "--svg - differs from the file"
cd - > /dev/null

# --- .ppm is a P6 PPM flattened onto the background (white by default),
# .pam a PAM with alpha; --background paints the whole image first
"$zdraw" --size 2x1 --path "M0 0 L1 0 L1 1 L0 1 Z" --color "rgba(255, 0, 0, 0.5)" \
  -o "$work/flat.ppm" || fail "ppm run"
[ "$(od -An -tx1 "$work/flat.ppm" | tr -d ' \n')" = "50360a3220310a3235350a""ff7f7fffffff" ] ||
  fail "PPM: $(od -An -tx1 "$work/flat.ppm")"
"$zdraw" --size 2x1 --background "#102030" --path "M0 0 L1 0 L1 1 L0 1 Z" \
  --color "rgba(255, 0, 0, 0.5)" -o "$work/under.ppm" || fail "ppm over a background"
# Half red over #102030, then the untouched background.
[ "$(tail -c 6 "$work/under.ppm" | od -An -tx1 | tr -d ' \n')" = "881018102030" ] ||
  fail "PPM over a background: $(tail -c 6 "$work/under.ppm" | od -An -tx1)"
"$zdraw" --size 2x1 --path "M0 0 L1 0 L1 1 Z" -o "$work/alpha.pam" || fail "pam run"
starts_with "$work/alpha.pam" 50370a
grep -a -q 'TUPLTYPE RGB_ALPHA' "$work/alpha.pam" || fail "PAM tuple type"
if command -v pamfile > /dev/null; then
  pamfile "$work/flat.ppm" | grep -q 'PPM raw, 2 by 1' || fail "pamfile: $(pamfile "$work/flat.ppm")"
fi
"$zdraw" --size 4x4 --background "#00ff0080" --path "M0 0 L1 0 L1 1 Z" --svg "$work/bg.svg" ||
  fail "background in SVG"
grep -q '<path d="M 0 0 L 4 0 L 4 4 L 0 4 Z" fill="#00FF0080"/>' "$work/bg.svg" ||
  fail "SVG background: $(cat "$work/bg.svg")"

# --- icon data drawn for a 24x24 box, at any size: --viewbox and --scale
# give exactly the picture of the data scaled by hand
icon="M4 4 H20 V20 H4 Z M8 8 v8 h8 v-8 z M2 12 a 3 2 30 0 1 6 0 Q 12 2 22 12 T 12 22 C 2 22 2 16 2 12 Z"
icon4="M16 16 H80 V80 H16 Z M32 32 v32 h32 v-32 z M8 48 a 12 8 30 0 1 24 0 Q 48 8 88 48 T 48 88 C 8 88 8 64 8 48 Z"
"$zdraw" --size 96x96 --path "$icon4" --even-odd -o "$work/by-hand.png" --svg "$work/by-hand.svg" ||
  fail "icon by hand"
"$zdraw" --size 96x96 --viewbox 0,0,24,24 --path "$icon" --even-odd -o "$work/viewbox.png" \
  --svg "$work/viewbox.svg" || fail "--viewbox run"
"$zdraw" --size 96x96 --path "$icon" --even-odd --scale 4 -o "$work/scale.png" || fail "--scale run"
cmp -s "$work/by-hand.png" "$work/viewbox.png" || fail "--viewbox differs from the data scaled by hand"
cmp -s "$work/by-hand.png" "$work/scale.png" || fail "--scale differs from the data scaled by hand"
grep -q 'viewBox="0 0 24 24"' "$work/viewbox.svg" || fail "the SVG does not keep the view box"
# Another aspect: the box is centred (as SVG's viewBox does), and a relative
# move that opens a path starts from the shifted origin.
"$zdraw" --size 96x48 --viewbox "0 0 24 24" --path "m4 4 h16 v16 h-16 z" -o "$work/wide.png" ||
  fail "wide --viewbox"
"$zdraw" --size 96x48 --path "M32 8 h32 v32 h-32 z" -o "$work/wide-by-hand.png" || fail "wide by hand"
cmp -s "$work/wide.png" "$work/wide-by-hand.png" || fail "a wide --viewbox is not centred"

# --- path files: the limit is documented and holds to the byte
head -c 67108864 /dev/zero | tr '\0' ' ' > "$work/limit.d"
"$zdraw" --size 4x4 --path @"$work/limit.d" -o "$work/limit.png" || fail "a 64 MiB path file"
printf ' ' >> "$work/limit.d"
expect_refusal "more than 64 MiB" --size 4x4 --path @"$work/limit.d" -o "$work/limit.png"
rm -f "$work/limit.d"

# --- help documents every option
"$zdraw" --help > "$work/help" || fail "--help exit status"
for option in --size --path --color --even-odd --overwrite --tolerance -o --format --quality --svg \
    --background --scale --viewbox --stroke --join --cap --miter-limit --dash --dash-offset \
    --transform --translate --rotate; do
  grep -q -- "$option" "$work/help" || fail "--help does not mention $option"
done
grep -q '64 MiB (67108864 bytes)' "$work/help" || fail "--help does not give the path-file limit"

# --- gradients: the image and rsvg-convert's rendering of the SVG agree
# within 2/255 (SVG has no oklch interpolation and no conic gradient: those
# are written as finely sampled stops and wedges).
"$zdraw" --size 64x48 --path "M 2 2 L 62 4 L 58 46 L 4 44 Z" --linear 4,4,60,40 \
  --stop 0:red --stop 0.5:#00ff0080 --stop 1:blue --interpolate oklch,longer --spread reflect \
  -o "$work/gradient.png" --svg "$work/gradient.svg" || fail "gradient run"
grep -q '<linearGradient id="zdg1" gradientUnits="userSpaceOnUse"' "$work/gradient.svg" ||
  fail "gradient SVG lacks its linearGradient"
"$zdraw" --size 64x48 --path "M 0 0 H 64 V 48 H 0 Z" --radial 28,20,2,32,24,30 --stop 0:#ffcc00 \
  --stop 1:#203080 --spread repeat --path "M 10 10 H 50 V 40 H 10 Z" --conic 30,25,30 \
  --stop 0:red --stop 0.5:#fff --stop 1:red --interpolate oklab \
  -o "$work/radial.png" --svg "$work/radial.svg" || fail "radial and conic run"
grep -q '<radialGradient id="zdg1"' "$work/radial.svg" || fail "gradient SVG lacks its radialGradient"
if command -v rsvg-convert > /dev/null && command -v python3 > /dev/null; then
  for name in gradient radial; do
    rsvg-convert -o "$work/$name-rsvg.png" "$work/$name.svg" || fail "rsvg-convert $name.svg"
    python3 - "$work/$name.png" "$work/$name-rsvg.png" <<'PY' || fail "$name: rsvg-convert's rendering differs"
import struct, sys, zlib

def rgba(file):
    data = open(file, "rb").read()
    pos, chunks, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), "expected 8-bit RGB or RGBA"
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + length
    channels = 4 if colour == 6 else 3
    raw, out, stride = zlib.decompress(chunks), bytearray(), width * channels
    previous = bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        for x in range(width):
            pixel = line[x * channels:(x + 1) * channels]
            out += pixel if channels == 4 else pixel + b"\xff"
        previous = line
    return width, height, out

ours, theirs = rgba(sys.argv[1]), rgba(sys.argv[2])
assert ours[:2] == theirs[:2], "sizes differ"
width, worst, where = ours[0], 0, None
for i in range(0, len(ours[2]), 4):
    a, b = ours[2][i:i + 4], theirs[2][i:i + 4]
    # Edge pixels are anti-aliased differently; compare the covered ones.
    if a[3] != 255 or b[3] != 255:
        continue
    d = max(abs(a[k] - b[k]) for k in range(3))
    if d > worst:
        worst, where = d, (i // 4 % width, i // 4 // width)
if worst > 2:
    sys.exit(f"{sys.argv[1]}: differs by {worst} at {where}")
PY
  done
fi
for bad in "--linear 1,2,3" "--radial 0,0,-1,0,0,5" "--conic 1,2,x" "--stop 0.5" "--stop x:red" \
  "--interpolate nowhere" "--interpolate oklch,sideways" "--spread mirror"; do
  # shellcheck disable=SC2086
  "$zdraw" --size 8x8 --path "M0 0 H8 V8 Z" --linear 0,0,8,0 --stop 0:red $bad -o "$work/bad.png" \
    2> "$work/bad.err"
  [ $? -eq 2 ] && [ "$(wc -l < "$work/bad.err")" -eq 1 ] || fail "zdraw $bad: expected exit 2 and one line"
done
"$zdraw" --size 8x8 --path "M0 0 H8 V8 Z" --linear 0,0,8,0 -o "$work/bad.png" 2> "$work/bad.err"
[ $? -eq 2 ] || fail "a gradient without stops must be refused"
"$zdraw" --size 8x8 --path "M0 0 H8 V8 Z" --stop 0:red -o "$work/bad.png" 2> "$work/bad.err"
[ $? -eq 2 ] || fail "a stop without a gradient must be refused"

[ $failures -eq 0 ] && echo "zdraw: all checks passed"
exit $((failures != 0))
