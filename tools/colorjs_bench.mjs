// Times Color.js on the inputs of bench/color_css.cpp, for the side-by-side
// figures of the colour benchmarks (run by hand, never in CI):
//   dir=$(mktemp -d) && (cd "$dir" && npm install colorjs.io@0.7.1)
//   node tools/colorjs_bench.mjs "$dir"
import { pathToFileURL } from "node:url";
import path from "node:path";

const dir = process.argv[2];
const { default: Color } = await import(
  pathToFileURL(path.join(dir, "node_modules/colorjs.io/src/index.js")).href);

const shared = ["#336699", "#fa0c", "rgb(255, 128, 0)", "rgba(12, 200, 130, 0.5)", "rgb(10% 20% 30%)",
  "rgb(255 128 0 / 50%)", "oklch(70% 0.1 150)", "oklch(0.5 0.35 300 / 0.5)", "oklch(0.62 0.2 1.5rad)",
  "#11223344"];
const every = ["rebeccapurple", "#336699", "rgba(12, 200, 130, 0.5)", "rgb(10% 20% 30% / 50%)",
  "hsl(200 80% 40%)", "hsla(200, 80%, 40%, 0.3)", "hwb(150 20% 10%)", "lab(52.2345% 40.1645 59.9971)",
  "lch(52.2345% 72.2 56.2deg / 0.8)", "oklab(59.686% 0.1009 0.1192)", "oklch(0.7 0.1 150)",
  "color(display-p3 1 0.2 0.1)", "color(xyz-d50 0.2005 0.14089 0.4472)"];

function rate(label, items, work) {
  for (let i = 0; i < 3; ++i) work();  // warm up
  let runs = 0;
  const start = process.hrtime.bigint();
  let elapsed = 0n;
  while (elapsed < 1_000_000_000n) {
    work();
    ++runs;
    elapsed = process.hrtime.bigint() - start;
  }
  const perSecond = (runs * items) / (Number(elapsed) / 1e9);
  console.log(`${label.padEnd(28)} ${(perSecond / 1e6).toFixed(3)} M items/s`);
}

rate("parse shared forms", shared.length, () => shared.forEach(t => Color.parse(t)));
rate("parse every form", every.length, () => every.forEach(t => Color.parse(t)));

let seed = 7;
const random = () => ((seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0) / 4294967296);
function pairs(family) {
  return Array.from({ length: 256 }, () => {
    const from = family[Math.floor(random() * family.length)];
    let to = from;
    while (to === from) to = family[Math.floor(random() * family.length)];
    return [new Color("srgb", [random(), random(), random()]).to(from), to];
  });
}
const rgb = ["srgb", "srgb-linear", "p3", "p3-linear", "--rec2020-oetf", "rec2020-linear", "a98rgb",
  "a98rgb-linear", "prophoto", "prophoto-linear", "xyz-d65"];
const ok = ["srgb", "srgb-linear", "oklab", "oklch"];
for (const [label, family] of [["convert RGB family", rgb], ["convert Oklab family", ok]]) {
  const list = pairs(family);
  rate(label, list.length, () => list.forEach(([c, to]) => c.to(to)));
}
const mixes = pairs([...rgb, ...ok, "lab", "lch", "hsl", "hwb"]);
for (const space of ["oklab", "oklch", "srgb"]) {
  rate(`mix in ${space}`, mixes.length - 1, () => {
    for (let i = 0; i + 1 < mixes.length; ++i) Color.mix(mixes[i][0], mixes[i + 1][0], 0.25, { space, premultiplied: true });
  });
}
