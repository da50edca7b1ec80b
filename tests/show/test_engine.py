import math
import statistics
from dataclasses import replace
from fractions import Fraction
from pathlib import Path

import kinemorphs
import pytest

from kinemorphs_show.cue import place_cue
from kinemorphs_show.engine import Engine
from kinemorphs_show.feasibility import demands
from kinemorphs_show.mapping import fixture_channels
from kinemorphs_show.rig import BoxLimits, ConeLimits, Rig
from kinemorphs_show.scalar_engine import ScalarEngine
from kinemorphs_show.showfile import load_show
from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns

from show_builders import fixtures_toml, make_show

QUICKSTART = Path(__file__).parents[2] / "examples" / "shows" / "quickstart.toml"

STRIDE = 3  # pips per frame: about 44 frames a second at 120 BPM, and coprime with every period used

TWO_CUES = """
[[cues]]
name = "circles"
pattern = "circle"
size = [30, 20]
[cues.layout]
spread_beats = 0.5

[[cues]]
name = "steps"
pattern = "beat_four_floor_step"
size = [45, 25]
speed = "3/4"
fade_beats = 4
start = "bar"
[cues.layout]
mirror = true
spread_beats = 0.25
"""


def largest_steps(frames, start: int, end: int) -> list[tuple[float, float]]:
    """Per fixture, the largest pan and tilt change between consecutive frames in [start, end)."""
    window = [f for f in frames if start <= f.pip < end]
    return [
        (max(abs(b.fixtures[i].pan_deg - a.fixtures[i].pan_deg) for a, b in zip(window, window[1:])),
         max(abs(b.fixtures[i].tilt_deg - a.fixtures[i].tilt_deg) for a, b in zip(window, window[1:])))
        for i in range(len(frames[0].fixtures))
    ]


def run(engine: Engine, pips, goes=None):
    frames = []
    for pip in pips:
        frames.append(engine.frame(pip))
        if goes and pip in goes:
            engine.go(goes[pip], pip)
    return frames


@pytest.mark.parametrize("count", [1, 4, 6])
def test_crossfade_never_steps_further_than_the_faster_cue(tmp_path, count):
    show = make_show(tmp_path, fixtures_toml(count), TWO_CUES)
    # Each cue alone, over enough frames to meet every phase of its pattern.
    span = range(0, 1024 * STRIDE, STRIDE)
    alone = [largest_steps(run(Engine(show, first_cue=cue), span), 0, span.stop) for cue in (0, 1)]
    go_pip = 1000 * STRIDE
    frames = run(Engine(show), range(0, 2000 * STRIDE, STRIDE), {go_pip: 1})
    fade_start = -(-go_pip // 256) * 256
    fading = largest_steps(frames, fade_start - STRIDE, fade_start + 4 * 64 + STRIDE)
    for index, (pan, tilt) in enumerate(fading):
        assert pan <= max(alone[0][index][0], alone[1][index][0]) + 1e-9
        assert tilt <= max(alone[0][index][1], alone[1][index][1]) + 1e-9
    # Some beats after the fade the fixtures follow the new cue exactly.
    settled = Engine(show, first_cue=1).frame(frames[-1].pip)
    assert frames[-1].fixtures == settled.fixtures
    assert frames[-1].cue == "steps"


def test_go_is_quantised_and_cuts_without_a_fade(tmp_path):
    show = make_show(tmp_path, fixtures_toml(2), TWO_CUES.replace("fade_beats = 4", "fade_beats = 0"))
    engine = Engine(show)
    engine.frame(100)
    engine.go_next(100)
    assert engine.frame(255).cue == "circles -> steps"
    assert engine.frame(255).fixtures == Engine(show, first_cue=0).frame(255).fixtures
    assert engine.frame(256).cue == "steps"
    assert engine.current_cue == 1
    engine.go_previous(300)
    assert engine.current_cue == 0


def test_slew_keeps_a_fixture_within_its_speed_on_a_cut(tmp_path):
    # A cut from a pan of +40° to -40° (beat 0 of a 40° bounce and of the mirrored one): 160°/s
    # takes half a second, frame by frame.
    cues = ('[[cues]]\nname = "b"\npattern = "bounce"\nsize = 40\nspeed = "1/64"\n'
            '[[cues]]\nname = "c"\npattern = "circle"\nsize = 40\nspeed = "1/64"\n')
    show = make_show(tmp_path, fixtures_toml(1, max_speed=160), cues)
    frames = run(Engine(show), range(0, 64 * 8, STRIDE), {60: 1})
    limit_per_frame = 160 * STRIDE * 60 / (120 * 64)
    steps = [abs(b.fixtures[0].pan_deg - a.fixtures[0].pan_deg) for a, b in zip(frames, frames[1:])]
    assert max(steps) == pytest.approx(limit_per_frame)
    assert any(frame.fixtures[0].limited for frame in frames)


def test_frames_follow_the_module_samples_and_map_to_dmx(tmp_path):
    show = make_show(tmp_path, fixtures_toml(3), TWO_CUES)
    engine = Engine(show)
    for pip in (0, 7, 64, 2**31 + 5, 2**40 + 3):  # far beyond 32 bits: patterns still wrap smoothly
        frame = engine.frame(pip)
        for index, fixture in enumerate(show.rig.fixtures):
            offset = index * 16  # half a beat spread over three fixtures
            expected = kinemorphs.sample("circle", (pip - offset) % 64)
            state = frame.fixtures[index]
            assert (state.x, state.y, state.z) == expected.as_tuple()
            assert (state.pan_deg, state.tilt_deg) == (30 * expected.x, 20 * expected.y)
            channels = fixture_channels(fixture, ScalarEngine(show).target_aims(pip)[index])
            assert all(frame.universes[1][channel - 1] == value for channel, value in channels.items())


def test_home_frame_puts_every_fixture_home(tmp_path):
    fixtures = fixtures_toml(2).replace('name = "f1"', 'name = "f1"\nhome = [10, -20]')
    frame = Engine(make_show(tmp_path, fixtures, TWO_CUES)).home_frame()
    assert [(f.pan_deg, f.tilt_deg) for f in frame.fixtures] == [(0.0, 0.0), (10.0, -20.0)]
    assert len(frame.universes[1]) == 512


def frames_at_rate(engine: Engine, bpm: float, seconds: float, frame_rate: float = 44.0):
    """Frames at the exact positions a steady clock gives at each frame's deadline."""
    period_ns = round(NS_PER_SECOND / frame_rate)
    return [engine.frame(index * period_ns * pips_per_ns(bpm), bpm) for index in range(round(seconds * frame_rate))]


def angular_steps(frames, index: int) -> list[float]:
    return [math.dist((a.fixtures[index].pan_deg, a.fixtures[index].tilt_deg),
                      (b.fixtures[index].pan_deg, b.fixtures[index].tilt_deg)) for a, b in zip(frames, frames[1:])]


SLOW_CIRCLE = '[[cues]]\nname = "slow"\npattern = "circle"\nsize = 30\nspeed = "{speed}"\n'


@pytest.mark.parametrize("show_text, bpm, cue", [
    (SLOW_CIRCLE.format(speed="1/16"), 90, 0),
    (SLOW_CIRCLE.format(speed="1/2"), 120, 0),
    (None, 124, 2),  # the quickstart's slow circles
])
def test_slow_motion_moves_every_frame_by_even_steps(tmp_path, show_text, bpm, cue):
    show = load_show(QUICKSTART) if show_text is None else make_show(tmp_path, fixtures_toml(2), show_text, bpm=bpm)
    frames = frames_at_rate(Engine(show, first_cue=cue), bpm, seconds=8)
    for index in range(len(show.rig.fixtures)):
        steps = angular_steps(frames, index)
        assert min(steps) > 0, "a repeated frame while the cue moves"
        assert max(steps) <= 1.5 * statistics.median(steps)


@pytest.mark.parametrize("speed", [Fraction(1, 16), Fraction(3, 4), Fraction(5, 3)])
def test_whole_pattern_pips_are_the_module_samples_and_between_them_a_straight_line(tmp_path, speed):
    show = make_show(tmp_path, fixtures_toml(3), SLOW_CIRCLE.format(speed=speed) + "[cues.layout]\nspread_pips = 10\n")
    engine = Engine(show)
    for pattern_pip in (0, 5, 63, 2**40 + 7):
        for index, offset in enumerate((0, 5, 10)):
            position = pattern_pip / speed + offset  # exact: a whole pattern pip for this fixture
            state = engine.frame(position).fixtures[index]
            assert (state.x, state.y, state.z) == kinemorphs.sample("circle", pattern_pip % 64).as_tuple()
            here, there = (kinemorphs.sample("circle", pip % 64).x for pip in (pattern_pip, pattern_pip + 1))
            middle = engine.frame(position + Fraction(1, 2) / speed).fixtures[index]
            assert middle.x == pytest.approx((here + there) / 2, abs=1e-15)


def test_a_cue_too_fast_is_played_smaller_around_home_with_its_shape(tmp_path):
    # A 90° circle at 120 BPM asks 90 × 2π/64 × 128 ≈ 1131°/s of a 360°/s head.
    fixtures = fixtures_toml(1, max_speed=360).replace("max_speed", "home = [10, 20]\nmax_speed")
    show = make_show(tmp_path, fixtures, SLOW_CIRCLE.format(speed=1).replace("size = 30", "size = 90"))
    frames = frames_at_rate(Engine(show), 120, seconds=4)
    scale = demands(show.patterns, (place_cue(show.cues[0], show.rig),), show.rig.fixtures, 120)[0].size_scale
    assert scale == pytest.approx(0.318, abs=1e-3)
    for frame in frames:
        state = frame.fixtures[0]
        assert state.size_scale == scale and not state.limited
        assert (state.pan_deg, state.tilt_deg) == pytest.approx((10 + 90 * scale * state.x, 20 + 90 * scale * state.y))
    pans, tilts = ([getattr(f.fixtures[0], axis) for f in frames] for axis in ("pan_deg", "tilt_deg"))
    assert (max(pans) + min(pans)) / 2 == pytest.approx(10, abs=0.1)
    assert (max(tilts) + min(tilts)) / 2 == pytest.approx(20, abs=0.1)
    assert max(pans) - min(pans) == pytest.approx(180 * scale, rel=0.02)  # frames miss the very ends


@pytest.mark.parametrize("home, limits, expected", [
    ((0.0, 130.0), BoxLimits((-90.0, 90.0), (0.0, 110.0)), (0.0, 110.0)),
    ((0.0, 1e300), None, (0.0, 135.0)),
    ((-math.inf, math.nan), ConeLimits(30.0), (-270.0, -135.0)),
])
def test_every_frame_is_kept_in_limits_and_travel_even_from_a_home_outside(tmp_path, home, limits, expected):
    show = make_show(tmp_path, fixtures_toml(1), SLOW_CIRCLE.format(speed=1))
    # As if a show file had got past its checks.
    show = replace(show, rig=Rig((replace(show.rig.fixtures[0], home_deg=home, limits=limits),)))
    engine = Engine(show)
    for frame in (engine.frame(0), engine.frame(Fraction(7, 3)), engine.home_frame()):
        state = frame.fixtures[0]
        assert -270 <= state.pan_deg <= 270 and -135 <= state.tilt_deg <= 135
    assert (state.pan_deg, state.tilt_deg) == expected and state.limited
    assert len(frame.universes[1]) == 512


def test_goes_never_nest_and_fade_from_what_is_on_stage(tmp_path):
    fades_on_the_beat = "".join(f'[[cues]]\nname = "{pattern}"\npattern = "{pattern}"\nsize = 20\nfade_beats = 4\n'
                                'start = "beat"\n[cues.layout]\nspread_beats = 0.5\n' for pattern in ("circle", "bounce"))
    engine = ScalarEngine(make_show(tmp_path, fixtures_toml(2), fades_on_the_beat))
    engine.frame(10)
    for _ in range(5000):  # all before the next beat: each replaces the go still waiting
        engine.go(1, 10)
    engine.frame(64 + 10)
    for beat in range(2, 3000):  # each go lands half-way through the fade before
        boundary = beat * 64
        on_stage = engine.target_aims(boundary)
        engine.go_next(boundary - 32)
        assert engine.target_aims(boundary) == on_stage
        assert engine.frame(boundary - 16).cue.count("->") <= 2  # the stage and the go waiting
    assert engine.frame(3000 * 64).cue == "circle (held) -> bounce"
