import math
from collections import Counter

import pytest

import kinemorphs
from catalogue_scope import not_built
from catalogue_facts import FACTS, catalogue_tables, family_of, measure, mismatches

MAX_STEP = 0.267675695703
FAMILY_ORDER = [
    "lfo", "rhythm", "rudiment", "ease", "akwf", "groove", "lfo", "path", "rhythm", "wave",
    "env", "seq", "noise", "orbit", "weave", "polar", "spiro", "space", "mech", "euclid", "poly",
    "meter", "swing", "stick", "gesture", "ribbon", "contour", "silhouette", "spline", "tour",
    "scan", "reach", "surface", "braid", "arm", "dwell", "packet", "canon", "echo", "ladder",
    "necklace", "accent", "triplet", "dialogue", "burst", "beat",
]
# The two families split into two runs break on a name, not on a count.
SECOND_RUN_STARTS = {"lfo_twin_swell", "rhythm_five_four"}


@pytest.fixture(scope="module")
def tables():
    return catalogue_tables()


def test_every_table_keeps_the_invariants(tables):
    problems = []
    for name, (info, rows) in tables.items():
        dims = 1
        for row in rows:
            for value in row:
                if not (math.isfinite(value) and -1.0 <= value <= 1.0 and round(value, 12) == value):
                    problems.append(f"{name}: value {value!r}")
                if value == 0.0 and math.copysign(1.0, value) < 0:
                    problems.append(f"{name}: negative zero")
            dims = 3 if row[2] != 0.0 else (2 if row[1] != 0.0 and dims != 3 else dims)
        if dims != info["dimensions"]:
            problems.append(f"{name}: rows move {dims} axes, listed {info['dimensions']}")
        steps = [max(abs(a - b) for a, b in zip(rows[i], rows[i + 1])) for i in range(len(rows) - 1)]
        seam = max(abs(a - b) for a, b in zip(rows[-1], rows[0]))
        if max(steps) > MAX_STEP:
            problems.append(f"{name}: step {max(steps)!r}")
        if seam > max(steps) + 1.5e-12:
            problems.append(f"{name}: seam {seam!r} above largest step {max(steps)!r}")
    assert problems == []


def test_records_follow_the_family_runs_in_catalogue_order(tables):
    runs = []
    for name in tables:
        family = family_of(name)
        if not runs or runs[-1] != family or name in SECOND_RUN_STARTS:
            runs.append(family)
    positions = iter(range(len(FAMILY_ORDER)))
    for family in runs:  # each run must occur later in the order than the one before
        assert any(FAMILY_ORDER[i] == family for i in positions), runs


@pytest.mark.parametrize("family", sorted(FACTS))
def test_complete_families_meet_their_facts(tables, family):
    measured = measure(tables).get(family)
    if measured is None or measured["records"] != FACTS[family].records:
        not_built(f"the {family} family")
    assert mismatches(family, measured) == []


def test_metadata_texts_follow_the_catalogue_rules(tables):
    for name, (info, _) in tables.items():
        assert 8 <= len(name) <= 32 and name.replace("_", "").isalnum() and name.islower()
        encoded = info["description"].encode()
        assert 43 <= len(encoded) <= 235, name
        assert info["period_pips"] % 32 == 0 and 160 <= info["period_pips"] <= 1024
        assert set(info["description"]) - {"\u2013", "\u2014"} <= set(map(chr, range(32, 127)))


def test_every_name_is_found_and_near_misses_are_not(tables):
    names = sorted(tables, key=str.encode)
    for name in names:
        assert kinemorphs.sample(name, 0).as_tuple() == tables[name][1][0]
    near_misses = {names[0][:-1], names[-1] + "_", "", " " + names[0], names[0].upper()}
    near_misses |= {name[: len(name) // 2] for name in names} - set(names)
    for miss in near_misses:
        with pytest.raises(ValueError, match="^Unknown kinemorph: "):
            kinemorphs.sample(miss, 0)


def test_sampling_wraps_every_period_at_the_extremes(tables):
    for name, (info, rows) in tables.items():
        period = info["period_pips"]
        for pip in (-1, -period, 2147483647, -2147483648, period + 3):
            assert kinemorphs.sample(name, pip).as_tuple() == rows[pip % period], (name, pip)


RUN_LENGTHS = [8, 4, 4, 4, 4, 4, 8, 8, 8] + [16] * 36 + [1088]
LANDMARKS = {0: "lfo_breathe", 28: "lfo_twin_swell", 44: "rhythm_five_four", 628: "beat_four_floor_bounce",
             771: "beat_amapiano_glide", 772: "beat_four_floor_surge", 1203: "beat_amapiano_ricochet",
             1204: "beat_jersey_five_bounce", 1715: "beat_dembow_push_ricochet"}


def test_complete_catalogue_order_and_totals(tables):
    if len(tables) != 1716:
        not_built("part of the catalogue")
    names = list(tables)
    expected_families = [f for f, n in zip(FAMILY_ORDER, RUN_LENGTHS) for _ in range(n)]
    assert [family_of(n) for n in names] == expected_families
    assert {i: names[i] for i in LANDMARKS} == LANDMARKS
    assert len(kinemorphs.catalogue()) == 1731
    by_period_and_dims = Counter((info["period_pips"], info["dimensions"]) for info, _ in tables.values())
    assert sum(len(rows) for _, rows in tables.values()) == 1022912
    assert Counter(d for (_, d), n in by_period_and_dims.items() for _ in range(n)) == {1: 29, 2: 321, 3: 1366}
    assert by_period_and_dims[(512, 3)] == 1112 and by_period_and_dims[(1024, 2)] == 111
    values = [[row[a] for _, rows in tables.values() for row in rows] for a in range(3)]
    assert [(min(v), max(v)) for v in values] == [
        (-0.85586587211, 1.0), (-0.92, 0.85), (-0.819999514101, 0.92)]
    assert sum(max(abs(v) for row in rows for v in row) == 1.0 for _, rows in tables.values()) == 2
    vertical_only = [n for n, (info, rows) in tables.items()
                     if info["dimensions"] == 2 and all(row[0] == 0.0 for row in rows)]
    assert len(vertical_only) == 18 and sum(n.startswith("env_") for n in vertical_only) == 16
    names = sorted(tables, key=str.encode)
    assert (names[0], names[-1]) == ("accent_walk_10_3", "weave_5_9")
    lengths = {n: len(info["description"].encode()) for n, (info, _) in tables.items()}
    assert max(lengths, key=lengths.get) == "beat_amen_four_bar_glide" and lengths["beat_amen_four_bar_glide"] == 235
    assert sorted(n for n, length in lengths.items() if length == 43) == ["beat_house_shuffle_bounce", "beat_house_shuffle_step"]
    assert max(names, key=len) == "beat_jungle_switchback_corkscrew"
    assert sum(info["description"].endswith(". ") for info, _ in tables.values()) == 72
