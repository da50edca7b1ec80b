import math

import pytest

from kinemorphs import SampledPattern
from conftest import bits

BAD_NAME = "^Invalid pattern name$"
BAD_SIZE = r"^A pattern requires 1\.\.65535 samples \(one per pip\)$"
BAD_VALUE = r"^Pattern samples must be finite and within \[-1, 1\]$"
ZERO = (0.0, 0.0, 0.0)


def ramp(count):
    """A table whose x identifies the row, so any wrap error shows."""
    return [(i / count, 0.0, 0.0) for i in range(count)]


@pytest.mark.parametrize("name", ["a", "a" * 128, "z9_", "a_1_b", "kick2", "x" + "_" * 127])
def test_valid_names(name):
    assert SampledPattern(name, "", [ZERO]).name == name


@pytest.mark.parametrize("name", ["", "a" * 129, "9a", "_a", "aB", "A", "a-b", "a b",
                                  "caf\u00e9", "a\x00", "a.b"])
def test_invalid_names(name):
    with pytest.raises(ValueError, match=BAD_NAME):
        SampledPattern(name, "", [ZERO])


def test_name_is_checked_before_size_and_size_before_values():
    with pytest.raises(ValueError, match=BAD_NAME):
        SampledPattern("Bad", "", [])
    with pytest.raises(ValueError, match=BAD_SIZE):
        SampledPattern("ok", "", [(math.nan, 0.0, 0.0)] * 65536)


@pytest.mark.parametrize("count, ok", [(0, False), (1, True), (65535, True), (65536, False)])
def test_sample_count_limits(count, ok):
    if ok:
        assert SampledPattern("p", "", [ZERO] * count).period_pips == count
    else:
        with pytest.raises(ValueError, match=BAD_SIZE):
            SampledPattern("p", "", [ZERO] * count)


@pytest.mark.parametrize("value", [-1.0, 1.0, -0.0, 5e-324])
@pytest.mark.parametrize("axis", range(3))
def test_boundary_values_are_kept_exactly(value, axis):
    row = tuple(value if i == axis else 0.0 for i in range(3))
    assert bits(SampledPattern("p", "", [ZERO, row]).sample(1).as_tuple()) == bits(row)


@pytest.mark.parametrize("value", [math.nan, math.inf, -math.inf,
                                   math.nextafter(1.0, math.inf), math.nextafter(-1.0, -math.inf)])
@pytest.mark.parametrize("axis", range(3))
def test_non_finite_or_out_of_range_values_are_refused(value, axis):
    row = tuple(value if i == axis else 0.0 for i in range(3))
    with pytest.raises(ValueError, match=BAD_VALUE):
        SampledPattern("p", "", [ZERO, ZERO, row])


def test_texts_and_period_are_kept():
    pattern = SampledPattern("wave", "", ramp(7))
    assert (pattern.name, pattern.description, pattern.period_pips) == ("wave", "", 7)
    assert SampledPattern("w", "Any text at all: \u00e9 -", [ZERO]).description == \
        "Any text at all: \u00e9 -"


@pytest.mark.parametrize("count, pip, index", [
    (64, 0, 0), (64, 63, 63), (64, 64, 0), (64, 130, 2), (64, -1, 63), (64, -64, 0),
    (64, -130, 62), (3, -1, 2), (3, -2147483648, 1), (3, 2147483647, 1),
    (65535, 2147483647, 32767), (65535, -2147483648, 32767), (1, -2147483648, 0),
])
def test_sampling_wraps_into_the_period(count, pip, index):
    pattern = SampledPattern("p", "", ramp(count))
    assert pattern.sample(pip).as_tuple() == ramp(count)[index]
    assert pattern.sample(pip_count=pip).as_tuple() == ramp(count)[index]


def test_each_sample_is_a_new_object():
    pattern = SampledPattern("p", "", [(0.25, -0.5, 1.0)])
    first, second = pattern.sample(0), pattern.sample(5)
    assert first is not second and first.as_tuple() == second.as_tuple() == (0.25, -0.5, 1.0)
