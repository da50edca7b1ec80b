"""The show engine, one fixture at a time: the reference the array engine must equal.

It turns a show position into every fixture's position and the DMX universes.

Everything it computes is a pure function of the position, the tempo and the
show, except two things it remembers: which cue (or crossfade) is playing, and
where each fixture was last sent, so that no frame asks a fixture to move
faster than it can (its maximum speed) and no crossfade frame steps further
than the faster of its cues would. A cue a fixture cannot follow at the tempo
is played smaller for that fixture, around the same centre; slew is the last
safety net for jumps (cue changes, limits).
"""

import math
from collections.abc import Sequence
from fractions import Fraction

from kinemorphs_show.cue import PlacedCue, cue_aims, place_cue
from kinemorphs_show.feasibility import followable_scale, frame_step_caps, pattern_pips_per_second, peak_step_deg
from kinemorphs_show.frame import FixtureFrame, Frame
from kinemorphs_show.mapping import Aim, blend_aims, home_aim, limit_aim, universes_for, with_angles
from kinemorphs_show.timing import seconds_per_pip
from kinemorphs_show.transition import (
    Playing, Position, State, crossfade_to, cues_in, current_cue, is_fading, settled, state_aims, state_label,
)


def slew(previous: Aim, target: Aim, max_steps: tuple[float, float]) -> tuple[Aim, bool]:
    """Move from previous towards target by at most max_steps degrees on pan and tilt."""
    pan = step_towards(previous.pan_deg, target.pan_deg, max_steps[0])
    tilt = step_towards(previous.tilt_deg, target.tilt_deg, max_steps[1])
    if (pan, tilt) == (target.pan_deg, target.tilt_deg):
        return target, False
    return with_angles(target, pan, tilt), True


def step_towards(previous: float, target: float, max_step: float) -> float:
    """The target itself when within reach (bit for bit), else max_step towards it."""
    if abs(target - previous) <= max_step:
        return target
    return previous + max_step if target > previous else previous - max_step


class ScalarEngine:
    """Cue selection, transitions and slew memory over a loaded show.

    Each frame is asked for at an exact show position (a Fraction of pips, as the
    clock gives it) and the tempo of that moment, which turns the step between two
    frames into seconds for the fixtures' speeds and sets how far each cue must be
    reduced for each fixture to follow it."""

    def __init__(self, show, first_cue: int = 0) -> None:
        self.show = show
        self._rig = show.rig
        self._bpm: float = show.bpm
        self._placed: tuple[PlacedCue, ...] = tuple(place_cue(cue, show.rig) for cue in show.cues)
        self._state: State = Playing(first_cue)
        self._sent: tuple[Aim, ...] | None = None
        self._sent_position: Fraction | None = None
        # Per cue and fixture, the most degrees the full-size cue turns it per pattern pip (0: stays home).
        self._peak_steps = tuple(
            tuple(0.0 if placement is None else peak_step_deg(show.patterns, placed.cue, fixture)
                  for fixture, placement in zip(self._rig.fixtures, placed.placements))
            for placed in self._placed)

    @property
    def cue_names(self) -> Sequence[str]:
        return tuple(cue.name for cue in self.show.cues)

    @property
    def current_cue(self) -> int:
        return current_cue(self._state)

    @property
    def cue_label(self) -> str:
        return state_label(self._state, self.cue_names)

    def go(self, index: int, pip: int) -> None:
        if not 0 <= index < len(self._placed):
            raise IndexError(f"no cue {index}; the show has {len(self._placed)}")
        self._state = crossfade_to(self._state, index, self.show.cues[index], pip, self.show.grid,
                                   self._looks(self._bpm))

    def go_next(self, pip: int) -> None:
        self.go((self.current_cue + 1) % len(self._placed), pip)

    def go_previous(self, pip: int) -> None:
        self.go((self.current_cue - 1) % len(self._placed), pip)

    def size_scales(self, cue: int, bpm: float) -> tuple[float, ...]:
        """Per fixture, the share of the cue's size it can follow at the tempo."""
        pips_per_second = pattern_pips_per_second(self._placed[cue].cue, bpm)
        return tuple(followable_scale(peak * pips_per_second, fixture.speed_limit_deg_s)
                     for fixture, peak in zip(self._rig.fixtures, self._peak_steps[cue]))

    def _looks(self, bpm: float) -> "ScalarLooks":
        return ScalarLooks(self, bpm)

    def target_aims(self, position: Position, bpm: float | None = None) -> tuple[Aim, ...]:
        """What the cues ask of every fixture at a position, before limits and slew."""
        return state_aims(self._state, position, self._looks(self._bpm if bpm is None else bpm))

    def frame(self, position: Position, bpm: float | None = None) -> Frame:
        """The frame at an exact show position (Fraction or int) and tempo (default: the show's)."""
        position = Fraction(position)
        self._bpm = self.show.bpm if bpm is None else bpm
        self._state = settled(self._state, position, self._looks(self._bpm))
        targets = self.target_aims(position)
        previous = self._sent_position
        if self._sent is None or previous is None or position <= previous:
            # The first frame goes straight to the cue; a repeated position moves nothing.
            step_caps = None if self._sent is None else [(0.0, 0.0)] * len(targets)
        else:
            step_caps = self._step_caps(previous, position)
        sent, flags = [], []
        for index, (fixture, target) in enumerate(zip(self._rig.fixtures, targets)):
            aim, limited = limit_aim(fixture, target)
            if step_caps is not None:
                aim, slewed = slew(self._sent[index], aim, step_caps[index])
                aim, clipped = limit_aim(fixture, aim)
                limited = limited or slewed or clipped
            sent.append(aim)
            flags.append(limited)
        self._sent, self._sent_position = tuple(sent), position
        return self._frame_of(math.floor(position), self.cue_label, sent, flags)

    def _step_caps(self, previous: Fraction, position: Fraction) -> list[tuple[float, float]]:
        """Per fixture, the most pan and tilt degrees it may move between the two positions."""
        stride = position - previous
        seconds = float(stride) * seconds_per_pip(self._bpm)
        fading = is_fading(self._state, previous, position)
        cues = cues_in(self._state) if fading else ()
        scales = {cue: self.size_scales(cue, self._bpm) for cue in cues}
        caps = []
        for index, fixture in enumerate(self._rig.fixtures):
            cap = fixture.speed_limit_deg_s * seconds
            pan_cap = tilt_cap = cap
            if fading:
                cue_caps = [self._cue_cap(cue, index, stride, scales[cue][index]) for cue in cues]
                pan_cap = min(cap, max(c[0] for c in cue_caps))
                tilt_cap = min(cap, max(c[1] for c in cue_caps))
            caps.append((pan_cap, tilt_cap))
        return caps

    def _cue_cap(self, cue: int, fixture_index: int, stride: Fraction, scale: float) -> tuple[float, float]:
        placed = self._placed[cue]
        if placed.placements[fixture_index] is None:
            return (0.0, 0.0)
        pan, tilt = frame_step_caps(self.show.patterns, placed.cue, self._rig.fixtures[fixture_index], stride)
        return (pan * scale, tilt * scale)

    def home_frame(self) -> Frame:
        """Every fixture at its home, kept inside its limits and travel like every other frame."""
        limited = [limit_aim(fixture, home_aim(fixture)) for fixture in self._rig.fixtures]
        pip = 0 if self._sent_position is None else math.floor(self._sent_position)
        return self._frame_of(pip, "home", [aim for aim, _ in limited], [flag for _, flag in limited])

    def _frame_of(self, pip: int, label: str, aims: Sequence[Aim], flags: Sequence[bool]) -> Frame:
        fixtures = tuple(
            FixtureFrame(fixture.name, *aim.displacement, aim.pan_deg, aim.tilt_deg, limited, aim.size_scale)
            for fixture, aim, limited in zip(self._rig.fixtures, aims, flags)
        )
        universes = universes_for(zip(self._rig.fixtures, aims), self._rig.universes)
        return Frame(pip, label, universes, fixtures)


class ScalarLooks:
    """Every fixture's aims as a tuple of Aim, at one tempo."""

    def __init__(self, engine: ScalarEngine, bpm: float) -> None:
        self._engine, self._bpm = engine, bpm

    def cue(self, cue: int, position: Position) -> tuple[Aim, ...]:
        engine = self._engine
        return cue_aims(engine.show.patterns, engine._placed[cue], engine._rig, position,
                        engine.size_scales(cue, self._bpm))

    def blend(self, source: tuple[Aim, ...], target: tuple[Aim, ...], weight: float) -> tuple[Aim, ...]:
        return tuple(blend_aims(a, b, weight) for a, b in zip(source, target))
