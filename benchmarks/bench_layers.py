"""Layers on a big rig: time per frame of the layered engine (the one implicit layer of a show
without [[layers]], then 2 and 4 layers at once, with a position and a release under way)
against the plain engine on the same rig, measured in the same run.

Generic 16-bit heads, 32 per universe (512 by default), four groups of equal size;
frames are asked for at the exact positions a 44 Hz clock gives, no output is sent.
Prints each engine's time per frame and its ratio to the plain engine.

Run inside the project environment: python benchmarks/bench_layers.py [--fixtures N] [--frames N] [--short]
"""

import argparse
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from generic_rig import ADDRESS_STRIDE, FIXTURES_PER_UNIVERSE  # noqa: E402

from kinemorphs_show.engine import Engine  # noqa: E402
from kinemorphs_show.playback.layered_engine import LayeredEngine  # noqa: E402
from kinemorphs_show.showfile import load_show  # noqa: E402
from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns  # noqa: E402

FIXTURES, FRAMES = 512, 440
SHORT_FIXTURES, SHORT_FRAMES = 64, 44
FRAME_RATE, BPM = 44, 128.0
GROUPS = ("g1", "g2", "g3", "g4")
REPEATS = 3

CUES = """
[[cues]]
name = "fan"
pattern = "circle"
size = [40, 25]
speed = "1/2"
[cues.layout]
spread_beats = 1

[[cues]]
name = "sway"
pattern = "sway"
size = 30
position = "below"
fade_beats = 2

[[cues]]
name = "hits"
pattern = "beat_four_floor_bounce"
size = [20, 30]
position = "front"
[cues.layout]
mirror = true

[[positions]]
name = "front"
pan_tilt = [10, 60]
"""
LAYERS = {
    2: '[[layers]]\nname = "base"\ncues = ["fan"]\n\n[[layers]]\nname = "top"\ncues = ["hits"]\nfixtures = ["g1", "g2"]\n',
    4: "".join(f'[[layers]]\nname = "l{i}"\ncues = ["{cue}"]\nfixtures = ["{group}"]\nrelease_beats = 4\n\n'
               for i, (cue, group) in enumerate(zip(("fan", "hits", "sway", "hits"), GROUPS)))
       + '[[layers]]\nname = "over"\ncues = ["sway"]\n',
}


def show_text(count: int, layers: str = "") -> str:
    fixtures = "".join(
        f'[[fixtures]]\nname = "h{i}"\nuniverse = {1 + i // FIXTURES_PER_UNIVERSE}\n'
        f'address = {1 + (i % FIXTURES_PER_UNIVERSE) * ADDRESS_STRIDE}\ngroups = ["{GROUPS[i * 4 // count]}"]\n\n'
        for i in range(count))
    return f"[show]\nbpm = {BPM}\n\n{fixtures}{CUES}\n{layers}"


def time_per_frame(engine, frames: int, release_layer: int | None) -> float:
    step = round(NS_PER_SECOND / FRAME_RATE) * pips_per_ns(BPM)
    best = float("inf")
    for repeat in range(REPEATS):
        start = time.perf_counter()
        for index in range(frames):
            if release_layer is not None and index == frames // 2:
                engine.release(release_layer, int(index * step))
            engine.frame(index * step + repeat * frames * step, BPM)
        best = min(best, (time.perf_counter() - start) / frames)
    return best


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fixtures", type=int, default=FIXTURES)
    parser.add_argument("--frames", type=int, default=FRAMES)
    parser.add_argument("--short", action="store_true", help="a quick run for CI")
    args = parser.parse_args()
    fixtures, frames = (SHORT_FIXTURES, SHORT_FRAMES) if args.short else (args.fixtures, args.frames)
    with tempfile.TemporaryDirectory() as folder:
        def show(layers: str = ""):
            path = Path(folder) / f"show{len(layers)}.toml"
            path.write_text(show_text(fixtures, layers), encoding="utf-8")
            return load_show(path)

        plain = show()
        runs = {"plain engine": (Engine(plain), None), "layered, no [[layers]]": (LayeredEngine(plain), None)}
        for count, text in LAYERS.items():
            runs[f"layered, {count if count == 2 else count + 1} layers"] = (LayeredEngine(show(text)), 1)
        times = {name: time_per_frame(engine, frames, release) for name, (engine, release) in runs.items()}
    base = times["plain engine"]
    print(f"{fixtures} fixtures, {frames} frames at {FRAME_RATE} Hz, best of {REPEATS}")
    for name, seconds in times.items():
        print(f"  {name:24} {seconds * 1e3:7.3f} ms/frame  {seconds / base:5.2f}× the plain engine  "
              f"{seconds * FRAME_RATE:6.1%} of a core at {FRAME_RATE} Hz")


if __name__ == "__main__":
    main()
