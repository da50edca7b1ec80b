"""The beat grooves: their scores hold the hits that define each style, and
the tables built from them follow those hits."""

from fractions import Fraction

import pytest

import kinemorphs
from catalogue_scope import not_built
import beat_scores

SCORES = beat_scores.load()


def sixteenths(key, lane, loudest_only=False):
    """Positions of a lane's hits in sixteenths (16 pips), in time order."""
    return [p / 16 for p, v in SCORES[key][1][lane] if v >= 0.8 or not loudest_only]


def in_bars(bars, steps, bar_length=16):
    """The same step positions repeated in every bar."""
    return [bar * bar_length + s for bar in range(bars) for s in steps]


BEATS = [0, 4, 8, 12]
OFFBEATS = [2, 6, 10, 14]

DEFINING_HITS = [
    ("four_floor", "kick", in_bars(1, BEATS)),
    ("house_classic", "kick", in_bars(2, BEATS)),
    ("house_classic", "clap", in_bars(2, [4, 12])),
    ("house_classic", "ohat", in_bars(2, OFFBEATS)),
    ("house_shuffle", "clap", in_bars(2, [4, 12])),
    ("techno_drive", "kick", in_bars(2, BEATS)),
    ("techno_polymeter", "perc", list(range(0, 48, 3))),
    ("techno_polymeter", "kick", in_bars(3, BEATS)),
    ("ukg_two_step", "kick", in_bars(2, [0, 10])),
    ("ukg_two_step", "snare", in_bars(2, [4, 12])),
    ("ukg_four_four", "kick", in_bars(2, BEATS)),
    ("drill_tresillo", "hat", in_bars(4, [0, 3, 6], bar_length=8)),
    ("drill_displaced", "snare", [8, 28]),
    ("dnb_two_step", "kick", in_bars(2, [0, 10])),
    ("dnb_two_step", "snare", in_bars(2, [4, 12])),
    ("dubstep_half", "snare", in_bars(2, [8])),
    ("trance", "bass", in_bars(2, OFFBEATS)),
    ("dembow", "kick", in_bars(2, BEATS)),
    ("dembow", "snare", in_bars(2, [3, 6, 11, 14])),
    ("jersey_five", "kick", in_bars(2, [0, 4, 8, 10, 14])),
    ("reggae_one_drop", "kick", in_bars(2, [8])),
    ("reggae_one_drop", "snare", in_bars(2, [8])),
    ("reggae_steppers", "kick", in_bars(2, BEATS)),
    ("reggae_rockers", "kick", in_bars(2, [0, 8])),
    ("son_clave_32", "clave", [0, 6, 12, 20, 24]),
    ("son_clave_23", "clave", [4, 8, 16, 22, 28]),
    ("disco", "ohat", in_bars(2, OFFBEATS)),
]


@pytest.mark.parametrize("key, lane, expected", DEFINING_HITS, ids=[f"{k}-{lane}" for k, lane, _ in DEFINING_HITS])
def test_scores_hold_their_defining_hits(key, lane, expected):
    assert sixteenths(key, lane) == expected


def test_four_to_the_floor_is_nothing_but_the_kick():
    assert set(SCORES["four_floor"][1]) == {"kick"}


def test_amen_keeps_its_four_bar_structure():
    def bar(lane, n):
        return [(p - 256 * n, v) for p, v in SCORES["amen_four_bar"][1][lane] if 256 * n <= p < 256 * (n + 1)]

    for lane in ("kick", "snare", "ride"):
        assert bar(lane, 0) == bar(lane, 1)
    assert bar("snare", 2) != bar("snare", 0) and bar("snare", 3) != bar("snare", 2)
    main_snares = sixteenths("amen_four_bar", "snare", loudest_only=True)
    assert main_snares == [4, 12, 20, 28, 36, 46, 52, 62]  # bar three's last backbeat comes late
    assert sixteenths("amen_four_bar", "crash") == [58]


def test_amen_without_ghosts_removes_only_the_quiet_snares():
    period, full = SCORES["amen_four_bar"]
    same_period, bare = SCORES["amen_no_ghosts"]
    assert same_period == period and set(bare) == set(full)
    for lane in full:
        kept = [hit for hit in full[lane] if lane != "snare" or hit[1] > 0.3]
        assert bare[lane] == kept
    assert len(bare["snare"]) < len(full["snare"])


def test_jungle_switch_thins_its_main_snares_in_the_second_half():
    main = sixteenths("jungle_switch", "snare", loudest_only=True)
    first_half = [s for s in main if s < 32]
    assert first_half == in_bars(2, [4, 12])
    assert len(main) - len(first_half) < len(first_half)


@pytest.mark.parametrize("key, lane, grid, off_grid", [
    ("drill_rolls", "hat", Fraction(64, 6), 8),    # true sixteenth triplets
    ("dubstep_skip", "hat", Fraction(64, 3), 16),  # triplet eighths
    ("drill_tresillo", "hat", 16, 0),              # grouped, yet on the straight grid
])
def test_tuplets_sit_at_exact_rational_positions(key, lane, grid, off_grid):
    hits = [p for p, _ in SCORES[key][1][lane]]
    tuplets = [p for p in hits if p % 16]
    assert len(tuplets) == off_grid
    assert all(p % grid == 0 for p in tuplets)


@pytest.mark.parametrize("key, lane, late", [
    ("house_shuffle", "hat", 6), ("ukg_two_step", "hat", 7), ("broken_shuffle", "rim", 6),
])
def test_swung_lanes_play_their_offbeat_sixteenths_late(key, lane, late):
    hits = [p for p, _ in SCORES[key][1][lane]]
    assert all(p % 16 in (0, late) for p in hits) and any(p % 16 == late for p in hits)


def beat_records():
    return {info["name"]: info for info in kinemorphs.catalogue() if info["name"].startswith("beat_")}


def test_every_beat_record_has_a_score_of_its_period():
    records = beat_records()
    if not records:
        not_built("the beat family")
    grooves = {name[5:].rsplit("_", 1)[0]: info["period_pips"] for name, info in records.items()}
    assert grooves == {key: period for key, (period, _) in SCORES.items()}
    assert len(records) == 16 * len(SCORES)


def rows(name, period):
    return [kinemorphs.sample(name, pip).as_tuple() for pip in range(period)]


@pytest.mark.parametrize("key", sorted(SCORES))
def test_bounce_tops_out_on_every_kick(key):
    period, lanes = SCORES[key]
    if f"beat_{key}_bounce" not in beat_records():
        not_built("the beat family")
    heights = [y for _, y, _ in rows(f"beat_{key}_bounce", period)]
    on_grid_kicks = [int(p) for p, _ in lanes["kick"] if p.denominator == 1]
    assert on_grid_kicks and all(heights[p] == max(heights) for p in on_grid_kicks)


@pytest.mark.parametrize("key", ["four_floor", "footwork_sparse"])
def test_springs_with_a_silent_last_beat_start_at_rest(key):
    period, lanes = SCORES[key]
    if f"beat_{key}_spring" not in beat_records():
        not_built("the beat family")
    assert max(p for hits in lanes.values() for p, _ in hits) <= period - 64
    table = rows(f"beat_{key}_spring", period)
    assert table[0] == (0.0, 0.0, 0.0) and any(v != 0.0 for row in table for v in row)
