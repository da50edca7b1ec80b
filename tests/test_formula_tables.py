"""The tables given by formula, row by row against an independent recomputation."""

import pytest

import kinemorphs
from catalogue_scope import not_built
from formula_reference import FORMULA_TABLES, MECH, angle, reference_rows, rows_of

PRESENT = {info["name"]: info for info in kinemorphs.catalogue()}
# One unit of the twelfth decimal, as the difference of two rounded values.
LAST_UNIT = 1.5e-12


def test_reference_covers_every_formula_table():
    assert len(FORMULA_TABLES) == 233


@pytest.mark.parametrize("name", sorted(FORMULA_TABLES))
def test_table_matches_the_formula(name):
    if name not in PRESENT:
        not_built(name)
    period, _, last_unit = FORMULA_TABLES[name]
    assert PRESENT[name]["period_pips"] == period
    expected = reference_rows(name)
    actual = [kinemorphs.sample(name, pip).as_tuple() for pip in range(period)]
    if not last_unit:
        mismatched = [k for k in range(period) if actual[k] != expected[k]]
    else:
        mismatched = [k for k in range(period)
                      if any(abs(a - e) > LAST_UNIT for a, e in zip(actual[k], expected[k]))]
    assert mismatched == [], f"first differing row {mismatched[:1]}: {actual[mismatched[0]]} vs {expected[mismatched[0]]}"


@pytest.mark.parametrize("name, pip, row", [
    ("lfo_breathe", 32, (0.565685424949, 0.0, 0.0)),
    ("lfo_breathe", 64, (0.8, 0.0, 0.0)),
    ("path_lissajous_2_3", 64, (0.78, 0.480832611207, 0.0)),
    ("path_lissajous_2_3", 128, (0.0, -0.68, 0.0)),
    ("path_rose_4", 0, (0.82, 0.0, 0.0)),
    ("path_rose_4", 64, (0.0, 0.0, 0.0)),
    ("path_rose_4", 128, (0.0, -0.82, 0.0)),
    ("path_rose_4", 256, (-0.82, 0.0, 0.0)),
    ("weave_1_3", 0, (0.296525158688, 0.0, 0.0)),
    ("weave_1_3", 512, (-0.296525158688, 0.0, 0.0)),
])
def test_worked_examples(name, pip, row):
    if name not in PRESENT:
        not_built(name)
    assert kinemorphs.sample(name, pip).as_tuple() == row
    assert reference_rows(name)[pip] == row


@pytest.mark.parametrize("name, peak", [
    ("mech_paddle", 1.23), ("mech_two_lobe_cam", 0.75), ("mech_three_lobe_cam", 1.2),
])
def test_stated_cam_divisors_are_the_raw_peaks(name, peak):
    # These tables are stored as (raw * 0.82) / m with m given; it must be the
    # raw peak, so dividing by either gives the same rows.
    shape, normalised = MECH[name]
    raw = rows_of(512, lambda k: shape(angle(k, 512)))
    assert normalised and max(abs(v) for row in raw for v in row) == peak
