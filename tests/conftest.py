import math
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))


def bits(values):
    """The exact bit patterns of a sequence of floats (tells -0.0 from 0.0)."""
    return tuple(struct.pack("<d", v) for v in values)


def next_up(value):
    return math.nextafter(value, math.inf)
