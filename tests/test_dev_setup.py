"""./dev refuses what it cannot fix with its own message, and never deletes a .venv it did not make."""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[1]
# A PATH without pyenv, so that Python 3.13 can only come from /usr/bin.
SYSTEM_PATH = "/usr/bin:/bin"
OTHER_PYTHON = shutil.which("python3", path=SYSTEM_PATH)

pytestmark = pytest.mark.skipif(
    OTHER_PYTHON is None or shutil.which("python3.13", path=SYSTEM_PATH) is not None,
    reason="needs a system python3 and no system python3.13")


@pytest.fixture
def checkout(tmp_path):
    for name in ("dev", "pyproject.toml"):
        shutil.copy2(REPO / name, tmp_path / name)
    return tmp_path


def make_venv(folder, *, marked):
    (folder / ".venv" / "bin").mkdir(parents=True)
    (folder / ".venv" / "bin" / "python").symlink_to(OTHER_PYTHON)
    if marked:
        (folder / ".venv" / ".made-by-dev").touch()


def run_dev(folder):
    env = dict(os.environ, PATH=SYSTEM_PATH)
    return subprocess.run([str(folder / "dev"), "demo"], capture_output=True, text=True,
                          env=env, timeout=60)


@pytest.mark.parametrize("venv, message, keeps_venv", [
    (None, "error: Python 3.13 not found", False),
    ("foreign", "not a Python 3.13 environment, and ./dev did not make it", True),
    ("marked", "error: Python 3.13 not found", False),
])
def test_dev_stops_with_its_own_message(checkout, venv, message, keeps_venv):
    if venv:
        make_venv(checkout, marked=venv == "marked")
    result = run_dev(checkout)
    assert result.returncode == 1
    assert message in result.stderr
    assert "command not found" not in result.stderr
    assert (checkout / ".venv" / "bin" / "python").is_symlink() == keeps_venv
