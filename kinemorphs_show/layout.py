"""Phase layouts: how one motion spreads across fixtures.

Every layout first gives each fixture a normalised rank in [0, 1] (by rig
order, within its group, by seeded shuffle, or by stage distance or angle
from an origin), then maps the rank to a phase offset in pips. Since the
offset depends only on the rank, a cue written for eight fixtures spreads the
same way over four or twelve.
"""

import math
import random
from collections.abc import Sequence
from dataclasses import dataclass
from fractions import Fraction

from kinemorphs_show.rig import Fixture

LAYOUT_ORDERS = ("order", "group", "shuffle", "distance", "angle")
Rank = Fraction


@dataclass(frozen=True)
class Layout:
    by: str = "order"
    spread_pips: Fraction = Fraction(0)  # offset between rank 0 and rank 1 (within a wing)
    wings: int = 1                       # the rank range split into this many equal wings
    mirror: bool = False                 # odd wings run in reverse order with x mirrored
    blocks: int = 0                      # >1: fixtures in one block share a phase
    seed: int = 0                        # for 'shuffle'
    origin_m: tuple[float, float] = (0.0, 0.0)  # for 'distance' and 'angle' (across, depth)


@dataclass(frozen=True)
class Placement:
    """A fixture's place in a cue: it runs the pattern offset_pips behind rank 0,
    with x negated when mirrored."""

    offset_pips: int
    mirrored: bool


def placement_at_rank(layout: Layout, rank: Rank) -> Placement:
    wing = min(int(rank * layout.wings), layout.wings - 1)
    local = rank * layout.wings - wing
    mirrored = layout.mirror and wing % 2 == 1
    if mirrored:
        local = 1 - local
    if layout.blocks > 1:
        local = Fraction(min(int(local * layout.blocks), layout.blocks - 1), layout.blocks - 1)
    elif layout.blocks == 1:
        local = Fraction(0)
    return Placement(round(local * layout.spread_pips), mirrored)


def index_ranks(count: int) -> tuple[Rank, ...]:
    """Evenly spaced ranks from 0 to 1 for count items in order."""
    return tuple(Fraction(index, max(count - 1, 1)) for index in range(count))


def scaled_ranks(values: Sequence[float], low: float | None = None) -> tuple[Rank, ...]:
    """Values scaled linearly from [low, max] onto [0, 1] (low defaults to the smallest value;
    all 0 when there is no span)."""
    low = min(values) if low is None else low
    high = max(values)
    span = high - low
    return tuple(Fraction((value - low) / span) if span else Fraction(0) for value in values)


def fixture_ranks(layout: Layout, fixtures: Sequence[Fixture]) -> tuple[Rank, ...]:
    count = len(fixtures)
    if count == 0:
        return ()
    if layout.by == "shuffle":
        order = list(range(count))
        random.Random(layout.seed).shuffle(order)
        shuffled = index_ranks(count)
        return tuple(shuffled[order.index(index)] for index in range(count))
    if layout.by == "group":
        first_groups = [fixture.groups[0] if fixture.groups else "" for fixture in fixtures]
        members = {group: [i for i, g in enumerate(first_groups) if g == group] for group in first_groups}
        return tuple(index_ranks(len(members[group]))[members[group].index(i)]
                     for i, group in enumerate(first_groups))
    if layout.by in ("distance", "angle"):
        ox, oy = layout.origin_m
        offsets = [(fixture.position_m[0] - ox, fixture.position_m[1] - oy) for fixture in fixtures]
        if layout.by == "distance":
            # Measured from the origin itself, so rank 0 is the origin whoever stands nearest.
            return scaled_ranks([math.hypot(dx, dy) for dx, dy in offsets], low=0.0)
        # Angle seen from the origin, 0 straight upstage, growing towards stage right.
        return scaled_ranks([math.atan2(dx, dy) for dx, dy in offsets])
    return index_ranks(count)


def placements(layout: Layout, fixtures: Sequence[Fixture]) -> tuple[Placement, ...]:
    return tuple(placement_at_rank(layout, rank) for rank in fixture_ranks(layout, fixtures))
