"""Small shows written as TOML for the show-layer tests."""

from pathlib import Path

from kinemorphs_show.showfile import load_show

BASE_SHOW = """\
[show]
title = "test"
bpm = 120

[[fixtures]]
name = "a"
universe = 1
address = 1
max_speed = 100000

[[cues]]
name = "circles"
pattern = "circle"
size = 30
"""


def write_show(tmp_path: Path, text: str, name: str = "show.toml") -> Path:
    path = tmp_path / name
    path.write_text(text, encoding="utf-8")
    return path


def fixtures_toml(count: int, max_speed: float = 100000, spacing_m: float = 1.0) -> str:
    return "".join(
        f'[[fixtures]]\nname = "f{index}"\naddress = {1 + 4 * index}\nmax_speed = {max_speed}\n'
        f'position = [{(index - (count - 1) / 2) * spacing_m}, 0, 5]\n\n'
        for index in range(count)
    )


def make_show(tmp_path: Path, fixtures: str, cues: str, bpm: float = 120):
    return load_show(write_show(tmp_path, f'[show]\nbpm = {bpm}\n\n{fixtures}\n{cues}'))
