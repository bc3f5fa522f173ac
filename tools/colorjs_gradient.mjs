// Writes the Color.js table that tests/raster/gradient_colorjs_test.cpp
// checks gradient colours against: two stops interpolated `in oklab` and
// `in oklch` (with every hue method) at t = 0, 0.1, ..., 1, premultiplied,
// then brought into sRGB with the CSS gamut mapping, all by Color.js.
//
// Run once by hand, never in CI (it needs the npm package):
//   dir=$(mktemp -d) && (cd "$dir" && npm install colorjs.io@0.7.1)
//   node tools/colorjs_gradient.mjs "$dir" > tests/raster/data/gradient_colorjs.txt
//
// Stops are written in their own space (srgb, oklch or p3) with the
// registry's units; the pairs are fixed ones that exercise grey midpoints,
// hues across 0 degrees, colours outside sRGB and transparent stops, then
// pairs from a fixed pseudo-random sequence, so the table is the same on
// every run.
import { pathToFileURL } from "node:url";
import path from "node:path";

const colorjsDir = process.argv[2];
if (!colorjsDir) {
  console.error("usage: node tools/colorjs_gradient.mjs <folder holding node_modules/colorjs.io>");
  process.exit(2);
}
const colorjs = file => pathToFileURL(path.join(colorjsDir, "node_modules/colorjs.io", file)).href;
const { default: Color } = await import(colorjs("src/index.js"));

const HUE_METHODS = ["shorter", "longer", "increasing", "decreasing"];
const fmt = v => Number(v.toPrecision(9)).toString();

// [space, c1, c2, c3, alpha]
const FIXED = [
  [["srgb", 1, 0, 0, 1], ["srgb", 0, 0, 1, 1]],
  [["srgb", 1, 1, 0, 1], ["srgb", 0, 0, 1, 1]],
  [["srgb", 0, 0, 0, 1], ["srgb", 1, 1, 1, 1]],
  [["srgb", 1, 0, 0, 1], ["srgb", 0, 1, 0, 0]],
  [["srgb", 0.2, 0.6, 0.9, 0.25], ["srgb", 0.9, 0.3, 0.1, 0.75]],
  [["oklch", 0.7, 0.25, 350], ["oklch", 0.6, 0.2, 20, 1]],
  [["oklch", 0.8, 0.35, 140, 1], ["oklch", 0.5, 0.3, 300, 1]],
  [["p3", 0, 1, 0, 1], ["p3", 1, 0, 1, 1]],
  [["oklch", 0.95, 0.1, 100, 1], ["srgb", 0.1, 0.1, 0.4, 1]],
];
for (const pair of FIXED) for (const stop of pair) if (stop.length === 4) stop.push(1);

// A fixed linear congruential sequence in [0, 1).
let seed = 20261208;
function random() {
  seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
  return seed / 4294967296;
}
const round = (v, digits) => Number(v.toFixed(digits));
function randomStop() {
  const alpha = random() < 0.7 ? 1 : round(random(), 3);
  if (random() < 0.5) return ["srgb", round(random(), 4), round(random(), 4), round(random(), 4), alpha];
  return ["oklch", round(0.2 + 0.7 * random(), 4), round(0.3 * random(), 4), round(360 * random(), 2), alpha];
}

// The hue arc flips when the two hues are 180 degrees apart or one hue is
// barely defined; such pairs would test rounding, not interpolation.
function hueArcIsStable(a, b) {
  const [ca, cb] = [a.to("oklch").coords, b.to("oklch").coords];
  if (ca[1] < 0.02 || cb[1] < 0.02) return false;
  const d = Math.abs((((cb[2] - ca[2]) % 360) + 360) % 360);
  return Math.min(d, 360 - d) > 2 && Math.abs(d - 180) > 2;
}

const pairs = FIXED.slice();
while (pairs.length < FIXED.length + 16) {
  const pair = [randomStop(), randomStop()];
  pairs.push(pair);
}

const colorOf = ([space, c1, c2, c3, alpha]) => new Color(space === "p3" ? "p3" : space, [c1, c2, c3], alpha);
const stopText = stop => `${stop[0]} ${stop.slice(1).map(fmt).join(" ")}`;

const out = [];
out.push(`# Color.js 0.7.1 gradient table, written by tools/colorjs_gradient.mjs; do not edit.`);
out.push("# <space> <a1> <a2> <a3> <alpha> <space> <b1> <b2> <b3> <alpha> <in> <hue method> <t> <red> <green> <blue> <alpha>");
out.push("# The result is sRGB after the CSS gamut mapping.");
for (const [a, b] of pairs) {
  const colorA = colorOf(a), colorB = colorOf(b);
  for (const space of ["oklab", "oklch"]) {
    const methods = space === "oklch" ? HUE_METHODS : ["shorter"];
    for (const hue of methods) {
      if (space === "oklch" && !hueArcIsStable(colorA, colorB)) continue;
      for (let i = 0; i <= 10; ++i) {
        const t = i / 10;
        const mixed = Color.mix(colorA, colorB, t, { space, hue, premultiplied: true, outputSpace: space });
        const mapped = mixed.to("srgb").toGamut({ space: "srgb", method: "css" });
        const coords = mapped.coords.map(v => (v === null || Number.isNaN(v) ? 0 : v));
        out.push(`${stopText(a)} ${stopText(b)} ${space} ${HUE_METHODS.indexOf(hue)} ${fmt(t)} ` +
                 `${coords.map(fmt).join(" ")} ${fmt(mapped.alpha)}`);
      }
    }
  }
}
console.log(out.join("\n"));
