// Writes the Color.js peer table that tests/color/css_peer_test.cpp checks
// the colour module against: CSS strings parsed, colours converted between
// spaces, colours mixed and colour differences, all computed by Color.js.
//
// Run once by hand, never in CI (it needs the npm package):
//   dir=$(mktemp -d) && (cd "$dir" && npm install colorjs.io@0.7.1)
//   NODE_PATH="$dir/node_modules" node tools/colorjs_table.mjs "$dir" > tests/color/data/colorjs_peer.txt
//
// Every colour is written in the library's registry units (hsl, hsv and hwb
// saturation, lightness, whiteness, blackness and value 0..1, where Color.js
// uses 0..100), `none` for a missing component. Inputs come from a fixed
// pseudo-random sequence, so the table is the same on every run.
import { pathToFileURL } from "node:url";
import path from "node:path";

const colorjsDir = process.argv[2];
if (!colorjsDir) {
  console.error("usage: node tools/colorjs_table.mjs <folder holding node_modules/colorjs.io>");
  process.exit(2);
}
const colorjs = file => pathToFileURL(path.join(colorjsDir, "node_modules/colorjs.io", file)).href;
const { default: Color } = await import(colorjs("src/index.js"));
const { default: keywords } = await import(colorjs("src/keywords.js"));

// Registry name -> [Color.js space id, scale of each component to Color.js units].
const SPACES = {
  "srgb": ["srgb", [1, 1, 1]],
  "srgb-linear": ["srgb-linear", [1, 1, 1]],
  "p3": ["p3", [1, 1, 1]],
  "p3-linear": ["p3-linear", [1, 1, 1]],
  "a98": ["a98rgb", [1, 1, 1]],
  "a98-linear": ["a98rgb-linear", [1, 1, 1]],
  "prophoto": ["prophoto", [1, 1, 1]],
  "prophoto-linear": ["prophoto-linear", [1, 1, 1]],
  // The registry's rec2020 is the BT.2020 camera curve: Color.js's rec2020-oetf.
  "rec2020": ["--rec2020-oetf", [1, 1, 1]],
  "rec2020-linear": ["rec2020-linear", [1, 1, 1]],
  "xyz": ["xyz-d65", [1, 1, 1]],
  "lab": ["lab", [1, 1, 1]],
  "lch": ["lch", [1, 1, 1]],
  "oklab": ["oklab", [1, 1, 1]],
  "oklch": ["oklch", [1, 1, 1]],
  "hsl": ["hsl", [1, 100, 100]],
  "hsv": ["hsv", [1, 100, 100]],
  "hwb": ["hwb", [1, 100, 100]],
};
const NAMES = Object.keys(SPACES);
const MIX_SPACES = ["srgb", "srgb-linear", "p3", "a98", "prophoto", "rec2020", "lab", "oklab",
                    "xyz", "hsl", "hwb", "lch", "oklch"];
const HUE_METHODS = ["shorter", "longer", "increasing", "decreasing"];

// A fixed linear congruential sequence in [0, 1).
let seed = 20240615;
function random() {
  seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
  return seed / 4294967296;
}
const pick = list => list[Math.floor(random() * list.length)];
const round = (v, digits) => Number(v.toFixed(digits));

function fmt(v) {
  if (v === null || v === undefined || Number.isNaN(v)) return "none";
  if (Object.is(v, -0)) v = 0;
  return String(Number(v.toPrecision(9)));
}
function registryCoords(name, coords) {
  const scale = SPACES[name][1];
  return coords.map((v, i) => (v === null || Number.isNaN(v) ? null : v / scale[i]));
}
function colorjsCoords(name, coords) {
  const scale = SPACES[name][1];
  return coords.map((v, i) => (v === null ? null : v * scale[i]));
}
const colorText = (name, coords) => [name, ...coords.map(fmt)].join(" ");

// A random colour inside sRGB, expressed in `name` (every RGB gamut holds
// sRGB, so encoded values stay in range and no transfer curve meets a
// negative value). One in eight is a grey, whose hue is powerless.
function randomColor(name, greys = true) {
  let rgb = [random(), random(), random()];
  if (greys && random() < 0.125) rgb = [rgb[0], rgb[0], rgb[0]];
  const c = new Color("srgb", rgb).to(SPACES[name][0]);
  return registryCoords(name, c.coords);
}

const out = [];
out.push("# Color.js " + Color.version + " peer table, written by tools/colorjs_table.mjs; do not edit.");
out.push("# parse <space> <c1> <c2> <c3> <alpha> <css text>");
out.push("# convert <space> <c1> <c2> <c3> <target> <d1> <d2> <d3>");
out.push("# mix <space> <a1> <a2> <a3> <alpha> <space> <b1> <b2> <b3> <alpha> <in> <hue method> <t> <r1> <r2> <r3> <alpha>");
out.push("# deltae <method> <space> <a1> <a2> <a3> <space> <b1> <b2> <b3> <value>");

// ------------------------------------------------------------- parsing
function parseCase(text, expectSpace) {
  const c = new Color(text);
  let coords = c.coords, space = c.space.id;
  let name = Object.keys(SPACES).find(n => SPACES[n][0] === space);
  if (space === "xyz-d50") {  // read as D65 XYZ by the library
    coords = c.to("xyz-d65").coords;
    name = "xyz";
  }
  if (space === "rec2020") name = "rec2020";  // same numbers, whatever the curve
  if (!name) throw new Error("no registry space for " + space);
  if (expectSpace && name !== expectSpace) throw new Error(text + " gave " + name);
  const alpha = c.alpha === null || Number.isNaN(c.alpha) ? "none" : fmt(c.alpha);
  out.push(`parse ${name} ${registryCoords(name, coords).map(fmt).join(" ")} ${alpha} ${text}`);
}

for (const keyword of Object.keys(keywords)) parseCase(keyword, "srgb");

const pct = (v, d = 2) => round(v * 100, d) + "%";
const num = (v, d = 4) => String(round(v, d));
function alphaPart() {
  const r = random();
  if (r < 0.4) return "";
  if (r < 0.6) return " / " + num(random(), 3);
  if (r < 0.8) return " / " + pct(random(), 1);
  return " / none";
}
function hueText(degrees) {
  const r = random();
  if (r < 0.4) return num(degrees, 3);
  if (r < 0.55) return num(degrees, 3) + "deg";
  if (r < 0.7) return num(degrees / 360, 6) + "turn";
  if (r < 0.85) return num(degrees / 0.9, 4) + "grad";
  return num((degrees * Math.PI) / 180, 6) + "rad";
}
const maybeNone = text => (random() < 0.06 ? "none" : text);
for (let i = 0; i < 600; ++i) {
  const v = [random(), random(), random()];
  const form = i % 14;
  let text;
  switch (form) {
    case 0:
      text = `rgb(${v.map(x => num(x * 255, 2)).map(maybeNone).join(" ")}${alphaPart()})`;
      break;
    case 1:
      text = `rgba(${v.map(x => pct(x)).join(", ")}, ${num(random(), 3)})`;
      break;
    case 2:
      text = `rgb(${v.map(x => String(Math.round(x * 255))).join(",")})`;
      break;
    case 3:
      text = `hsl(${hueText(v[0] * 359)} ${maybeNone(pct(v[1]))} ${pct(v[2])}${alphaPart()})`;
      break;
    case 4:
      text = `hsla(${num(v[0] * 359, 2)}, ${pct(v[1])}, ${pct(v[2])}, ${pct(random(), 0)})`;
      break;
    case 5:
      text = `hwb(${hueText(v[0] * 359)} ${pct(v[1] * 0.5)} ${maybeNone(pct(v[2] * 0.5))}${alphaPart()})`;
      break;
    case 6:
      text = `lab(${random() < 0.5 ? pct(v[0]) : num(v[0] * 100, 3)} ${num(v[1] * 250 - 125, 3)} ${random() < 0.5 ? pct(v[2] * 2 - 1) : num(v[2] * 250 - 125, 3)}${alphaPart()})`;
      break;
    case 7:
      text = `lch(${num(v[0] * 100, 3)} ${random() < 0.5 ? pct(v[1]) : num(v[1] * 150, 3)} ${maybeNone(hueText(v[2] * 359))}${alphaPart()})`;
      break;
    case 8:
      text = `oklab(${random() < 0.5 ? pct(v[0]) : num(v[0], 4)} ${num(v[1] * 0.8 - 0.4, 4)} ${random() < 0.5 ? pct(v[2] * 2 - 1) : num(v[2] * 0.8 - 0.4, 4)}${alphaPart()})`;
      break;
    case 9:
      text = `oklch(${num(v[0], 4)} ${random() < 0.5 ? pct(v[1]) : num(v[1] * 0.4, 4)} ${hueText(v[2] * 359)}${alphaPart()})`;
      break;
    case 10:
    case 11: {
      const space = pick(["srgb", "srgb-linear", "display-p3", "a98-rgb", "prophoto-rgb", "rec2020"]);
      text = `color(${space} ${v.map(x => (random() < 0.3 ? pct(x) : num(x, 5))).map(maybeNone).join(" ")}${alphaPart()})`;
      break;
    }
    case 12:
      text = `color(${pick(["xyz", "xyz-d65", "xyz-d50"])} ${v.map(x => num(x * 0.9, 5)).join(" ")}${alphaPart()})`;
      break;
    default: {
      const digits = v.map(x => Math.round(x * 255).toString(16).padStart(2, "0")).join("");
      text = random() < 0.5 ? "#" + digits : "#" + digits + Math.round(random() * 255).toString(16).padStart(2, "0");
      if (random() < 0.3) text = text.toUpperCase();
      break;
    }
  }
  parseCase(text);
}

// ----------------------------------------------------------- conversion
for (let i = 0; i < 1600; ++i) {
  const from = NAMES[i % NAMES.length];
  const to = pick(NAMES);
  const coords = randomColor(from);
  const converted = new Color(SPACES[from][0], colorjsCoords(from, coords)).to(SPACES[to][0]);
  out.push(`convert ${colorText(from, coords)} ${colorText(to, registryCoords(to, converted.coords))}`);
}

// --------------------------------------------------------------- mixing
const HUE_INDEX = { hsl: 0, hwb: 0, lch: 2, oklch: 2 };
// How much colour a hue turns in Color.js units, for the polar spaces.
function colorfulness(space, c) {
  switch (space) {
    case "lch": return c[1] / 150;
    case "oklch": return c[1] / 0.4;
    case "hsl": return (c[1] / 100) * (1 - Math.abs(2 * c[2] / 100 - 1));
    default: return 1 - c[1] / 100 - c[2] / 100;
  }
}
// Mixes whose hue arc is decided by rounding are left out: a hue difference
// within 2 degrees of 0 or 180 (where the arc flips), and an endpoint whose
// hue is barely defined (colourfulness below 3 % of the range, not a grey).
function hueArcIsStable(space, a, b) {
  const h = HUE_INDEX[space];
  if (h === undefined) return true;
  const [ca, cb] = [a.to(SPACES[space][0]).coords, b.to(SPACES[space][0]).coords];
  if (ca[h] === null || cb[h] === null) return true;
  if (colorfulness(space, ca) < 0.03 || colorfulness(space, cb) < 0.03) return false;
  const d = Math.abs((((cb[h] - ca[h]) % 360) + 360) % 360);
  return Math.min(d, 360 - d) > 2 && Math.abs(d - 180) > 2;
}

let mixes = 0;
while (mixes < 800) {
  const space = MIX_SPACES[mixes % MIX_SPACES.length];
  const hue = pick(HUE_METHODS);
  const t = round(random(), 4);
  const alphaA = random() < 0.5 ? 1 : round(random(), 3);
  const alphaB = random() < 0.5 ? 1 : round(random(), 3);
  let nameA = pick(NAMES), nameB = pick(NAMES);
  let a = randomColor(nameA), b = randomColor(nameB);
  // A missing hue, written in the interpolation space itself. (Color.js
  // 0.7.1 reads other missing components as 0 when it interpolates, where
  // CSS takes the other colour's value; the library's own tests cover those.)
  if (HUE_INDEX[space] !== undefined && random() < 0.15) {
    nameA = space;
    a = randomColor(space);
    a[HUE_INDEX[space]] = null;
  }
  const colorA = new Color(SPACES[nameA][0], colorjsCoords(nameA, a), alphaA);
  const colorB = new Color(SPACES[nameB][0], colorjsCoords(nameB, b), alphaB);
  if (!hueArcIsStable(space, colorA, colorB)) continue;
  const mixed = Color.mix(colorA, colorB, t, { space: SPACES[space][0], hue, premultiplied: true });
  out.push(`mix ${colorText(nameA, a)} ${fmt(alphaA)} ${colorText(nameB, b)} ${fmt(alphaB)} ${space} ${HUE_METHODS.indexOf(hue)} ${t} ` +
           `${registryCoords(space, mixed.coords).map(fmt).join(" ")} ${fmt(mixed.alpha)}`);
  ++mixes;
}

// ------------------------------------------------------ colour difference
const METHODS = [["OK", 0], ["2000", 1], ["76", 2]];
// CIEDE2000 turns on the hue of the mean chroma, which a grey does not have:
// the pairs are chromatic. Encoded RGB values stay within 0..1, where the
// transfer curves of both libraries agree.
const inRange = (name, c) => SPACES[name][0].endsWith("linear") || !["srgb", "p3", "a98", "prophoto", "rec2020"].includes(name) ||
  c.every(v => v >= 0 && v <= 1);
let differences = 0;
while (differences < 450) {
  const [method, code] = METHODS[differences % 3];
  const nameA = pick(NAMES), nameB = pick(NAMES);
  const a = randomColor(nameA, false);
  // Half the pairs are close, where CIEDE2000's corrections matter most.
  let b = randomColor(nameB, false);
  if (random() < 0.5) {
    const near = new Color(SPACES[nameA][0], colorjsCoords(nameA, a)).to("oklab");
    near.coords = near.coords.map(v => (v ?? 0) + (random() - 0.5) * 0.04);
    b = registryCoords(nameB, near.to(SPACES[nameB][0]).coords);
  }
  if (!inRange(nameB, b) || b.some(v => v === null)) continue;
  const value = Color.deltaE(new Color(SPACES[nameA][0], colorjsCoords(nameA, a)),
                             new Color(SPACES[nameB][0], colorjsCoords(nameB, b)), method);
  out.push(`deltae ${code} ${colorText(nameA, a)} ${colorText(nameB, b)} ${fmt(value)}`);
  ++differences;
}

process.stdout.write(out.join("\n") + "\n");
