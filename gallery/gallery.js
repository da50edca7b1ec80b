"use strict";
// The gallery page: decodes the embedded data block, lays out one card per
// pattern, draws cards only while they are near the viewport, filters them,
// and moves a marker along every visible path at the tempo the viewer sets.

const PLOT = 212;          // x–y plot size in CSS pixels
const PAD = 10;            // margin inside the x–y plot
const TRACE_H = 66;        // height of the three stacked x, y, z traces
const STRIP = TRACE_H / 3;
const DEPTH_LEVELS = 16;   // path colour buckets along z
const AXIS_COLOURS = ["#f0616d", "#5fd38d", "#62a8ff"];

// Time to pips exactly as a caller maps its clock: the pip is the floor of
// seconds × bpm / 60 × 64, and a pattern of period P shows the row at that
// pip's non-negative remainder by P.
function pipAt(seconds, bpm) {
  return Math.floor(seconds * bpm / 60 * 64);
}
function wrapPip(pip, period) {
  const r = pip % period;
  return r < 0 ? r + period : r;
}

async function inflate(base64) {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("deflate"));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// Undo the per-axis byte differences; absent axes stay null (all zero).
function decodePatterns(raw) {
  const metaLength = new DataView(raw.buffer, raw.byteOffset).getUint32(0, true);
  const meta = JSON.parse(new TextDecoder().decode(raw.subarray(4, 4 + metaLength)));
  let offset = 4 + metaLength;
  const patterns = meta.patterns.map(([name, description, period, dims, group, mask], index) => {
    const axes = [null, null, null];
    for (let axis = 0; axis < 3; axis++) {
      if (!(mask & (1 << axis))) continue;
      const values = new Int8Array(period);
      let acc = 0;
      for (let i = 0; i < period; i++) {
        acc = (acc + raw[offset + i]) & 0xff;
        values[i] = acc;  // stored as a signed byte: 255 reads back as -1
      }
      axes[axis] = values;
      offset += period;
    }
    return {
      index, name, description, period, dims, axes,
      group: meta.groups[group],
      search: (name + " " + description).toLowerCase(),
      card: null, marker: null, cursor: null, canvases: null, row: -1,
    };
  });
  return { quant: meta.quant, pipsPerBeat: meta.pipsPerBeat, groups: meta.groups, patterns };
}

function escapeHtml(text) {
  return text.replace(/[&<>"]/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;" })[c]);
}

function depthRgb(z) {
  const mid = [200, 200, 210], far = [70, 130, 255], near = [255, 140, 40];
  const end = z < 0 ? far : near;
  const t = Math.min(1, Math.abs(z));
  return mid.map((m, i) => Math.round(m + (end[i] - m) * t));
}
const DEPTH_STYLES = Array.from({ length: DEPTH_LEVELS + 1 }, (_, level) =>
  `rgb(${depthRgb(level / DEPTH_LEVELS * 2 - 1).join(",")})`);

const gallery = {
  pipAt, wrapPip,
  geometry: { plot: PLOT, pad: PAD },
  data: null,
  bpm: 120,
  playing: true,
  clockBase: 0,         // seconds shown when the clock was last started or paused
  clockStart: 0,        // performance.now() when the clock was last started
  seconds: 0,
  pip: 0,
  visible: new Set(),   // patterns whose cards are drawn and near the viewport
  shown: 0,
};
window.gallery = gallery;

function value(p, axis, row) {
  const values = p.axes[axis];
  return values ? values[row] / gallery.data.quant : 0;
}
function plotX(x) { return PAD + (x + 1) / 2 * (PLOT - 2 * PAD); }
function plotY(y) { return PAD + (1 - y) / 2 * (PLOT - 2 * PAD); }

function makeCanvas(parent, width, height) {
  const ratio = window.devicePixelRatio || 1;
  const canvas = document.createElement("canvas");
  canvas.width = Math.round(width * ratio);
  canvas.height = Math.round(height * ratio);
  canvas.style.width = width + "px";
  canvas.style.height = height + "px";
  parent.prepend(canvas);
  const ctx = canvas.getContext("2d");
  ctx.scale(ratio, ratio);
  return [canvas, ctx];
}

function drawPath(p, ctx) {
  ctx.strokeStyle = "#2a2d35";
  ctx.lineWidth = 1;
  ctx.beginPath();
  ctx.moveTo(plotX(0), PAD); ctx.lineTo(plotX(0), PLOT - PAD);
  ctx.moveTo(PAD, plotY(0)); ctx.lineTo(PLOT - PAD, plotY(0));
  ctx.strokeRect(PAD, PAD, PLOT - 2 * PAD, PLOT - 2 * PAD);
  ctx.stroke();
  // One path per depth bucket keeps the number of stroke calls small; each
  // segment (row i to row i + 1, closing the loop) takes its mean depth.
  const buckets = Array.from({ length: DEPTH_LEVELS + 1 }, () => []);
  for (let i = 0; i < p.period; i++) {
    const j = (i + 1) % p.period;
    const z = (value(p, 2, i) + value(p, 2, j)) / 2;
    buckets[Math.round((z + 1) / 2 * DEPTH_LEVELS)].push(i);
  }
  ctx.lineWidth = 1.6;
  ctx.lineCap = "round";
  buckets.forEach((rows, level) => {
    if (!rows.length) return;
    ctx.strokeStyle = DEPTH_STYLES[level];
    ctx.beginPath();
    for (const i of rows) {
      const j = (i + 1) % p.period;
      ctx.moveTo(plotX(value(p, 0, i)), plotY(value(p, 1, i)));
      ctx.lineTo(plotX(value(p, 0, j)), plotY(value(p, 1, j)));
    }
    ctx.stroke();
  });
  // The start: a ring at row 0.
  ctx.strokeStyle = "#ffe14d";
  ctx.lineWidth = 2;
  ctx.beginPath();
  ctx.arc(plotX(value(p, 0, 0)), plotY(value(p, 1, 0)), 6, 0, 2 * Math.PI);
  ctx.stroke();
}

function drawTraces(p, ctx) {
  const width = PLOT;
  ctx.font = "10px ui-monospace, 'DejaVu Sans Mono', monospace";
  for (let axis = 0; axis < 3; axis++) {
    const middle = axis * STRIP + STRIP / 2;
    const scale = STRIP / 2 - 2;
    ctx.strokeStyle = "#2a2d35";
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(0, middle); ctx.lineTo(width, middle);
    ctx.stroke();
    ctx.fillStyle = p.axes[axis] ? AXIS_COLOURS[axis] : "#555";
    ctx.fillText("xyz"[axis], 3, axis * STRIP + 10);
    if (!p.axes[axis]) continue;
    ctx.strokeStyle = AXIS_COLOURS[axis];
    ctx.lineWidth = 1.2;
    ctx.beginPath();
    for (let i = 0; i < p.period; i++) {
      const px = i / p.period * width;
      const py = middle - value(p, axis, i) * scale;
      if (i === 0) ctx.moveTo(px, py); else ctx.lineTo(px, py);
    }
    ctx.stroke();
  }
}

function drawCard(p) {
  if (p.canvases) return;
  const xy = p.card.querySelector(".xy");
  const traces = p.card.querySelector(".traces");
  const [pathCanvas, pathCtx] = makeCanvas(xy, PLOT, PLOT);
  const [traceCanvas, traceCtx] = makeCanvas(traces, PLOT, TRACE_H);
  drawPath(p, pathCtx);
  drawTraces(p, traceCtx);
  p.canvases = [pathCanvas, traceCanvas];
  p.marker.hidden = false;
  p.cursor.hidden = false;
  p.row = -1;
  moveMarker(p);
}

// Cards far from the viewport give their canvases back, so scrolling through
// all of them never holds more than a screenful of bitmaps.
function releaseCard(p) {
  if (!p.canvases) return;
  for (const canvas of p.canvases) canvas.remove();
  p.canvases = null;
  p.marker.hidden = true;
  p.cursor.hidden = true;
}

function moveMarker(p) {
  const row = wrapPip(gallery.pip, p.period);
  if (row === p.row) return;
  p.row = row;
  const x = value(p, 0, row), y = value(p, 1, row), z = value(p, 2, row);
  p.marker.style.transform =
    `translate(${plotX(x).toFixed(2)}px, ${plotY(y).toFixed(2)}px) scale(${(1 + 0.4 * z).toFixed(3)})`;
  p.marker.style.background = `rgb(${depthRgb(z).join(",")})`;
  p.cursor.style.transform = `translateX(${(row / p.period * PLOT).toFixed(2)}px)`;
}

function buildCards(data, container) {
  const html = data.patterns.map((p) => {
    const beats = p.period / data.pipsPerBeat;
    const axes = p.dims === 1 ? "1 axis" : `${p.dims} axes`;
    return `<article class="card" id="${escapeHtml(p.name)}" data-index="${p.index}" data-group="${escapeHtml(p.group)}">` +
      `<h2>${escapeHtml(p.name)}</h2><span class="group">${escapeHtml(p.group)}</span>` +
      `<div class="xy"><div class="marker" hidden></div></div>` +
      `<div class="traces"><div class="cursor" hidden></div></div>` +
      `<p class="facts">${p.period} pips · ${beats} ${beats === 1 ? "beat" : "beats"} · ${axes}</p>` +
      `<p class="desc">${escapeHtml(p.description)}</p></article>`;
  }).join("");
  container.innerHTML = html;
  const cards = container.children;
  data.patterns.forEach((p, i) => {
    p.card = cards[i];
    p.marker = p.card.querySelector(".marker");
    p.cursor = p.card.querySelector(".cursor");
  });
}

function fillFamilies(data, select) {
  const counts = new Map();
  for (const p of data.patterns) counts.set(p.group, (counts.get(p.group) || 0) + 1);
  const names = [...counts.keys()].sort((a, b) =>
    (a === "rudiments" ? -1 : b === "rudiments" ? 1 : a.localeCompare(b)));
  select.options[0].textContent = `all (${data.patterns.length})`;
  for (const name of names) select.add(new Option(`${name} (${counts.get(name)})`, name));
}

function applyFilter() {
  const words = document.getElementById("search").value.toLowerCase().split(/\s+/).filter(Boolean);
  const group = document.getElementById("family").value;
  let shown = 0;
  for (const p of gallery.data.patterns) {
    const match = (!group || p.group === group) && words.every((w) => p.search.includes(w));
    if (p.card.hidden === match) p.card.hidden = !match;
    if (match) shown++;
  }
  gallery.shown = shown;
  document.getElementById("count").textContent =
    `${shown} of ${gallery.data.patterns.length} patterns`;
}

// Typing fires many input events; filter at most once per frame.
let filterQueued = false;
function queueFilter() {
  if (filterQueued) return;
  filterQueued = true;
  requestAnimationFrame(() => { filterQueued = false; applyFilter(); });
}

function clockSeconds(now) {
  return gallery.playing ? gallery.clockBase + (now - gallery.clockStart) / 1000 : gallery.clockBase;
}

function tick(now) {
  gallery.seconds = clockSeconds(now);
  const pip = pipAt(gallery.seconds, gallery.bpm);
  if (pip !== gallery.pip || !gallery.ticked) {
    gallery.pip = pip;
    gallery.ticked = true;
    const beat = Math.floor(pip / gallery.data.pipsPerBeat);
    document.getElementById("clock").textContent =
      `${gallery.seconds.toFixed(2)} s · pip ${pip} · beat ${beat} + ${wrapPip(pip, 64)}/64`;
    for (const p of gallery.visible) moveMarker(p);
  }
  requestAnimationFrame(tick);
}

function setUpControls() {
  document.getElementById("search").addEventListener("input", queueFilter);
  document.getElementById("family").addEventListener("change", queueFilter);
  const bpm = document.getElementById("bpm");
  bpm.addEventListener("input", () => {
    const value = Number(bpm.value);
    if (Number.isFinite(value) && value > 0) gallery.bpm = value;
  });
  const play = document.getElementById("play");
  play.addEventListener("click", () => {
    const now = performance.now();
    gallery.clockBase = clockSeconds(now);
    gallery.clockStart = now;
    gallery.playing = !gallery.playing;
    play.textContent = gallery.playing ? "Pause" : "Play";
  });
}

async function main() {
  const raw = await inflate(document.getElementById("gallery-data").textContent.trim());
  const data = decodePatterns(raw);
  gallery.data = data;
  buildCards(data, document.getElementById("cards"));
  fillFamilies(data, document.getElementById("family"));
  setUpControls();
  applyFilter();
  const observer = new IntersectionObserver((entries) => {
    for (const entry of entries) {
      const p = data.patterns[entry.target.dataset.index];
      if (entry.isIntersecting) {
        drawCard(p);
        gallery.visible.add(p);
      } else {
        gallery.visible.delete(p);
        releaseCard(p);
      }
    }
  }, { rootMargin: "300px 0px" });
  for (const p of data.patterns) observer.observe(p.card);
  gallery.bpm = Number(document.getElementById("bpm").value) || 120;
  gallery.clockStart = performance.now();
  requestAnimationFrame(tick);
  performance.mark("gallery-ready");
  document.body.dataset.ready = "true";
}

main().catch((error) => {
  document.getElementById("count").textContent = "The gallery data could not be read: " + error;
  throw error;
});
