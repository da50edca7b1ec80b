"use strict";
// The gallery page: one card per pattern, a family filter and a search, and
// markers that move along the visible cards at the viewer's tempo. Cards on
// the first screen are drawn before the first paint and cards near the viewport
// as they come near; the rest are drawn in short slices after the first paint,
// so that a full-page capture or a print shows every card.

const NEAR_VIEWPORT = "300px 0px";   // cards this close to the viewport animate
const DRAW_SLICE_MS = 12;            // drawing off-screen cards yields to the page this often

const gallery = {
  wrapPip, parseBpm, clockPosition,
  geometry: { plot: VIEW_W, pad: PAD, top: TOP_H, topPad: TOP_PAD },
  data: null,
  grid: null,
  clock: null,
  pip: 0,
  near: new Set(),      // patterns whose cards are near the viewport
  visible: new Set(),   // those of them shown by the filter: their markers move
  undrawn: 0,
  shown: 0,
};
window.gallery = gallery;

function escapeHtml(text) {
  return text.replace(/[&<>"]/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;" })[c]);
}

// A line break may follow each underscore, never fall inside a word.
function breakableName(name) {
  return escapeHtml(name).replaceAll("_", "_<wbr>");
}

function plural(count, one, many) {
  return `${count} ${count === 1 ? one : many}`;
}

// A period as a fraction of a 4/4 bar in lowest terms: "1 bar", "7/8 bar", "1 3/4 bars".
function barsText(period, pipsPerBar) {
  const gcd = (a, b) => (b ? gcd(b, a % b) : a);
  const d = gcd(period, pipsPerBar);
  const num = period / d, den = pipsPerBar / d;
  if (den === 1) return plural(num, "bar", "bars");
  const whole = Math.floor(num / den), rest = `${num % den}/${den}`;
  return whole ? `${whole} ${rest} bars` : `${rest} bar`;
}

function factsText(p, grid) {
  return `${p.period} pips · ${plural(p.period / grid.beat, "beat", "beats")} · ` +
    `${barsText(p.period, grid.bar)} · ${plural(p.dims, "axis", "axes")}`;
}

function depthScaleHtml(p) {
  if (!p.axes[2]) return "";
  const scale = formatScale(p.zScale);
  return `<p class="depth">depth <span class="scale">back −${scale}<i></i>+${scale} front</span></p>`;
}

function buildCards(data, container) {
  container.innerHTML = data.patterns.map((p) => {
    const layout = cardLayout(p);
    const topMarker = layout.top === null ? "" :
      `<div class="marker top" style="top:${layout.top}px" hidden></div>`;
    return `<article class="card" id="${escapeHtml(p.name)}" data-index="${p.index}" data-group="${escapeHtml(p.group)}">` +
      `<h2>${breakableName(p.name)}</h2><span class="group">${escapeHtml(p.group)}</span>` +
      `<div class="views" style="height:${layout.height}px">` +
      `<div class="marker front" hidden></div>${topMarker}` +
      `<div class="cursor" style="top:${layout.traces}px" hidden></div></div>` +
      `<p class="facts">${factsText(p, gallery.grid)}</p>${depthScaleHtml(p)}` +
      `<p class="desc">${escapeHtml(p.description)}</p>` +
      (p.axisNote ? `<p class="axis-note">${escapeHtml(p.axisNote)}</p>` : "") + "</article>";
  }).join("");
  const cards = container.children;
  data.patterns.forEach((p, i) => {
    p.card = cards[i];
    p.views = p.card.querySelector(".views");
    p.markers = {
      front: p.views.querySelector(".marker.front"),
      top: p.views.querySelector(".marker.top"),
      cursor: p.views.querySelector(".cursor"),
    };
  });
}

// The picture is inline SVG: it paints as soon as it is in the page, so a
// full-page capture or a print shows every drawn card.
function drawCard(p) {
  if (p.picture) return;
  p.views.insertAdjacentHTML("afterbegin", cardSvg(p, gallery.grid));
  p.picture = p.views.firstElementChild;
  gallery.undrawn--;
  if (gallery.undrawn === 0) {
    performance.mark("gallery-all-drawn");
    document.body.dataset.allDrawn = "true";
  }
}

function drawAll() {
  for (const p of gallery.data.patterns) drawCard(p);
}

// Draws the cards not drawn yet in short slices that leave the page free to
// animate and respond between them. Waiting for idle time instead would
// starve on a busy machine and leave blank cards for a long time.
function drawInSlices() {
  const patterns = gallery.data.patterns;
  const sliceEnd = performance.now() + DRAW_SLICE_MS;
  while (gallery.nextToDraw < patterns.length && performance.now() < sliceEnd) {
    drawCard(patterns[gallery.nextToDraw++]);
  }
  if (gallery.nextToDraw < patterns.length) setTimeout(drawInSlices, 0);
}

// The cards on the first screen are drawn before the page first paints, so a
// screenshot taken as soon as the page has loaded shows them.
function drawFirstScreen(patterns) {
  for (const p of patterns) {
    if (p.card.hidden) continue;
    const box = p.card.getBoundingClientRect();
    if (box.top >= window.innerHeight) break;   // cards follow in page order
    drawCard(p);
  }
}

// Markers move only on cards that are near the viewport and not filtered out.
function updateAnimated(p) {
  const show = gallery.near.has(p) && !p.card.hidden;
  if (show === gallery.visible.has(p)) return;
  if (show) gallery.visible.add(p); else gallery.visible.delete(p);
  for (const element of Object.values(p.markers)) if (element) element.hidden = !show;
  if (show) {
    p.row = -1;
    moveMarkers(p);
  }
}

function moveMarkers(p) {
  const row = wrapPip(gallery.pip, p.period);
  if (row === p.row) return;
  p.row = row;
  const { front, top, cursor } = p.markers;
  const x = plotX(p.axes[0] ? p.axes[0][row] : 0);
  const y = plotY(p.axes[1] ? p.axes[1][row] : 0);
  const z = p.axes[2] ? p.axes[2][row] : 0;
  front.style.transform = `translate(${x.toFixed(2)}px, ${y.toFixed(2)}px)`;
  if (top) {
    front.style.background = depthRgb(z / p.zScale);
    top.style.transform = `translate(${x.toFixed(2)}px, ${topY(z, p.zScale).toFixed(2)}px)`;
  }
  cursor.style.transform = `translateX(${(row / p.period * VIEW_W).toFixed(2)}px)`;
}

function fillFamilies(data, select) {
  const counts = new Map();
  for (const p of data.patterns) counts.set(p.group, (counts.get(p.group) || 0) + 1);
  select.options[0].textContent = `all (${data.patterns.length})`;
  for (const [key, title] of data.groups) select.add(new Option(`${title} (${counts.get(key)})`, key));
}

function applyFilter() {
  const words = document.getElementById("search").value.toLowerCase().split(/\s+/).filter(Boolean);
  const group = document.getElementById("family").value;
  let shown = 0;
  for (const p of gallery.data.patterns) {
    const match = (!group || p.group === group) && words.every((w) => p.search.includes(w));
    if (p.card.hidden === match) {
      p.card.hidden = !match;
      updateAnimated(p);
    }
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

function clockText(clock, pip) {
  const beat = Math.floor(pip / gallery.grid.beat);
  const bar = Math.floor(beat / BEATS_PER_BAR);
  const where = `pip ${pip} · bar ${bar + 1} beat ${beat % BEATS_PER_BAR + 1} + ${wrapPip(pip, gallery.grid.beat)}/${gallery.grid.beat}`;
  if (clock.bpm === null) return `${where} · held: enter a tempo from ${MIN_BPM} to ${MAX_BPM} BPM`;
  return `${where} · ${clock.bpm} BPM${clock.playing ? "" : " · paused"}`;
}

function tick(now) {
  const clock = gallery.clock;
  const pip = Math.floor(clockPosition(clock, now));
  const text = clockText(clock, pip);
  if (pip !== gallery.pip || text !== gallery.clockShown) {
    gallery.pip = pip;
    gallery.clockShown = text;
    document.getElementById("clock").textContent = text;
    for (const p of gallery.visible) moveMarkers(p);
  }
  requestAnimationFrame(tick);
}

function setUpControls() {
  document.getElementById("search").addEventListener("input", queueFilter);
  document.getElementById("family").addEventListener("change", queueFilter);
  const bpm = document.getElementById("bpm");
  // An empty or out-of-range field holds the markers where they are until a
  // tempo is typed; a new tempo continues from the position reached.
  bpm.addEventListener("input", () => {
    reanchor(gallery.clock, performance.now(), { bpm: parseBpm(bpm.value) });
  });
  const play = document.getElementById("play");
  play.addEventListener("click", () => {
    const playing = !gallery.clock.playing;
    reanchor(gallery.clock, performance.now(), { playing });
    play.textContent = playing ? "Pause" : "Play";
  });
  // Printing lays out every card at once: draw whatever the slices have not reached yet.
  window.addEventListener("beforeprint", drawAll);
}

function watchViewport(data) {
  const observer = new IntersectionObserver((entries) => {
    for (const entry of entries) {
      const p = data.patterns[entry.target.dataset.index];
      if (entry.isIntersecting) {
        drawCard(p);
        gallery.near.add(p);
      } else {
        gallery.near.delete(p);
      }
      updateAnimated(p);
    }
  }, { rootMargin: NEAR_VIEWPORT });
  for (const p of data.patterns) observer.observe(p.card);
}

async function main() {
  const raw = await inflate(document.getElementById("gallery-data").textContent.trim());
  const data = decodePatterns(raw);
  gallery.data = data;
  gallery.grid = beatGridOf(data.pipsPerBeat);
  publishDrawingStyle(document.documentElement);
  gallery.undrawn = data.patterns.length;
  gallery.nextToDraw = 0;
  buildCards(data, document.getElementById("cards"));
  fillFamilies(data, document.getElementById("family"));
  gallery.clock = makeClock(data.pipsPerBeat, parseBpm(document.getElementById("bpm").value));
  gallery.clock.anchorMs = performance.now();
  setUpControls();
  applyFilter();
  drawFirstScreen(data.patterns);
  watchViewport(data);
  requestAnimationFrame(tick);
  // After the first frame, so the first screen paints without waiting.
  requestAnimationFrame(() => setTimeout(drawInSlices, 0));
  performance.mark("gallery-ready");
  document.body.dataset.ready = "true";
}

main().catch((error) => {
  document.getElementById("count").textContent = "The gallery data could not be read: " + error;
  throw error;
});
