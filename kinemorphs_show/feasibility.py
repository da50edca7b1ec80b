"""Can each fixture follow each cue? Peak angular speeds from the patterns' exact tables.

A pattern's largest per-pip step on each axis, times the cue's size in
degrees and its speed ratio, is the most a fixture turns in one pip; times the
pips per second at a tempo it is the peak angular speed. Speed grows in
proportion to tempo, so the highest BPM a fixture can follow is the tempo
scaled by its maximum speed over that peak.
"""

import math
from dataclasses import dataclass

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.cue import Cue, PlacedCue
from kinemorphs_show.mapping import AxisMapping
from kinemorphs_show.patterns import PatternSet, peak_steps
from kinemorphs_show.rig import Fixture
from kinemorphs_show.timing import SECONDS_PER_MINUTE


def axis_steps_deg(cue: Cue, fixture: Fixture, steps: tuple[float, float, float]) -> tuple[float, float]:
    """Per-axis displacement steps turned into the most pan and tilt degrees they can move."""
    pan = tilt = 0.0
    for target, step in zip(mapped_targets(cue.axes), steps):
        if target == "pan":
            pan += step * cue.size_deg[0]
        elif target == "tilt":
            tilt += step * cue.size_deg[1]
    return (tilt, pan) if fixture.swap_pan_tilt else (pan, tilt)


def mapped_targets(axes: AxisMapping) -> tuple[str | int, ...]:
    return axes.x, axes.y, axes.z


def frame_step_caps(patterns: PatternSet, cue: Cue, fixture: Fixture, stride_pips: int) -> tuple[float, float]:
    """The most pan and tilt degrees the cue moves the fixture between two pips stride_pips
    apart: the pattern advances floor or ceil of stride × speed pips, read from its table."""
    pattern_stride = stride_pips * cue.speed
    strides = {math.floor(pattern_stride), math.ceil(pattern_stride)} - {0}
    steps = [peak_steps(patterns, cue.pattern, stride) for stride in strides]
    worst = tuple(max((step[axis] for step in steps), default=0.0) for axis in range(3))
    return axis_steps_deg(cue, fixture, worst)


@dataclass(frozen=True)
class Demand:
    """How fast one cue asks one fixture to turn at a tempo."""

    fixture: str
    cue: str
    peak_deg_s: float
    limit_deg_s: float
    bpm: float

    @property
    def feasible(self) -> bool:
        return self.peak_deg_s <= self.limit_deg_s

    @property
    def highest_bpm(self) -> float:
        """The highest tempo at which the fixture can follow the cue (inf when it never moves)."""
        return math.inf if self.peak_deg_s == 0 else self.bpm * self.limit_deg_s / self.peak_deg_s


def peak_speed_deg_s(patterns: PatternSet, cue: Cue, fixture: Fixture, bpm: float) -> float:
    pan, tilt = axis_steps_deg(cue, fixture, peak_steps(patterns, cue.pattern, 1))
    pattern_pips_per_second = bpm * PIPS_PER_BEAT / SECONDS_PER_MINUTE * float(cue.speed)
    return max(pan, tilt) * pattern_pips_per_second


def demands(patterns: PatternSet, placed_cues: tuple[PlacedCue, ...], fixtures: tuple[Fixture, ...],
            bpm: float) -> tuple[Demand, ...]:
    """One demand per fixture and cue that moves it."""
    return tuple(
        Demand(fixture.name, placed.cue.name, peak_speed_deg_s(patterns, placed.cue, fixture, bpm),
               fixture.speed_limit_deg_s, bpm)
        for placed in placed_cues
        for fixture, placement in zip(fixtures, placed.placements)
        if placement is not None
    )
