"use strict";
// The static picture of one card as SVG markup: the front view (x to the
// right, lift = −y upward), for patterns that move in z a top view (x against
// depth), and the three traces over a beat grid. SVG keeps every drawn card
// cheap to hold and paintable at any moment (full-page captures, printing)
// without a bitmap per card.

const VIEW_W = 212;         // width of every view in CSS pixels
const PAD = 10;             // margin inside the front view
const FRONT_H = VIEW_W;     // the front view is square
const GAP = 6;              // space between views
const TOP_H = 84;           // top view height
const TOP_PAD = 9;          // vertical margin inside the top view
const STRIP_H = 24;         // one trace strip
const TRACES_H = 3 * STRIP_H;
const RULER_H = 11;         // beat numbers under the traces
const BEATS_PER_BAR = 4;    // bar lines every four beats (4/4)
const DEPTH_STEPS = 10;     // colour buckets across a table's depth range (fewer buckets, fewer broken runs)
const HALO = 3.6;           // width of the dark outline under each depth layer, so crossings read as over/under
const BG = "#111216";
const LABEL = "#9a9ca5";
const BAR_LABEL = "#e4e4e7";
const MARKS = { start: "#ffe14d", beat: "#e4e4e7", bar: "#ffffff" };   // start ring, beat and bar-start dots
const FONT = `font-family="ui-monospace, 'DejaVu Sans Mono', monospace" font-size="8"`;
const GRID = { eighth: "#1f2127", beat: "#3a3e49", bar: "#8a90a0", zero: "#2a2d35" };
const AXIS_COLOURS = ["#f0616d", "#5fd38d", "#62a8ff"];
const AXIS_LABELS = ["x", "lift", "z"];
const FLAT_PATH = "rgb(200,200,210)";
const COLOUR_BACK = [70, 130, 255];
const COLOUR_MID = [200, 200, 210];
const COLOUR_FRONT = [255, 140, 40];

// Depth colour for t = z / (the table's largest |z|), t in [−1, 1]:
// blue behind the rest plane, grey on it, orange in front.
function depthRgb(t) {
  const end = t < 0 ? COLOUR_BACK : COLOUR_FRONT;
  const f = Math.min(1, Math.abs(t));
  return `rgb(${COLOUR_MID.map((m, i) => Math.round(m + (end[i] - m) * f)).join(",")})`;
}
const DEPTH_STYLES = Array.from({ length: DEPTH_STEPS + 1 }, (_, step) => depthRgb(step / DEPTH_STEPS * 2 - 1));

function depthStep(z, zScale) {
  return Math.round((z / zScale + 1) / 2 * DEPTH_STEPS);
}

function plotX(x) { return PAD + (x + 1) / 2 * (VIEW_W - 2 * PAD); }
// Lift (−y) is drawn upward.
function plotY(y) { return PAD + (1 + y) / 2 * (FRONT_H - 2 * PAD); }
// Top view, scaled to the table's own depth range; the front (+z) is at the bottom.
function topY(z, zScale) { return TOP_H / 2 + z / zScale * (TOP_H / 2 - TOP_PAD); }

// Vertical offsets of the parts of a card's picture.
function cardLayout(p) {
  const top = p.axes[2] ? FRONT_H + GAP : null;
  const traces = (top === null ? FRONT_H : top + TOP_H) + GAP;
  return { top, traces, height: traces + TRACES_H + RULER_H };
}

const TOLERANCE = 0.25;     // px: a path may leave out points that lie this close to it

// One decimal is finer than any screen needs and keeps the markup short.
function f1(n) { return String(Math.round(n * 10) / 10); }

function axisValues(p, axis) {
  return p.axes[axis] || new Float32Array(p.period);
}

// Screen coordinates of every row plus the closing row (= row 0), so a loop
// reads as points 0 … n without wrapping.
function closedLoop(values, toScreen) {
  const points = Array.from(values, toScreen);
  points.push(points[0]);
  return points;
}

// A length given in tenths of a pixel, as short as SVG allows ("-.4", "1.2").
function tenths(count) {
  return String(count / 10).replace(/^(-?)0\./, "$1.");
}

// The points of first … last that keep the polyline within TOLERANCE of
// all of them (Ramer–Douglas–Peucker): smooth stretches shrink to a few
// points, sharp hits keep theirs.
function simplified(xs, ys, first, last) {
  const keep = new Uint8Array(last - first + 1);
  keep[0] = keep[last - first] = 1;
  const spans = [first, last];
  while (spans.length) {
    const b = spans.pop(), a = spans.pop();
    const dx = xs[b] - xs[a], dy = ys[b] - ys[a], length = Math.hypot(dx, dy);
    let worst = TOLERANCE, index = -1;
    for (let i = a + 1; i < b; i++) {
      const distance = length > 0
        ? Math.abs(dx * (ys[i] - ys[a]) - dy * (xs[i] - xs[a])) / length
        : Math.hypot(xs[i] - xs[a], ys[i] - ys[a]);
      if (distance > worst) { worst = distance; index = i; }
    }
    if (index >= 0) {
      keep[index - first] = 1;
      spans.push(a, index, index, b);
    }
  }
  const rows = [];
  keep.forEach((kept, offset) => { if (kept) rows.push(first + offset); });
  return rows;
}

// Path data through points first … last: one absolute move, then relative
// steps in tenths of a pixel through the simplified points.
function runData(xs, ys, first, last) {
  let x = Math.round(xs[first] * 10), y = Math.round(ys[first] * 10);
  const steps = [];
  for (const i of simplified(xs, ys, first, last).slice(1)) {
    const nx = Math.round(xs[i] * 10), ny = Math.round(ys[i] * 10);
    if (nx === x && ny === y) continue;
    steps.push(tenths(nx - x), tenths(ny - y));
    x = nx; y = ny;
  }
  return `M${xs[first].toFixed(1)} ${ys[first].toFixed(1)}${steps.length ? "l" + steps.join(" ") : ""}`;
}

// Path data per colour bucket for a closed loop whose segment i → i + 1 has
// colour buckets[i]: each unbroken run of one bucket is a single polyline.
function bucketedPaths(xs, ys, buckets, count) {
  const parts = Array.from({ length: count }, () => []);
  const n = buckets.length;
  for (let first = 0; first < n;) {
    let last = first + 1;
    while (last < n && buckets[last] === buckets[first]) last++;
    parts[buckets[first]].push(runData(xs, ys, first, last));
    first = last;
  }
  return parts.map((list) => list.join(""));
}

// Bucket of each segment i → i + 1 by its mean depth.
function segmentDepthSteps(zs, zScale) {
  const n = zs.length;
  const steps = new Uint8Array(n);
  for (let i = 0; i < n; i++) steps[i] = depthStep((zs[i] + zs[(i + 1) % n]) / 2, zScale);
  return steps;
}

function frontView(p, grid) {
  const [x, y, z] = [0, 1, 2].map((axis) => axisValues(p, axis));
  const xs = closedLoop(x, plotX), ys = closedLoop(y, plotY);
  const out = [`<rect width="${VIEW_W}" height="${FRONT_H}" fill="${BG}"/>`,
    `<g stroke="${GRID.zero}" fill="none"><rect x="${PAD}" y="${PAD}" width="${VIEW_W - 2 * PAD}" height="${FRONT_H - 2 * PAD}"/>`,
    `<path d="M${VIEW_W / 2} ${PAD}V${FRONT_H - PAD}M${PAD} ${FRONT_H / 2}H${VIEW_W - PAD}"/></g>`,
    `<text x="${VIEW_W - PAD - 1}" y="${FRONT_H - 2}" text-anchor="end">x →</text>`,
    `<text x="${PAD + 1}" y="${PAD - 2}">↑ lift</text>`];
  out.push(`<g fill="none" stroke-width="1.6" stroke-linecap="round" stroke-linejoin="round">`);
  if (p.axes[2]) {
    // Back to front: each depth layer is drawn over the ones behind it, on a
    // dark outline that cuts the paths it crosses. The layers behind the rest
    // plane are then dashed over everything: where nothing covers them the
    // dashes fall on their own colour and vanish; where a nearer path hides
    // them (the back turn of a helix) they show through as dashes.
    const paths = bucketedPaths(xs, ys, segmentDepthSteps(z, p.zScale), DEPTH_STEPS + 1);
    paths.forEach((d, step) => {
      if (d) out.push(`<path d="${d}" stroke="${BG}" stroke-width="${HALO}"/><path d="${d}" stroke="${DEPTH_STYLES[step]}"/>`);
    });
    paths.slice(0, DEPTH_STEPS / 2).forEach((d, step) => {
      if (d) out.push(`<path class="hidden-line" d="${d}" stroke="${DEPTH_STYLES[step]}" stroke-width="1.2" stroke-dasharray="3 3"/>`);
    });
  } else {
    out.push(`<path d="${runData(xs, ys, 0, p.period)}" stroke="${FLAT_PATH}"/>`);
  }
  out.push("</g>");
  out.push(beatDots(p, xs, ys, grid));
  return out.join("");
}

// Where each beat falls on the path, as dots (zero-length round-capped
// strokes, one path per kind); bar starts larger, the start as a ring.
function beatDots(p, xs, ys, grid) {
  const beats = [], bars = [];
  for (let row = grid.beat; row < p.period; row += grid.beat) {
    (row % grid.bar === 0 ? bars : beats).push(`M${f1(xs[row])} ${f1(ys[row])}h0`);
  }
  const dots = (list, kind, size) => (list.length ?
    `<path d="${list.join("")}" stroke="${BG}" stroke-width="${size + 1.6}"/>` +
    `<path class="${kind}-dot" d="${list.join("")}" stroke="${MARKS[kind]}" stroke-width="${size}"/>` : "");
  return `<g fill="none" stroke-linecap="round">${dots(beats, "beat", 4)}${dots(bars, "bar", 6)}` +
    `<circle class="start-ring" cx="${f1(xs[0])}" cy="${f1(ys[0])}" r="5.5" stroke="${MARKS.start}" stroke-width="2"/></g>`;
}

function topView(p, offset) {
  const x = axisValues(p, 0), z = axisValues(p, 2);
  const xs = closedLoop(x, plotX), zs = closedLoop(z, (v) => topY(v, p.zScale));
  const paths = bucketedPaths(xs, zs, segmentDepthSteps(z, p.zScale), DEPTH_STEPS + 1);
  const out = [`<g transform="translate(0 ${offset})">`,
    `<rect width="${VIEW_W}" height="${TOP_H}" fill="${BG}"/>`,
    `<path d="M${PAD} ${TOP_H / 2}H${VIEW_W - PAD}" stroke="${GRID.zero}" stroke-dasharray="3 3"/>`,
    `<text x="3" y="9">back</text><text x="3" y="${TOP_H - 3}">front</text>`,
    `<text x="${VIEW_W - 3}" y="9" text-anchor="end">top view · z ±${formatScale(p.zScale)}</text>`,
    `<g fill="none" stroke-width="1.4" stroke-linecap="round">`];
  paths.forEach((d, step) => { if (d) out.push(`<path d="${d}" stroke="${DEPTH_STYLES[step]}"/>`); });
  out.push(`</g><circle class="start-ring" cx="${f1(xs[0])}" cy="${f1(zs[0])}" r="4.5" fill="none" stroke="${MARKS.start}" stroke-width="2"/></g>`);
  return out.join("");
}

function formatScale(scale) {
  return scale >= 0.995 ? "1" : scale.toFixed(2).replace(/^0/, "");
}

// Vertical lines at every eighth (when there is room), beat and bar, across all strips.
function beatGrid(period, height, grid) {
  const pxPerPip = VIEW_W / period;
  const lines = { eighth: [], beat: [], bar: [] };
  for (let pip = grid.eighth; pip < period; pip += grid.eighth) {
    const kind = pip % grid.bar === 0 ? "bar" : pip % grid.beat === 0 ? "beat" : "eighth";
    if (kind === "eighth" && grid.eighth * pxPerPip < 5) continue;
    lines[kind].push(`M${f1(pip * pxPerPip)} 0V${height}`);
  }
  return Object.entries(lines).map(([kind, d]) =>
    d.length ? `<path d="${d.join("")}" stroke="${GRID[kind]}"/>` : "").join("");
}

function traces(p, offset, grid) {
  const n = p.period;
  const out = [`<g transform="translate(0 ${offset})">`,
    `<rect width="${VIEW_W}" height="${TRACES_H}" fill="${BG}"/>`, beatGrid(n, TRACES_H, grid)];
  for (let axis = 0; axis < 3; axis++) {
    const middle = axis * STRIP_H + STRIP_H / 2;
    const scale = STRIP_H / 2 - 2;
    // The lift strip shows −y upward like the front view; x and z show +1 upward.
    const sign = axis === 1 ? 1 : -1;
    out.push(`<path d="M0 ${middle}H${VIEW_W}" stroke="${GRID.zero}"/>`);
    const values = p.axes[axis];
    if (values) {
      const xs = closedLoop(values, (_, i) => i / n * VIEW_W);
      xs[n] = VIEW_W;
      const ys = closedLoop(values, (v) => middle + sign * v * scale);
      out.push(`<path d="${runData(xs, ys, 0, n)}" fill="none" stroke="${AXIS_COLOURS[axis]}" stroke-width="1.2"/>`);
    }
    out.push(`<text x="3" y="${axis * STRIP_H + 9}" fill="${values ? AXIS_COLOURS[axis] : "#555"}">${AXIS_LABELS[axis]}</text>`);
  }
  out.push(ruler(n, TRACES_H, grid), "</g>");
  return out.join("");
}

// Beat numbers within the bar under each beat line, bar starts in bold: one
// text element per weight with a position per digit.
function ruler(period, top, grid) {
  const plain = { x: [], digits: "" }, bold = { x: [], digits: "" };
  for (let beat = 0; beat * grid.beat < period; beat++) {
    const inBar = beat % BEATS_PER_BAR;
    const row = inBar ? plain : bold;
    row.x.push(f1(beat * grid.beat / period * VIEW_W + 1.5));
    row.digits += inBar + 1;
  }
  const text = (row, attributes) => (row.digits ?
    `<text class="ruler" x="${row.x.join(" ")}" y="${top + RULER_H - 2}"${attributes}>${row.digits}</text>` : "");
  return text(bold, ` fill="${BAR_LABEL}" font-weight="bold"`) + text(plain, "");
}

// The beat grid in pips: eighth, beat and bar lengths.
function beatGridOf(pipsPerBeat) {
  return { eighth: pipsPerBeat / 2, beat: pipsPerBeat, bar: pipsPerBeat * BEATS_PER_BAR };
}

// The whole picture of a card.
function cardSvg(p, grid) {
  const layout = cardLayout(p);
  const parts = [`<svg xmlns="http://www.w3.org/2000/svg" class="picture" width="${VIEW_W}" height="${layout.height}" ` +
    `viewBox="0 0 ${VIEW_W} ${layout.height}" aria-hidden="true" ${FONT} fill="${LABEL}">`,
    frontView(p, grid)];
  if (layout.top !== null) parts.push(topView(p, layout.top));
  parts.push(traces(p, layout.traces, grid), "</svg>");
  return parts.join("");
}

// The page's style uses the same palette and sizes as the drawings.
function publishDrawingStyle(root) {
  root.style.setProperty("--depth-back", depthRgb(-1));
  root.style.setProperty("--depth-mid", depthRgb(0));
  root.style.setProperty("--depth-front", depthRgb(1));
  for (const [name, colour] of Object.entries(MARKS)) root.style.setProperty(`--${name}`, colour);
  root.style.setProperty("--traces-height", `${TRACES_H}px`);
}
