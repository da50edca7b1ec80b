import importlib
import subprocess
import sys

import pytest

import kinemorphs

RUDIMENT_NAMES = [
    "bounce", "sway", "circle", "figure_eight", "step_touch", "box_step", "helix",
    "tobrin_background", "single_stroke_roll", "double_stroke_roll", "multiple_bounce_roll",
    "single_paradiddle", "flam", "drag", "five_stroke_roll",
]
ATTRIBUTE_ORDER = ["PIPS_PER_BEAT", "SampledRecording", "Offset3", "SampledPattern",
                   "PatternLibrary", "sample", "catalogue", *RUDIMENT_NAMES]
OPTIONAL = {"PatternLibrary", "sample", "catalogue"}

NUMBER = "typing.SupportsFloat | typing.SupportsIndex"
INTEGER = "typing.SupportsInt | typing.SupportsIndex"
GETTERS = [("Offset3", "x y z", "float"), ("SampledPattern", "name description", "str"),
           ("SampledPattern", "period_pips", "int"), ("SampledRecording", "name", "str"),
           ("SampledRecording", "dimensions", "list[str]"),
           ("SampledRecording", "sample_count start_pip", "int"),
           ("SampledRecording", "bpm beat_zero_seconds", "float")]
SIGNATURES = {
    # Getters render from the parenthesis on: the property, not its getter, bears the name.
    f"{cls}.{name}": f"(self: kinemorphs.{cls}) -> {result}"
    for cls, names, result in GETTERS for name in names.split()
} | {
    "Offset3.as_tuple": "as_tuple(self: kinemorphs.Offset3) -> tuple[float, float, float]",
    "SampledPattern.__init__": "__init__(self: kinemorphs.SampledPattern, name: str, "
    "description: str, samples: collections.abc.Sequence[typing.Annotated["
    f'collections.abc.Sequence[{NUMBER}], "FixedSize(3)"]]) -> None',
    # The strict pips render as plain int: that is how pybind11 shows a no-convert int.
    "SampledPattern.sample":
        "sample(self: kinemorphs.SampledPattern, pip_count: int) -> kinemorphs.Offset3",
    "SampledRecording.__init__": "__init__(self: kinemorphs.SampledRecording, name: str, "
    "dimensions: collections.abc.Sequence[str], samples: collections.abc.Sequence["
    f"collections.abc.Sequence[{NUMBER}]], bpm: {NUMBER}, beat_zero_seconds: {NUMBER} = 0.0, "
    f"start_pip: {INTEGER} = 0) -> None",
    "SampledRecording.sample":
        "sample(self: kinemorphs.SampledRecording, pip: int) -> list[float]",
} | {name: f"{name}(arg0: {INTEGER}) -> kinemorphs.Offset3" for name in RUDIMENT_NAMES}


def test_module_identity_and_constant():
    assert kinemorphs.__doc__ == "Integer-pip rhythmic position functions"
    assert type(kinemorphs.PIPS_PER_BEAT) is int and kinemorphs.PIPS_PER_BEAT == 64


def test_public_names_follow_the_registration_order():
    public = [name for name in vars(kinemorphs) if not name.startswith("__")]
    assert public == [n for n in ATTRIBUTE_ORDER if n not in OPTIONAL or n in public]


def test_reimport_returns_the_initialised_module():
    original = sys.modules.pop("kinemorphs")
    try:
        again = importlib.import_module("kinemorphs")
        assert again is original and again.Offset3 is kinemorphs.Offset3
    finally:
        sys.modules["kinemorphs"] = original


# Run in a fresh interpreter: a crash here must not take the test run with it.
SUBINTERPRETER_IMPORT = """
import _interpreters, sys
config, main_first = sys.argv[1], sys.argv[2] == "main first"
if main_first:
    import kinemorphs
interpreter = _interpreters.create(_interpreters.new_config(config))
failure = _interpreters.exec(interpreter, "import kinemorphs")
print(f"{failure.type.__name__}: {failure.msg}")
import kinemorphs
assert kinemorphs.SampledPattern("a", "", [(0.5, 0.0, 0.0)]).sample(3).x == 0.5
_interpreters.destroy(interpreter)
assert kinemorphs.circle(16).as_tuple() == (1.0, 0.0, 0.0)
assert kinemorphs.SampledRecording("r", ["x"], [[0.25]], 60.0).sample(0) == [0.25]
"""


# An isolated subinterpreter is refused by the interpreter itself, from the
# module's multiple-interpreters slot; a legacy one ignores that slot.
SUBINTERPRETER_REFUSALS = {
    "legacy": "kinemorphs can only be imported in the main interpreter, not in a subinterpreter",
    "isolated": "module kinemorphs does not support loading in subinterpreters",
}


@pytest.mark.parametrize("config", SUBINTERPRETER_REFUSALS)
@pytest.mark.parametrize("order", ["main first", "subinterpreter first"])
def test_subinterpreters_are_refused_and_the_main_interpreter_keeps_working(config, order):
    run = subprocess.run([sys.executable, "-c", SUBINTERPRETER_IMPORT, config, order],
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    assert run.stdout == f"ImportError: {SUBINTERPRETER_REFUSALS[config]}\n"


@pytest.mark.parametrize("path", SIGNATURES)
def test_rendered_signature(path):
    member = kinemorphs
    for part in path.split("."):
        member = getattr(member, part)
    function = member.fget if isinstance(member, property) else member
    # The generated signature is the whole documentation: nothing of our own follows it.
    assert function.__doc__ == SIGNATURES[path] + "\n"


@pytest.mark.parametrize("cls", [kinemorphs.Offset3, kinemorphs.SampledPattern,
                                 kinemorphs.SampledRecording])
def test_classes_carry_no_documentation_of_their_own(cls):
    assert cls.__doc__ is None
    for name, member in vars(cls).items():
        if isinstance(member, property):
            assert member.__doc__ in (None, ""), name


def test_offset3_is_a_read_only_value_without_constructor():
    with pytest.raises(TypeError):
        kinemorphs.Offset3()
    offset = kinemorphs.circle(16)
    with pytest.raises(AttributeError, match="^property 'x' of 'Offset3' object has no setter$"):
        offset.x = 0.5
    for attribute in ("y", "z", "w"):
        with pytest.raises(AttributeError):
            setattr(offset, attribute, 0.5)
    first, second = offset.as_tuple(), offset.as_tuple()
    assert first == (offset.x, offset.y, offset.z) and first is not second
    assert all(type(v) is float for v in first)
    a, b = kinemorphs.circle(16), kinemorphs.circle(16)
    assert a is not b and a != b and a.as_tuple() == b.as_tuple()


@pytest.mark.parametrize("kwargs", [{"arg0": 0}, {"pip": 0}])
def test_rudiments_take_their_pip_by_position_only(kwargs):
    kinemorphs.bounce(0)
    with pytest.raises(TypeError):
        kinemorphs.bounce(**kwargs)


@pytest.mark.parametrize("cls, absent", [(kinemorphs.SampledPattern, "samples"),
                                         (kinemorphs.SampledPattern, "dimensions"),
                                         (kinemorphs.SampledRecording, "samples")])
def test_stored_values_are_not_exposed(cls, absent):
    assert not hasattr(cls, absent)


def test_sampled_pattern_can_be_subclassed_in_python():
    class Swing(kinemorphs.SampledPattern):
        def __init__(self):
            super().__init__("swing", "", [(0.5, 0.0, 0.0), (-0.5, 0.25, 0.0)])

        def doubled(self, pip):
            return [2 * v for v in self.sample(pip).as_tuple()]

    swing = Swing()
    assert isinstance(swing, kinemorphs.SampledPattern) and swing.name == "swing"
    assert swing.doubled(3) == [-1.0, 0.5, 0.0]
    with pytest.raises(TypeError):
        kinemorphs.SampledPattern.sample(kinemorphs.bounce(0), 0)
