"""Turning a moving head to a point on stage, by exact geometry.

Stage coordinates as everywhere in the show layer: (across, depth, height) in metres, across
growing towards stage right, depth upstage, height up.

How a head is described and moves (what real moving heads do):
- it stands upright (base down, beam up at tilt 0) or hangs inverted (base up, beam down);
- tilt 0, the centre of tilt travel, points the beam along the base's axis away from the base:
  straight up for an upright head, straight down for an inverted one; tilt t leans the beam
  |t| degrees off that axis, towards the pan heading for t > 0 and away from it for t < 0;
- pan_zero_deg is the stage heading the beam leans towards at pan 0 and positive tilt,
  measured like layout angles: 0 straight upstage (+depth), 90 towards +across;
- positive pan turns that heading from +depth towards +across (clockwise seen from above) on an
  upright head; turning a head upside down mirrors its rotation, so on an inverted head
  positive pan turns it the other way.
Pan and tilt are the logical angles used everywhere else (degrees from the centre of travel),
before a fixture's invert_pan / invert_tilt mirror them on the DMX values.

Every direction has two pan/tilt families: (p + 360k, t) and (p + 180 + 360k, -t). The solver
takes, among those inside the allowed pan and tilt ranges, the one the head reaches soonest from
the previous frame's angles (smallest largest-axis move, then smallest total move, then
positive tilt, then lowest pan); when none is inside, the one needing the least overshoot,
clamped and marked unreachable.
aim_arrays.solve_aims does the same for many heads at once.
"""

import math
from collections.abc import Sequence
from dataclasses import dataclass

Vector = tuple[float, float, float]
Range = tuple[float, float]

# Slack when testing a solution against a range, so a point exactly at a limit counts as reachable.
RANGE_TOLERANCE_DEG = 1e-9
# A focus closer to the head than this has no direction.
MIN_FOCUS_DISTANCE_M = 1e-9
# A focus this close (relative to its distance) to the base axis leaves the pan free.
AXIS_TOLERANCE = 1e-12


@dataclass(frozen=True)
class Orientation:
    inverted: bool = False
    pan_zero_deg: float = 0.0


@dataclass(frozen=True)
class AimSolution:
    pan_deg: float
    tilt_deg: float
    reachable: bool


def focus_point(centre_m: Vector, size_m: Vector, displacement: Sequence[float]) -> Vector:
    """A pattern's displacement in [-1, 1] per axis as a point: centre plus size times displacement."""
    x, y, z = (c + s * d for c, s, d in zip(centre_m, size_m, displacement))
    return (x, y, z)


def beam_direction(orientation: Orientation, pan_deg: float, tilt_deg: float) -> Vector:
    """The unit vector the beam points along at these angles."""
    up = -1.0 if orientation.inverted else 1.0
    heading = math.radians(orientation.pan_zero_deg + up * pan_deg)
    tilt = math.radians(tilt_deg)
    lean = math.sin(tilt)
    return (lean * math.sin(heading), lean * math.cos(heading), up * math.cos(tilt))


def clamp(value: float, bounds: Range) -> float:
    return min(bounds[1], max(bounds[0], value))


def overshoot(value: float, bounds: Range) -> float:
    """How far value lies outside bounds (0 inside, within the tolerance)."""
    outside = max(bounds[0] - value, value - bounds[1], 0.0)
    return outside if outside > RANGE_TOLERANCE_DEG else 0.0


def solve_aim(position_m: Vector, orientation: Orientation, focus_m: Vector,
              previous: tuple[float, float] = (0.0, 0.0),
              pan_range: Range = (-270.0, 270.0), tilt_range: Range = (-135.0, 135.0)) -> AimSolution:
    """Pan and tilt that point the head at position_m through focus_m."""
    dx, dy, dz = (f - p for f, p in zip(focus_m, position_m))
    distance = math.sqrt(dx * dx + dy * dy + dz * dz)
    previous_pan, previous_tilt = previous
    if distance < MIN_FOCUS_DISTANCE_M:
        return AimSolution(clamp(previous_pan, pan_range), clamp(previous_tilt, tilt_range), False)
    up = -1.0 if orientation.inverted else 1.0
    horizontal = math.hypot(dx, dy)
    off_axis_deg = math.degrees(math.atan2(horizontal, up * dz))
    if horizontal <= AXIS_TOLERANCE * distance:
        free_pan = clamp(previous_pan, pan_range)
        candidates = [(free_pan, off_axis_deg), (free_pan, -off_axis_deg)]
    else:
        heading_deg = math.degrees(math.atan2(dx, dy))
        pan_for_positive_tilt = up * (heading_deg - orientation.pan_zero_deg)
        candidates = [(pan, tilt)
                      for base, tilt in ((pan_for_positive_tilt, off_axis_deg),
                                         (pan_for_positive_tilt + 180.0, -off_axis_deg))
                      for pan in pan_turns(base, pan_range)]

    def preference(candidate):
        pan, tilt = candidate
        pan_move, tilt_move = abs(pan - previous_pan), abs(tilt - previous_tilt)
        return (overshoot(pan, pan_range) + overshoot(tilt, tilt_range),
                max(pan_move, tilt_move), pan_move + tilt_move, tilt < 0, pan)

    best = min(candidates, key=preference)
    reachable = preference(best)[0] == 0.0
    return AimSolution(clamp(best[0], pan_range), clamp(best[1], tilt_range), reachable)


def pan_turns(pan_deg: float, pan_range: Range) -> list[float]:
    """pan_deg plus whole turns: every one inside the range, and the nearest on either side."""
    base = math.remainder(pan_deg, 360.0)
    first = math.floor((pan_range[0] - base) / 360.0) - 1
    last = math.ceil((pan_range[1] - base) / 360.0) + 1
    return [base + 360.0 * turn for turn in range(first, last + 1)]


def angle_ranges(pan_travel_deg: float, tilt_travel_deg: float,
                 pan_limits: Range | None = None, tilt_limits: Range | None = None) -> tuple[Range, Range]:
    """The pan and tilt ranges a head may use: its travel, narrowed by box limits if any."""
    def within(travel: float, limits: Range | None) -> Range:
        half = travel / 2
        if limits is None:
            return (-half, half)
        return (max(-half, limits[0]), min(half, limits[1]))

    return within(pan_travel_deg, pan_limits), within(tilt_travel_deg, tilt_limits)
