"""The rig as arrays, one entry per fixture: home, limits, travel, speed, DMX encoding and where
each value lands in the universes. Built once per show; the frame path only indexes them.

Every operation mirrors the one-fixture-at-a-time code in mapping.py step by step, so
that both reach the same bits (the tests compare them).
"""

from dataclasses import dataclass

import numpy as np

from kinemorphs_show.light_arrays import RigLight
from kinemorphs_show.mapping import FULL_8_BIT, FULL_16_BIT
from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE, BoxLimits, ConeLimits, Rig

# The sources of a DMX write, in the order one fixture's channels are set (later wins).
PAN_COARSE, PAN_FINE, TILT_COARSE, TILT_FINE, FIXED, LEVEL, LIGHT = range(7)


def clamp(values: np.ndarray, low, high) -> np.ndarray:
    """min(high, max(low, value)) as Python takes it, NaN included (it becomes low)."""
    values = np.where(values > low, values, low)
    return np.where(values < high, values, high)


def clamp_fast(values: np.ndarray, low, high) -> np.ndarray:
    """clamp in two operations instead of four, with the same bits except that a zero may keep its
    own sign where clamp gives a zero bound's: for bounds that are never zero (a travel range), or
    values about to become integers."""
    return np.minimum(np.fmax(values, low), high)


@dataclass(frozen=True)
class DmxPlan:
    """Where each value goes in the flattened universes: the last write to a channel wins, as
    when each fixture's channels are written one fixture after the other. Each frame's values are
    laid end to end (pan and tilt coarse bytes, their fine bytes, the look's levels, the light
    channels: RigArrays.universes) and written with one gather and one scatter."""

    base: np.ndarray          # fixed levels already in place
    destinations: np.ndarray  # flat universe channels written each frame
    values: np.ndarray        # for each, where its value sits in the frame's values laid end to end


class RigArrays:
    def __init__(self, rig: Rig) -> None:
        fixtures = rig.fixtures
        self.fixtures = fixtures
        self.names = tuple(fixture.name for fixture in fixtures)
        self.universe_numbers = rig.universes
        self.home_pan = np.array([f.home_deg[0] for f in fixtures], dtype=float)
        self.home_tilt = np.array([f.home_deg[1] for f in fixtures], dtype=float)
        self.swap = np.array([f.swap_pan_tilt for f in fixtures], dtype=bool)
        self.any_swap = bool(self.swap.any())
        self.speed_limit = np.array([f.speed_limit_deg_s for f in fixtures], dtype=float)
        self.is_cone = np.array([isinstance(f.limits, ConeLimits) for f in fixtures], dtype=bool)
        self.cone_radius = np.array([f.limits.radius_deg if isinstance(f.limits, ConeLimits) else np.inf
                                     for f in fixtures], dtype=float)
        self.is_box = np.array([isinstance(f.limits, BoxLimits) for f in fixtures], dtype=bool)
        boxes = [f.limits if isinstance(f.limits, BoxLimits) else BoxLimits((0.0, 0.0), (0.0, 0.0)) for f in fixtures]
        self.box_pan = np.array([box.pan for box in boxes], dtype=float).reshape(-1, 2)
        self.box_tilt = np.array([box.tilt for box in boxes], dtype=float).reshape(-1, 2)
        self.pan_travel = np.array([f.profile.pan_travel_deg for f in fixtures], dtype=float)
        self.tilt_travel = np.array([f.profile.tilt_travel_deg for f in fixtures], dtype=float)
        self.pan_full = np.array([FULL_16_BIT if f.profile.pan_fine_channel else FULL_8_BIT for f in fixtures])
        self.tilt_full = np.array([FULL_16_BIT if f.profile.tilt_fine_channel else FULL_8_BIT for f in fixtures])
        self.invert_pan = np.array([f.invert_pan for f in fixtures], dtype=bool)
        self.invert_tilt = np.array([f.invert_tilt for f in fixtures], dtype=bool)
        # The frame path skips what no fixture of the rig needs; each step it skips would leave
        # every value as it is.
        self.any_cone, self.any_box = bool(self.is_cone.any()), bool(self.is_box.any())
        # The frame path keeps pan and tilt as the two rows of one array (2 × fixtures): one
        # operation does both. The travel ranges, full scales, inversion and coarse byte shifts match.
        self.home_angles = np.stack([self.home_pan, self.home_tilt])
        self.travel = np.stack([self.pan_travel, self.tilt_travel])
        self.travel_range = (-self.travel / 2, self.travel / 2)
        # Travel is above 0 (the show file and fixture types check it); a range that underflows to 0
        # takes the exact clamp.
        self.travel_clamp = clamp_fast if np.all(self.travel_range[1] > 0) else clamp
        self.full = np.stack([self.pan_full, self.tilt_full])
        self.invert = np.stack([self.invert_pan, self.invert_tilt])
        self.any_invert = bool(self.invert.any())
        self.coarse_shift = np.where(self.full == FULL_16_BIT, 8, 0)
        self._plans: dict[tuple[tuple[int, int], ...], DmxPlan] = {}
        self.light = RigLight([f.profile for f in fixtures])

    def __len__(self) -> int:
        return len(self.fixtures)

    def limit(self, pan: np.ndarray, tilt: np.ndarray) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Every aim kept inside its fixture's limits and travel, and where that changed it."""
        angles, changed = self.limit_angles(np.stack([pan, tilt]))
        return angles[0], angles[1], changed

    def limit_angles(self, angles: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
        """limit on pan and tilt as the rows of one array (2 × fixtures)."""
        limited = angles
        if self.any_cone or self.any_box:
            limited = np.stack(self._cone_and_box(angles[0], angles[1]))
        limited = self.travel_clamp(limited, *self.travel_range)
        return limited, (limited != angles).any(axis=0)

    def _cone_and_box(self, pan: np.ndarray, tilt: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
        new_pan, new_tilt = pan, tilt
        if self.any_cone:
            with np.errstate(all="ignore"):
                d_pan, d_tilt = pan - self.home_pan, tilt - self.home_tilt
                distance = np.sqrt(d_pan * d_pan + d_tilt * d_tilt)
                outside = self.is_cone & (distance > self.cone_radius)
                scale = self.cone_radius / distance
                new_pan = np.where(outside, self.home_pan + d_pan * scale, pan)
                new_tilt = np.where(outside, self.home_tilt + d_tilt * scale, tilt)
        if self.any_box:
            new_pan = np.where(self.is_box, clamp(new_pan, self.box_pan[:, 0], self.box_pan[:, 1]), new_pan)
            new_tilt = np.where(self.is_box, clamp(new_tilt, self.box_tilt[:, 0], self.box_tilt[:, 1]), new_tilt)
        return new_pan, new_tilt

    def dmx_plan(self, level_keys: tuple[tuple[int, int], ...]) -> DmxPlan:
        """The plan for a look whose cue levels are level_keys ((fixture, relative channel), sorted)."""
        plan = self._plans.get(level_keys)
        if plan is None:
            plan = self._plans[level_keys] = self._make_plan(level_keys)
        return plan

    def _make_plan(self, level_keys: tuple[tuple[int, int], ...]) -> DmxPlan:
        levels_of: dict[int, list[tuple[int, int]]] = {}
        for index, (fixture_index, channel) in enumerate(level_keys):
            levels_of.setdefault(fixture_index, []).append((channel, index))
        light_of: dict[int, list[tuple[int, int]]] = {}  # intensity and colour, after pan/tilt, before fixed
        for entry, (fixture_index, channel) in enumerate(self.light.keys):
            light_of.setdefault(fixture_index, []).append((entry, channel))
        rows = {number: row for row, number in enumerate(self.universe_numbers)}
        last: dict[int, tuple[int, int]] = {}  # destination → (source, source index)
        for index, fixture in enumerate(self.fixtures):
            profile = fixture.profile
            writes = [(profile.pan_channel, PAN_COARSE, index), (profile.pan_fine_channel, PAN_FINE, index),
                      (profile.tilt_channel, TILT_COARSE, index), (profile.tilt_fine_channel, TILT_FINE, index)]
            writes = [write for write in writes if write[0]]
            writes += [(channel, LIGHT, entry) for entry, channel in light_of.get(index, ())]
            writes += [(channel, FIXED, value) for channel, value in fixture.fixed_channels]
            writes += [(channel, LEVEL, level) for channel, level in levels_of.get(index, ())]
            for channel, source, source_index in writes:
                absolute = fixture.address + channel - 1
                if not 1 <= absolute <= DMX_CHANNELS_PER_UNIVERSE:
                    raise IndexError(f"{fixture.name}: channel {absolute} is outside the universe")
                last[rows[fixture.universe] * DMX_CHANNELS_PER_UNIVERSE + absolute - 1] = (source, source_index)
        base = np.zeros(len(self.universe_numbers) * DMX_CHANNELS_PER_UNIVERSE, dtype=np.uint8)
        fixtures = len(self)
        # Where each source's values start when laid end to end (see universes).
        starts = {PAN_COARSE: 0, TILT_COARSE: fixtures, PAN_FINE: 2 * fixtures, TILT_FINE: 3 * fixtures,
                  LEVEL: 4 * fixtures, LIGHT: 4 * fixtures + len(level_keys)}
        destinations, values = [], []
        for destination, (source, source_index) in last.items():
            if source == FIXED:
                base[destination] = min(FULL_8_BIT, max(0, source_index))
            else:
                destinations.append(destination)
                values.append(starts[source] + source_index)
        return DmxPlan(base, np.array(destinations, dtype=np.intp), np.array(values, dtype=np.intp))

    def universes(self, plan: DmxPlan, angles: np.ndarray, levels: np.ndarray,
                  light: np.ndarray | None = None) -> np.ndarray:
        """The universes × 512 DMX bytes for every fixture's angles (pan and tilt rows), the look's
        cue levels and the light channels' bytes (RigLight.values; default all 0)."""
        angles = dmx_values(angles, self.travel, self.full, self.invert if self.any_invert else None)
        laid_out = [(angles >> self.coarse_shift).ravel(), (angles & 0xFF).ravel()]
        if len(levels):
            laid_out.append(np.rint(clamp_fast(levels, 0, FULL_8_BIT)).astype(np.int64))
        if len(self.light):
            laid_out.append(np.zeros(len(self.light), dtype=np.int64) if light is None else light)
        flat = plan.base.copy()
        flat[plan.destinations] = np.concatenate(laid_out)[plan.values]
        return flat.reshape(len(self.universe_numbers), DMX_CHANNELS_PER_UNIVERSE)


def dmx_values(angle: np.ndarray, travel: np.ndarray, full_scale: np.ndarray,
               invert: np.ndarray | None) -> np.ndarray:
    """Angles from the range centre as DMX values over the whole travel (see mapping.dmx_value);
    invert None: no fixture inverted."""
    value = np.rint(clamp_fast(angle / travel + 0.5, 0.0, 1.0) * full_scale).astype(np.int64)
    return value if invert is None else np.where(invert, full_scale - value, value)
