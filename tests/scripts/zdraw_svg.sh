#!/bin/bash
# zdraw FILE.svg end to end: sizes and the default output name, warnings
# and --strict, and broken documents (exit 2, one line with file and line,
# no output file). $1 = build directory, $2 = source directory.
# Skipped (77) when zdraw was built without SVG documents (no expat).
set -u
zdraw="$(cd "$1" && pwd)/zdraw"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Width and height of a PNG file, as "WxH".
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}'
}

cat >"$work/icon.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="24" height="12" viewBox="0 0 48 24">
  <rect width="24" height="24" fill="red"/>
</svg>
SVG
if "$zdraw" "$work/icon.svg" 2>&1 | grep -q 'built without SVG documents'; then
  echo "skipped: zdraw was built without SVG documents"
  exit 77
fi

# --- sizes; without -o the output is the input's name with the format's extension
rm -f "$work/icon.png"
"$zdraw" "$work/icon.svg" 2>"$work/err" || fail "plain run: $(cat "$work/err")"
[ "$(png_size "$work/icon.png")" = 24x12 ] || fail "document size: $(png_size "$work/icon.png")"
[ -s "$work/err" ] && fail "plain run said: $(cat "$work/err")"
"$zdraw" "$work/icon.svg" -o "$work/s.png" --scale 2.5 || fail "--scale"
[ "$(png_size "$work/s.png")" = 60x30 ] || fail "--scale size: $(png_size "$work/s.png")"
"$zdraw" "$work/icon.svg" -o "$work/w.png" --width 100 || fail "--width"
[ "$(png_size "$work/w.png")" = 100x50 ] || fail "--width size: $(png_size "$work/w.png")"
"$zdraw" "$work/icon.svg" -o "$work/h.png" --height 7 || fail "--height"
[ "$(png_size "$work/h.png")" = 14x7 ] || fail "--height size: $(png_size "$work/h.png")"
"$zdraw" "$work/icon.svg" --format ppm --background blue || fail "--format ppm"
# The left half is red, the right half the background.
[ "$(od -An -tx1 -j13 -N3 "$work/icon.ppm" | tr -d ' \n')" = ff0000 ] || fail "ppm left pixel"
[ "$(tail -c 3 "$work/icon.ppm" | od -An -tx1 | tr -d ' \n')" = 0000ff ] || fail "ppm right pixel"
"$zdraw" "$work/icon.svg" --scale 2 --width 5 2>"$work/err" && fail "--scale with --width accepted"

# --- unsupported content: one warning per kind, exit 0; --strict: exit 2, file written
cat >"$work/text.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">
  <text>one</text><text>two</text>
  <rect width="10" height="10" filter="url(#f)"/>
</svg>
SVG
"$zdraw" "$work/text.svg" -o "$work/text.png" 2>"$work/err" || fail "warnings changed the exit status"
[ "$(grep -c 'warning: unsupported element <text> skipped (line 2)' "$work/err")" -eq 1 ] ||
  fail "text warning: $(cat "$work/err")"
grep -q 'warning: unsupported property filter skipped (line 3)' "$work/err" ||
  fail "filter warning: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" -eq 2 ] || fail "expected two warnings: $(cat "$work/err")"
rm -f "$work/text.png"
"$zdraw" "$work/text.svg" -o "$work/text.png" --strict 2>/dev/null
[ $? -eq 2 ] || fail "--strict did not give exit 2"
[ -f "$work/text.png" ] || fail "--strict wrote no image"

# --- broken documents: exit 2, one line naming file and line, nothing written
printf '<svg xmlns="http://www.w3.org/2000/svg" width="5" height="5">\n<g>\n</svg>\n' >"$work/bad.svg"
printf '<html/>\n' >"$work/page.svg"
printf '<!DOCTYPE svg [<!ENTITY a "aaaa">]>\n<svg width="5" height="5">&a;</svg>\n' >"$work/ent.svg"
for case in "bad.svg:3: not well-formed XML: mismatched tag" \
  "page.svg:1: the root element is not svg" \
  "ent.svg:1: entity declarations are not supported"; do
  file=${case%%:*}
  "$zdraw" "$work/$file" -o "$work/out-$file.png" 2>"$work/err"
  status=$?
  [ $status -eq 2 ] || fail "$file: exit $status"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$file: not one line: $(cat "$work/err")"
  grep -qF "$work/$case" "$work/err" || fail "$file: message: $(cat "$work/err")"
  [ -e "$work/out-$file.png" ] && fail "$file: an output was written"
done
"$zdraw" "$work/missing.svg" 2>"$work/err"
[ $? -eq 2 ] && grep -q 'cannot read the file' "$work/err" || fail "missing file"

[ $failures -eq 0 ] || exit 1
echo "zdraw SVG documents: all checks passed"
