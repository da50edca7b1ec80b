"""Drive a moving head: map a clock in seconds to pips, and an Offset3 to 16-bit pan/tilt.

    .venv/bin/python examples/moving_head.py [--pattern figure_eight] [--bpm 120] [--seconds 2] [--rate 10]

A show controller keeps its own clock. At each tick it turns the seconds
elapsed since beat zero into a pip (64 per beat) and asks the pattern where
the head should point. x drives pan, y drives tilt; each is scaled to the part
of the fixture's travel the pattern may use and written as a 16-bit value
(0..65535), split into the coarse and fine bytes that DMX fixtures take.
"""

import argparse
import math

import kinemorphs

FULL_16_BIT = 65535
LAST_PIP = 2**31 - 1  # pips are signed 32-bit
PAN_SPREAD = 0.25    # the pattern may use a quarter of the pan travel either side of centre
TILT_SPREAD = 0.20


def pip_at(seconds, bpm):
    """The pip reached `seconds` after beat zero at `bpm` beats per minute."""
    return math.floor(seconds * bpm / 60 * kinemorphs.PIPS_PER_BEAT)


def to_16_bit(value, spread):
    """Map a displacement in [-1, 1] around the centre of the 16-bit range."""
    centre = FULL_16_BIT / 2
    return min(FULL_16_BIT, max(0, round(centre + value * spread * centre)))


def positive_float(text):
    value = float(text)
    if not (math.isfinite(value) and value > 0):
        raise argparse.ArgumentTypeError(f"must be a positive number, not {text}")
    return value


def positive_int(text):
    value = int(text)
    if value <= 0:
        raise argparse.ArgumentTypeError(f"must be a positive whole number, not {text}")
    return value


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pattern", default="figure_eight", help="any built-in pattern name")
    parser.add_argument("--bpm", type=positive_float, default=120.0)
    parser.add_argument("--seconds", type=positive_float, default=2.0, help="length of the run")
    parser.add_argument("--rate", type=positive_int, default=10, help="ticks per second")
    args = parser.parse_args()
    try:
        kinemorphs.sample(args.pattern, 0)
    except ValueError as error:
        parser.error(str(error))
    if pip_at(args.seconds, args.bpm) > LAST_PIP:
        parser.error(f"the run passes pip {LAST_PIP}, the last one: lower --bpm or --seconds")

    print(f"{args.pattern} at {args.bpm:g} BPM")
    print(f"{'time s':>7} {'pip':>5} {'beat':>6} {'x':>7} {'y':>7} "
          f"{'pan':>6} {'tilt':>6} {'pan c/f':>8} {'tilt c/f':>8}")
    for tick in range(round(args.seconds * args.rate) + 1):
        seconds = tick / args.rate
        pip = pip_at(seconds, args.bpm)
        offset = kinemorphs.sample(args.pattern, pip)
        pan = to_16_bit(offset.x, PAN_SPREAD)
        tilt = to_16_bit(offset.y, TILT_SPREAD)
        print(f"{seconds:7.3f} {pip:5d} {pip / kinemorphs.PIPS_PER_BEAT:6.2f} "
              f"{offset.x:+7.3f} {offset.y:+7.3f} {pan:6d} {tilt:6d} "
              f"{pan >> 8:>4d}/{pan & 0xFF:<3d} {tilt >> 8:>4d}/{tilt & 0xFF:<3d}")


if __name__ == "__main__":
    main()
