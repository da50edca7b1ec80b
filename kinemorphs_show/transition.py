"""What is playing: one cue, or a crossfade from a look to a new cue.

A go waits for the next beat, bar or phrase; from there a crossfade blends the
two aims with a smoothstep weight over its length. At most two looks are ever
blended: when a crossfade is still under way at a new go's boundary, its blend
is frozen where it stands then (a still look) and the new crossfade starts
from that, so nothing jumps however fast the operator presses go, and nothing
nests. A go replaces one still waiting for its boundary.
"""

from dataclasses import dataclass
from fractions import Fraction
from typing import Any, Protocol

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.cue import Cue
from kinemorphs_show.timing import BeatGrid, next_boundary

Position = Fraction | int


@dataclass(frozen=True)
class Playing:
    cue: int


@dataclass(frozen=True)
class Still:
    """A crossfade cut short by a go: its blend frozen where it stood, heading for `cue`."""

    aims: Any   # in the engine's own form of every fixture's aims
    cue: int


Look = Playing | Still


@dataclass(frozen=True)
class Crossfade:
    source: Look
    target: int
    start_pip: int
    length_pips: int

    @property
    def end_pip(self) -> int:
        return self.start_pip + self.length_pips


Stage = Look | Crossfade


@dataclass(frozen=True)
class Cued:
    """A go waiting for its boundary while the stage plays on; a later go replaces it."""

    stage: Stage
    target: int
    start_pip: int
    length_pips: int


State = Stage | Cued


class Looks(Protocol):
    """How an engine computes every fixture's aims (as a tuple of Aim, or as arrays): under
    one cue at a position, and as the blend of two such looks."""

    def cue(self, cue: int, position: Position) -> Any: ...
    def blend(self, source: Any, target: Any, weight: float) -> Any: ...


def crossfade_to(state: State, target: int, cue: Cue, pip: int, grid: BeatGrid, looks: Looks) -> Cued:
    """A go at `pip`: it waits for the cue's next boundary, then fades over the cue's fade length
    from whatever is on stage at that boundary."""
    state = settled(state, pip, looks)
    stage = state.stage if isinstance(state, Cued) else state
    return Cued(stage, target, next_boundary(pip, grid.unit_pips(cue.start)), round(cue.fade_beats * PIPS_PER_BEAT))


def settled(state: State, position: Position, looks: Looks) -> State:
    """The state as it stands at `position`: a go whose boundary has come starts its crossfade
    (from the one look on stage then), and a crossfade that has ended leaves its target playing."""
    stage: State = state
    if isinstance(state, Cued):
        if position < state.start_pip:
            return state
        stage = Crossfade(look_at(state.stage, state.start_pip, looks), state.target, state.start_pip,
                          state.length_pips)
    if isinstance(stage, Crossfade) and position >= stage.end_pip:
        return Playing(stage.target)
    return stage


def look_at(stage: Stage, pip: int, looks: Looks) -> Look:
    """The one look on stage at a pip: a crossfade under way then is frozen into a still look."""
    stage = settled(stage, pip, looks)
    if not isinstance(stage, Crossfade):
        return stage
    if fade_weight(stage, pip) == 0.0:
        return stage.source
    return Still(state_aims(stage, pip, looks), stage.target)


def fade_weight(crossfade: Crossfade, position: Position) -> float:
    """0 before the start, 1 from the end on, smoothstep in between (no speed jump at either end)."""
    if position >= crossfade.end_pip:
        return 1.0
    if position <= crossfade.start_pip:
        return 0.0
    t = float((position - crossfade.start_pip) / crossfade.length_pips)
    return t * t * (3.0 - 2.0 * t)


def look_aims(look: Look, position: Position, looks: Looks) -> Any:
    return look.aims if isinstance(look, Still) else looks.cue(look.cue, position)


def state_aims(state: State, position: Position, looks: Looks) -> Any:
    """Every fixture's aim at a position."""
    state = settled(state, position, looks)
    if isinstance(state, Cued):
        state = state.stage
    if not isinstance(state, Crossfade):
        return look_aims(state, position, looks)
    weight = fade_weight(state, position)
    if weight == 0.0:
        return look_aims(state.source, position, looks)
    if weight == 1.0:
        return looks.cue(state.target, position)
    return looks.blend(look_aims(state.source, position, looks), looks.cue(state.target, position), weight)


def cues_in(state: State) -> tuple[int, ...]:
    """Every cue index whose motion the state plays (a still look moves nothing)."""
    if isinstance(state, Playing):
        return (state.cue,)
    if isinstance(state, Still):
        return ()
    before = cues_in(state.stage) if isinstance(state, Cued) else cues_in(state.source)
    return before + (state.target,)


def is_fading(state: State, previous: Position, position: Position) -> bool:
    """True when a crossfade is under way between the two positions."""
    if isinstance(state, Cued):
        return position > state.start_pip or is_fading(state.stage, previous, position)
    return isinstance(state, Crossfade) and previous < state.end_pip and position > state.start_pip


def state_label(state: State, cue_names) -> str:
    if isinstance(state, Playing):
        return cue_names[state.cue]
    if isinstance(state, Still):
        return f"{cue_names[state.cue]} (held)"
    before = state_label(state.stage if isinstance(state, Cued) else state.source, cue_names)
    return f"{before} -> {cue_names[state.target]}"


def current_cue(state: State) -> int:
    """The cue the state is heading for."""
    return state.target if isinstance(state, (Crossfade, Cued)) else state.cue
