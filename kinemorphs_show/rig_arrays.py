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


@dataclass(frozen=True)
class DmxPlan:
    """Where each value goes in the flattened universes: the last write to a channel wins, as
    when each fixture's channels are written one fixture after the other."""

    base: np.ndarray                              # fixed levels already in place
    writes: tuple[tuple[int, np.ndarray, np.ndarray], ...]  # (source, destination, source index)


class RigArrays:
    def __init__(self, rig: Rig) -> None:
        fixtures = rig.fixtures
        self.fixtures = fixtures
        self.names = tuple(fixture.name for fixture in fixtures)
        self.universe_numbers = rig.universes
        self.home_pan = np.array([f.home_deg[0] for f in fixtures], dtype=float)
        self.home_tilt = np.array([f.home_deg[1] for f in fixtures], dtype=float)
        self.swap = np.array([f.swap_pan_tilt for f in fixtures], dtype=bool)
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
        self._plans: dict[tuple[tuple[int, int], ...], DmxPlan] = {}
        self.light = RigLight([f.profile for f in fixtures])

    def __len__(self) -> int:
        return len(self.fixtures)

    def limit(self, pan: np.ndarray, tilt: np.ndarray) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
        """Every aim kept inside its fixture's limits and travel, and where that changed it."""
        with np.errstate(all="ignore"):
            d_pan, d_tilt = pan - self.home_pan, tilt - self.home_tilt
            distance = np.sqrt(d_pan * d_pan + d_tilt * d_tilt)
            outside = self.is_cone & (distance > self.cone_radius)
            scale = self.cone_radius / distance
            new_pan = np.where(outside, self.home_pan + d_pan * scale, pan)
            new_tilt = np.where(outside, self.home_tilt + d_tilt * scale, tilt)
        new_pan = np.where(self.is_box, clamp(new_pan, self.box_pan[:, 0], self.box_pan[:, 1]), new_pan)
        new_tilt = np.where(self.is_box, clamp(new_tilt, self.box_tilt[:, 0], self.box_tilt[:, 1]), new_tilt)
        new_pan = clamp(new_pan, -self.pan_travel / 2, self.pan_travel / 2)
        new_tilt = clamp(new_tilt, -self.tilt_travel / 2, self.tilt_travel / 2)
        return new_pan, new_tilt, (new_pan != pan) | (new_tilt != tilt)

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
        by_source: dict[int, tuple[list[int], list[int]]] = {}
        for destination, (source, source_index) in last.items():
            if source == FIXED:
                base[destination] = min(FULL_8_BIT, max(0, source_index))
            else:
                by_source.setdefault(source, ([], []))
                by_source[source][0].append(destination)
                by_source[source][1].append(source_index)
        return DmxPlan(base, tuple((source, np.array(destinations, dtype=np.intp), np.array(indices, dtype=np.intp))
                                   for source, (destinations, indices) in sorted(by_source.items())))

    def universes(self, plan: DmxPlan, pan: np.ndarray, tilt: np.ndarray, levels: np.ndarray,
                  light: np.ndarray | None = None) -> np.ndarray:
        """The universes × 512 DMX bytes for every fixture's angles, the look's cue levels and the
        light channels' bytes (RigLight.values; default all 0)."""
        pan_value = dmx_values(pan, self.pan_travel, self.pan_full, self.invert_pan)
        tilt_value = dmx_values(tilt, self.tilt_travel, self.tilt_full, self.invert_tilt)
        sources = {
            PAN_COARSE: np.where(self.pan_full == FULL_16_BIT, pan_value >> 8, pan_value),
            PAN_FINE: pan_value & 0xFF,
            TILT_COARSE: np.where(self.tilt_full == FULL_16_BIT, tilt_value >> 8, tilt_value),
            TILT_FINE: tilt_value & 0xFF,
            LEVEL: np.rint(clamp(levels, 0, FULL_8_BIT)),
            LIGHT: np.zeros(len(self.light), dtype=np.int64) if light is None else light,
        }
        flat = plan.base.copy()
        for source, destinations, indices in plan.writes:
            flat[destinations] = sources[source][indices]
        return flat.reshape(len(self.universe_numbers), DMX_CHANNELS_PER_UNIVERSE)


def dmx_values(angle: np.ndarray, travel: np.ndarray, full_scale: np.ndarray, invert: np.ndarray) -> np.ndarray:
    """Angles from the range centre as DMX values over the whole travel (see mapping.dmx_value)."""
    value = np.rint(clamp(angle / travel + 0.5, 0.0, 1.0) * full_scale).astype(np.int64)
    return np.where(invert, full_scale - value, value)
