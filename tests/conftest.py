import math
import struct
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))


def bits(values):
    """The exact bit patterns of a sequence of floats (tells -0.0 from 0.0)."""
    return tuple(struct.pack("<d", v) for v in values)


def next_up(value):
    return math.nextafter(value, math.inf)


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """A skip whose reason is an install line (a component such as olad is
    missing) fails instead: a run without the component proves nothing about it."""
    outcome = yield
    report = outcome.get_result()
    if report.skipped and isinstance(report.longrepr, tuple) and "apt-get install" in report.longrepr[2]:
        report.outcome = "failed"
        report.longrepr = report.longrepr[2].removeprefix("Skipped: ")


@pytest.fixture(autouse=True)
def state_files_in_a_temporary_folder(monkeypatch, tmp_path_factory):
    """Every run writes a state file under $XDG_STATE_HOME; keep the tests' (and their
    subprocesses') out of the user's home."""
    monkeypatch.setenv("XDG_STATE_HOME", str(tmp_path_factory.mktemp("state")))
