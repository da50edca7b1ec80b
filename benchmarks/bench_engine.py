"""The show engine alone on a big rig: time per frame of the array engine against the
one-fixture-at-a-time reference engine, measured in the same run.

A generated show of generic 16-bit heads, 32 per universe (512 heads over 16
universes by default), playing a fan of circles and crossfading into a
mirrored sway, so that layout, interpolation between pips, crossfade and slew
work are all in the figures. Frames are asked for at the exact positions a
clock gives at 44 Hz; no output is sent. Prints, for each engine, the time per
frame and the share of one core it would take at 44 frames a second, and the
reference's time over the array engine's.

Run inside the project environment: python benchmarks/bench_engine.py [--fixtures N] [--frames N] [--short]
"""

import argparse
import os
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from generic_rig import generic_heads  # noqa: E402

from kinemorphs_show.engine import Engine  # noqa: E402
from kinemorphs_show.scalar_engine import ScalarEngine  # noqa: E402
from kinemorphs_show.showfile import load_show  # noqa: E402
from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns  # noqa: E402

FIXTURES = 512
FRAME_RATE = 44
BPM = 128.0
# A tapped or received tempo is a float with a long binary fraction: exact positions then outgrow
# int64 and the engine takes Python integers for them.
TAPPED_BPM = 127.93
FRAMES = 440
SHORT_FIXTURES, SHORT_FRAMES = 64, 44
GO_AT_FRAME = 20                   # the crossfade starts on the next bar and runs two beats

SHOW_HEADER = f"""
[show]
bpm = {BPM}
frame_rate = {FRAME_RATE}

[[cues]]
name = "fan of circles"
pattern = "circle"
size = [40, 25]
speed = "1/2"
layout = {{ spread_beats = 1 }}

[[cues]]
name = "mirrored sway"
pattern = "sway"
size = 30
fade_beats = 2
layout = {{ mirror = true, wings = 2, spread_beats = 0.5 }}
"""


def benchmark_show(fixtures: int) -> str:
    return SHOW_HEADER + generic_heads(fixtures)


def seconds_per_frame(engine, frames: int, bpm: float = BPM) -> float:
    period_ns = NS_PER_SECOND // FRAME_RATE
    positions = [index * period_ns * pips_per_ns(bpm) for index in range(frames)]
    start = time.process_time()
    for index, position in enumerate(positions):
        engine.frame(position, bpm)
        if index == GO_AT_FRAME:
            engine.go(1, int(position))
    return (time.process_time() - start) / frames


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fixtures", type=int, default=FIXTURES)
    parser.add_argument("--frames", type=int, default=FRAMES)
    parser.add_argument("--short", action="store_true", help=f"{SHORT_FIXTURES} fixtures, {SHORT_FRAMES} frames (CI)")
    args = parser.parse_args()
    fixtures, frames = (SHORT_FIXTURES, SHORT_FRAMES) if args.short else (args.fixtures, args.frames)
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "bench.toml"
        path.write_text(benchmark_show(fixtures))
        show = load_show(path)
    print(f"{fixtures} fixtures, {len(show.rig.universes)} universes, {frames} frames at {FRAME_RATE} Hz "
          f"({BPM:g} BPM); load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
    timings = {}
    for name, make in (("reference (per fixture)", ScalarEngine), ("arrays", Engine)):
        start = time.process_time()
        engine = make(show)
        set_up = time.process_time() - start
        timings[name] = seconds_per_frame(engine, frames)
        print(f"{name:24} {timings[name] * 1e3:7.3f} ms/frame  core at {FRAME_RATE} Hz "
              f"{timings[name] * FRAME_RATE * 100:5.1f}%  set-up {set_up * 1e3:6.1f} ms")
    reference, arrays = timings.values()
    tapped = seconds_per_frame(Engine(show), frames, TAPPED_BPM)
    print(f"{'arrays, tapped tempo':24} {tapped * 1e3:7.3f} ms/frame  core at {FRAME_RATE} Hz "
          f"{tapped * FRAME_RATE * 100:5.1f}%  ({TAPPED_BPM:g} BPM)")
    print(f"arrays are {reference / arrays:.1f}x faster than the reference ({reference / tapped:.1f}x at a tapped tempo)")


if __name__ == "__main__":
    main()
