"""A cue as arrays over the rig: one period of its pattern read once from the module, and per
fixture the exact layout offset, mirroring, placement and cue-level channels.

Pattern positions stay exact: (position - offset) × speed is taken apart in integer
arithmetic into a whole pip and a remainder over one shared denominator, with int64
while the numbers fit and Python integers (object arrays) beyond, so at a whole
pattern pip each value is the module's sample bit for bit, and between pips the
blend weight is the correctly rounded fraction, as in the one-fixture code.
"""

import math
from dataclasses import dataclass
from fractions import Fraction

import numpy as np

from kinemorphs_show.aim_cue import AimCue
from kinemorphs_show.cue import PlacedCue
from kinemorphs_show.feasibility import cue_axis_steps_deg, peak_step_deg, stride_steps
from kinemorphs_show.light_arrays import CueLight, LightLook
from kinemorphs_show.mapping import FULL_8_BIT
from kinemorphs_show.patterns import PatternSet, pattern_table
from kinemorphs_show.rig_arrays import RigArrays

# Integers below these stay exact in int64 products and in float64.
INT64_SAFE = 2**62
FLOAT64_EXACT = 2**53

LevelKeys = tuple[tuple[int, int], ...]  # (fixture index, relative channel), sorted
NO_LEVELS = np.zeros(0)
NO_LEVELS.flags.writeable = False


@dataclass(frozen=True)
class LookArrays:
    """Every fixture's aim: angles, the cue's displacement, size scale and cue levels."""

    pan: np.ndarray
    tilt: np.ndarray
    displacement: np.ndarray  # fixtures × 3
    size_scale: np.ndarray
    level_keys: LevelKeys
    levels: np.ndarray
    light: LightLook | None = None  # intensity and colour (None: as last sent)


class CueArrays:
    def __init__(self, placed: PlacedCue, patterns: PatternSet, rig: RigArrays) -> None:
        cue = placed.cue
        self.cue = cue
        self.table = np.array(pattern_table(patterns, cue.pattern), dtype=float).reshape(-1, 3)
        self.period = len(self.table)
        # Each row's step to the next (the last wraps to the first): the blend between two rows
        # reads one table instead of two.
        self.steps = np.roll(self.table, -1, axis=0) - self.table
        self.placed = np.array([placement is not None for placement in placed.placements], dtype=bool)
        self.mirrored = np.array([bool(placement and placement.mirrored) for placement in placed.placements])
        # The frame path skips a step that would leave every value as it is; mirroring is a
        # multiplication by -1 (exactly a negation).
        self.all_placed, self.any_mirrored = bool(self.placed.all()), bool(self.mirrored.any())
        self.x_sign = np.where(self.mirrored, -1.0, 1.0)
        offsets = [Fraction(placement.offset_pips) if placement else Fraction(0) for placement in placed.placements]
        self.offset_denominator = math.lcm(1, *(offset.denominator for offset in offsets))
        numerators = [int(offset * self.offset_denominator) for offset in offsets]
        self.largest_offset = max(map(abs, numerators), default=0)
        self.offsets_object = np.array(numerators, dtype=object)
        self.offsets_int64 = (np.array(numerators, dtype=np.int64) if self.largest_offset < INT64_SAFE
                              else self.offsets_object)
        self.peak_step = np.array([peak_step_deg(patterns, cue, fixture) if placement else 0.0
                                   for fixture, placement in zip(rig.fixtures, placed.placements)], dtype=float)
        self.pan_axes = [axis for axis, target in enumerate(self.targets) if target == "pan"]
        self.tilt_axes = [axis for axis, target in enumerate(self.targets) if target == "tilt"]
        # The last axis sent to a channel wins, as in a dict of channel levels.
        channel_axis = {(fixture, target): axis
                        for fixture in np.flatnonzero(self.placed).tolist()
                        for axis, target in enumerate(self.targets) if isinstance(target, int)}
        self.level_keys: LevelKeys = tuple(sorted(channel_axis))
        self.level_fixture = np.array([fixture for fixture, _ in self.level_keys], dtype=np.intp)
        self.level_axis = np.array([channel_axis[key] for key in self.level_keys], dtype=np.intp)
        # What the cue computes beyond angles: a focus point that heads turn to, intensity, colour.
        self.aim = AimCue(cue.aim, rig.fixtures, (rig.home_pan, rig.home_tilt)) if cue.aim is not None else None
        if self.aim is not None:
            self.peak_step = np.where(self.placed, self.aim.peak_steps(self.table, self.mirrored), 0.0)
        intensity_axis = next((axis for axis, target in enumerate(self.targets) if target == "intensity"), None)
        self.light = CueLight(cue.intensity, cue.colour, intensity_axis, [f.profile for f in rig.fixtures],
                              self.placed)

    @property
    def targets(self) -> tuple[str | int, ...]:
        return self.cue.axes.x, self.cue.axes.y, self.cue.axes.z

    def pattern_pips(self, position: Fraction) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Per fixture the table row at or before its exact pattern position, the remainder's
        weight towards the next row, and whether the position is a whole pip."""
        speed = self.cue.speed
        denominator = position.denominator * self.offset_denominator * speed.denominator
        whole_pips, remainder = divmod(position.numerator * self.offset_denominator * speed.numerator, denominator)
        per_offset = position.denominator * speed.numerator
        fits = (denominator < FLOAT64_EXACT and abs(per_offset) < INT64_SAFE
                and self.largest_offset * abs(per_offset) < INT64_SAFE - denominator)
        offsets = self.offsets_int64 if fits else self.offsets_object
        numerators = remainder - offsets * per_offset
        # (object arrays of Python integers have no divmod ufunc)
        pips, remainders = np.divmod(numerators, denominator) if fits else (numerators // denominator,
                                                                           numerators % denominator)
        rows = (pips + whole_pips % self.period) % self.period
        if fits:
            weights = remainders.astype(float) / float(denominator)
        else:
            rows, weights = rows.astype(np.int64), (remainders / denominator).astype(float)
        return rows, weights, remainders == 0

    def displacement(self, position: Fraction) -> np.ndarray:
        rows, weights, whole = self.pattern_pips(position)
        here = self.table[rows]
        values = np.where(whole[:, None], here, here + self.steps[rows] * weights[:, None])
        if self.any_mirrored:
            values[:, 0] *= self.x_sign
        return values if self.all_placed else np.where(self.placed[:, None], values, 0.0)

    def step_caps(self, patterns: PatternSet, stride: Fraction, swap: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
        """Per fixture the most pan and tilt degrees the full-size cue moves it over stride show pips."""
        if self.aim is not None:
            cap = self.peak_step * float(stride * self.cue.speed)
            return cap, cap
        pan, tilt = cue_axis_steps_deg(self.cue, stride_steps(patterns, self.cue, stride))
        return np.where(swap, tilt, pan), np.where(swap, pan, tilt)

    def look(self, rig: RigArrays, position: Fraction, size_scale: np.ndarray,
             base: tuple[np.ndarray, np.ndarray] | None = None,
             previous: tuple[np.ndarray, np.ndarray] | None = None) -> LookArrays:
        """Every fixture's aim under the cue (base for those not in it), sizes reduced by size_scale.
        An angles cue's motion rides on base (pan, tilt arrays; default home); an aim cue turns each
        head in it to the moving point from previous (the angles last sent; default home), whatever
        the base: a point on stage is where it is."""
        home_pan, home_tilt = (rig.home_pan, rig.home_tilt) if base is None else base
        displacement = self.displacement(position)
        if self.aim is not None:
            pan, tilt = self.aim.angles(displacement, size_scale, previous)
            return LookArrays(np.where(self.placed, pan, home_pan), np.where(self.placed, tilt, home_tilt),
                              displacement, np.where(self.placed, size_scale, 1.0), self.level_keys,
                              self.levels(displacement), self.light.look(displacement))
        pan_offset, tilt_offset = np.zeros(len(rig)), np.zeros(len(rig))
        for axis in self.pan_axes:
            pan_offset = pan_offset + displacement[:, axis]
        for axis in self.tilt_axes:
            tilt_offset = tilt_offset + displacement[:, axis]
        pan = pan_offset * (self.cue.size_deg[0] * size_scale)
        tilt = tilt_offset * (self.cue.size_deg[1] * size_scale)
        if rig.any_swap:
            pan, tilt = np.where(rig.swap, tilt, pan), np.where(rig.swap, pan, tilt)
        if self.all_placed:
            return LookArrays(home_pan + pan, home_tilt + tilt, displacement, size_scale, self.level_keys,
                              self.levels(displacement), self.light.look(displacement))
        return LookArrays(np.where(self.placed, home_pan + pan, home_pan),
                          np.where(self.placed, home_tilt + tilt, home_tilt),
                          displacement, np.where(self.placed, size_scale, 1.0), self.level_keys,
                          self.levels(displacement), self.light.look(displacement))

    def levels(self, displacement: np.ndarray) -> np.ndarray:
        if not self.level_keys:
            return NO_LEVELS
        return (displacement[self.level_fixture, self.level_axis] + 1) / 2 * FULL_8_BIT
