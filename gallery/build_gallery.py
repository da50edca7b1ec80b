"""Write the pattern gallery: one self-contained HTML page showing every built-in pattern.

Usage: python gallery/build_gallery.py [OUTPUT_FOLDER]   (default: gallery-site/)

The data comes from the installed module through its public API only:
`catalogue()` for the names, descriptions, periods and axis counts, and
`sample(name, pip)` for every row of every period. The page needs no network:
its script, style and data are all inside the one HTML file.

Data encoding (decoded by data.js): each stored axis is scaled by its own
largest magnitude and quantised to a signed byte, round(v / scale * 127), for
drawing only, so that even a small depth range keeps its detail; an axis that
is zero in every row is left out (its scale is written as 0); each stored
axis is written as byte differences from the previous row, which makes the
smooth tables highly compressible. The metadata (JSON) and the axis bytes are
then zlib-compressed together and embedded as base64; the browser inflates
them with its built-in DecompressionStream.
"""

from __future__ import annotations

import argparse
import base64
import json
import re
import struct
import sys
import time
import zlib
from pathlib import Path

import kinemorphs

HERE = Path(__file__).resolve().parent
QUANT = 127
# The fifteen module-level functions are the defaults; the catalogue also has
# a family called `rudiment`, so their group needs a name of its own.
DEFAULTS_GROUP = "defaults"
DEFAULTS_TITLE = "defaults: the fifteen rudiment functions"
SCRIPTS = ["clock.js", "data.js", "drawing.js", "gallery.js"]   # in dependency order
# Words by which a description names a vertical (y) or depth (z) direction.
OTHER_DIRECTION_WORDS = ("vertical", "vertically", "up", "down", "upward", "upwards", "downward",
                         "downwards", "lift", "rise", "fall", "height",
                         "depth", "forward", "forwards", "backward", "backwards", "toward", "towards", "away")


def group_of(name: str) -> str:
    """The filter group: the fifteen module-level rudiments form their own group;
    every other pattern belongs to the family named by the text before its first `_`."""
    if callable(getattr(kinemorphs, name, None)):
        return DEFAULTS_GROUP
    return name.split("_", 1)[0]


def axis_note(description: str, dimensions: int) -> str:
    """For a one-axis pattern whose description names another direction, which
    axis moves and why; otherwise nothing."""
    if dimensions != 1:
        return ""
    words = re.findall(r"[a-z]+", description.lower())
    named = next((word for word in words if word in OTHER_DIRECTION_WORDS), None)
    if named is None:
        return ""
    return (f"Moves x only: a one-axis pattern moves its first axis, x, whatever direction its "
            f"description names (“{named}”). Map x to the direction you want.")


def encode_pattern(name: str, period: int) -> tuple[list[float], bytes]:
    """Sample one period and return (scale of each axis, 0 when absent; delta-coded bytes of the stored axes)."""
    rows = [kinemorphs.sample(name, pip).as_tuple() for pip in range(period)]
    scales = []
    chunks = []
    for axis in range(3):
        column = [row[axis] for row in rows]
        scale = max(abs(value) for value in column)
        scales.append(scale)
        if not scale:
            continue
        previous = 0
        deltas = bytearray(period)
        for index, value in enumerate(column):
            q = round(value / scale * QUANT)
            deltas[index] = (q - previous) & 0xFF
            previous = q
        chunks.append(bytes(deltas))
    return scales, b"".join(chunks)


def build_payload() -> tuple[str, dict]:
    """The base64 text of the compressed data block, and a few facts about it."""
    entries = kinemorphs.catalogue()
    # Filter order: the defaults first, then the families alphabetically.
    groups = sorted({group_of(entry["name"]) for entry in entries},
                    key=lambda group: (group != DEFAULTS_GROUP, group))
    patterns = []
    blocks = []
    for entry in entries:
        scales, block = encode_pattern(entry["name"], entry["period_pips"])
        patterns.append([entry["name"], entry["description"], entry["period_pips"],
                         entry["dimensions"], groups.index(group_of(entry["name"])), scales,
                         axis_note(entry["description"], entry["dimensions"])])
        blocks.append(block)
    titled_groups = [[group, DEFAULTS_TITLE if group == DEFAULTS_GROUP else group] for group in groups]
    meta = json.dumps({"quant": QUANT, "pipsPerBeat": kinemorphs.PIPS_PER_BEAT,
                       "groups": titled_groups, "patterns": patterns},
                      ensure_ascii=False, separators=(",", ":")).encode("utf-8")
    raw = struct.pack("<I", len(meta)) + meta + b"".join(blocks)
    packed = zlib.compress(raw, 9)
    facts = {"patterns": len(patterns), "groups": len(groups), "raw_bytes": len(raw),
             "compressed_bytes": len(packed)}
    return base64.b64encode(packed).decode("ascii"), facts


def render_page(payload: str) -> str:
    page = (HERE / "page.html").read_text(encoding="utf-8")
    style = (HERE / "gallery.css").read_text(encoding="utf-8")
    script = "\n".join((HERE / name).read_text(encoding="utf-8") for name in SCRIPTS)
    # Plain replacement, not str.format: the style and script are full of braces.
    return (page.replace("/*STYLE*/", style)
                .replace("/*SCRIPT*/", script)
                .replace("DATA_BASE64", payload))


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", default="gallery-site",
                        help="folder to write index.html into (default: gallery-site)")
    args = parser.parse_args(argv)
    started = time.perf_counter()
    payload, facts = build_payload()
    out_dir = Path(args.output)
    out_dir.mkdir(parents=True, exist_ok=True)
    page = out_dir / "index.html"
    page.write_text(render_page(payload), encoding="utf-8")
    size = page.stat().st_size
    print(f"{facts['patterns']} patterns in {facts['groups']} groups; "
          f"data {facts['raw_bytes']} bytes packed to {facts['compressed_bytes']}; "
          f"page {size} bytes ({size / 1048576:.2f} MiB), written in "
          f"{time.perf_counter() - started:.1f} s")
    print(page.resolve())
    return 0


if __name__ == "__main__":
    sys.exit(main())
