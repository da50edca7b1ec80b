"""Reads the drum scores of the beat grooves from the generator's data file.

The notation is described at the top of that file. Positions come back as
exact fractions of a pip so tuplets can be checked exactly.
"""

import re
from fractions import Fraction
from pathlib import Path

SCORE_FILE = Path(__file__).parent.parent / "src/catalogue/generator/families/beat_scores.inc"
VELOCITIES = {"X": 1.0, "x": 0.8, "o": 0.55, "g": 0.3}
PIPS_PER_BAR = 256
RECORD_FIELDS = {"label", "note", "flat"}  # record texts, not lanes
HEADER = re.compile(r"^(?P<lane>[a-z]+)(@(?P<start>\d+))?(/(?P<div>\d+))?(~(?P<swing>\d+))?$")


def parse(text):
    """key -> (period, {lane: [(pip, velocity), ...] in time order})."""
    scores = {}
    lanes = None
    for raw in text.splitlines():
        line = raw.split("#", 1)[0].strip()
        if not line or line in ('R"(', ')"'):
            continue
        if line.startswith("["):
            key, period = line[1:-1].split()
            lanes = {}
            scores[key] = (int(period), lanes)
            continue
        header, steps = line.split(":", 1)
        if header in RECORD_FIELDS:
            continue
        match = HEADER.match(header.strip())
        start = int(match["start"] or 0)
        div = int(match["div"] or 16)
        swing = int(match["swing"] or 0)
        cells = [c for c in steps if c not in " |"]
        hits = lanes.setdefault(match["lane"], [])
        for i, c in enumerate(cells):
            if c in VELOCITIES:
                pip = start + Fraction(i * PIPS_PER_BAR, div) + (swing if i % 2 else 0)
                hits.append((pip, VELOCITIES[c]))
        hits.sort(key=lambda hit: hit[0])
    return scores


def load():
    return parse(SCORE_FILE.read_text())
