"""Every benchmark still runs: each script in benchmarks/ in its short mode (figures not checked)."""

import subprocess
import sys
from pathlib import Path

import pytest

BENCHMARKS = sorted((Path(__file__).resolve().parents[1] / "benchmarks").glob("bench_*.py"))
SHORT_RUN_TIMEOUT_S = 300


@pytest.mark.parametrize("script", BENCHMARKS, ids=lambda path: path.stem)
def test_benchmark_runs_in_short_mode(script):
    run = subprocess.run([sys.executable, str(script), "--short"], capture_output=True, text=True,
                         timeout=SHORT_RUN_TIMEOUT_S, cwd=script.parents[1])
    assert run.returncode == 0, run.stderr[-2000:]
    assert run.stdout.strip(), "a benchmark prints its figures"
