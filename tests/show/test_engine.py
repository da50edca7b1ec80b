import kinemorphs
import pytest

from kinemorphs_show.engine import Engine
from kinemorphs_show.mapping import fixture_channels

from show_builders import fixtures_toml, make_show

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


def test_slew_keeps_a_fixture_within_its_speed(tmp_path):
    # A 40° bounce at 120 BPM asks 320°/s; this fixture does 160°/s.
    show = make_show(tmp_path, fixtures_toml(1, max_speed=160),
                     '[[cues]]\nname = "b"\npattern = "bounce"\nsize = 40\n')
    frames = run(Engine(show), range(0, 64 * 8, STRIDE))
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
            channels = fixture_channels(fixture, engine.target_aims(pip)[index])
            assert all(frame.universes[1][channel - 1] == value for channel, value in channels.items())


def test_home_frame_puts_every_fixture_home(tmp_path):
    fixtures = fixtures_toml(2).replace('name = "f1"', 'name = "f1"\nhome = [10, -20]')
    frame = Engine(make_show(tmp_path, fixtures, TWO_CUES)).home_frame()
    assert [(f.pan_deg, f.tilt_deg) for f in frame.fixtures] == [(0.0, 0.0), (10.0, -20.0)]
    assert len(frame.universes[1]) == 512
