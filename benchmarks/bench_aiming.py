"""Aiming a rig at a moving point: the array solver against the per-head one, same run.

Both solve the same frames for the same rig (heads hung and standing on random trusses,
each following a point that moves on a figure-eight, every frame starting from the last
frame's angles), the two sides alternating frame batch by frame batch so that a change of
machine load hits both alike. Prints microseconds per frame for each and the ratio
arrays/scalar; the goal for 64 heads is at most 0.25 (the engine solves every head every
frame, at 44 frames per second or more).

Run inside the project environment: python benchmarks/bench_aiming.py [--short]
"""

import argparse
import math
import random
import sys
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from kinemorphs_show.aim_arrays import solve_aims  # noqa: E402
from kinemorphs_show.aiming import Orientation, focus_point, solve_aim  # noqa: E402

HEADS = 64
FRAMES_PER_BATCH = 50
PAN_RANGE = (-270.0, 270.0)
TILT_RANGE = (-135.0, 135.0)
GOAL_RATIO = 0.25


def rig(count: int, seed: int = 1):
    chooser = random.Random(seed)
    positions = [(chooser.uniform(-8, 8), chooser.choice((1.0, 9.0)), chooser.uniform(5, 8)) for _ in range(count)]
    orientations = [Orientation(chooser.random() < 0.8, chooser.uniform(-180, 180)) for _ in range(count)]
    return positions, orientations


def focus_at(frame: int):
    angle = 2 * math.pi * frame / 400
    return focus_point((0.0, 5.0, 0.0), (3.0, 1.5, 0.0), (math.sin(angle), math.sin(2 * angle), 0.0))


def scalar_batch(positions, orientations, previous, first_frame):
    for frame in range(first_frame, first_frame + FRAMES_PER_BATCH):
        focus = focus_at(frame)
        solutions = [solve_aim(p, o, focus, previous[i], PAN_RANGE, TILT_RANGE)
                     for i, (p, o) in enumerate(zip(positions, orientations))]
        previous = [(s.pan_deg, s.tilt_deg) for s in solutions]
    return previous


def array_batch(positions, inverted, pan_zero, previous, first_frame):
    for frame in range(first_frame, first_frame + FRAMES_PER_BATCH):
        pan, tilt, _ = solve_aims(positions, inverted, pan_zero, focus_at(frame), previous, PAN_RANGE, TILT_RANGE)
        previous = np.stack([pan, tilt], axis=1)
    return previous


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--short", action="store_true", help="a few batches only (CI)")
    batches = 3 if parser.parse_args().short else 30
    positions, orientations = rig(HEADS)
    position_array = np.array(positions)
    inverted = np.array([o.inverted for o in orientations])
    pan_zero = np.array([o.pan_zero_deg for o in orientations])
    scalar_previous = [(0.0, 0.0)] * HEADS
    array_previous = np.zeros((HEADS, 2))
    scalar_times, array_times = [], []
    for batch in range(batches):
        first = batch * FRAMES_PER_BATCH
        start = time.process_time()
        scalar_previous = scalar_batch(positions, orientations, scalar_previous, first)
        scalar_times.append(time.process_time() - start)
        start = time.process_time()
        array_previous = array_batch(position_array, inverted, pan_zero, array_previous, first)
        array_times.append(time.process_time() - start)
    agree = np.allclose(np.array(scalar_previous), array_previous, atol=1e-6)
    scalar_us = min(scalar_times) / FRAMES_PER_BATCH * 1e6
    array_us = min(array_times) / FRAMES_PER_BATCH * 1e6
    ratio = array_us / scalar_us
    print(f"{HEADS} heads: scalar {scalar_us:.0f} us/frame, arrays {array_us:.0f} us/frame, "
          f"ratio arrays/scalar {ratio:.2f} (goal <= {GOAL_RATIO}); results agree: {agree}")
    if not agree:
        sys.exit(1)


if __name__ == "__main__":
    main()
