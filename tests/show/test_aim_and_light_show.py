"""Aim cues, imported fixture types, intensity and colour through the show file and the engine."""

import shutil
from pathlib import Path

import numpy as np
import pytest

from kinemorphs_show.beam_floor import floor_hit
from kinemorphs_show.cli import main
from kinemorphs_show.engine import Engine
from kinemorphs_show.showfile import load_show

from show_builders import write_show

DATA = Path(__file__).parent / "data" / "fixtures"
AIM_SHOW = Path(__file__).parents[2] / "examples" / "shows" / "aim.toml"

TWO_TYPES = """\
[show]
bpm = 120

[profiles.spot]
gdtf = "testhead_spot.gdtf"
mode = "Standard"

[profiles.wash]
ofl = "testwash_hybrid.json"
mode = "12-channel"

[[fixtures]]
name = "spot"
profile = "spot"
address = 1

[[fixtures]]
name = "wash"
profile = "wash"
address = 20
"""
# Spot: dimmer 5-6 (16 bit), shutter 7, wheel 8 (Open 7, Deep Red 23, Blue 39). Wash (address 20):
# dimmer 25, shutter 26, red, green, blue, white 27-30.
SPOT_WHEEL, WASH_DIMMER, WASH_RGBW = 7, 24, slice(26, 30)


def two_types(tmp_path, cues: str, fixture_extra: str = ""):
    for name in ("testhead_spot.gdtf", "testwash_hybrid.json"):
        shutil.copy(DATA / name, tmp_path / name)
    text = TWO_TYPES.replace('address = 20\n', f'address = 20\n{fixture_extra}') + cues
    return write_show(tmp_path, text)


@pytest.mark.parametrize("cue_index, layout", [(0, ""), (1, ""), (1, "mirror = true\n")])
def test_every_head_of_the_example_lands_on_its_point_of_the_figure(tmp_path, cue_index, layout):
    # Cue 1 spreads the heads along the figure; mirrored, every second wing draws it with x mirrored.
    text = AIM_SHOW.read_text().replace('spread = "cycle"', f'spread = "cycle"\n{layout}')
    shutil.copytree(AIM_SHOW.parent / "fixtures", tmp_path / "fixtures")
    show = load_show(write_show(tmp_path, text))
    engine, cue = Engine(show, first_cue=cue_index), show.cues[cue_index]
    for pip in range(0, 2 * show.grid.bar_pips, 5):
        frame = engine.frame(pip)
        for fixture, state in zip(show.rig.fixtures, frame.fixtures):
            point = np.add(cue.aim.centre_m, np.multiply(cue.aim.size_m, (state.x, state.y, state.z)))
            assert floor_hit(fixture, state.pan_deg, state.tilt_deg) == pytest.approx(point[:2], abs=1e-3)
            assert not state.limited


@pytest.mark.parametrize("show, code, words", [
    (AIM_SHOW, 0, "ok: every fixture can follow every cue at 120 BPM"),
    # A standing head on the floor whose tilt may only lean 30° cannot reach a point 10 m away.
    ('[show]\nbpm = 120\n[[fixtures]]\nname = "low"\naddress = 1\nlimits = { pan = [-270, 270], tilt = [0, 30] }\n'
     '[[cues]]\nname = "far"\npattern = "circle"\nmode = "aim"\ncentre = [0, 10, 0]\nsize_m = [1, 1, 0]\n'
     'intensity = 50\n', 1, "low in 'far': cannot reach 64 of 64 points"),
])
def test_check_reports_points_out_of_reach(tmp_path, capsys, show, code, words):
    path = show if isinstance(show, Path) else write_show(tmp_path, show)
    assert main(["check", str(path)]) == code
    out = capsys.readouterr().out
    assert words in out
    if code:  # and intensity asked of the generic head, which has no dimmer
        assert "note: low has no dimmer or closing shutter" in out


@pytest.mark.parametrize("change, field, words", [
    (("testhead_spot.gdtf", "missing.gdtf"), "profiles.spot.gdtf", "missing.gdtf: cannot be opened"),
    (('mode = "Standard"', ""), "profiles.spot.gdtf", "has 2 modes, say which"),
    (('mode = "12-channel"', 'mode = "12-channel"\npan_channel = 3'), "profiles.wash.pan_channel",
     "its channels come from the fixture file"),
    (('address = 1\n', 'address = 1\nchannel_count = 9\n'), "fixtures[0].channel_count", "read from a fixture file"),
    (('mode = "Standard"', 'mode = "Standard"\nofl = "testwash_hybrid.json"'), "profiles.spot.ofl", "not both"),
    (('colour = "blue"', 'colour = "mauve"'), "cues[0].colour", "no slot 'mauve'"),
    (('mode = "aim"', 'mode = "angles"'), "cues[0]", "size is required"),
    (('centre = [0, 0, 0]\n', ''), "cues[0].mode", "an aim cue needs centre"),
    (('size_m = [1, 1, 0]', 'size = 10'), "cues[0].size", "give size_m"),
])
def test_bad_profiles_and_cues_name_file_line_and_field(tmp_path, capsys, change, field, words):
    cue = ('[[cues]]\nname = "c"\npattern = "circle"\nmode = "aim"\ncentre = [0, 0, 0]\nsize_m = [1, 1, 0]\n'
           'colour = "blue"\n')
    path = two_types(tmp_path, cue)
    path.write_text(path.read_text().replace(*change))
    assert main(["check", str(path)]) == 2
    error = capsys.readouterr().err.strip()
    assert "\n" not in error and "show.toml:" in error and f": {field}: " in error and words in error, error


def test_crossfades_fade_intensity_and_mixed_colour_and_switch_the_wheel_half_way(tmp_path):
    cues = ('[[cues]]\nname = "red"\npattern = "circle"\nsize = 0\nintensity = 0\ncolour = "red"\n'
            '[[cues]]\nname = "blue"\npattern = "circle"\nsize = 0\nintensity = 100\ncolour = "blue"\n'
            'fade_beats = 4\nstart = "beat"\n')
    engine = Engine(load_show(two_types(tmp_path, cues)))
    engine.frame(1)
    engine.go(1, 1)                      # fades from the next beat: pips 64..320
    seen = {pip: engine.frame(pip).universes[1] for pip in (64, 128, 192, 320)}
    weight = 0.25 * 0.25 * (3 - 2 * 0.25)   # smoothstep a quarter of the way in
    assert seen[64][WASH_DIMMER] == 0 and seen[64][WASH_RGBW] == bytes([255, 0, 0, 0])
    assert seen[128][WASH_DIMMER] == round(255 * weight)
    assert seen[128][WASH_RGBW] == bytes([round(255 * (1 - weight)), 0, round(255 * weight), 0])
    assert [seen[pip][SPOT_WHEEL] for pip in (64, 128, 192, 320)] == [23, 23, 39, 39]
    assert seen[320][WASH_DIMMER] == 255 and seen[320][WASH_RGBW] == bytes([0, 0, 255, 0])


@pytest.mark.parametrize("extra, pip, dimmer", [
    ("", 0, 128),                        # circle at x = 0: half the cue's 100 %
    ("", 16, 255),                       # x = 1: all of it
    ('channels = { "6" = 77 }\n', 16, 77),   # a fixed level still wins
])
def test_an_axis_drives_intensity_under_fixed_levels(tmp_path, extra, pip, dimmer):
    cues = '[[cues]]\nname = "pulse"\npattern = "circle"\nsize = 0\naxes = { x = "intensity", y = "none" }\n'
    engine = Engine(load_show(two_types(tmp_path, cues, extra)))
    assert engine.frame(pip).universes[1][WASH_DIMMER] == dimmer


@pytest.mark.parametrize("setting, dark", [("", True), ("dark_on_exit = false\n", False)])
def test_the_dark_frame_closes_shutters_once_home_when_the_show_asks(tmp_path, setting, dark):
    cues = '[[cues]]\nname = "lit"\npattern = "circle"\nsize = 20\nintensity = 100\n'
    path = two_types(tmp_path, cues)
    path.write_text(path.read_text().replace("bpm = 120\n", "bpm = 120\n" + setting))
    engine = Engine(load_show(path))
    engine.frame(16)
    home, frame = engine.home_frame(), engine.dark_frame()
    assert home.universes[1][WASH_DIMMER] == 255 and home.fixtures[1].pan_deg == 0.0
    if not dark:
        assert frame is None
        return
    assert frame.universes[1][WASH_DIMMER] == 0 and frame.universes[1][WASH_DIMMER + 1] == 3  # closed
    assert frame.universes[1][4:7] == bytes([0, 0, 15]) and frame.fixtures == home.fixtures


def test_shows_without_light_channels_send_no_dark_frame(tmp_path):
    from show_builders import BASE_SHOW

    engine = Engine(load_show(write_show(tmp_path, BASE_SHOW)))
    engine.frame(0)
    assert engine.dark_frame() is None


def test_a_head_follows_a_point_circling_below_it_past_half_a_turn_without_jumping(tmp_path):
    # Each frame starts from the angles last sent: pan keeps turning past ±180° (540° of travel)
    # where a solver started from home each frame would jump a whole turn.
    show = ('[show]\nbpm = 120\n[[fixtures]]\nname = "hung"\naddress = 1\nmax_speed = 100000\n'
            'position = [0, 0, 5]\norientation = "inverted"\n'
            '[[cues]]\nname = "round"\npattern = "circle"\nspeed = "1/4"\nmode = "aim"\ncentre = [0, 0, 0]\n'
            'size_m = [1, 1, 0]\n')
    engine = Engine(load_show(write_show(tmp_path, show)))
    pans = [engine.frame(pip).fixtures[0].pan_deg for pip in range(0, 160, 2)]
    assert max(abs(b - a) for a, b in zip(pans, pans[1:])) < 6 and max(map(abs, pans)) > 200
