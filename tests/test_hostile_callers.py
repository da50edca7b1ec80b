"""Calls a careless or hostile caller can make from pure Python: each must
either work or raise the specified error, never read freed or uninitialised
memory, and refusals must not cost much more than reading the input."""

import re
import subprocess
import sys

import pytest

import kinemorphs
from kinemorphs import Offset3, PatternLibrary, SampledPattern, SampledRecording

SAMPLERS = {
    "module": lambda name, pip: kinemorphs.sample(name, pip),
    "library": lambda name, pip: PatternLibrary().sample(name, pip),
}


@pytest.mark.parametrize("sampler", SAMPLERS.values(), ids=SAMPLERS)
def test_a_bytearray_name_resized_while_the_pip_is_read_is_not_read_afterwards(sampler):
    name = bytearray(b"x" * (1 << 20))

    class Resizing:
        def __index__(self):
            name.clear()
            return 0

    with pytest.raises(ValueError) as caught:
        sampler(name, Resizing())
    assert str(caught.value) == "Unknown kinemorph: " + "x" * (1 << 20)

    renamed = bytearray(b"bounce")

    class Renaming:
        def __index__(self):
            renamed[:] = b"sway"
            return 3

    assert sampler(renamed, Renaming()).as_tuple() == kinemorphs.bounce(3).as_tuple()


@pytest.mark.parametrize("sampler", SAMPLERS.values(), ids=SAMPLERS)
@pytest.mark.parametrize("name, shown", [
    (b"\xff", "\\xff"), (b"bounce\xc3", "bounce\\xc3"), ("bounce\0tail", "bounce\0tail"),
    (b"\0", "\0"), (b"a\xed\xa0\x80b", "a\\xed\\xa0\\x80b"), ("\u00e9t\u00e9", "\u00e9t\u00e9"),
    (bytearray(b"x\0\xfe"), "x\0\\xfe"),
])
def test_unknown_names_are_reported_whole(sampler, name, shown):
    with pytest.raises(ValueError) as caught:
        sampler(name, 0)
    assert type(caught.value) is ValueError and caught.value.__cause__ is None
    assert str(caught.value) == "Unknown kinemorph: " + shown


@pytest.mark.parametrize("sampler", SAMPLERS.values(), ids=SAMPLERS)
@pytest.mark.parametrize("name", ["bounce\ud800", memoryview(b"bounce"), None, 7])
def test_names_that_are_not_text_are_refused_by_conversion(sampler, name):
    with pytest.raises(TypeError, match="incompatible function arguments"):
        sampler(name, 0)


UNCONSTRUCTED_CALLS = {
    "Offset3.as_tuple": (Offset3, lambda o: o.as_tuple()),
    "Offset3.x": (Offset3, lambda o: o.x),
    "SampledPattern.sample": (SampledPattern, lambda p: p.sample(0)),
    "SampledPattern.name": (SampledPattern, lambda p: p.name),
    "SampledPattern.period_pips": (SampledPattern, lambda p: p.period_pips),
    "PatternLibrary.sample": (PatternLibrary, lambda lib: lib.sample("bounce", 0)),
    "PatternLibrary.catalogue": (PatternLibrary, lambda lib: lib.catalogue()),
    "SampledRecording.sample_count": (SampledRecording, lambda r: r.sample_count),
    "SampledRecording.dimensions": (SampledRecording, lambda r: r.dimensions),
    "SampledRecording.sample": (SampledRecording, lambda r: r.sample(0)),
    "as a library's pattern": (SampledPattern, lambda p: PatternLibrary([p])),
}


@pytest.mark.parametrize("cls, use", UNCONSTRUCTED_CALLS.values(), ids=UNCONSTRUCTED_CALLS)
@pytest.mark.parametrize("subclassed", [False, True])
def test_instances_never_initialised_are_refused(cls, use, subclassed):
    if subclassed:
        cls = type("Sub" + cls.__name__, (cls,), {})
    with pytest.raises(TypeError, match="incompatible (function|constructor) arguments"):
        use(cls.__new__(cls))


def test_offset3_cannot_be_made_from_python_either_way():
    with pytest.raises(TypeError, match="No constructor defined"):
        Offset3()


def test_subclasses_that_initialise_their_base_keep_working():
    class Pattern(SampledPattern):
        def __init__(self, name):
            super().__init__(name, "sub", [(0.5, 0.0, 0.0)])

    class Library(PatternLibrary):
        pass

    class Recording(SampledRecording):
        pass

    pattern = Pattern("sub")
    assert pattern.sample(3).as_tuple() == (0.5, 0.0, 0.0) and pattern.name == "sub"
    assert Library([pattern]).sample("sub", 0).x == 0.5
    assert Recording("r", ["a"], [[0.25]], 60.0).sample(0) == [0.25]


# Each call runs in a fresh interpreter, whose peak memory then tells what
# the refusal cost beyond its input. The inputs repeat one object, so they
# are cheap to build.
PEAK_GROWTH = """
import resource, sys
import kinemorphs
from kinemorphs import PatternLibrary, SampledPattern, SampledRecording
N = 2 * 10**7
row, big = [0.0], SampledPattern("big", "", [(0.0, 0.0, 0.0)] * 65535)
arguments = eval(sys.argv[1])
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
try:
    eval(sys.argv[2])(*arguments)
except ValueError as error:
    print(error)
print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before)
"""
RECORDING_LIMIT = "Empty recording or recording resource limit exceeded"
PEAK_CASES = {
    "recording rows": ("SampledRecording", '"r", ["x"], [row] * N, 60.0', RECORDING_LIMIT),
    "rows of 9 axes": ("SampledRecording", '"r", list("abcdefghi"), [row * 9] * N, 60.0',
                       RECORDING_LIMIT),
    "rows drawn from a generator": ("SampledRecording", '"r", ["x"], (row for _ in range(N)), 60.0',
                                    RECORDING_LIMIT),
    "values counted over rows": ("SampledRecording", '"r", list("abcdefghi"), [row * 9] * (N // 10), 60.0',
                                 RECORDING_LIMIT),
    # Rows within the limit, so the over-long one is ragged.
    "one long row": ("SampledRecording", '"r", ["x"], [row * N], 60.0', "Ragged recording"),
    "axis names": ("SampledRecording", '"r", ["x"] * N, [row], 60.0', RECORDING_LIMIT),
    "axis names from a generator": ("SampledRecording", '"r", ("x" for _ in range(N)), [row], 60.0',
                                    RECORDING_LIMIT),
    "pattern samples": ("SampledPattern", '"p", "", [(0.0, 0.0, 0.0)] * N',
                        "A pattern requires 1..65535 samples (one per pip)"),
    "library patterns": ("PatternLibrary", "[big] * N,", "Too many patterns"),
}


@pytest.mark.parametrize("cls, arguments, message", PEAK_CASES.values(), ids=PEAK_CASES)
def test_refusals_past_a_limit_cost_memory_within_the_limit_not_the_input(cls, arguments, message):
    run = subprocess.run([sys.executable, "-c", PEAK_GROWTH, f"({arguments})", cls],
                         check=True, capture_output=True, text=True)
    refusal, growth_kib = run.stdout.splitlines()
    assert refusal == message
    # The largest limit, a recording's 8388608 values, is a 64 MiB block;
    # converting the inputs above whole took 0.5 to 2 GiB.
    assert int(growth_kib) < 150 * 1024


class Claiming:
    """A sequence that claims `length` items and holds only `held`."""

    def __init__(self, length, held):
        self.length, self.held = length, held

    def __len__(self):
        return self.length

    def __getitem__(self, index):
        if index >= len(self.held):
            raise IndexError(index)
        return self.held[index]


LIMITED_ARGUMENTS = {
    "pattern samples": (lambda seq: SampledPattern("p", "", seq), [(0.0, 0.0, 0.0)],
                        "A pattern requires 1..65535 samples (one per pip)"),
    "recording rows": (lambda seq: SampledRecording("r", ["x"], seq, 60.0), [[0.0]], RECORDING_LIMIT),
    "recording row": (lambda seq: SampledRecording("r", ["x"], [seq], 60.0), [0.0], RECORDING_LIMIT),
    "axis names": (lambda seq: SampledRecording("r", seq, [[0.0]], 60.0), ["x"], RECORDING_LIMIT),
    "library patterns": (lambda seq: PatternLibrary(seq), [SampledPattern("p", "", [(0, 0, 0)])],
                         "Too many patterns"),
}


@pytest.mark.parametrize("make, held, message", LIMITED_ARGUMENTS.values(), ids=LIMITED_ARGUMENTS)
@pytest.mark.parametrize("claimed", [3 * 10**8, 10**9, 2**40, 2**62])
def test_a_length_claimed_past_the_limit_reserves_nothing_and_counts_what_is_held(make, held, message,
                                                                                 claimed):
    make(Claiming(claimed, held))


@pytest.mark.parametrize("name, limit", [("pattern samples", 65535), ("library patterns", 1024)])
def test_a_sequence_holding_more_than_it_claims_is_counted_as_read(name, limit):
    make, held, message = LIMITED_ARGUMENTS[name]
    with pytest.raises(ValueError, match=f"^{re.escape(message)}$"):
        make(Claiming(1, held * (limit + 1)))
    make(Claiming(0, held))


@pytest.mark.parametrize("claimed", [4, 10**9, 2**62])
def test_a_sample_row_claiming_more_than_three_items_is_refused_by_conversion(claimed):
    with pytest.raises(TypeError, match="incompatible constructor arguments"):
        SampledPattern("p", "", [Claiming(claimed, [0.0, 0.0, 0.0])])


def test_a_library_copy_is_still_a_copy():
    original = SampledPattern("own", "mine", [(0.25, 0.5, 0.0), (0.0, 0.0, 1.0)])
    library = PatternLibrary([original])
    del original
    assert library.sample("own", 1).as_tuple() == (0.0, 0.0, 1.0)
    assert library.catalogue()[-1] == {"name": "own", "description": "mine", "period_pips": 2,
                                       "dimensions": 3}


@pytest.mark.parametrize("description", [b"\x80", b"ok\xff", b"\xc0\xaf", b"\xed\xa0\x80",
                                         b"\xf4\x90\x80\x80", b"\xe2\x82", bytearray(b"\xfe")])
def test_descriptions_that_are_not_utf8_are_refused_at_construction(description):
    with pytest.raises(ValueError) as caught:
        SampledPattern("a", description, [(0.0, 0.0, 0.0)])
    assert str(caught.value) == "Pattern description is not valid UTF-8"


def test_description_encoding_is_checked_after_the_name_and_before_the_samples():
    with pytest.raises(ValueError, match="^Invalid pattern name$"):
        SampledPattern("A", b"\xff", [])
    with pytest.raises(ValueError, match="^Pattern description is not valid UTF-8$"):
        SampledPattern("a", b"\xff", [])


@pytest.mark.parametrize("description", ["", "nul\0inside", "\u00e9\u2014\U0001f600",
                                         b"\xf0\x9f\x98\x80", b"\xef\xbf\xbf", "\0"])
def test_any_utf8_description_is_kept_whole_and_listed(description):
    pattern = SampledPattern("a", description, [(0.0, 0.0, 0.0)])
    text = description.decode() if isinstance(description, bytes) else description
    assert pattern.description == text
    assert PatternLibrary([pattern]).catalogue()[-1]["description"] == text


@pytest.mark.parametrize("name", ["bounce\0", "a\0b", "\0"])
def test_names_holding_nul_are_refused(name):
    with pytest.raises(ValueError, match="^Invalid pattern name$"):
        SampledPattern(name, "", [(0.0, 0.0, 0.0)])
    with pytest.raises(ValueError, match="^Invalid identifier$"):
        SampledRecording(name, ["a"], [[0.0]], 60.0)
    with pytest.raises(ValueError, match="^Invalid identifier$"):
        SampledRecording("r", [name], [[0.0]], 60.0)


GETTERS = [(Offset3, "x"), (Offset3, "z"), (SampledPattern, "description"),
           (SampledRecording, "sample_count"), (SampledRecording, "beat_zero_seconds")]


@pytest.mark.parametrize("cls, name", GETTERS)
def test_getters_render_without_a_name_yet_assignment_names_the_property(cls, name):
    assert getattr(cls, name).fget.__doc__.startswith(f"(self: kinemorphs.{cls.__name__}) -> ")
    instance = {Offset3: kinemorphs.bounce(0), SampledPattern: SampledPattern("a", "", [(0, 0, 0)]),
                SampledRecording: SampledRecording("r", ["a"], [[0.0]], 60.0)}[cls]
    with pytest.raises(AttributeError) as caught:
        setattr(instance, name, 1.0)
    assert str(caught.value) == f"property '{name}' of '{cls.__name__}' object has no setter"


class Shrinking:
    """A float-convertible item that empties the row holding it when read."""

    def __float__(self):
        self.row.clear()
        return 0.5


@pytest.mark.parametrize("position", [0, 1, 2])
def test_a_sample_row_emptied_while_read_keeps_the_values_it_had(position):
    item = Shrinking()
    row = [0.25, -0.25, 0.125]
    row[position] = item
    item.row = row
    expected = [0.25, -0.25, 0.125]
    expected[position] = 0.5
    pattern = SampledPattern("p", "", [row])
    assert pattern.sample(0).as_tuple() == tuple(expected)


def test_a_sample_row_grown_while_read_is_refused_or_kept_as_it_was():
    row = [0.25, 0.0, 0.0]

    class Growing:
        def __float__(self):
            row.append(0.75)
            return 0.5

    row[1] = Growing()
    assert SampledPattern("p", "", [row]).sample(0).as_tuple() == (0.25, 0.5, 0.0)


# Past a limit the remaining items are still checked, without being kept: an
# item that would not convert is reported as such, before any limit.
NOT_CONVERTIBLE_PAST_THE_LIMIT = {
    "library patterns": lambda: PatternLibrary([SampledPattern("p", "", [(0, 0, 0)])] * 1025 + [None]),
    "pattern samples": lambda: SampledPattern("p", "", [(0, 0, 0)] * 65536 + [(0, 0, "0")]),
    "axis names": lambda: SampledRecording("r", iter_all(["x"] * 8388609 + [1]), [[0.0]], 60.0),
    "recording values": lambda: SampledRecording("r", ["x"], [[0.0] * 8388609 + [None]], 60.0),
    "recording rows": lambda: SampledRecording("r", ["x"], [[0.0]] * 8388609 + [[None]], 60.0),
}


def iter_all(items):
    yield from items


@pytest.mark.parametrize("make", NOT_CONVERTIBLE_PAST_THE_LIMIT.values(), ids=NOT_CONVERTIBLE_PAST_THE_LIMIT)
def test_an_item_past_the_limit_that_does_not_convert_is_a_type_error(make):
    with pytest.raises(TypeError, match="incompatible constructor arguments"):
        make()


@pytest.mark.parametrize("rows, message", [
    # Rows within the limit: the one crossing it is ragged, unless an earlier row is refused first.
    ([[0.0, 0.0]] * 4 + [[0.0] * 8388601], "Ragged recording"),
    ([[0.0, 2.0]] + [[0.0] * 8388608], "Invalid sample"),
    ([[0.0, 0.0, 0.0]] + [[0.0] * 8388608], "Ragged recording"),
    # Too many rows for two axes, whatever their lengths.
    ([[0.0] * 8388608] + [[0.0, 0.0]] * 4194304, RECORDING_LIMIT),
])
def test_rows_crossing_the_value_limit_are_refused_in_row_order(rows, message):
    with pytest.raises(ValueError, match=f"^{re.escape(message)}$"):
        SampledRecording("r", ["x", "y"], rows, 60.0)
