// The stage view and operator page of kinemorphs-show: one WebSocket in, controls out.
// Stage coordinates (across, depth, height) map to three.js as x = across, y = height,
// z = depth; the front view looks upstage from the audience, so stage right is on the left.
"use strict";

const TOKEN = new URLSearchParams(location.search).get("token");
const RECONNECT_MS = 1000;
const MAX_BEAM_M = 14;
const HEAD_SIZE_M = 0.35;
const BEAM_RADIUS_PER_M = 0.12;     // the beam's spread: radius at one metre from the lens
const BEAM_OPACITY = 0.3;
const BEYOND_FLOOR = 1.3;
const WHITE = [1, 0.95, 0.85];
const MAX_LABELS = 64;              // beyond this many fixtures names would only clutter the stage
const LABEL_WIDTH_M = 1.6;

// What the page holds, for the operator and for tests: the stage, the last frame drawn
// and each head's beam direction in stage coordinates.
const stageView = window.stageView = { stage: null, frames: 0, drawn: 0, lastFrame: null, directions: [], heads: 0,
                                       fixtureCount: 0, webgl: false };

function beamDirection(orientation, panDeg, tiltDeg) {
  // The same convention as kinemorphs_show.aiming.beam_direction.
  const up = orientation.inverted ? -1 : 1;
  const heading = (orientation.pan_zero_deg + up * panDeg) * Math.PI / 180;
  const tilt = tiltDeg * Math.PI / 180;
  const lean = Math.sin(tilt);
  return [lean * Math.sin(heading), lean * Math.cos(heading), up * Math.cos(tilt)];
}

// ---- the 3-D scene ----
const canvas = document.getElementById("view");
let renderer = null, scene = null, camera = null, controls = null, heads = [];
let stageCentre = [0, 0, 0], stageSpan = 10;

function makeRenderer() {
  try {
    renderer = new THREE.WebGLRenderer({ canvas, antialias: true });
    stageView.webgl = true;
  } catch (error) {
    document.getElementById("connection").textContent = "the 3-D view needs WebGL: " + error.message;
    return;
  }
  renderer.setPixelRatio(Math.min(window.devicePixelRatio || 1, 2));
  scene = new THREE.Scene();
  scene.background = new THREE.Color(0x0b0c10);
  camera = new THREE.PerspectiveCamera(50, 1, 0.1, 500);
  controls = new THREE.OrbitControls(camera, canvas);
  controls.enableDamping = true;
  scene.add(new THREE.HemisphereLight(0xbbccff, 0x202020, 0.9));
  window.addEventListener("resize", resize);
  resize();
}

function resize() {
  if (!renderer) return;
  dirty = true;
  const width = canvas.clientWidth, height = canvas.clientHeight;
  renderer.setSize(width, height, false);
  camera.aspect = width / Math.max(height, 1);
  camera.updateProjectionMatrix();
}

function toScene([across, depth, height]) { return new THREE.Vector3(across, height, depth); }

function buildStage(stage) {
  stageView.stage = stage;
  stageView.fixtureCount = stage.fixtures.length;
  document.getElementById("title").textContent = stage.title || "kinemorphs-show";
  if (stage.layers && stage.layers.length) buildLayers(stage.layers);
  else buildCueGrid(stage.cues);
  if (!scene) return;
  heads.forEach(head => scene.remove(head.group, head.spot));
  scene.children.filter(child => child.userData.floor).forEach(child => scene.remove(child));
  const positions = stage.fixtures.map(fixture => fixture.position_m);
  const lows = [0, 1, 2].map(axis => Math.min(0, ...positions.map(p => p[axis])));
  const highs = [0, 1, 2].map(axis => Math.max(0, ...positions.map(p => p[axis])));
  stageSpan = Math.max(8, highs[0] - lows[0] + 6, highs[1] - lows[1] + 10);
  stageCentre = [(lows[0] + highs[0]) / 2, (lows[1] + highs[1]) / 2 + 2, 0];
  // Wide enough for a beam leaning far out from the highest head to land on it.
  const floorSpan = Math.ceil(stageSpan + 4 * highs[2]);
  const floor = new THREE.Mesh(new THREE.PlaneGeometry(floorSpan, floorSpan),
                               new THREE.MeshLambertMaterial({ color: 0x23252d }));
  floor.rotation.x = -Math.PI / 2;
  floor.position.copy(toScene(stageCentre));
  const grid = new THREE.GridHelper(floorSpan, floorSpan, 0x555a66, 0x33363f);
  grid.position.copy(toScene(stageCentre)).add(new THREE.Vector3(0, 0.01, 0));
  const front = new THREE.Mesh(new THREE.PlaneGeometry(floorSpan, 0.08), new THREE.MeshBasicMaterial({ color: 0xf0b429 }));
  front.rotation.x = -Math.PI / 2;
  front.position.copy(toScene([stageCentre[0], stageCentre[1] - floorSpan / 2, 0.004]));
  for (const item of [floor, grid, front]) { item.userData.floor = true; scene.add(item); }
  heads = stage.fixtures.map(fixture => makeHead(fixture));
  stageView.heads = heads.length;
  frontView();
}

function makeHead(fixture) {
  const group = new THREE.Group();
  group.position.copy(toScene(fixture.position_m));
  const body = new THREE.Mesh(new THREE.BoxGeometry(HEAD_SIZE_M, HEAD_SIZE_M, HEAD_SIZE_M),
                              new THREE.MeshLambertMaterial({ color: 0x8890a0 }));
  const cone = new THREE.ConeGeometry(1, 1, 24, 1, true);
  cone.rotateX(Math.PI);          // apex at the lens, opening along +y
  cone.translate(0, 0.5, 0);
  const beamMaterial = new THREE.MeshBasicMaterial({ color: new THREE.Color(...WHITE), transparent: true,
    opacity: BEAM_OPACITY, blending: THREE.AdditiveBlending, depthWrite: false, side: THREE.FrontSide });
  const beam = new THREE.Mesh(cone, beamMaterial);
  const spot = new THREE.Mesh(new THREE.CircleGeometry(1, 32), new THREE.MeshBasicMaterial({
    color: new THREE.Color(...WHITE), transparent: true, opacity: 0.5, blending: THREE.AdditiveBlending,
    depthWrite: false }));
  spot.rotation.x = -Math.PI / 2;
  group.add(body, beam);
  if (stageView.stage.fixtures.length <= MAX_LABELS) group.add(makeLabel(fixture.name));
  scene.add(group);
  scene.add(spot);
  return { group, body, beam, spot, fixture };
}

function makeLabel(name) {
  // The name drawn once into a small texture, always facing the camera.
  const pixels = document.createElement("canvas");
  pixels.width = 256;
  pixels.height = 64;
  const context = pixels.getContext("2d");
  context.font = "600 34px system-ui, sans-serif";
  context.fillStyle = "#c9ceda";
  context.textAlign = "center";
  context.textBaseline = "middle";
  context.fillText(name, 128, 32, 250);
  const sprite = new THREE.Sprite(new THREE.SpriteMaterial({ map: new THREE.CanvasTexture(pixels),
                                                              depthWrite: false, transparent: true }));
  sprite.scale.set(LABEL_WIDTH_M, LABEL_WIDTH_M / 4, 1);
  sprite.position.set(0, HEAD_SIZE_M * 1.4, 0);
  return sprite;
}

const Y_AXIS = new THREE.Vector3(0, 1, 0);
function drawBeam(head, direction, level, colour, limited) {
  const dir = toScene(direction);
  const height = head.fixture.position_m[2];
  // To the floor when it points down, else a fixed length into the air.
  const length = dir.y < -1e-6 ? Math.min(MAX_BEAM_M * 2, height / -dir.y) : MAX_BEAM_M;
  head.beam.quaternion.setFromUnitVectors(Y_AXIS, dir);
  const radius = BEAM_RADIUS_PER_M * length;
  // Past the floor, which hides the rest, so the whole cut through the floor is lit.
  const drawn = dir.y < -1e-6 ? BEYOND_FLOOR : 1;
  head.beam.scale.set(radius * drawn, length * drawn, radius * drawn);
  const rgb = colour || WHITE;
  head.beam.material.color.setRGB(rgb[0], rgb[1], rgb[2]);
  head.beam.material.opacity = BEAM_OPACITY * level;
  head.beam.visible = level > 0;
  const hits = dir.y < -1e-6 && height / -dir.y <= MAX_BEAM_M * 2;
  head.spot.visible = hits && level > 0;
  if (hits) {
    head.spot.position.copy(head.group.position).addScaledVector(dir, length);
    head.spot.position.y = 0.01;
    // The beam's cut through the floor: an ellipse, longer along the way the beam leans.
    head.spot.rotation.set(-Math.PI / 2, 0, Math.atan2(-dir.x, -dir.z));
    head.spot.scale.set(radius, radius / -dir.y, 1);
    head.spot.material.color.setRGB(rgb[0], rgb[1], rgb[2]);
    head.spot.material.opacity = 0.5 * level;
  }
  head.body.material.color.setHex(limited ? 0xe5533d : 0x8890a0);
}

function topView() {
  if (!camera) return;
  const centre = toScene(stageCentre);
  controls.target.copy(centre);
  // A hair downstage of straight above, so upstage is up on the screen.
  camera.position.set(centre.x, stageSpan * 1.6, centre.z - 0.01);
  controls.update();
}

function frontView() {
  if (!camera) return;
  const centre = toScene(stageCentre);
  controls.target.set(centre.x, 1.5, centre.z);
  camera.position.set(centre.x, 5, centre.z - stageSpan * 0.95);
  controls.update();
}

// Drawn only when a frame came or the camera moved: a page left open costs little.
let dirty = true;
function animate() {
  requestAnimationFrame(animate);
  if (!renderer) return;
  const moved = controls.update();
  if (!dirty && !moved) return;
  dirty = false;
  renderer.render(scene, camera);
  stageView.drawn += 1;
}

// ---- frames and status ----
const STATUS_INTERVAL_MS = 100;
let lastStatusMs = -Infinity;
function text(id, value) { document.getElementById(id).textContent = value; }

function applyFrame(frame) {
  const stage = stageView.stage;
  if (!stage) return;
  const limited = new Set(frame.limited);
  const directions = stage.fixtures.map((fixture, index) =>
    beamDirection(fixture.orientation, frame.pan[index], frame.tilt[index]));
  heads.forEach((head, index) => drawBeam(head, directions[index],
    frame.intensity ? frame.intensity[index] : 1, frame.colour ? frame.colour[index] : null, limited.has(index)));
  stageView.directions = directions;
  stageView.lastFrame = frame;
  dirty = true;
  stageView.frames += 1;
  // The beams follow every frame; the text only needs to be readable.
  const now = performance.now();
  if (now - lastStatusMs < STATUS_INTERVAL_MS) return;
  lastStatusMs = now;
  text("bpm", frame.bpm.toFixed(1));
  document.getElementById("bpm-input").placeholder = frame.bpm.toFixed(1);
  text("bar-beat", frame.bar_beat);
  text("fps", frame.fps.toFixed(1));
  text("late", frame.worst_lateness_ms.toFixed(1) + " ms");
  text("cue", frame.cue);
  const names = frame.limited.map(index => stage.fixtures[index].name);
  text("limited", names.length ? names.join(", ") : "none");
  document.getElementById("limited").classList.toggle("some", names.length > 0);
  const running = new Set(frame.current_cues);
  document.querySelectorAll("#cues button").forEach(button =>
    button.classList.toggle("running", running.has(Number(button.dataset.cue))));
  if (frame.layers) showLayers(frame);
}

function cueButton(name, number, message) {
  const button = document.createElement("button");
  button.type = "button";
  button.dataset.cue = String(number);
  const label = document.createElement("span");
  label.className = "number";
  label.textContent = String(number);
  button.append(label, name);
  button.addEventListener("click", () => send(message));
  return button;
}

// The rate master moves in exact steps; the slider is the step's index.
const RATE_STEPS = [0.25, 0.5, 1, 2, 4];
const RATE_LABELS = ["¼×", "½×", "1×", "2×", "4×"];

function slider(label, id, min, max, value, shown, onChange) {
  const box = document.createElement("div");
  box.className = "master";
  const caption = document.createElement("label");
  const output = document.createElement("output");
  caption.htmlFor = id;
  caption.append(label + " ", output);
  const input = document.createElement("input");
  Object.assign(input, { type: "range", id, min, max, step: 1, value });
  output.textContent = shown(Number(input.value));
  input.addEventListener("input", () => { output.textContent = shown(Number(input.value)); });
  input.addEventListener("change", () => onChange(Number(input.value)));
  box.append(caption, input);
  return box;
}

function buildLayers(layers) {
  document.getElementById("cues").replaceChildren();
  document.getElementById("layers").replaceChildren(...layers.map((layer, index) => {
    const section = document.createElement("section");
    section.className = "layer";
    section.dataset.layer = layer.name;
    const header = document.createElement("header");
    const title = document.createElement("h2");
    title.textContent = `${index + 1} ${layer.name}`;
    const release = document.createElement("button");
    release.type = "button";
    release.className = "release";
    release.textContent = "Release";
    release.addEventListener("click", () => send({ command: "release", layer: layer.name }));
    header.append(title, release);
    const grid = document.createElement("div");
    grid.className = "cues";
    grid.append(...layer.cues.map((name, cue) =>
      cueButton(name, cue + 1, { command: "go", layer: layer.name, cue: cue + 1 })));
    const size = slider("Size", `size-${index}`, 0, 200, 100, v => v + " %",
      value => send({ command: "size", layer: layer.name, value: value / 100 }));
    const rate = slider("Rate", `rate-${index}`, 0, RATE_STEPS.length - 1, RATE_STEPS.indexOf(1),
      value => RATE_LABELS[value], value => send({ command: "rate", layer: layer.name, value: RATE_STEPS[value] }));
    size.classList.add("size");
    rate.classList.add("rate");
    section.append(header, grid, size, rate);
    return section;
  }));
  document.getElementById("rig-master").hidden = false;
}

function setSlider(input, value, shown) {
  if (document.activeElement === input) return;  // the operator's thumb is on it
  input.value = String(value);
  input.previousElementSibling.querySelector("output").textContent = shown(value);
}

function showLayers(frame) {
  frame.layers.forEach((layer, index) => {
    const section = document.querySelector(`#layers .layer:nth-child(${index + 1})`);
    if (!section) return;
    section.classList.toggle("released", layer.released);
    section.querySelectorAll(".cues button").forEach(button =>
      button.classList.toggle("running", Number(button.dataset.cue) === layer.running_number));
    setSlider(section.querySelector(".size input"), Math.round(layer.size * 100), v => v + " %");
    const step = RATE_STEPS.indexOf(layer.rate);
    if (step >= 0) setSlider(section.querySelector(".rate input"), step, v => RATE_LABELS[v]);
  });
  const rig = document.getElementById("rig-size");
  if (document.activeElement !== rig) {
    rig.value = String(Math.round(frame.size_master * 100));
    text("rig-size-value", rig.value + " %");
  }
}

function buildCueGrid(cues) {
  document.getElementById("cues").replaceChildren(...cues.map((name, index) =>
    cueButton(name, index + 1, { command: "go", cue: index + 1 })));
}

// ---- the connection ----
let socket = null;
function connect() {
  const scheme = location.protocol === "https:" ? "wss:" : "ws:";
  const query = TOKEN ? "?token=" + encodeURIComponent(TOKEN) : "";
  socket = new WebSocket(`${scheme}//${location.host}/api/ws${query}`);
  socket.onopen = () => text("connection", "live");
  socket.onmessage = event => {
    const message = JSON.parse(event.data);
    if (message.type === "frame") applyFrame(message);
    else if (message.type === "stage") buildStage(message);
    else if (message.type === "reply") text("reply", message.ok ? "" : "refused: " + message.refused);
  };
  socket.onclose = () => {
    text("connection", "not connected: retrying");
    setTimeout(connect, RECONNECT_MS);
  };
}

function send(message) {
  if (socket && socket.readyState === WebSocket.OPEN) {
    socket.send(JSON.stringify(message));
    return;
  }
  const headers = { "Content-Type": "application/json" };
  if (TOKEN) headers.Authorization = "Bearer " + TOKEN;
  fetch("/api/control", { method: "POST", headers, body: JSON.stringify(message) })
    .then(reply => reply.json()).then(reply => text("reply", reply.ok ? "" : "refused: " + reply.refused))
    .catch(error => text("reply", "not sent: " + error.message));
}

document.querySelectorAll("[data-command]").forEach(button => button.addEventListener("click", () => {
  const message = { command: button.dataset.command };
  if (button.dataset.value !== undefined) message.value = Number(button.dataset.value);
  send(message);
}));
document.getElementById("bpm-form").addEventListener("submit", event => {
  event.preventDefault();
  send({ command: "bpm", value: Number(document.getElementById("bpm-input").value) });
});
const rigSize = document.getElementById("rig-size");
rigSize.addEventListener("input", () => text("rig-size-value", rigSize.value + " %"));
rigSize.addEventListener("change", () => send({ command: "size", value: Number(rigSize.value) / 100 }));
document.getElementById("top-view").addEventListener("click", topView);
document.getElementById("front-view").addEventListener("click", frontView);

makeRenderer();
connect();
animate();
