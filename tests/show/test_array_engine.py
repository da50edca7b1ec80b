"""The array engine against the one-fixture-at-a-time reference: the same bits, frame by frame."""

import math
from dataclasses import replace
from fractions import Fraction

import pytest

from kinemorphs_show import engine as engine_module
from kinemorphs_show import scalar_engine as scalar_engine_module
from kinemorphs_show.cue import place_cue
from kinemorphs_show.engine import Engine
from kinemorphs_show.playback.layered_engine import LayeredEngine
from kinemorphs_show.scalar_engine import ScalarEngine
from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns

from show_builders import make_show

PROFILE = """
[profiles.wide]
channel_count = 8
pan_travel = 630
tilt_travel = 265
max_speed = 250

[profiles.scanner]
bits = 8
pan_travel = 170
tilt_travel = 110
channel_count = 6
max_speed = 900
"""
# (profile, extra fixture lines) cycled over the rig: every kind of limit, swap, invert and fixed level.
FIXTURE_KINDS = (
    ("generic_16bit", 'limits = { pan = [-100, 80], tilt = [-20, 60] }\nhome = [10, 5]\nchannel_count = 8'),
    ("wide", 'limits = { cone = 25 }\nhome = [-30, 40]\nswap = true\nchannels = { "7" = 200 }'),
    ("scanner", 'invert_pan = true\ninvert_tilt = true\nhome = [0, -10]'),
    ("generic_16bit", 'home = [0, 120]\nmax_speed = 90\nchannel_count = 8'),
    ("wide", 'limits = { pan = [-5, 5], tilt = [0, 1] }\ninvert_tilt = true'),
)
CUES = """
[[cues]]
name = "slow fan"
pattern = "circle"
size = [40, 25]
speed = "1/16"
[cues.layout]
spread_beats = 1.5

[[cues]]
name = "mirrored wings"
pattern = "figure_eight"
size = [60, 30]
speed = "3/4"
fade_beats = 2
start = "beat"
fixtures = ["left", "h1"]
axes = { x = "pan", y = "tilt", z = 5 }
[cues.layout]
wings = 2
mirror = true
spread_pips = 37

[[cues]]
name = "fast by distance"
pattern = "beat_four_floor_ricochet"
size = 70
speed = "5/3"
fade_beats = 1
start = "beat"
axes = { x = "tilt", y = "pan", z = 6 }
[cues.layout]
by = "distance"
origin = [0, 0]
spread_beats = 0.25
blocks = 3
"""


def rig_toml(count: int) -> str:
    lines = []
    for index in range(count):
        profile, extra = FIXTURE_KINDS[index % len(FIXTURE_KINDS)]
        group = "left" if index < count // 2 else "right"
        lines.append(f'[[fixtures]]\nname = "h{index}"\nprofile = "{profile}"\nuniverse = {1 + index // 40}\n'
                     f'address = {1 + (index % 40) * 12}\nposition = [{index - count / 2}, {index % 3}, 6]\n'
                     f'groups = ["{group}"]\n{extra}\n')
    return PROFILE + "\n".join(lines)


def with_fractional_offsets(cue, rig):
    """Layout offsets that are exact fractions of a pip, as layouts may give them."""
    placed = place_cue(cue, rig)
    return replace(placed, placements=tuple(
        placement and replace(placement, offset_pips=placement.offset_pips + Fraction(index, 7))
        for index, placement in enumerate(placed.placements)))


@pytest.mark.parametrize("count, bpm, frame_rate, fractional_offsets", [
    (7, 124.0, 44.0, False), (23, 137.31, 40.0, False), (90, 96.0, 30.0, False), (11, 128.0, 44.0, True)])
def test_the_array_engine_sends_what_the_reference_sends(tmp_path, monkeypatch, count, bpm, frame_rate,
                                                          fractional_offsets):
    if fractional_offsets:
        for module in (engine_module, scalar_engine_module):
            monkeypatch.setattr(module, "place_cue", with_fractional_offsets)
    show = make_show(tmp_path, rig_toml(count), CUES, bpm=bpm)
    # A show without layers is one implicit layer: the layered engine sends the same bits.
    engines = Engine(show), ScalarEngine(show), LayeredEngine(show)
    period_ns = round(NS_PER_SECOND / frame_rate)
    # Goes (at pips) between beats, one landing mid-crossfade, one cut back, over a few bars;
    # the clock jumps far ahead once (a nudge) and once stands still.
    goes = {90: 1, 180: 2, 330: 1, 600: 0, 780: 2}
    positions = [index * period_ns * pips_per_ns(bpm) for index in range(320)]
    positions[150:] = [position + 2**33 + Fraction(1, 3) for position in positions[150:]]
    positions[170] = positions[169]
    labels = set()
    for index, position in enumerate(positions):
        frames = [engine.frame(position, bpm) for engine in engines]
        assert frames[0] == frames[1] == frames[2], f"frame {index} at {position}"
        labels.add(frames[0].cue)
        for go_pip, cue in goes.items():
            if positions[index - 1] < go_pip <= position:
                for engine in engines:
                    engine.go(cue, math.floor(position))
    homes = [engine.home_frame() for engine in engines]
    assert homes[0] == homes[1] == engines[2].home_frame()
    assert any("(held) ->" in label for label in labels)  # a go landed in a running crossfade
    assert any(state.size_scale < 1 for state in frames[0].fixtures)
    assert any(state.limited for state in frames[0].fixtures)
