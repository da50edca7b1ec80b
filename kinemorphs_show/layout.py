"""Phase layouts: how one motion spreads across fixtures.

Every layout first gives each fixture a normalised rank in [0, 1] (by rig
order, within its group, by seeded shuffle, or by stage distance or angle
from an origin), then maps the rank to a phase offset in pips. Wings split
the ranks into equal parts that each spread alike (every second one reversed
when mirrored), so that the first and last fixture of every wing are the
spread apart. Two spreads:

- rank: the offset is the rank within the wing times the spread, so a cue
  written for eight fixtures spreads the same way over four or twelve;
- cycle: the fixtures of a wing sit evenly over one pattern cycle, count
  apart, so that no two share a place (by nature this depends on the count).
"""

import math
import random
from collections import Counter
from collections.abc import Sequence
from dataclasses import dataclass
from enum import StrEnum
from fractions import Fraction

from kinemorphs_show.rig import Fixture



class LayoutOrder(StrEnum):
    ORDER = "order"
    GROUP = "group"
    SHUFFLE = "shuffle"
    DISTANCE = "distance"
    ANGLE = "angle"


class LayoutSpread(StrEnum):
    RANK = "rank"    # spread_pips between the first and last fixture of a wing
    CYCLE = "cycle"  # spread_pips is one pattern cycle, shared evenly by a wing's fixtures


Rank = Fraction


@dataclass(frozen=True)
class Layout:
    by: LayoutOrder = LayoutOrder.ORDER
    spread_pips: Fraction = Fraction(0)  # rank: offset of rank 1 within a wing; cycle: the cycle length
    spread: LayoutSpread = LayoutSpread.RANK
    wings: int = 1                       # the rank range split into this many equal wings
    mirror: bool = False                 # odd wings run in reverse order with x mirrored
    blocks: int = 0                      # >1: fixtures in one block share a phase
    seed: int = 0                        # for 'shuffle'
    origin_m: tuple[float, float] = (0.0, 0.0)  # for 'distance' and 'angle' (across, depth)


@dataclass(frozen=True)
class Placement:
    """A fixture's place in a cue: it runs the pattern offset_pips behind rank 0,
    with x negated when mirrored."""

    offset_pips: int | Fraction  # whole pips for a rank spread, exact for a cycle spread
    mirrored: bool


def wing_of(layout: Layout, rank: Rank) -> int:
    return min(int(rank * layout.wings), layout.wings - 1)


def wing_positions(layout: Layout, ranks: Sequence[Rank]) -> tuple[Rank, ...]:
    """Each rank's place within its wing, from 0 (the wing's lead) to 1 (its last fixture).

    The rank range is cut into equal wings; within each, positions run from its
    lead (mirrored wings lead from their far end, so both edges lead) and are
    scaled by the furthest any wing reaches, so that every wing spans the whole
    spread whatever the count, and a mirrored rig stays symmetric when a middle
    fixture sits on the boundary."""
    if layout.wings == 1:
        return tuple(ranks)
    wings = [wing_of(layout, rank) for rank in ranks]
    raw = []
    for rank, wing in zip(ranks, wings):
        local = rank * layout.wings - wing
        raw.append(1 - local if layout.mirror and wing % 2 == 1 else local)
    leads = {}
    for wing, local in zip(wings, raw):
        leads[wing] = min(leads.get(wing, local), local)
    shifted = [local - leads[wing] for wing, local in zip(wings, raw)]
    furthest = max(shifted)
    return tuple(local / furthest if furthest else Fraction(0) for local in shifted)


def spread_share(layout: Layout, local: Rank, wing_size: int) -> Fraction:
    """The fraction of spread_pips a fixture at this place in its wing lags by."""
    if layout.blocks > 1:
        local = Fraction(min(int(local * layout.blocks), layout.blocks - 1), layout.blocks - 1)
        places = layout.blocks
    elif layout.blocks == 1:
        local, places = Fraction(0), 1
    else:
        places = wing_size
    if layout.spread == LayoutSpread.CYCLE:
        # n places share a cycle: the last is one place short of the first's next turn.
        return local * (places - 1) / places if places > 1 else Fraction(0)
    return local


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
    if layout.by == LayoutOrder.SHUFFLE:
        order = list(range(count))
        random.Random(layout.seed).shuffle(order)
        shuffled = index_ranks(count)
        return tuple(shuffled[order.index(index)] for index in range(count))
    if layout.by == LayoutOrder.GROUP:
        first_groups = [fixture.groups[0] if fixture.groups else "" for fixture in fixtures]
        members = {group: [i for i, g in enumerate(first_groups) if g == group] for group in first_groups}
        return tuple(index_ranks(len(members[group]))[members[group].index(i)]
                     for i, group in enumerate(first_groups))
    if layout.by in (LayoutOrder.DISTANCE, LayoutOrder.ANGLE):
        ox, oy = layout.origin_m
        offsets = [(fixture.position_m[0] - ox, fixture.position_m[1] - oy) for fixture in fixtures]
        if layout.by == LayoutOrder.DISTANCE:
            # Measured from the origin itself, so rank 0 is the origin whoever stands nearest.
            return scaled_ranks([math.hypot(dx, dy) for dx, dy in offsets], low=0.0)
        # Angle seen from the origin, 0 straight upstage, growing towards stage right.
        return scaled_ranks([math.atan2(dx, dy) for dx, dy in offsets])
    return index_ranks(count)


def placements(layout: Layout, fixtures: Sequence[Fixture]) -> tuple[Placement, ...]:
    ranks = fixture_ranks(layout, fixtures)
    wings = [wing_of(layout, rank) for rank in ranks]
    wing_sizes = Counter(wings)
    result = []
    for wing, local in zip(wings, wing_positions(layout, ranks)):
        offset = spread_share(layout, local, wing_sizes[wing]) * layout.spread_pips
        result.append(Placement(offset if layout.spread == LayoutSpread.CYCLE else round(offset),
                                layout.mirror and wing % 2 == 1))
    return tuple(result)
