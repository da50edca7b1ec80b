"""Layers carrying aim cues and light: each layer's fixtures send what the plain engine sends for
that cue alone, a release fades the light back to dark, and such a show runs end to end."""

import numpy as np
from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.engine import Engine
from kinemorphs_show.playback.layered_engine import LayeredEngine
from kinemorphs_show.run.command import run_command
from kinemorphs_show.showfile import load_show

from test_aim_and_light_show import SPOT_WHEEL, WASH_DIMMER, WASH_RGBW, two_types

BAR = 4 * PIPS_PER_BEAT
SPOT, WASH, SPOT_DIMMER = slice(0, 19), slice(19, 31), 4
CUES = """
[[cues]]
name = "point"
pattern = "figure_eight"
mode = "aim"
centre = [0, 2, 0]
size_m = [2, 1, 0]
intensity = 60
colour = "Blue"
fixtures = ["spot"]

[[cues]]
name = "red"
pattern = "circle"
size = 40
intensity = 80
colour = "red"
fixtures = ["wash"]

[[cues]]
name = "down"
pattern = "circle"
size = 1
intensity = 60
fixtures = ["spot"]
fade_beats = 4
start = "beat"

[[layers]]
name = "aim"
cues = ["point", "down"]
priority = 1

[[layers]]
name = "wash"
cues = ["red"]
release_beats = 4
release_start = "beat"
"""
SPOT_HUNG = 'position = [0, -1, 6]\norientation = "inverted"\n'


def test_an_aim_layer_and_a_coloured_angles_layer_compose_release_and_run(tmp_path):
    path = two_types(tmp_path, CUES)
    path.write_text(path.read_text().replace('address = 1\n', 'address = 1\n' + SPOT_HUNG, 1))
    show = load_show(path)
    layered, alone = LayeredEngine(show), (Engine(show, first_cue=0), Engine(show, first_cue=1))
    for pip in range(0, BAR, 7):
        frame = layered.frame(pip).universes.array[0]
        point, red = (engine.frame(pip).universes.array[0] for engine in alone)
        assert np.array_equal(frame[SPOT], point[SPOT]) and np.array_equal(frame[WASH], red[WASH]), pip
    assert frame[SPOT_WHEEL] == point[SPOT_WHEEL] != 0 and frame[WASH_RGBW].tolist() == [255, 0, 0, 0]

    # The aim layer crossfades to a small angles cue (the aim cue's steps bound the fade, as in the
    # plain engine) while the wash is released back to dark over a bar.
    layered.layer_go(0, 2, BAR), alone[0].go(2, BAR), layered.release(1, BAR)
    levels = []
    for pip in range(BAR, 2 * BAR + 1, 6):
        frame, fading = layered.frame(pip).universes.array[0], alone[0].frame(pip).universes.array[0]
        assert np.array_equal(frame[SPOT], fading[SPOT]), pip
        levels.append(frame[WASH_DIMMER])
    assert levels[0] > levels[len(levels) // 2] > levels[-1] == 0
    assert layered.dark_frame().universes.array[0][SPOT_DIMMER] == 0 and layered.seconds_to_home() > 0

    frames, homes = [], []
    assert run_command(str(path), 0.3, None, ["preview"], on_frame=frames.append, on_home=homes.append) == 0
    lit = frames[-1].frame.universes.array[0]
    assert lit[WASH_RGBW].tolist() == [255, 0, 0, 0] and lit[WASH_DIMMER] > 0 and homes
