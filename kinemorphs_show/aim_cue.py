"""An aim cue over the rig: the pattern moves a focus point in metres and every head in the cue
turns to it from where it hangs (aim_arrays.solve_aims, once per frame for the whole rig).

The point is centre + size_m × displacement (x already mirrored on mirrored placements), its
size reduced around the centre by the fixture's size scale like an angles cue. Pan and tilt
come within the fixture's travel and box limits, nearest the angles last sent; cone limits,
slew and the DMX encoding follow as for every cue. swap_pan_tilt does not apply: the solver
already answers in the fixture's own pan and tilt.
"""

import numpy as np

from kinemorphs_show.aim_arrays import solve_aims
from kinemorphs_show.aiming import angle_ranges
from kinemorphs_show.cue import AimArea
from kinemorphs_show.rig import BoxLimits, ConeLimits, Fixture

# Heads solved in one call when a whole pattern is sampled (memory stays a few tens of MB).
SAMPLES_PER_CALL = 100_000
CONE_TOLERANCE_DEG = 1e-9


def fixture_ranges(fixtures: tuple[Fixture, ...]) -> tuple[np.ndarray, np.ndarray]:
    """Per fixture the (low, high) pan and tilt it may use: travel narrowed by box limits."""
    ranges = [angle_ranges(f.profile.pan_travel_deg, f.profile.tilt_travel_deg,
                           *((f.limits.pan, f.limits.tilt) if isinstance(f.limits, BoxLimits) else (None, None)))
              for f in fixtures]
    return (np.array([pan for pan, _ in ranges], dtype=float).reshape(-1, 2),
            np.array([tilt for _, tilt in ranges], dtype=float).reshape(-1, 2))


class AimCue:
    def __init__(self, area: AimArea, fixtures: tuple[Fixture, ...], home: tuple[np.ndarray, np.ndarray]) -> None:
        self.fixtures = fixtures
        self.centre = np.array(area.centre_m, dtype=float)
        self.size = np.array(area.size_m, dtype=float)
        self.positions = np.array([f.position_m for f in fixtures], dtype=float).reshape(-1, 3)
        self.inverted = np.array([f.orientation.inverted for f in fixtures], dtype=bool)
        self.pan_zero = np.array([f.orientation.pan_zero_deg for f in fixtures], dtype=float)
        self.pan_ranges, self.tilt_ranges = fixture_ranges(fixtures)
        self.home = home

    def focus(self, displacement: np.ndarray, size_scale: np.ndarray | float = 1.0) -> np.ndarray:
        return self.centre + self.size * (displacement * np.reshape(size_scale, (-1, 1)))

    def angles(self, displacement: np.ndarray, size_scale: np.ndarray,
               previous: tuple[np.ndarray, np.ndarray] | None) -> tuple[np.ndarray, np.ndarray]:
        """Every head's pan and tilt towards its focus point, nearest previous (default: home)."""
        before = self.home if previous is None else previous
        pan, tilt, _ = solve_aims(self.positions, self.inverted, self.pan_zero, self.focus(displacement, size_scale),
                                  np.stack(before, axis=1), self.pan_ranges, self.tilt_ranges)
        return pan, tilt

    def sample(self, rows: np.ndarray, mirrored: np.ndarray) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Every fixture at every pattern row (fixtures × rows): pan, tilt from home, and whether
        the head can point there within its travel and limits (cone included)."""
        count, period = len(self.fixtures), len(rows)
        sign = np.where(mirrored, -1.0, 1.0)
        pan, tilt, reachable = (np.zeros((count, period)), np.zeros((count, period)),
                                np.zeros((count, period), dtype=bool))
        step = max(1, SAMPLES_PER_CALL // max(period, 1))
        for start in range(0, count, step):
            part = slice(start, min(count, start + step))
            heads = np.repeat(np.arange(count)[part], period)
            displacement = np.tile(rows, (part.stop - part.start, 1))
            displacement[:, 0] *= sign[heads]
            solved = solve_aims(self.positions[heads], self.inverted[heads], self.pan_zero[heads],
                                self.focus(displacement), np.stack([self.home[0][heads], self.home[1][heads]], axis=1),
                                self.pan_ranges[heads], self.tilt_ranges[heads])
            for target, values in zip((pan, tilt, reachable), solved):
                target[part] = values.reshape(-1, period)
        cone = np.array([f.limits.radius_deg if isinstance(f.limits, ConeLimits) else np.inf
                         for f in self.fixtures], dtype=float)
        d_pan, d_tilt = pan - self.home[0][:, None], tilt - self.home[1][:, None]
        inside_cone = np.sqrt(d_pan * d_pan + d_tilt * d_tilt) <= cone[:, None] + CONE_TOLERANCE_DEG
        return pan, tilt, reachable & inside_cone

    def peak_steps(self, rows: np.ndarray, mirrored: np.ndarray) -> np.ndarray:
        """Per fixture the most degrees either axis turns between neighbouring pattern rows at full
        size, the path closed over the period. A head may take the other pan/tilt family (pan +
        180°, tilt negated) or a whole pan turn to the next point, whichever is shorter."""
        pan, tilt, _ = self.sample(rows, mirrored)
        next_pan, next_tilt = np.roll(pan, -1, axis=1), np.roll(tilt, -1, axis=1)
        same = np.maximum(np.abs(np.remainder(next_pan - pan + 180.0, 360.0) - 180.0), np.abs(next_tilt - tilt))
        other = np.maximum(np.abs(np.remainder(next_pan - pan, 360.0) - 180.0), np.abs(next_tilt + tilt))
        return np.max(np.minimum(same, other), axis=1, initial=0.0)
