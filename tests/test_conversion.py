import math
from decimal import Decimal
from fractions import Fraction

import numpy as np
import pytest

import kinemorphs
from kinemorphs import PatternLibrary, SampledPattern, SampledRecording

RAMP = [(i / 16, 0.0, 0.0) for i in range(16)]
RAMP_PATTERN = SampledPattern("ramp", "", RAMP)
ROWS = [[i / 16] for i in range(16)]
RECORDING = SampledRecording("take", ["x"], ROWS, 120.0)
LIBRARY = PatternLibrary([RAMP_PATTERN])


class Small(int):
    pass


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Floaty:
    def __float__(self):
        return 0.75


# Each pip parameter, observed through what the call returns for that pip.
CONVERTING = {
    "rudiment": lambda pip: kinemorphs.helix(pip).as_tuple(),
    "by name": lambda pip: kinemorphs.sample("helix", pip).as_tuple(),
    "start_pip": lambda pip: SampledRecording("r", ["x"], [[0.0]], 60.0, 0.0, pip).start_pip,
}
STRICT = {
    "pattern": lambda pip: RAMP_PATTERN.sample(pip).as_tuple(),
    "library": lambda pip: LIBRARY.sample("ramp", pip).as_tuple(),
    "recording": lambda pip: RECORDING.sample(pip),
}
ALL = {**CONVERTING, **STRICT}


@pytest.mark.parametrize("where", ALL)
@pytest.mark.parametrize("value, same_as", [(True, 1), (False, 0), (Small(5), 5), (Index(7), 7),
                                            (np.int64(9), 9), (np.uint8(13), 13)])
def test_integers_and_index_objects_are_accepted_everywhere(where, value, same_as):
    assert ALL[where](value) == ALL[where](same_as)


@pytest.mark.parametrize("where", ALL)
@pytest.mark.parametrize("value", [3.0, -0.0, np.float64(3.0), None, "3", b"3", 3j, [3], Floaty(),
                                   2**31, -2**31 - 1, 2**63, Index(2**31), Decimal(2**31)])
def test_non_integers_and_out_of_range_pips_are_type_errors(where, value):
    with pytest.raises(TypeError) as caught:
        ALL[where](value)
    assert not isinstance(caught.value, OverflowError)


# Other numbers go through int() once in converting mode; strict pips refuse
# them as they refuse a float.
@pytest.mark.parametrize("where", ALL)
@pytest.mark.parametrize("value, same_as", [(Decimal("2.9"), 2), (Decimal("-2.9"), -2), (Fraction(7, 2), 3),
                                            (Fraction(-7, 2), -3), (np.float32(2.5), 2),
                                            (np.float16(-2.5), -2), (np.bool_(True), 1)])
def test_converting_pips_truncate_other_numbers_while_strict_pips_refuse_them(where, value, same_as):
    if where in CONVERTING:
        assert ALL[where](value) == ALL[where](same_as)
        return
    with pytest.raises(TypeError) as as_float:
        ALL[where](2.5)
    with pytest.raises(TypeError) as caught:
        ALL[where](value)
    assert str(caught.value) == str(as_float.value).replace("2.5", repr(value))


FLOAT_SITES = {
    "bpm": lambda value: SampledRecording("r", ["x"], [[0.0]], value),
    "beat_zero_seconds": lambda value: SampledRecording("r", ["x"], [[0.0]], 60.0, value),
    "recording value": lambda value: SampledRecording("r", ["x"], [[value]], 60.0),
    "pattern value": lambda value: SampledPattern("p", "", [(0.0, value, 0.0)]),
}
# Pips are read through __index__, floats through __float__.
CONVERSION_SITES = {**ALL, **FLOAT_SITES}


class Converting:
    """A number whose conversions raise `error`, or else return another such number."""

    def __init__(self, error=None, depth=0):
        self.error, self.depth, self.calls = error, depth, []

    def convert(self):
        self.calls.append(self.depth)
        if self.error:
            raise self.error
        return Converting(depth=self.depth + 1)

    __index__ = __float__ = convert


@pytest.mark.parametrize("where", CONVERSION_SITES)
@pytest.mark.parametrize("error", [None, ValueError("not today"), TypeError("no")])
def test_a_failed_conversion_runs_once_and_refuses_the_argument(where, error):
    number = Converting(error)
    with pytest.raises(TypeError, match="incompatible (function|constructor) arguments"):
        CONVERSION_SITES[where](number)
    assert number.calls == [0]


@pytest.mark.parametrize("where", CONVERSION_SITES)
@pytest.mark.parametrize("error", [KeyboardInterrupt, MemoryError, RecursionError])
def test_interrupts_and_exhaustion_inside_a_conversion_pass_through(where, error):
    raised = error("inside")
    with pytest.raises(error) as caught:
        CONVERSION_SITES[where](Converting(raised))
    assert caught.value is raised


@pytest.mark.parametrize("pip", [2147483647, -2147483648])
def test_extreme_pips_are_accepted(pip):
    kinemorphs.helix(pip)
    assert RAMP_PATTERN.sample(pip).as_tuple() == RAMP[pip % 16]
    start = min(pip, 2147483646)
    assert SampledRecording("r", ["x"], [[0.5]], 60.0, 0.0, start).sample(start) == [0.5]
    with pytest.raises(IndexError):
        RECORDING.sample(pip)


def timing(bpm):
    return SampledRecording("r", ["x"], [[0.0]], bpm, bpm).bpm


@pytest.mark.parametrize("value, expected", [(90, 90.0), (True, 1.0), (Floaty(), 0.75),
                                             (Index(30), 30.0), (Decimal("1.5"), 1.5),
                                             (Fraction(3, 2), 1.5), (10**300, 1e300)])
def test_float_parameters_accept_numbers(value, expected):
    assert timing(value) == expected


@pytest.mark.parametrize("value", ["120", b"120", 1j, 10**400, None, [120.0]])
def test_float_parameters_refuse_text_complex_and_huge_ints(value):
    with pytest.raises(TypeError):
        timing(value)
    with pytest.raises(TypeError):
        SampledPattern("p", "", [(0.0, value, 0.0)])


@pytest.mark.parametrize("make", [bytes, bytearray])
def test_byte_names_are_taken_as_raw_bytes(make):
    pattern = SampledPattern(make(b"abc"), make(b"\xc3\xa9\x00"), [(0, 0, 0)])
    assert pattern.name == "abc" and pattern.description == "\u00e9\0"
    assert SampledRecording(make(b"r"), [make(b"x1")], [[0.0]], 60.0).dimensions == ["x1"]
    with pytest.raises(ValueError, match="^Invalid pattern name$"):
        SampledPattern(make("\u00e9".encode()), "", [(0, 0, 0)])


@pytest.mark.parametrize("text", ["a\ud800", None, 5, ["a"]])
def test_text_parameters_refuse_other_objects(text):
    with pytest.raises(TypeError):
        SampledPattern(text, "", [(0, 0, 0)])
    with pytest.raises(TypeError):
        SampledPattern("p", text, [(0, 0, 0)])
    with pytest.raises(TypeError):
        SampledRecording("r", [text], [[0.0]], 60.0)


def test_generator_samples_are_consumed_once():
    pulled = []

    def rows():
        for row in RAMP[:4]:
            pulled.append(row)
            yield row

    assert SampledPattern("gen", "", rows()).sample(3).as_tuple() == RAMP[3]
    assert pulled == RAMP[:4]


# Factories, so that each run gets fresh one-shot iterators.
@pytest.mark.parametrize("samples, period", [
    (lambda: {(0.0, 0.0, 0.0), (0.5, 0.0, 0.0)}, 2), (lambda: frozenset({(0.5, 0.0, 0.0)}), 1),
    (lambda: {(0.5, 0.0, 0.0): "k"}.keys(), 1), (lambda: {"k": (0.5, 0.0, 0.0)}.values(), 1),
    (lambda: map(tuple, [[0.5, 0, 0]] * 3), 3), (lambda: zip([0.5, 1], [0, 0], [0, -1]), 2),
    (lambda: [{0.5, 0.25, 0.125}], 1), (lambda: (r for r in [range(-1, 2)]), 1),
])
def test_pattern_samples_accept_iterables(samples, period):
    assert SampledPattern("p", "", samples()).period_pips == period


@pytest.mark.parametrize("samples", [
    {(0.0, 0.0, 0.0): 1}, iter([]), (0.0, 0.0, 0.0), "abc", None,
    [(0.0, 0.0)], [(0.0, 0.0, 0.0, 0.0)], [(0.0, 0.0, 0.0), (0.0, 0.0)], [{0.0: 1, 1.0: 2, 0.5: 3}],
])
def test_pattern_samples_refuse_other_shapes(samples):
    with pytest.raises(TypeError):
        SampledPattern("p", "", samples)


@pytest.mark.parametrize("dimensions, samples, axes", [
    (lambda: {"h"}, lambda: [[0.5]], ["h"]), (lambda: {"h": 0}.keys(), lambda: [[0.5]], ["h"]),
    (lambda: (a for a in ["h", "v"]), lambda: zip([0.5], [0.25]), ["h", "v"]),
    (lambda: ("h",), lambda: map(list, [(0.5,)]), ["h"]),
])
def test_recording_sequences_accept_iterables(dimensions, samples, axes):
    rec = SampledRecording("r", dimensions(), samples(), 60.0)
    assert rec.dimensions == axes and rec.sample(0)[0] == 0.5


@pytest.mark.parametrize("dimensions, samples", [
    ("x", [[0.0]]), ({"x": 0}, [[0.0]]), (["x"], {0: [0.0]}), (["x"], [b"\x00"]), (["x"], [0.0]),
])
def test_recording_sequences_refuse_other_shapes(dimensions, samples):
    with pytest.raises(TypeError):
        SampledRecording("r", dimensions, samples, 60.0)


def test_conversion_precedes_validation():
    with pytest.raises(TypeError):
        SampledPattern("Bad", "", [(math.nan, 0.0)])


@pytest.mark.parametrize("make", [
    lambda rows: SampledPattern("p", "", rows),
    lambda rows: SampledRecording("r", ["a", "b", "c"], (list(r) for r in rows), 60.0),
])
def test_errors_raised_while_reading_arguments_propagate_unchanged(make):
    error = KeyError("from the generator")

    def rows():
        yield (0.0, 0.0, 0.0)
        raise error

    with pytest.raises(KeyError) as caught:
        make(rows())
    assert caught.value is error
