"""What check says about aim cues and light: how fast each head turns to follow the point,
which points a head cannot reach, and intensity asked of a type that cannot go dark."""

from dataclasses import dataclass

import numpy as np

from kinemorphs_show.aim_cue import AimCue
from kinemorphs_show.cue import place_cue
from kinemorphs_show.feasibility import Demand, pattern_pips_per_second
from kinemorphs_show.intensity import can_go_dark
from kinemorphs_show.patterns import pattern_table
from kinemorphs_show.rig_arrays import RigArrays


@dataclass(frozen=True)
class Unreachable:
    fixture: str
    cue: str
    points: int          # pattern rows the head cannot point at
    of: int
    example_m: tuple[float, float, float]

    def __str__(self) -> str:
        x, y, z = self.example_m
        return (f"  {self.fixture} in {self.cue!r}: cannot reach {self.points} of {self.of} points, "
                f"e.g. ({x:.2f}, {y:.2f}, {z:.2f}) m")


def aim_findings(show, bpm: float) -> tuple[tuple[Demand, ...], tuple[Unreachable, ...]]:
    """For every aim cue and head in it: its speed demand at the tempo, and its unreachable points
    (the whole path sampled once per pattern pip, mirrored where the layout mirrors; every head
    passes every point of the path whatever its phase offset)."""
    rig = RigArrays(show.rig)
    found_demands, unreachable = [], []
    for cue in show.cues:
        if cue.aim is None:
            continue
        placed = place_cue(cue, show.rig)
        in_cue = [index for index, placement in enumerate(placed.placements) if placement is not None]
        if not in_cue:
            continue
        fixtures = tuple(show.rig.fixtures[i] for i in in_cue)
        aim = AimCue(cue.aim, fixtures, (rig.home_pan[in_cue], rig.home_tilt[in_cue]))
        rows = np.array(pattern_table(show.patterns, cue.pattern), dtype=float).reshape(-1, 3)
        mirrored = np.array([placed.placements[i].mirrored for i in in_cue], dtype=bool)
        _, _, reachable = aim.sample(rows, mirrored)
        peaks = aim.peak_steps(rows, mirrored) * pattern_pips_per_second(cue, bpm)
        for index, fixture in enumerate(fixtures):
            found_demands.append(Demand(fixture.name, cue.name, float(peaks[index]), fixture.speed_limit_deg_s, bpm))
            missed = np.flatnonzero(~reachable[index])
            if len(missed):
                row = rows[missed[0]] * np.array([-1.0 if mirrored[index] else 1.0, 1.0, 1.0])
                point = aim.focus(row[None, :])[0]
                unreachable.append(Unreachable(fixture.name, cue.name, len(missed), len(rows),
                                               tuple(float(v) for v in point)))
    return tuple(found_demands), tuple(unreachable)


def light_warnings(show) -> tuple[str, ...]:
    """Fixtures asked for intensity, or to go dark on exit, whose type has neither a dimmer nor a
    shutter that closes (the generic head, with no light channels at all, is asked nothing on exit)."""
    intensity_cues = [(cue.name, place_cue(cue, show.rig).placements) for cue in show.cues
                      if cue.intensity is not None or "intensity" in (cue.axes.x, cue.axes.y, cue.axes.z)]
    warnings = []
    for index, fixture in enumerate(show.rig.fixtures):
        if can_go_dark(fixture.profile):
            continue
        asking = [name for name, placements in intensity_cues if placements[index] is not None]
        if asking:
            warnings.append(f"  note: {fixture.name} has no dimmer or closing shutter: the intensity of "
                            f"{', '.join(map(repr, asking))} cannot dim it")
        elif show.dark_on_exit and fixture.profile.shutter is not None:
            warnings.append(f"  note: {fixture.name} has no dimmer and its shutter cannot close: it stays lit "
                            f"on exit")
    return tuple(warnings)
