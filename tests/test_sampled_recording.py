import math

import pytest

from kinemorphs import SampledRecording

BAD_ID = "^Invalid identifier$"
BAD_TIMING = "^A finite positive BPM and beat origin are required$"
BAD_SIZE = "^Empty recording or recording resource limit exceeded$"
OUTSIDE = "^Pip outside non-looping recording$"
LIMIT = 8388608


def recording(name="take", dimensions=("x",), samples=((0.0,),), bpm=120.0, **kwargs):
    return SampledRecording(name, list(dimensions), [list(r) for r in samples], bpm, **kwargs)


def test_defaults_and_properties():
    plain = SampledRecording("r", ["x"], [[0.0]], 120.0)
    assert (plain.beat_zero_seconds, plain.start_pip) == (0.0, 0)
    rec = recording("dance", ["lx", "ly", "z9"], [[1.0, -1.0, 0.5], [0.0, 0.25, -0.75]],
                    bpm=97.5, beat_zero_seconds=-1.25, start_pip=-100)
    assert (rec.name, rec.dimensions, rec.sample_count) == ("dance", ["lx", "ly", "z9"], 2)
    assert (rec.bpm, rec.beat_zero_seconds, rec.start_pip) == (97.5, -1.25, -100)
    assert type(rec.bpm) is float and type(rec.sample_count) is int
    axes = rec.dimensions
    axes.append("extra")
    axes[0] = "changed"
    assert rec.dimensions == ["lx", "ly", "z9"] and rec.dimensions is not rec.dimensions


@pytest.mark.parametrize("kwargs, message", [
    ({"name": "Bad", "bpm": 0.0}, BAD_ID),
    ({"name": "", "dimensions": []}, BAD_ID),
    ({"bpm": 0.0, "dimensions": []}, BAD_TIMING),
    ({"dimensions": [], "samples": [[2.0]]}, BAD_SIZE),
    ({"dimensions": ["Bad"], "samples": []}, BAD_SIZE),
    ({"dimensions": ["x", "Y"], "samples": [[0.0]]}, BAD_ID),
    ({"dimensions": ["x", "Y", "x"], "samples": [[0.0]]}, BAD_ID),
    ({"dimensions": ["x", "x", "Y"], "samples": [[0.0]]}, "^Duplicate axis$"),
    ({"dimensions": ["x", "x"], "samples": [[5.0]]}, "^Duplicate axis$"),
    ({"samples": [[0.0], [0.0, 0.0]]}, "^Ragged recording$"),
    ({"samples": [[2.0], [0.0, 0.0]]}, "^Invalid sample$"),
    ({"samples": [[0.0], []]}, "^Ragged recording$"),
])
def test_checks_run_in_order(kwargs, message):
    with pytest.raises(ValueError, match=message):
        recording(**kwargs)


@pytest.mark.parametrize("bpm", [0.0, -0.0, -120.0, math.nan, math.inf, -math.inf, 5e-324])
def test_unusable_tempo_is_refused(bpm):
    with pytest.raises(ValueError, match=BAD_TIMING):
        recording(bpm=bpm)


@pytest.mark.parametrize("origin", [math.nan, math.inf, -math.inf])
def test_unusable_beat_origin_is_refused(origin):
    with pytest.raises(ValueError, match=BAD_TIMING):
        recording(beat_zero_seconds=origin)


@pytest.mark.parametrize("bpm, origin", [(1e-300, 0.0), (1e300, -1e300), (0.5, -3.0)])
def test_extreme_but_finite_timing_is_accepted(bpm, origin):
    assert recording(bpm=bpm, beat_zero_seconds=origin).bpm == bpm


@pytest.mark.parametrize("value, ok", [(-1.0, True), (1.0, True), (-0.0, True),
                                       (math.nextafter(1.0, 2.0), False), (-1.5, False),
                                       (math.nan, False), (math.inf, False), (-math.inf, False)])
def test_value_range(value, ok):
    if ok:
        assert recording(dimensions=["a", "b"], samples=[[0.0, value]]).sample(0) == [0.0, value]
    else:
        with pytest.raises(ValueError, match="^Invalid sample$"):
            recording(dimensions=["a", "b"], samples=[[0.0, 0.0], [0.0, value]])


@pytest.mark.parametrize("axes, rows, ok", [(1, LIMIT, True), (1, LIMIT + 1, False),
                                            (3, LIMIT // 3, True), (3, LIMIT // 3 + 1, False)])
def test_value_count_limit(axes, rows, ok):
    row = [0.5] * axes
    names = [f"a{i}" for i in range(axes)]
    if ok:
        rec = SampledRecording("big", names, [row] * rows, 60.0)
        assert rec.sample_count == rows and rec.sample(rows - 1) == row
    else:
        with pytest.raises(ValueError, match=BAD_SIZE):
            SampledRecording("big", names, [row] * rows, 60.0)


@pytest.mark.parametrize("start_pip, rows, ok", [
    (2147483646, 1, True), (2147483647, 1, False), (2147483640, 7, True), (2147483641, 7, False),
    (-2147483648, 3, True),
])
def test_last_covered_pip_must_fit_32_bits(start_pip, rows, ok):
    samples = [[i / 8] for i in range(rows)]
    if ok:
        rec = recording(samples=samples, start_pip=start_pip)
        assert rec.sample(start_pip + rows - 1) == samples[-1]
    else:
        with pytest.raises(ValueError, match=BAD_SIZE):
            recording(samples=samples, start_pip=start_pip)


@pytest.mark.parametrize("start_pip", [0, -5, 1000, -2147483648])
def test_sampling_inside_and_outside_the_covered_pips(start_pip):
    rows = [[0.125, -0.25], [0.5, 1.0], [-1.0, 0.0]]
    rec = recording(dimensions=["h", "v"], samples=rows, start_pip=start_pip)
    for offset, row in enumerate(rows):
        assert rec.sample(start_pip + offset) == row
    assert rec.sample(pip=start_pip + 1) == rows[1]
    assert rec.sample(start_pip) is not rec.sample(start_pip)
    outside = [start_pip + 3, 2147483647] + ([start_pip - 1] if start_pip > -2147483648 else [])
    for pip in outside:
        with pytest.raises(IndexError, match=OUTSIDE) as caught:
            rec.sample(pip)
        assert not isinstance(caught.value, ValueError)
