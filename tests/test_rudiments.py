import math

import pytest

import kinemorphs
from conftest import bits
from rudiment_reference import RUDIMENTS

NAMES = [name for name, *_ in RUDIMENTS]
EXTREME_PIPS = [-2147483648, -2147483647, 2147483646, 2147483647]


@pytest.mark.parametrize("name, period, dimensions, reference", RUDIMENTS, ids=NAMES)
def test_every_pip_of_a_period_matches_the_formula_bit_for_bit(name, period, dimensions, reference):
    function = getattr(kinemorphs, name)
    for pip in range(-period, 2 * period):
        assert bits(function(pip).as_tuple()) == bits(reference(pip)), pip


@pytest.mark.parametrize("name, period, dimensions, reference", RUDIMENTS, ids=NAMES)
def test_periodic_across_zero_and_at_the_32_bit_extremes(name, period, dimensions, reference):
    function = getattr(kinemorphs, name)
    for pip in [-3 * period - 5, -period - 1, -1, 0, 1, period - 1] + EXTREME_PIPS:
        here = function(pip).as_tuple()
        assert bits(here) == bits(reference(pip))
        if -2147483648 <= pip + period <= 2147483647:
            assert bits(function(pip + period).as_tuple()) == bits(here)
    assert bits(function(-2147483648).as_tuple()) == bits(function(0).as_tuple())
    assert bits(function(2147483647).as_tuple()) == bits(function(period - 1).as_tuple())


@pytest.mark.parametrize("name, period, dimensions, reference", RUDIMENTS, ids=NAMES)
def test_values_stay_in_range_and_unused_axes_are_exactly_zero(name, period, dimensions, reference):
    function = getattr(kinemorphs, name)
    rows = [function(pip).as_tuple() for pip in range(period)]
    for row in rows:
        assert all(math.isfinite(v) and -1.0 <= v <= 1.0 for v in row)
        assert bits(row[dimensions:]) == bits((0.0,) * (3 - dimensions))
    assert any(row[dimensions - 1] != 0.0 for row in rows)


@pytest.mark.parametrize("name, pip, expected", [
    ("bounce", 0, (-1.0, 0.0, 0.0)),
    ("bounce", 32, (1.0, 0.0, 0.0)),
    ("bounce", 16, (0.0, 0.0, 0.0)),
    ("bounce", -1, (-15 / 16, 0.0, 0.0)),
    ("box_step", 0, (-1.0, -1.0, 0.0)),
    ("box_step", 64, (1.0, -1.0, 0.0)),
    ("box_step", 128, (1.0, 1.0, 0.0)),
    ("box_step", 192, (-1.0, 1.0, 0.0)),
    ("box_step", 32, (0.0, -1.0, 0.0)),
    ("step_touch", 16, (-0.5, -0.35, 0.0)),
    ("step_touch", 48, (0.5, -0.35, 0.0)),
    ("helix", 0, (1.0, 0.0, 0.0)),
    ("single_stroke_roll", 4, (0.92, -(0.92 * 0.72), 0.0)),
    ("single_stroke_roll", 12, (-0.92, -(0.92 * 0.72), 0.0)),
    ("single_paradiddle", 4, (1.0, -0.72, 0.0)),
    ("single_paradiddle", 36, (-1.0, -0.72, 0.0)),
    ("five_stroke_roll", 43, (1.0, -0.72, 0.0)),
    ("five_stroke_roll", 107, (-1.0, -0.72, 0.0)),
    ("tobrin_background", 0, (0.0, 0.0, 0.0)),
    ("tobrin_background", 23, (2 / 14, -0.1, 0.0)),
])
def test_landmarks(name, pip, expected):
    assert getattr(kinemorphs, name)(pip).as_tuple() == pytest.approx(expected, abs=1e-15)


def test_exact_landmarks():
    circle = kinemorphs.circle(0)
    assert circle.y == -1.0 and circle.x == math.cos(-1.5707963267948966) > 0.0
    assert kinemorphs.tobrin_background(100).x == -1.0
    for pip in (0, 32, 64, 96):
        assert bits([kinemorphs.step_touch(pip).y]) == bits([-0.0])
    for pip in range(0, 64, 8):
        assert kinemorphs.single_stroke_roll(pip).as_tuple() == (0.0, 0.0, 0.0)


def test_flam_overlap_sums_both_envelopes():
    grace = 0.34 * math.sin(7 / 10 * math.pi) ** 2
    primary = 0.9 * math.sin(2 / 14 * math.pi) ** 2
    x, y, _ = kinemorphs.flam(7).as_tuple()
    assert x == pytest.approx(primary - grace, abs=1e-15)
    assert y == pytest.approx(-0.72 * (grace + primary), abs=1e-15)
