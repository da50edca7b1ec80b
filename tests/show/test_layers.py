"""Layers, positions and masters: precedence, release, riding on a base, no jump when a master moves."""

from fractions import Fraction

import numpy as np
import pytest
from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.playback.layered_engine import LayeredEngine

from show_builders import make_show

BAR = 4 * PIPS_PER_BEAT
FIXTURES = "".join(
    f'[[fixtures]]\nname = "h{i}"\naddress = {1 + 4 * i}\nmax_speed = 100000\n'
    f'groups = ["{"back" if i < 2 else "front"}"]\n\n'
    for i in range(4))
POSITIONS = """
[[positions]]
name = "audience"
pan_tilt = [10, 40]
fixtures = { front = [-20, 30], h3 = [170, 20] }

[[positions]]
name = "behind"
pan_tilt = [-170, 20]
"""


def layered(tmp_path, layers, cues, extra=""):
    return make_show(tmp_path, FIXTURES, cues + POSITIONS + layers + extra)


CUES = """
[[cues]]
name = "circle"
pattern = "circle"
size = 20

[[cues]]
name = "eight"
pattern = "figure_eight"
size = 30

[[cues]]
name = "hold"
pattern = "circle"
size = 0
position = "audience"

[[cues]]
name = "ride"
pattern = "circle"
size = 10
position = "audience"

[[cues]]
name = "orbit"
pattern = "circle"
size = 20
position = "below"
"""


def angles(frame):
    return np.array([[s.pan_deg, s.tilt_deg] for s in frame.fixtures])


def test_later_started_layer_wins_priority_beats_it_and_release_fades_back(tmp_path):
    layers = """
[[layers]]
name = "low"
cues = ["circle"]
priority = 1

[[layers]]
name = "top"
cues = ["eight"]
fixtures = ["front"]
running = false
release_beats = 1
"""
    show = layered(tmp_path, layers, CUES)
    engine = LayeredEngine(show)
    alone = LayeredEngine(layered(tmp_path, layers.replace("priority = 1", "priority = 0"), CUES))
    only_low = LayeredEngine(show)
    positions = range(0, 6 * BAR, 8)
    for engine_ in (engine, alone):
        engine_.layer_go(1, 1, 0)  # top starts: later started than low
    frames = {p: angles(engine.frame(p)) for p in positions}
    later = {p: angles(alone.frame(p)) for p in positions}
    low = {p: angles(only_low.frame(p)) for p in positions}
    # Priority 1 beats the later start: the circle everywhere.
    assert all(np.array_equal(frames[p], low[p]) for p in positions)
    # Equal priority: the later-started layer drives the front, the back keeps the circle.
    assert not np.array_equal(later[BAR][2:], low[BAR][2:]) and np.array_equal(later[BAR][:2], low[BAR][:2])
    # A release at bar 2 fades over one beat from bar 3 back to exactly what is underneath.
    alone.release(1, 2 * BAR - 8)
    after = [angles(alone.frame(p)) for p in range(2 * BAR, 4 * BAR, 8)]
    fading = [np.abs(a - low[p]).max() for a, p in zip(after, range(2 * BAR, 4 * BAR, 8))]
    assert fading[0] > 1 and fading[-1] == 0.0
    assert "top" not in alone.cue_label


def test_positions_hold_ride_and_lower_layers_carry_the_effect(tmp_path):
    layers = """
[[layers]]
name = "base"
cues = ["hold"]

[[layers]]
name = "fx"
cues = ["orbit", "ride"]
fixtures = ["back"]
"""
    show = layered(tmp_path, layers, CUES)
    engine = LayeredEngine(show)
    held = LayeredEngine(layered(tmp_path, layers.replace('"orbit", "ride"', '"hold"'), CUES))
    for p in range(0, 2 * BAR, 8):
        frame, still = angles(engine.frame(p)), angles(held.frame(p))
        # Held: exactly the position, h3's own entry over its group's.
        assert still.tolist() == [[10, 40], [10, 40], [-20, 30], [170, 20]]
        # The front keeps the held position; the back orbits around it (20° radius).
        assert np.array_equal(frame[2:], still[2:])
        assert np.allclose(np.hypot(*(frame[:2] - still[:2]).T), 20, atol=1e-6) or p % 64
    engine.layer_go(1, 3, 2 * BAR)   # ride: circles on the named position itself, 10°
    for p in range(3 * BAR, 4 * BAR, 8):
        frame = angles(engine.frame(p))
        assert np.allclose(np.hypot(*(frame[:2] - [10, 40]).T), 10, atol=1e-6) or p % 64


def test_crossfade_between_positions_takes_the_short_way_within_travel(tmp_path):
    cues = CUES + """
[[cues]]
name = "turn"
pattern = "circle"
size = 0
position = "behind"
fade_beats = 4
"""
    layers = '\n[[layers]]\nname = "p"\ncues = ["hold", "turn"]\n'
    engine = LayeredEngine(layered(tmp_path, layers, cues))
    engine.frame(0)
    engine.layer_go(0, 5, 0)
    pans = [angles(engine.frame(p))[3, 0] for p in range(0, 2 * BAR, 4)]
    # h3 from 170 to -170 as 190 (20° on, inside 540° of travel), never sweeping through 0.
    assert pans[-1] == 190.0 and min(pans) >= 170.0
    assert abs(pans[32] - 180.0) < 1  # mid-fade (pip 128 of 256): halfway, moving with the fade, not after it


@pytest.mark.parametrize("change", ["size", "rig_size", "rate"])
def test_masters_move_mid_motion_without_a_jump(tmp_path, change):
    layers = '\n[[layers]]\nname = "fx"\ncues = ["circle"]\n'
    engine = LayeredEngine(layered(tmp_path, layers, CUES))
    step = Fraction(PIPS_PER_BEAT, 22)  # about 44 frames a second at 120 BPM
    previous, largest = None, []
    for index in range(400):
        position = index * step
        if index == 200:
            if change == "rate":
                engine.set_rate(0, Fraction(4), position)
            else:
                engine.set_size(0 if change == "size" else None, 2.0, position, 16)
        now = angles(engine.frame(position))
        if previous is not None:
            largest.append(np.abs(now - previous).max())
        previous = now
    before = max(largest[150:199])
    # Up to 4× the step the pattern makes anyway (size 2 after the glide, rate 4), never a jump.
    assert max(largest[199:203]) <= 2.2 * before if change != "rate" else max(largest[199:203]) <= 4.4 * before


@pytest.mark.parametrize("change, field, words", [
    (("cues = [\"circle\"]", "cues = [\"circel\"]"), "layers[0].cues", "no cue is named 'circel'"),
    (("rate = 1", "rate = 8"), "layers[0].rate", "ratio from 1/4 to 4"),
    (("[[layers]]", "[[cues]]\nname = \"x\"\npattern = \"circle\"\nsize = 1\nposition = \"nowhere\"\n\n[[layers]]"),
     "cues[5].position", "no position is named 'nowhere'"),
    (("bar = 2", "bar = 2\nlayer = \"fx\"\ncue = \"eight\""), "timeline[0].cue", "layer 'fx' has no cue named 'eight'"),
    (("bar = 2", "bar = 2\ncue = \"circle\"\nrelease = true"), "timeline[0].release", "not both"),
    (("note = 1, layer = \"fx\"", "note = 1, layer = \"nope\""), "midi.pads[0].layer", "no layer is named 'nope'"),
])
def test_bad_layer_entries_name_the_line_and_field(tmp_path, capsys, change, field, words):
    from kinemorphs_show.cli import main
    from show_builders import write_show

    text = (f"[show]\nbpm = 120\n\n{FIXTURES}{CUES}{POSITIONS}\n[[layers]]\nname = \"fx\"\ncues = [\"circle\"]\n"
            "rate = 1\n\n[[timeline]]\nbar = 2\nbpm = 130\n\n[midi]\npads = [{ note = 1, layer = \"fx\" }]\n")
    assert change[0] in text
    assert main(["check", str(write_show(tmp_path, text.replace(change[0], change[1], 1)))]) == 2
    error = capsys.readouterr().err
    assert error.count("\n") == 1 and f": {field}: " in error and words in error


def test_check_reports_layers_and_positions_outside_limits(tmp_path, capsys):
    from kinemorphs_show.cli import main
    from show_builders import write_show

    fixtures = FIXTURES.replace('name = "h3"', 'name = "h3"\nlimits = { pan = [-90, 90], tilt = [0, 90] }')
    text = f"[show]\nbpm = 120\n\n{fixtures}{CUES}{POSITIONS}\n[[layers]]\nname = \"fx\"\ncues = [\"hold\", \"ride\"]\n"
    assert main(["check", str(write_show(tmp_path, text))]) == 1
    out = capsys.readouterr().out
    assert "layer 1 'fx': 4 fixtures" in out and "1. hold (on audience), 2. ride (on audience)" in out
    assert "position 'audience': h3 at [170, 20] is outside its limits or travel" in out
    assert "position 'behind': h3 at [-170, 20]" in out
