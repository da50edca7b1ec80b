"""Where each beam meets the stage floor (height 0), for render's stage plan."""

import math

from kinemorphs_show.aiming import beam_direction
from kinemorphs_show.rig import Fixture

# A beam closer to level than this never meets the floor within any stage.
MIN_DOWNWARD = 1e-6


def floor_hit(fixture: Fixture, pan_deg: float, tilt_deg: float) -> tuple[float, float]:
    """(across, depth) where the beam from the fixture lands on the floor; NaN, NaN when it points
    level or up, or the fixture hangs below the floor."""
    x, y, z = fixture.position_m
    dx, dy, dz = beam_direction(fixture.orientation, pan_deg, tilt_deg)
    if dz > -MIN_DOWNWARD or z < 0:
        return math.nan, math.nan
    distance = z / -dz
    return x + dx * distance, y + dy * distance
