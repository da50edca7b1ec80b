"""Randomised hostile calls into every constructor and sampling call.

Each call must succeed with the result a plain call gives, raise the error
and message that the module specifies, fail conversion with the binding
layer's TypeError, or let through the exception that an argument object
raised itself. The seeds are fixed so that a failure reproduces;
KINEMORPHS_FUZZ_CALLS sets the number of calls (100 000 by default).
"""

import math
import os
import re
from decimal import Decimal
from fractions import Fraction

import numpy as np
import pytest
from hypothesis import HealthCheck, Phase, given, seed, settings
from hypothesis import strategies as st

import kinemorphs
from kinemorphs import PatternLibrary, SampledPattern, SampledRecording

CALLS = int(os.environ.get("KINEMORPHS_FUZZ_CALLS", "100000"))
CALLS_PER_EXAMPLE = 50
REFUSED = "refused"             # the binding layer's TypeError
RAISES = "raises"               # the argument's own Hostile, or a refused conversion
PASSES = "passes"               # an Exhausted raised by a conversion, which must reach the caller
MARKERS = (REFUSED, RAISES, PASSES)
OUTSIDE_RECORDING = "Pip outside non-looping recording"   # the one IndexError
CONVERSION_ERROR = re.compile(r"incompatible (function|constructor) arguments")
INT32 = (-2**31, 2**31 - 1)
BUILTIN_NAMES = [info["name"] for info in kinemorphs.catalogue()[::97]] + ["bounce", "five_stroke_roll"]


class Hostile(Exception):
    """Raised by the argument objects below, and nowhere else."""


class Exhausted(MemoryError):
    """Raised inside __index__ or __float__: exhaustion passes through conversion."""


def exhaust():
    raise Exhausted


class Index:
    def __init__(self, value, effect=None):
        self.value, self.effect = value, effect

    def __index__(self):
        if self.effect:
            self.effect()
        return self.value


class RaisingIndex:
    def __index__(self):
        raise Hostile


class LyingIndex:
    def __index__(self):
        return "3"


class Text(str):
    pass


class Bytes(bytes):
    pass


class Items:
    """A sequence by __len__ and __getitem__ that may lie or raise."""

    def __init__(self, items, length=None, fail_at=None):
        self.items, self.length, self.fail_at = items, length, fail_at

    def __len__(self):
        if self.length == "raise":
            raise Hostile
        return len(self.items) if self.length is None else self.length

    def __getitem__(self, index):
        if index == self.fail_at:
            raise Hostile
        return self.items[index]


class Floaty:
    def __init__(self, value, effect=None):
        self.value, self.effect = value, effect

    def __float__(self):
        if self.effect:
            self.effect()
        if self.value is Hostile:
            raise Hostile
        return self.value


def in_range(value):
    return value if INT32[0] <= value <= INT32[1] else REFUSED


# --- argument strategies: each draws (object, what conversion makes of it) ------------------

WIDE_INTS = st.one_of(st.integers(*INT32), st.sampled_from([2**31, -2**31 - 1, 2**63, -2**64, *INT32]))
PIP_KINDS = st.sampled_from(["int", "bool", "index", "numpy int", "raising", "exhausted", "lying",
                             "numpy bool", "float", "float-like", "text", "none"])
FLOAT_PIPS = st.sampled_from([math.nan, math.inf, -math.inf, -0.0, 3.0])


@st.composite
def pips(draw, convert):
    """A pip object and its value under the given conversion mode."""
    value = draw(WIDE_INTS)
    kind = draw(PIP_KINDS)
    if kind == "int":
        return value, in_range(value)
    if kind == "bool":
        return value % 2 == 1, value % 2
    if kind == "index":
        return Index(value), in_range(value)
    if kind == "numpy int":
        return np.int64(value % 2**63), in_range(value % 2**63)
    if kind == "raising":
        return RaisingIndex(), RAISES
    if kind == "exhausted":
        return Index(value, effect=exhaust), PASSES
    if kind == "lying":
        return LyingIndex(), REFUSED
    if kind == "float":
        return draw(FLOAT_PIPS), REFUSED
    if kind == "numpy bool":
        # No __index__, but int() takes it.
        return np.bool_(value % 2), value % 2 if convert else REFUSED
    if kind == "float-like":
        # int() truncates it toward zero in converting mode; refused like a float otherwise.
        number = draw(st.sampled_from([Decimal(value) + Decimal("0.9"), Decimal(value), Fraction(2 * value + 1, 2),
                                       np.float32(value), np.float16(value % 2048)]))
        return number, in_range(int(number)) if convert else REFUSED
    return ("5" if kind == "text" else None), REFUSED


ODD_TEXTS = st.sampled_from(["", "\0", "bounce\0tail", "\ud800", "bounce\udfff", "\u00e9", "A", "a" * 129])
ODD_BYTES = st.one_of(st.binary(max_size=12), st.sampled_from([b"\xff", b"bounce\xc3", b"\xed\xa0\x80", b"\0"]))
NAME_KINDS = st.sampled_from(["str", "substr", "bytes", "subbytes", "bytearray", "other"])
NOT_TEXT = st.sampled_from([None, 5, memoryview(b"bounce"), ["bounce"]])


def names(known):
    """Text arguments, each with the bytes it converts to (or REFUSED)."""
    texts = st.one_of(st.sampled_from(known), ODD_TEXTS, st.text(max_size=8))
    raws = st.one_of(st.sampled_from([t.encode() for t in known]), ODD_BYTES)
    return st.tuples(texts, raws, NAME_KINDS, NOT_TEXT).map(lambda drawn: converted_name(*drawn))


def converted_name(text, raw, kind, not_text):
    if kind in ("str", "substr"):
        try:
            converted = text.encode()
        except UnicodeEncodeError:
            converted = REFUSED
        return (Text(text) if kind == "substr" else text), converted
    if kind == "other":
        return not_text, REFUSED
    return {"bytes": bytes, "subbytes": Bytes, "bytearray": bytearray}[kind](raw), raw


UNIT_VALUES = st.one_of(st.floats(-1.0, 1.0), st.sampled_from([math.nan, math.inf, -math.inf, -0.0,
                                                              math.nextafter(1.0, 2.0), 2.0, 1, -1]))
NUMBER_KINDS = st.sampled_from(["plain", "plain", "plain", "floaty", "raising", "exhausted", "text",
                                "complex"])
CONTAINER_KINDS = st.sampled_from(["list", "tuple", "generator", "failing generator", "items",
                                   "raising len", "failing item", "short len", "huge len", "dict"])


@st.composite
def number(draw):
    """A float argument and its converted value (or REFUSED / RAISES)."""
    value = draw(UNIT_VALUES)
    kind = draw(NUMBER_KINDS)
    if kind == "plain":
        return value, float(value)
    if kind == "floaty":
        return Floaty(float(value)), float(value)
    if kind == "raising":
        return Floaty(Hostile), REFUSED
    if kind == "exhausted":
        return Floaty(value, effect=exhaust), PASSES
    return ("0.5" if kind == "text" else complex(value, 0)), REFUSED


def container(draw, items, snapshot=False):
    """Wraps drawn (object, value) items in a container of a drawn kind;
    returns the container and the converted list (or a refusal marker).
    A snapshot container is read whole before any item is converted."""
    objects = [obj for obj, _ in items]
    values = [value for _, value in items]
    outcome = first_refusal(*values) or values
    kind = draw(CONTAINER_KINDS)
    if kind == "list":
        return objects, outcome
    if kind == "tuple":
        return tuple(objects), outcome
    if kind == "generator":
        return (o for o in objects), outcome

    if kind == "failing generator":
        def failing():
            yield from objects[: len(objects) // 2]
            raise Hostile
        return failing(), RAISES
    if kind == "items":
        return Items(objects), outcome
    if kind == "raising len":
        return Items(objects, length="raise"), RAISES
    if kind == "failing item":
        # Otherwise the items before the failing one are converted first.
        fail_at = len(objects) // 2
        converted_first = [] if snapshot else values[:fail_at]
        return Items(objects, fail_at=fail_at), first_refusal(*converted_first) or RAISES
    if kind == "short len":
        # Lies about its length: iteration still runs to the end.
        return Items(objects, length=max(0, len(objects) - 1)), outcome
    if kind == "huge len":
        # A claim past any limit only sizes a reservation: the items are counted as read.
        return Items(objects, length=2**62), outcome
    return dict.fromkeys(range(len(objects))), REFUSED


# --- expectations ------------------------------------------------------------------------

def expect(call, outcome, check=None):
    """Runs `call`. `outcome` is a refusal marker, a ValueError message (or
    OUTSIDE_RECORDING, an IndexError's), or None for success, which
    `check(result)` then examines."""
    try:
        result = call()
    except Exhausted:
        assert outcome == PASSES
        return
    except Hostile:
        assert outcome == RAISES
        return
    except TypeError as error:
        assert outcome in (REFUSED, RAISES) and CONVERSION_ERROR.search(str(error)), (error, outcome)
        return
    except (ValueError, IndexError) as error:
        expected_type = IndexError if outcome == OUTSIDE_RECORDING else ValueError
        assert type(error) is expected_type and str(error) == outcome, (error, outcome)
        return
    assert outcome is None, (outcome, result)
    if check:
        check(result)


def first_refusal(*values):
    """Conversion stops at the first argument or element it cannot take, so
    the first refusal marker among the converted values decides."""
    return next((v for v in values if isinstance(v, str) and v in MARKERS), None)


def is_identifier(raw):
    return re.fullmatch(rb"[a-z][a-z0-9_]{0,127}", raw) is not None


def is_utf8(raw):
    try:
        raw.decode()
        return True
    except UnicodeDecodeError:
        return False


def finite_unit(value):
    return math.isfinite(value) and -1.0 <= value <= 1.0


def unknown(raw):
    return "Unknown kinemorph: " + raw.decode("utf-8", "backslashreplace")


USER_PATTERNS = {b"user_one": [(0.5, 0.0, 0.0), (0.0, -0.5, 0.0)], b"bounce_twice": [(0.0, 0.0, 1.0)] * 3}
LIBRARY = PatternLibrary([SampledPattern(name, "", rows) for name, rows in USER_PATTERNS.items()])
BUILTIN = {info["name"].encode() for info in kinemorphs.catalogue()}


def fuzz_sample(data):
    library = data.draw(BOOLEANS)
    name, raw = data.draw(SAMPLE_NAMES)
    pip, value = data.draw(STRICT_PIPS if library else CONVERTING_PIPS)
    if isinstance(name, bytearray) and isinstance(value, int) and data.draw(BOOLEANS):
        pip = Index(value, effect=name.clear)
    call = (lambda: LIBRARY.sample(name, pip)) if library else (lambda: kinemorphs.sample(name, pip))
    if first_refusal(raw, value):
        return expect(call, first_refusal(raw, value))
    if library and raw in USER_PATTERNS:
        rows = USER_PATTERNS[raw]
        expected = rows[value % len(rows)]
    elif raw in BUILTIN:
        expected = kinemorphs.sample(raw.decode(), value).as_tuple()
    else:
        return expect(call, unknown(raw))

    def check(result):
        assert result.as_tuple() == expected, (raw, value)

    expect(call, None, check)


@st.composite
def triples(draw):
    items = [draw(NUMBERS) for _ in range(draw(ROW_LENGTHS))]
    row, values = container(draw, items, snapshot=True)
    if values == RAISES:
        return row, values
    # The items are counted before any is converted, and a row must claim three too.
    if len(items) != 3 or (isinstance(row, Items) and isinstance(row.length, int)):
        return row, REFUSED
    return row, values


def fuzz_sampled_pattern(data):
    name, raw_name = data.draw(PATTERN_NAMES)
    description, raw_description = data.draw(DESCRIPTIONS)
    samples, table = container(data.draw, data.draw(TRIPLE_LISTS))
    if first_refusal(raw_name, raw_description, table):
        return expect(lambda: SampledPattern(name, description, samples),
                      first_refusal(raw_name, raw_description, table))
    if not is_identifier(raw_name):
        message = "Invalid pattern name"
    elif not is_utf8(raw_description):
        message = "Pattern description is not valid UTF-8"
    elif not table:
        message = "A pattern requires 1..65535 samples (one per pip)"
    elif not all(finite_unit(v) for row in table for v in row):
        message = "Pattern samples must be finite and within [-1, 1]"
    else:
        message = None

    def check(pattern):
        assert pattern.name == raw_name.decode() and pattern.description == raw_description.decode()
        assert [pattern.sample(pip).as_tuple() for pip in range(len(table))] == [tuple(r) for r in table]
        expect(lambda: PatternLibrary([pattern, pattern]),
               f"Duplicate pattern name: {pattern.name}" if raw_name not in BUILTIN else
               f"Cannot override default pattern: {pattern.name}")

    expect(lambda: SampledPattern(name, description, samples), message, check)


def fuzz_sampled_recording(data):
    name, raw_name = data.draw(RECORDING_NAMES)
    dimensions, axis_names = container(data.draw, data.draw(AXIS_LISTS))
    width = data.draw(WIDTHS)
    rows = [container(data.draw, [data.draw(NUMBERS) for _ in range(width)])
            for _ in range(data.draw(ROW_COUNTS))]
    samples, table = container(data.draw, rows)
    bpm, bpm_value = data.draw(BPMS)
    origin, origin_value = data.draw(NUMBERS)
    start, start_value = data.draw(CONVERTING_PIPS)
    call = lambda: SampledRecording(name, dimensions, samples, bpm, origin, start)  # noqa: E731
    refusal = first_refusal(raw_name, axis_names, table, bpm_value, origin_value, start_value)
    if refusal:
        return expect(call, refusal)
    seconds_per_beat = 60.0 / bpm_value if bpm_value > 0 else math.inf
    if not is_identifier(raw_name):
        message = "Invalid identifier"
    elif not (math.isfinite(bpm_value) and bpm_value > 0 and math.isfinite(seconds_per_beat)
              and math.isfinite(origin_value)):
        message = "A finite positive BPM and beat origin are required"
    elif not axis_names or not table or start_value + len(table) > INT32[1]:
        message = "Empty recording or recording resource limit exceeded"
    else:
        message = None
        seen = set()
        for axis in axis_names:
            if not is_identifier(axis):
                message = "Invalid identifier"
            elif axis in seen:
                message = "Duplicate axis"
            seen.add(axis)
            if message:
                break
        for row in table if message is None else ():
            if len(row) != len(axis_names):
                message = "Ragged recording"
            elif not all(finite_unit(v) for v in row):
                message = "Invalid sample"
            if message:
                break

    def check(recording):
        assert recording.sample_count == len(table) and recording.start_pip == start_value
        for offset, row in enumerate(table):
            assert recording.sample(start_value + offset) == list(row)
        expect(lambda: recording.sample(start_value - 1) if start_value > INT32[0] else recording.sample(
            start_value + len(table)), OUTSIDE_RECORDING)

    expect(call, message, check)


def fuzz_unconstructed(data):
    cls, method = data.draw(UNCONSTRUCTED_USES)
    if data.draw(BOOLEANS):
        cls = type("Sub", (cls,), {})
    bare = cls.__new__(cls)
    attribute = getattr(type(bare), method)
    if isinstance(attribute, property):
        return expect(lambda: attribute.fget(bare), REFUSED)
    arguments = [] if method != "sample" else ["bounce", 0] if issubclass(cls, PatternLibrary) else [0]
    expect(lambda: getattr(bare, method)(*arguments), REFUSED)


BOOLEANS = st.booleans()
STRICT_PIPS = pips(convert=False)
CONVERTING_PIPS = pips(convert=True)
NUMBERS = number()
ROW_LENGTHS = st.sampled_from([3, 3, 3, 3, 2, 4])
TRIPLE_LISTS = st.lists(triples(), max_size=5)
SAMPLE_NAMES = names(BUILTIN_NAMES + [n.decode() for n in USER_PATTERNS])
PATTERN_NAMES = names(["a", "pattern_1", "bounce"])
DESCRIPTIONS = names(["", "d", "\u00e9\u2014", "x\0y"])
RECORDING_NAMES = names(["r", "take_2"])
AXIS_LISTS = st.lists(names(["x", "y", "a_1"]), max_size=3)
WIDTHS = st.integers(1, 3)
ROW_COUNTS = st.integers(0, 3)
BPMS = st.one_of(NUMBERS, st.just((5e-324, 5e-324)), st.just((120, 120.0)))
UNCONSTRUCTED_USES = st.sampled_from([
    (cls, method) for cls in (kinemorphs.Offset3, SampledPattern, PatternLibrary, SampledRecording)
    for method in ("as_tuple", "x", "sample", "catalogue", "name", "sample_count", "dimensions")
    if hasattr(cls, method)])

FUZZERS = [fuzz_sample, fuzz_sample, fuzz_sample, fuzz_sampled_pattern, fuzz_sampled_recording,
           fuzz_unconstructed]
FUZZER_CHOICE = st.sampled_from(FUZZERS)


SEED = 20261209
# The calls run in batches, one test each, so that a long run shows its progress.
BATCHES = 10


def hostile_calls(batch):
    @seed(SEED + batch)
    @settings(max_examples=max(1, CALLS // CALLS_PER_EXAMPLE // BATCHES), deadline=None, database=None,
              derandomize=True, suppress_health_check=list(HealthCheck),
              # Shrinking a batch of calls takes minutes; the failing draws are printed instead.
              phases=[Phase.explicit, Phase.generate])
    @given(st.data())
    def calls(data):
        for _ in range(CALLS_PER_EXAMPLE):
            data.draw(FUZZER_CHOICE)(data)
    return calls


@pytest.mark.parametrize("batch", range(BATCHES))
def test_hostile_calls_succeed_or_fail_as_specified(batch):
    hostile_calls(batch)()
