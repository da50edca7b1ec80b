"""The show engine: turns a show position into every fixture's position and the DMX universes,
on arrays over the whole rig (no loop over fixtures while a frame is made).

Everything it computes is a pure function of the position, the tempo and the
show, except two things it remembers: which cue (or crossfade) is playing, and
where each fixture was last sent, so that no frame asks a fixture to move
faster than it can (its maximum speed) and no crossfade frame steps further
than the faster of its cues would. A cue a fixture cannot follow at the tempo
is played smaller for that fixture, around the same centre; slew is the last
safety net for jumps (cue changes, limits). Every frame, home included, is
kept inside each fixture's limits and travel.

scalar_engine.ScalarEngine does the same one fixture at a time; the tests hold
the two to the same bits.
"""

import math
from collections.abc import Sequence
from dataclasses import replace
from fractions import Fraction
from functools import lru_cache

import numpy as np

from kinemorphs_show.cue import place_cue
from kinemorphs_show.cue_arrays import CueArrays, LevelKeys, LookArrays
from kinemorphs_show.feasibility import pattern_pips_per_second
from kinemorphs_show.frame import DmxUniverses, FixtureFrame, FixtureFrames, Frame
from kinemorphs_show.light_arrays import LightLook, blend_light, darkened, resting_light
from kinemorphs_show.rig_arrays import RigArrays
from kinemorphs_show.timing import exact, seconds_per_pip
from kinemorphs_show.transition import (
    Playing, Position, State, crossfade_to, cues_in, current_cue, is_fading, settled, state_aims, state_label,
)

__all__ = ["Engine", "FixtureFrame", "Frame"]


class Engine:
    """Cue selection, transitions and slew memory over a loaded show.

    Each frame is asked for at an exact show position (a Fraction of pips, as the
    clock gives it) and the tempo of that moment, which turns the step between two
    frames into seconds for the fixtures' speeds and sets how far each cue must be
    reduced for each fixture to follow it."""

    def __init__(self, show, first_cue: int = 0) -> None:
        self.show = show
        self._rig = RigArrays(show.rig)
        self._cues = tuple(CueArrays(place_cue(cue, show.rig), show.patterns, self._rig) for cue in show.cues)
        self._bpm: float = show.bpm
        self._cue_names = tuple(cue.name for cue in show.cues)
        self._state: State = Playing(first_cue)
        self._sent: np.ndarray | None = None     # the angles last sent: pan and tilt rows
        self._sent_position: Fraction | None = None
        self._light_sent: LightLook = resting_light([f.profile for f in show.rig.fixtures])
        # Per cue, the last tempo its size scales were worked out for and the scales (read-only):
        # the tempo changes only now and then.
        self._size_scales: dict[int, tuple[float, np.ndarray]] = {}

    @property
    def cue_names(self) -> Sequence[str]:
        return self._cue_names

    @property
    def current_cue(self) -> int:
        return current_cue(self._state)

    @property
    def cue_label(self) -> str:
        return state_label(self._state, self.cue_names)

    def go(self, index: int, pip: int) -> None:
        if not 0 <= index < len(self._cues):
            raise IndexError(f"no cue {index}; the show has {len(self._cues)}")
        self._state = crossfade_to(self._state, index, self.show.cues[index], pip, self.show.grid,
                                   ArrayLooks(self, self._bpm))

    def go_next(self, pip: int) -> None:
        self.go((self.current_cue + 1) % len(self._cues), pip)

    def go_previous(self, pip: int) -> None:
        self.go((self.current_cue - 1) % len(self._cues), pip)

    def size_scales(self, cue: int, bpm: float) -> np.ndarray:
        """Per fixture, the share of the cue's size it can follow at the tempo."""
        remembered = self._size_scales.get(cue)
        if remembered is not None and remembered[0] == bpm:
            return remembered[1]
        arrays = self._cues[cue]
        peak = arrays.peak_step * pattern_pips_per_second(arrays.cue, bpm)
        with np.errstate(divide="ignore"):
            scales = np.where(peak <= self._rig.speed_limit, 1.0, self._rig.speed_limit / peak)
        scales.flags.writeable = False
        self._size_scales[cue] = (bpm, scales)
        return scales

    def look(self, cue: int, position: Position, bpm: float) -> LookArrays:
        return self._cues[cue].look(self._rig, exact(position), self.size_scales(cue, bpm), previous=self._sent)

    def target_aims(self, position: Position, bpm: float | None = None) -> LookArrays:
        """What the cues ask of every fixture at a position, before limits and slew."""
        return state_aims(self._state, exact(position), ArrayLooks(self, self._bpm if bpm is None else bpm))

    def frame(self, position: Position, bpm: float | None = None) -> Frame:
        """The frame at an exact show position (Fraction or int) and tempo (default: the show's)."""
        position = exact(position)
        self._bpm = self.show.bpm if bpm is None else bpm
        target = self._settled_target(position)
        rig = self._rig
        angles, limited = rig.limit_angles(np.stack([target.pan, target.tilt]))
        previous = self._sent_position
        if self._sent is not None and previous is not None:
            if position <= previous:  # a repeated position moves nothing
                caps: np.ndarray | float = 0.0
            else:
                pan_cap, tilt_cap = self._step_caps(previous, position)
                caps = pan_cap if pan_cap is tilt_cap else np.stack([pan_cap, tilt_cap])
            slewed = step_towards(self._sent, angles, caps)
            held_back = (slewed != angles).any(axis=0)
            angles, clipped = rig.limit_angles(slewed)
            limited = limited | held_back | clipped
        self._sent, self._sent_position = angles, position
        self._light_sent = target.light or self._light_sent
        return self._frame_of(math.floor(position), self.cue_label, target, angles, limited)

    def _settled_target(self, position: Fraction) -> LookArrays:
        """What every fixture is asked for at position, once transitions due by then have settled."""
        self._state = settled(self._state, position, ArrayLooks(self, self._bpm))
        return self.target_aims(position)

    def _step_caps(self, previous: Fraction, position: Fraction) -> tuple[np.ndarray, np.ndarray]:
        """Per fixture, the most pan and tilt degrees it may move between the two positions."""
        stride = position - previous
        cap = self._rig.speed_limit * (float(stride) * seconds_per_pip(self._bpm))
        if not is_fading(self._state, previous, position):
            return cap, cap
        pan_caps, tilt_caps = [], []
        for cue in cues_in(self._state):
            arrays = self._cues[cue]
            pan, tilt = arrays.step_caps(self.show.patterns, stride, self._rig.swap)
            scale = self.size_scales(cue, self._bpm)
            pan_caps.append(np.where(arrays.placed, pan * scale, 0.0))
            tilt_caps.append(np.where(arrays.placed, tilt * scale, 0.0))
        return np.minimum(cap, np.max(pan_caps, axis=0)), np.minimum(cap, np.max(tilt_caps, axis=0))

    def home_frame(self) -> Frame:
        """Every fixture at its home, kept inside its limits and travel like every other frame;
        intensity and colour stay as last sent (dark_frame puts them out once home)."""
        rig = self._rig
        angles, limited = rig.limit_angles(rig.home_angles)
        home = LookArrays(rig.home_pan, rig.home_tilt, np.zeros((len(rig), 3)), np.ones(len(rig)), (), np.zeros(0),
                          self._light_sent)
        pip = 0 if self._sent_position is None else math.floor(self._sent_position)
        return self._frame_of(pip, "home", home, angles, limited)

    def dark_frame(self) -> Frame | None:
        """The home frame with every shutter closed and dimmer off, for the way out; None when the
        show keeps its light on exit or no fixture has a light channel."""
        if not self.show.dark_on_exit or not len(self._rig.light):
            return None
        lit, self._light_sent = self._light_sent, darkened(self._light_sent)
        try:
            return replace(self.home_frame(), cue="dark")
        finally:
            self._light_sent = lit

    def seconds_to_home(self) -> float:
        """How long the slowest fixture takes from the angles last sent to its home."""
        if self._sent is None:
            return 0.0
        pan, tilt, _ = self._rig.limit(self._rig.home_pan, self._rig.home_tilt)
        distance = np.maximum(np.abs(self._sent[0] - pan), np.abs(self._sent[1] - tilt))
        return float(np.max(distance / self._rig.speed_limit, initial=0.0))

    def _frame_of(self, pip: int, label: str, look: LookArrays, angles: np.ndarray, limited: np.ndarray) -> Frame:
        rig = self._rig
        light = look.light or self._light_sent
        values = rig.universes(rig.dmx_plan(look.level_keys), angles, look.levels, rig.light.values(light))
        fixtures = FixtureFrames(rig.names, look.displacement, angles[0], angles[1], limited, look.size_scale,
                                 *(rig.light.shown(light) or ()))
        return Frame(pip, label, DmxUniverses(rig.universe_numbers, values), fixtures)


class ArrayLooks:
    """Every fixture's aims as arrays, at one tempo (for the transitions)."""

    def __init__(self, engine: Engine, bpm: float) -> None:
        self._engine, self._bpm = engine, bpm

    def cue(self, cue: int, position: Position) -> LookArrays:
        return self._engine.look(cue, position, self._bpm)

    def blend(self, source: LookArrays, target: LookArrays, weight: float) -> LookArrays:
        def mix(a, b):
            return a + (b - a) * weight

        keys, from_source, from_target = level_union(source.level_keys, target.level_keys)
        # Index -1 (not in that look) reads the 0 appended at the end.
        start, end = np.append(source.levels, 0.0)[from_source], np.append(target.levels, 0.0)[from_target]
        levels = np.where((from_source >= 0) & (from_target >= 0), mix(start, end),
                          np.where(from_target >= 0, end, start))
        return LookArrays(mix(source.pan, target.pan), mix(source.tilt, target.tilt),
                          mix(source.displacement, target.displacement), mix(source.size_scale, target.size_scale),
                          keys, levels, blend_light(source.light, target.light, weight))


@lru_cache(maxsize=64)
def level_union(source: LevelKeys, target: LevelKeys) -> tuple[LevelKeys, np.ndarray, np.ndarray]:
    """The channels either look drives, and where each sits in either look (-1: not there)."""
    keys = tuple(sorted(set(source) | set(target)))
    in_source, in_target = {key: i for i, key in enumerate(source)}, {key: i for i, key in enumerate(target)}
    return (keys, np.array([in_source.get(key, -1) for key in keys], dtype=np.intp),
            np.array([in_target.get(key, -1) for key in keys], dtype=np.intp))


def step_towards(previous: np.ndarray, target: np.ndarray, max_step: np.ndarray | float) -> np.ndarray:
    """The target itself where within reach (bit for bit), else max_step towards it (previous
    plus max_step with the sign of the way to go: exactly previous - max_step going down)."""
    way = target - previous
    return np.where(np.abs(way) <= max_step, target, previous + np.copysign(max_step, way))
