"use strict";
// The tempo clock that drives the markers. It counts musical time in pips,
// not seconds: a tempo change re-anchors the count at the current position,
// so every marker keeps its phase and only its speed changes, exactly as a
// caller integrating beats over a changing tempo would map its clock.

const MIN_BPM = 20;
const MAX_BPM = 999;

// A tempo typed into the field, or null when the text is not one (empty,
// not a number, or outside MIN_BPM..MAX_BPM).
function parseBpm(text) {
  if (text.trim() === "") return null;
  const bpm = Number(text);
  return Number.isFinite(bpm) && bpm >= MIN_BPM && bpm <= MAX_BPM ? bpm : null;
}

function pipsPerSecond(bpm, pipsPerBeat) {
  return bpm / 60 * pipsPerBeat;
}

// Non-negative remainder: the row of a pattern of `period` pips at `pip`.
function wrapPip(pip, period) {
  const r = pip % period;
  return r < 0 ? r + period : r;
}

function makeClock(pipsPerBeat, bpm) {
  return {
    pipsPerBeat,
    bpm,                 // null while the tempo field holds no valid tempo
    playing: true,       // the viewer's play/pause choice
    anchorPips: 0,       // fractional position when the clock was last re-anchored
    anchorMs: 0,         // performance.now() at that moment
  };
}

function clockRunning(clock) {
  return clock.playing && clock.bpm !== null;
}

// Fractional position in pips at `nowMs`.
function clockPosition(clock, nowMs) {
  if (!clockRunning(clock)) return clock.anchorPips;
  return clock.anchorPips + (nowMs - clock.anchorMs) / 1000 * pipsPerSecond(clock.bpm, clock.pipsPerBeat);
}

// Every change of tempo or of play state goes through here: the position
// reached so far becomes the new anchor, so nothing jumps.
function reanchor(clock, nowMs, change) {
  clock.anchorPips = clockPosition(clock, nowMs);
  clock.anchorMs = nowMs;
  Object.assign(clock, change);
}
