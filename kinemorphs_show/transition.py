"""What is playing: one cue, or a crossfade from what was playing to a new cue.

A crossfade starts on the next beat, bar or phrase after the go and blends the
two aims with a smoothstep weight over its length. Going again during a
crossfade nests it: the new crossfade starts from the blend in progress, so
nothing jumps however fast the operator presses go.
"""

from collections.abc import Callable
from dataclasses import dataclass

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.cue import Cue
from kinemorphs_show.mapping import Aim, blend_aims
from kinemorphs_show.timing import BeatGrid, next_boundary


@dataclass(frozen=True)
class Playing:
    cue: int


@dataclass(frozen=True)
class Crossfade:
    source: "Playing | Crossfade"
    target: int
    start_pip: int
    length_pips: int

    @property
    def end_pip(self) -> int:
        return self.start_pip + self.length_pips


State = Playing | Crossfade


def crossfade_to(state: State, target: int, cue: Cue, pip: int, grid: BeatGrid) -> Crossfade:
    """The crossfade a go at `pip` starts: on the cue's next boundary, over its fade length."""
    start = next_boundary(pip, grid.unit_pips(cue.start))
    return Crossfade(settled(state, start), target, start, round(cue.fade_beats * PIPS_PER_BEAT))


def fade_weight(crossfade: Crossfade, pip: int) -> float:
    """0 before the start, 1 from the end on, smoothstep in between (no speed jump at either end)."""
    if pip < crossfade.start_pip:
        return 0.0
    if pip >= crossfade.end_pip:
        return 1.0
    t = (pip - crossfade.start_pip) / crossfade.length_pips
    return t * t * (3.0 - 2.0 * t)


def settled(state: State, pip: int) -> State:
    """The same state with every crossfade finished by `pip` replaced by its target."""
    if isinstance(state, Playing):
        return state
    if pip >= state.end_pip:
        return Playing(state.target)
    source = settled(state.source, pip)
    return state if source == state.source else Crossfade(source, state.target, state.start_pip, state.length_pips)


def state_aims(state: State, pip: int, cue_aims: Callable[[int, int], tuple[Aim, ...]]) -> tuple[Aim, ...]:
    """Every fixture's aim at a pip, given each cue's aims as cue_aims(cue index, pip)."""
    if isinstance(state, Playing):
        return cue_aims(state.cue, pip)
    weight = fade_weight(state, pip)
    if weight == 0.0:
        return state_aims(state.source, pip, cue_aims)
    if weight == 1.0:
        return cue_aims(state.target, pip)
    source = state_aims(state.source, pip, cue_aims)
    return tuple(blend_aims(a, b, weight) for a, b in zip(source, cue_aims(state.target, pip)))


def cues_in(state: State) -> tuple[int, ...]:
    """Every cue index the state draws on."""
    if isinstance(state, Playing):
        return (state.cue,)
    return cues_in(state.source) + (state.target,)


def is_fading(state: State, previous_pip: int, pip: int) -> bool:
    """True when some crossfade in the state is under way between the two pips."""
    if isinstance(state, Playing):
        return False
    overlaps = previous_pip < state.end_pip and pip > state.start_pip
    return overlaps or is_fading(state.source, previous_pip, pip)


def state_label(state: State, cue_names) -> str:
    if isinstance(state, Playing):
        return cue_names[state.cue]
    return f"{state_label(state.source, cue_names)} -> {cue_names[state.target]}"


def current_cue(state: State) -> int:
    """The cue the state is heading for."""
    return state.cue if isinstance(state, Playing) else state.target
