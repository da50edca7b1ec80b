"""Cues: a pattern placed on the rig with a size, axis mapping, exact speed ratio and layout."""

from dataclasses import dataclass, field
from fractions import Fraction

from kinemorphs_show.colour import ColourRequest
from kinemorphs_show.layout import Layout, Placement, placements
from kinemorphs_show.mapping import Aim, AxisMapping, aim_for, home_aim
from kinemorphs_show.patterns import Displacement, PatternSet, sample_between
from kinemorphs_show.rig import Rig


@dataclass(frozen=True)
class AimArea:
    """Where an aim cue's focus point moves: centre plus size times the pattern's displacement."""

    centre_m: tuple[float, float, float]
    size_m: tuple[float, float, float]


@dataclass(frozen=True)
class Cue:
    name: str
    pattern: str
    size_deg: tuple[float, float]        # pan and tilt degrees for a displacement of 1
    speed: Fraction = Fraction(1)        # pattern pips per show pip, exact
    axes: AxisMapping = AxisMapping()
    layout: Layout = Layout()
    members: tuple[str, ...] = ()        # fixture or group names; empty: the whole rig
    fade_beats: Fraction = Fraction(0)   # crossfade length from the running cue
    start: str = "bar"                   # the transition starts on the next 'beat', 'bar' or 'phrase'
    aim: AimArea | None = None           # set: every head turns to a moving point (size_deg unused)
    intensity: float | None = None       # percent; None: dark, or full when an axis drives intensity
    colour: ColourRequest | None = None  # None: white where the type can show it
    position: str | None = None          # a [[positions]] name or "below" to ride on; None: home


@dataclass(frozen=True)
class PlacedCue:
    """A cue with each fixture's placement resolved (None: the fixture stays home)."""

    cue: Cue
    placements: tuple[Placement | None, ...] = field(repr=False)


def place_cue(cue: Cue, rig: Rig) -> PlacedCue:
    indices = rig.in_groups(cue.members) if cue.members else tuple(range(len(rig.fixtures)))
    placed = dict(zip(indices, placements(cue.layout, [rig.fixtures[i] for i in indices])))
    return PlacedCue(cue, tuple(placed.get(index) for index in range(len(rig.fixtures))))


def pattern_position(cue: Cue, placement: Placement, position: Fraction | int) -> Fraction:
    """The exact pattern position for a show position: delayed by the fixture's offset (in show
    pips, so a spread of one beat is one beat whatever the speed), then scaled by the speed ratio."""
    return (position - placement.offset_pips) * cue.speed


def cue_displacement(patterns: PatternSet, cue: Cue, placement: Placement, position: Fraction | int) -> Displacement:
    x, y, z = sample_between(patterns, cue.pattern, pattern_position(cue, placement, position))
    return (-x if placement.mirrored else x, y, z)


def cue_aims(patterns: PatternSet, placed: PlacedCue, rig: Rig, position: Fraction | int,
             size_scales: tuple[float, ...]) -> tuple[Aim, ...]:
    """Every fixture's aim under the cue at a show position, each fixture's size reduced by its
    scale (1.0: the cue's full size)."""
    cue = placed.cue
    aims = []
    for fixture, placement, scale in zip(rig.fixtures, placed.placements, size_scales):
        if placement is None:
            aims.append(home_aim(fixture))
            continue
        displacement = cue_displacement(patterns, cue, placement, position)
        aims.append(aim_for(fixture, cue.axes, cue.size_deg, displacement, scale))
    return tuple(aims)
