"""Can each fixture follow each cue? Peak angular speeds from the patterns' exact tables.

A pattern's largest per-pip step on each axis, times the cue's size in
degrees and its speed ratio, is the most a fixture turns in one pip; times the
pips per second at a tempo it is the peak angular speed. Speed grows in
proportion to tempo, so the highest BPM a fixture can follow is the tempo
scaled by its maximum speed over that peak.
"""

import math
from dataclasses import dataclass
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.cue import Cue, PlacedCue
from kinemorphs_show.mapping import AxisMapping
from kinemorphs_show.patterns import PatternSet, peak_steps
from kinemorphs_show.rig import Fixture
from kinemorphs_show.timing import SECONDS_PER_MINUTE


def axis_steps_deg(cue: Cue, fixture: Fixture, steps: tuple[float, float, float]) -> tuple[float, float]:
    """Per-axis displacement steps turned into the most pan and tilt degrees they can move."""
    pan, tilt = cue_axis_steps_deg(cue, steps)
    return (tilt, pan) if fixture.swap_pan_tilt else (pan, tilt)


def cue_axis_steps_deg(cue: Cue, steps: tuple[float, float, float]) -> tuple[float, float]:
    """The same before a fixture's pan/tilt swap."""
    pan = tilt = 0.0
    for target, step in zip(mapped_targets(cue.axes), steps):
        if target == "pan":
            pan += step * cue.size_deg[0]
        elif target == "tilt":
            tilt += step * cue.size_deg[1]
    return pan, tilt


def mapped_targets(axes: AxisMapping) -> tuple[str | int, ...]:
    return axes.x, axes.y, axes.z


def frame_step_caps(patterns: PatternSet, cue: Cue, fixture: Fixture, stride_pips: Fraction) -> tuple[float, float]:
    """The most pan and tilt degrees the cue moves the fixture between two show positions
    stride_pips apart, at full size."""
    return axis_steps_deg(cue, fixture, stride_steps(patterns, cue, stride_pips))


def stride_steps(patterns: PatternSet, cue: Cue, stride_pips: Fraction) -> tuple[float, float, float]:
    """Per axis, the largest displacement change between show positions stride_pips apart.
    Between pips the path is a straight line, so over s = stride × speed pattern pips a move is
    at most the blend of the largest moves over floor(s) and ceil(s) pips by the fraction of s
    (less than one pip: that fraction of one pip's step)."""
    pattern_stride = stride_pips * cue.speed
    whole = math.floor(pattern_stride)
    fraction = float(pattern_stride - whole)
    shorter = peak_steps(patterns, cue.pattern, whole) if whole else (0.0, 0.0, 0.0)
    longer = peak_steps(patterns, cue.pattern, whole + 1) if fraction else (0.0, 0.0, 0.0)
    return tuple(a * (1.0 - fraction) + b * fraction for a, b in zip(shorter, longer))


def peak_step_deg(patterns: PatternSet, cue: Cue, fixture: Fixture) -> float:
    """The most degrees the cue turns the fixture on either axis per pattern pip, at full size."""
    return max(axis_steps_deg(cue, fixture, peak_steps(patterns, cue.pattern, 1)))


def pattern_pips_per_second(cue: Cue, bpm: float) -> float:
    return bpm * PIPS_PER_BEAT / SECONDS_PER_MINUTE * float(cue.speed)


def followable_scale(peak_deg_s: float, limit_deg_s: float) -> float:
    """The largest share of a cue's size a fixture can follow: 1 when it keeps up, else its
    speed over the speed the full size asks (speed grows in proportion to size)."""
    return 1.0 if peak_deg_s <= limit_deg_s else limit_deg_s / peak_deg_s


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

    @property
    def size_scale(self) -> float:
        """The share of the cue's size the fixture can follow at this tempo (what the engine plays)."""
        return followable_scale(self.peak_deg_s, self.limit_deg_s)


def peak_speed_deg_s(patterns: PatternSet, cue: Cue, fixture: Fixture, bpm: float) -> float:
    return peak_step_deg(patterns, cue, fixture) * pattern_pips_per_second(cue, bpm)


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
