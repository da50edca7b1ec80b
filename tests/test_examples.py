"""The example scripts run and print what they promise."""

import math
import re
import subprocess
import sys
from pathlib import Path

import pytest

import kinemorphs

EXAMPLES = Path(__file__).resolve().parents[1] / "examples"


def run_example(script, *args, returncode=0):
    result = subprocess.run([sys.executable, str(EXAMPLES / script), *args],
                            capture_output=True, text=True, timeout=120)
    assert result.returncode == returncode, result.stderr
    if returncode:
        return result.stderr
    assert result.stderr == ""
    return result.stdout


@pytest.mark.parametrize("script", sorted(p.name for p in EXAMPLES.glob("*.py")))
def test_every_example_runs_cleanly(script):
    assert run_example(script).strip()


@pytest.mark.parametrize("script", sorted(p.name for p in EXAMPLES.glob("*.py")))
def test_example_usage_names_the_venv_python(script):
    assert f".venv/bin/python examples/{script}" in (EXAMPLES / script).read_text()


@pytest.mark.parametrize("script, args, message", [
    ("moving_head.py", ["--pattern", "Bounce"], "Unknown kinemorph: Bounce"),
    ("moving_head.py", ["--bpm", "0"], "--bpm: must be a positive number"),
    ("moving_head.py", ["--bpm", "-120"], "--bpm: must be a positive number"),
    ("moving_head.py", ["--bpm", "nan"], "--bpm: must be a positive number"),
    ("moving_head.py", ["--rate", "0"], "--rate: must be a positive whole number"),
    ("moving_head.py", ["--bpm", "1e12"], "passes pip 2147483647"),
    ("bar_demo.py", ["circle", "no_such_pattern"], "Unknown kinemorph: no_such_pattern"),
])
def test_examples_refuse_bad_arguments_with_a_message(script, args, message):
    stderr = run_example(script, *args, returncode=2)
    assert message in stderr
    assert "Traceback" not in stderr


def test_bar_demo_samples_where_the_strokes_move():
    out = run_example("bar_demo.py", "single_paradiddle", "five_stroke_roll")
    rows = [line.split() for line in out.splitlines()[1:]]
    assert len(rows) == 32
    for pattern in range(2):
        xs = [float(row[1 + 3 * pattern]) for row in rows]
        assert max(xs) > 0.5 and min(xs) < -0.5


@pytest.mark.parametrize("pattern, bpm, rate", [("figure_eight", "120", "10"),
                                                ("helix", "87.5", "7"),
                                                ("lfo_breathe", "140", "3")])
def test_moving_head_table_follows_the_clock_and_the_pattern(pattern, bpm, rate):
    out = run_example("moving_head.py", "--pattern", pattern, "--bpm", bpm,
                      "--seconds", "3", "--rate", rate)
    rows = [line.split() for line in out.splitlines() if re.match(r"\s*\d+\.\d{3}\s", line)]
    assert len(rows) == 3 * int(rate) + 1
    pips = []
    for tick, (seconds, pip, _beat, _x, _y, pan, tilt, pan_bytes, tilt_bytes) in enumerate(rows):
        assert float(seconds) == pytest.approx(tick / int(rate), abs=5e-4)
        # The clock maps to pips by flooring, never rounding.
        expected_pip = math.floor(tick / int(rate) * float(bpm) / 60 * 64)
        assert int(pip) == expected_pip
        pips.append(expected_pip)
        offset = kinemorphs.sample(pattern, expected_pip)
        for value, text, spread in ((offset.x, pan, 0.25), (offset.y, tilt, 0.20)):
            assert 0 <= int(text) <= 65535
            assert int(text) == pytest.approx(32767.5 * (1 + value * spread), abs=0.5)
        for text, packed in ((pan, pan_bytes), (tilt, tilt_bytes)):
            coarse, fine = map(int, packed.split("/"))
            assert coarse * 256 + fine == int(text)
    assert pips == sorted(pips) and pips[-1] > pips[0]


def test_pattern_library_example_lists_the_user_pattern_after_the_builtins():
    out = run_example("pattern_library.py")
    builtin = len(kinemorphs.catalogue())
    assert f"{builtin + 1} patterns: {builtin} built in, 1 of mine" in out
    assert re.search(r"^wide_ellipse\s+128\s+2\s+3\s+Two-beat wide ellipse", out, re.M)
    assert "circle        pip   16: (+1.000, +0.000, +0.000)" in out
    assert "Cannot override default pattern: circle" in out


def test_recording_example_reads_back_and_reports_pips_outside():
    out = run_example("recording.py")
    assert "128 rows of ['pan', 'tilt', 'zoom'] at 96 BPM, beat zero at 1.5 s" in out
    assert "covers pips 256..383" in out
    assert "pip 255: IndexError: Pip outside non-looping recording" in out
    assert "pip 384: IndexError: Pip outside non-looping recording" in out
