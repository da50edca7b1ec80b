"""The type stubs match the built module, and mypy uses them.

When the module is installed (as `./dev test` and the wheel install it), the
stub package must be installed beside it and mypy must find it there on its
own. When the module is imported from a build folder instead, the stubs are
handed to mypy through MYPYPATH.
"""

import ast
import os
import re
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

import pytest

import kinemorphs

REPO = Path(__file__).resolve().parents[1]
STUB_SOURCE = REPO / "kinemorphs-stubs" / "__init__.pyi"
ALLOWLIST = Path(__file__).resolve().parent / "stubtest_allowlist.txt"

# CI installs the test extra, so there a missing mypy is a failure, not a skip.
if not os.environ.get("CI"):
    pytest.importorskip("mypy")


@pytest.fixture(scope="module")
def mypy_env(tmp_path_factory):
    env = dict(os.environ)
    module_dir = Path(kinemorphs.__file__).resolve().parent
    if module_dir == Path(sysconfig.get_paths()["platlib"]).resolve():
        installed = module_dir / "kinemorphs-stubs" / "__init__.pyi"
        assert installed.is_file(), "the stub package is not installed beside the module"
        assert installed.read_text() == STUB_SOURCE.read_text(), "installed stubs are stale"
        env.pop("MYPYPATH", None)
    else:
        stub_dir = tmp_path_factory.mktemp("stubs")
        shutil.copy(STUB_SOURCE, stub_dir / "kinemorphs.pyi")
        env["MYPYPATH"] = str(stub_dir)
    return env


def test_stubtest_finds_no_differences(mypy_env):
    result = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "kinemorphs", "--allowlist", str(ALLOWLIST)],
        capture_output=True, text=True, env=mypy_env, timeout=300)
    assert result.returncode == 0, result.stdout + result.stderr


# pybind11 renders each callable's signature as the first line of its __doc__;
# stubtest cannot read those, so names, kinds and defaults are compared here.

def _split_top_level(text):
    parts, depth, current = [], 0, ""
    for char in text:
        depth += char in "[("
        depth -= char in "])"
        if char == "," and depth == 0:
            parts.append(current.strip())
            current = ""
        else:
            current += char
    return [part for part in parts + [current.strip()] if part]


def _rendered(doc):
    match = re.fullmatch(r"\w*\((.*)\) -> (.+)", doc.splitlines()[0])
    assert match, doc
    params = []
    for part in _split_top_level(match[1]):
        name, _, rest = part.partition(":")
        _, _, default = rest.partition(" = ")
        params.append((name.strip(), default or None))
    return params, match[2].replace("kinemorphs.", "")


def _stub_callables():
    tree = ast.parse(STUB_SOURCE.read_text())
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            yield pytest.param(None, node, id=node.name)
        elif isinstance(node, ast.ClassDef) and not node.name.startswith("_"):
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    yield pytest.param(node.name, item, id=f"{node.name}.{item.name}")


@pytest.mark.parametrize("owner, node", list(_stub_callables()))
def test_stub_signature_matches_the_rendered_signature(owner, node):
    if owner is None:
        runtime = getattr(kinemorphs, node.name)
    else:
        runtime = vars(getattr(kinemorphs, owner))[node.name]
        is_property = any(isinstance(d, ast.Name) and d.id == "property"
                          for d in node.decorator_list)
        assert isinstance(runtime, property) == is_property
        if is_property:
            runtime = runtime.fget
    params, returns = _rendered(runtime.__doc__)

    args = node.args
    positional = args.posonlyargs + args.args
    defaults = [None] * (len(positional) - len(args.defaults)) + args.defaults
    assert not args.kwonlyargs and not args.vararg and not args.kwarg
    assert [a.arg for a in positional] == [name for name, _ in params]
    for arg, stub_default, (name, runtime_default) in zip(positional, defaults, params):
        # pybind11 names a parameter argN exactly when it has no keyword name.
        assert (arg in args.posonlyargs) == bool(re.fullmatch(r"arg\d+", name)), name
        if stub_default is None:
            assert runtime_default is None, name
        elif not (isinstance(stub_default, ast.Constant) and stub_default.value is Ellipsis):
            assert repr(ast.literal_eval(stub_default)) == runtime_default, name
        else:
            assert runtime_default is not None, name

    stub_returns = ast.unparse(node.returns)
    # The listings are typed more precisely in the stubs (a TypedDict per entry).
    assert stub_returns == returns or (returns == "list" and stub_returns.startswith("list["))


def _stub_definitions():
    tree = ast.parse(STUB_SOURCE.read_text())
    yield pytest.param(tree, id="module")
    for node in ast.walk(tree):
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            yield pytest.param(node, id=node.name)


@pytest.mark.parametrize("node", list(_stub_definitions()))
def test_every_stub_definition_has_a_docstring(node):
    assert ast.get_docstring(node)


@pytest.mark.parametrize("entry", kinemorphs.catalogue()[:15], ids=lambda entry: entry["name"])
def test_rudiment_docstring_quotes_its_description(entry):
    tree = ast.parse(STUB_SOURCE.read_text())
    function = next(node for node in tree.body
                    if isinstance(node, ast.FunctionDef) and node.name == entry["name"])
    assert ast.get_docstring(function).startswith(f'"{entry["description"]}"')


GOOD = '''
from typing import Literal, assert_type
import kinemorphs
from kinemorphs import Offset3, PatternLibrary, SampledPattern, SampledRecording

pip = 3 * kinemorphs.PIPS_PER_BEAT
assert_type(kinemorphs.PIPS_PER_BEAT, Literal[64])
offset = kinemorphs.circle(pip)
assert_type(offset, Offset3)
assert_type(offset.x, float)
assert_type(offset.as_tuple(), tuple[float, float, float])
assert_type(kinemorphs.sample("lfo_breathe", -1), Offset3)
kinemorphs.sample(name="bounce", pip_count=True)
entry = kinemorphs.catalogue()[0]
assert_type(entry["name"], str)
assert_type(entry["period_pips"], int)
pattern = SampledPattern("mine", "four pips", [(0.0, 0.5, 1), [0.25, 0, 0]] * 2)
assert_type(pattern.sample(pip_count=5), Offset3)
assert_type(pattern.period_pips, int)
library = PatternLibrary(patterns=[pattern])
assert_type(PatternLibrary().sample("mine", 3), Offset3)
assert_type(library.catalogue()[-1]["dimensions"], int)
take = SampledRecording("take", ["pan"], [[0.5], [-0.5]], 120, beat_zero_seconds=-1, start_pip=-3)
assert_type(take.sample(pip=-3), list[float])
assert_type(take.dimensions, list[str])
assert_type(take.bpm, float)
'''

MISUSES = {
    "str pip": 'kinemorphs.sample("bounce", "3")',
    "float pip": 'kinemorphs.SampledPattern("a", "", [(0, 0, 0)]).sample(1.5)',
    "rudiment pip by keyword": "kinemorphs.bounce(arg0=3)",
    "wrong keyword": 'kinemorphs.sample("bounce", pip=3)',
    "assigning a property": "kinemorphs.circle(0).x = 1.0",
    "no samples attribute": 'kinemorphs.SampledPattern("a", "", [(0, 0, 0)]).samples',
    "unknown listing key": 'kinemorphs.catalogue()[0]["period"]',
    "recording row is a list": 'kinemorphs.SampledRecording("t", ["a"], [[0.0]], 120).sample(0).x',
    "bpm as text": 'kinemorphs.SampledRecording("t", ["a"], [[0.0]], "120")',
    "library of tuples": "kinemorphs.PatternLibrary([(0, 0, 0)])",
    "unknown function": "kinemorphs.bounces(0)",
    "constant is final": "kinemorphs.PIPS_PER_BEAT = 32",
}


@pytest.fixture(scope="module")
def mypy_errors(mypy_env, tmp_path_factory):
    """Run mypy once over a correct snippet and one line per misuse; errors by file and line."""
    folder = tmp_path_factory.mktemp("mypy")
    (folder / "good.py").write_text(GOOD)
    lines = ["import kinemorphs"] + list(MISUSES.values())
    (folder / "bad.py").write_text("\n".join(lines) + "\n")
    result = subprocess.run(
        [sys.executable, "-m", "mypy", "--no-incremental", "--strict", "--no-error-summary",
         "--hide-error-context", "good.py", "bad.py"],
        cwd=folder, capture_output=True, text=True, env=mypy_env, timeout=300)
    assert "error: Cannot find implementation or library stub" not in result.stdout
    errors = {}
    for match in re.finditer(r"^(\w+)\.py:(\d+): error: (.*)$", result.stdout, re.M):
        errors.setdefault((match[1], int(match[2])), []).append(match[3])
    return errors


def test_mypy_accepts_correct_use(mypy_errors):
    assert {key: text for key, text in mypy_errors.items() if key[0] == "good"} == {}


@pytest.mark.parametrize("case", list(MISUSES))
def test_mypy_reports_misuse(mypy_errors, case):
    line = list(MISUSES).index(case) + 2
    assert ("bad", line) in mypy_errors, f"no error for: {MISUSES[case]}"
