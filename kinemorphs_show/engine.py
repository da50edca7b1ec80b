"""The show engine: turns a pip into every fixture's position and the DMX universes.

Everything it computes is a pure function of the pip and the show, except
two things it remembers: which cue (or crossfade) is playing, and where each
fixture was last sent, so that no frame asks a fixture to move faster than it
can (its maximum speed) and no crossfade frame steps further than the faster
of its cues would.
"""

from collections.abc import Mapping, Sequence
from dataclasses import dataclass

from kinemorphs_show.cue import PlacedCue, cue_aims, place_cue
from kinemorphs_show.feasibility import frame_step_caps
from kinemorphs_show.mapping import Aim, home_aim, limit_aim, universes_for, with_angles
from kinemorphs_show.timing import seconds_per_pip
from kinemorphs_show.transition import (
    Playing, State, crossfade_to, cues_in, current_cue, is_fading, settled, state_aims, state_label,
)


@dataclass(frozen=True)
class FixtureFrame:
    name: str
    x: float
    y: float
    z: float          # the cue's displacement after layout, speed and crossfade, in [-1, 1]
    pan_deg: float
    tilt_deg: float   # after size, axis mapping, limits and slew, from the fixture's range centre
    limited: bool     # True when slew or limits changed what the pattern asked for


@dataclass(frozen=True)
class Frame:
    pip: int
    cue: str
    universes: Mapping[int, bytes]
    fixtures: tuple[FixtureFrame, ...]


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


class Engine:
    """Cue selection, transitions and slew memory over a loaded show.

    `bpm` is the tempo used to turn the pips between two frames into seconds for
    the fixtures' speed limits; the run loop keeps it equal to the clock's."""

    def __init__(self, show, first_cue: int = 0) -> None:
        self.show = show
        self.bpm: float = show.bpm
        self._rig = show.rig
        self._placed: tuple[PlacedCue, ...] = tuple(place_cue(cue, show.rig) for cue in show.cues)
        self._state: State = Playing(first_cue)
        self._sent: tuple[Aim, ...] | None = None
        self._sent_pip: int | None = None
        # Crossfade step caps by (cue, fixture, stride): a few strides recur all night.
        self._cue_caps: dict[tuple[int, int, int], tuple[float, float]] = {}

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
        self._state = crossfade_to(self._state, index, self.show.cues[index], pip, self.show.grid)

    def go_next(self, pip: int) -> None:
        self.go((self.current_cue + 1) % len(self._placed), pip)

    def go_previous(self, pip: int) -> None:
        self.go((self.current_cue - 1) % len(self._placed), pip)

    def target_aims(self, pip: int) -> tuple[Aim, ...]:
        """What the cues ask of every fixture at a pip, before limits and slew."""
        return state_aims(self._state, pip,
                          lambda cue, at: cue_aims(self.show.patterns, self._placed[cue], self._rig, at))

    def frame(self, pip: int) -> Frame:
        self._state = settled(self._state, pip)
        targets = self.target_aims(pip)
        if self._sent is None or self._sent_pip is None or pip <= self._sent_pip:
            # The first frame goes straight to the cue; a repeated pip moves nothing.
            step_caps = None if self._sent is None else [(0.0, 0.0)] * len(targets)
        else:
            step_caps = self._step_caps(self._sent_pip, pip)
        sent, flags = [], []
        for index, (fixture, target) in enumerate(zip(self._rig.fixtures, targets)):
            aim, limited = limit_aim(fixture, target)
            if step_caps is not None:
                aim, slewed = slew(self._sent[index], aim, step_caps[index])
                aim, clipped = limit_aim(fixture, aim)
                limited = limited or slewed or clipped
            sent.append(aim)
            flags.append(limited)
        self._sent, self._sent_pip = tuple(sent), pip
        return self._frame_of(pip, self.cue_label, sent, flags)

    def _step_caps(self, previous_pip: int, pip: int) -> list[tuple[float, float]]:
        """Per fixture, the most pan and tilt degrees it may move between the two pips."""
        stride = pip - previous_pip
        seconds = stride * seconds_per_pip(self.bpm)
        fading = is_fading(self._state, previous_pip, pip)
        caps = []
        for index, fixture in enumerate(self._rig.fixtures):
            cap = fixture.speed_limit_deg_s * seconds
            pan_cap = tilt_cap = cap
            if fading:
                cue_caps = [self._cue_cap(cue, index, stride) for cue in cues_in(self._state)]
                pan_cap = min(cap, max(c[0] for c in cue_caps))
                tilt_cap = min(cap, max(c[1] for c in cue_caps))
            caps.append((pan_cap, tilt_cap))
        return caps

    def _cue_cap(self, cue: int, fixture_index: int, stride: int) -> tuple[float, float]:
        key = (cue, fixture_index, stride)
        if key not in self._cue_caps:
            placed = self._placed[cue]
            self._cue_caps[key] = (0.0, 0.0) if placed.placements[fixture_index] is None else frame_step_caps(
                self.show.patterns, placed.cue, self._rig.fixtures[fixture_index], stride)
        return self._cue_caps[key]

    def home_frame(self) -> Frame:
        aims = [home_aim(fixture) for fixture in self._rig.fixtures]
        return self._frame_of(self._sent_pip or 0, "home", aims, [False] * len(aims))

    def _frame_of(self, pip: int, label: str, aims: Sequence[Aim], flags: Sequence[bool]) -> Frame:
        fixtures = tuple(
            FixtureFrame(fixture.name, *aim.displacement, aim.pan_deg, aim.tilt_deg, limited)
            for fixture, aim, limited in zip(self._rig.fixtures, aims, flags)
        )
        universes = universes_for(zip(self._rig.fixtures, aims), self._rig.universes)
        return Frame(pip, label, universes, fixtures)
