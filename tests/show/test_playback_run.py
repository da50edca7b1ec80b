"""The controls of a layered run: the MIDI map (synthetic messages, no port), OSC and keys for
layers and masters, resume from the state file (a torn one included) and the timeline played
from the internal clock and from a MIDI clock's Song Position Pointer."""

from fractions import Fraction
from types import SimpleNamespace

import numpy as np
import pytest
from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.clock import Clock
from kinemorphs_show.controls import Action, Command, apply_command, command_for_osc, commands_for_keys
from kinemorphs_show.midi_clock import TICKS_PER_BEAT, MidiClock
from kinemorphs_show.playback.midi_controller import MidiController
from kinemorphs_show.playback.runner import PlaybackDriver, StateWriter
from kinemorphs_show.playback.start import starting_engine
from kinemorphs_show.playback.state_file import read_state
from kinemorphs_show.run.command import run_command
from kinemorphs_show.showfile import load_show
from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns

from show_builders import write_show

BAR = 4 * PIPS_PER_BEAT
SHOW = """
[show]
bpm = 120
""" + "".join(f'[[fixtures]]\nname = "h{i}"\naddress = {1 + 4 * i}\nmax_speed = 100000\n'
              f'groups = ["{"back" if i < 2 else "front"}"]\n\n' for i in range(4)) + """
[[cues]]
name = "circle"
pattern = "circle"
size = 20

[[cues]]
name = "eight"
pattern = "figure_eight"
size = 30

[[cues]]
name = "still"
pattern = "circle"
size = 0

[[layers]]
name = "back"
cues = ["circle", "still"]
fixtures = ["back"]

[[layers]]
name = "front"
cues = ["eight", "still"]
fixtures = ["front"]
running = false

[midi]
tap = 60
pads = [{ note = 36, layer = "front", cue = "eight" }, { note = 37, layer = "front" },
        { note = 38, layer = "back", cue = "still" }]
faders = [{ control = 7, target = "size", layer = "back" }, { control = 8, target = "rate", layer = "front" },
          { control = 9, target = "rig_size" }, { control = 10, target = "nudge" }]

[[timeline]]
bar = 3
layer = "front"
cue = "eight"

[[timeline]]
bar = 4
bpm = 60

[[timeline]]
bar = 6
layer = "back"
cue = "still"

[[timeline]]
bar = 7
layer = "front"
release = true
"""


@pytest.fixture
def show(tmp_path):
    return load_show(write_show(tmp_path, SHOW))


def note(number, velocity=100, channel=0):
    return SimpleNamespace(type="note_on", note=number, velocity=velocity, channel=channel)


def control(number, value, channel=0):
    return SimpleNamespace(type="control_change", control=number, value=value, channel=channel)


def test_the_midi_map_turns_messages_into_commands_and_lights_running_cues(show):
    received = []
    controller = MidiController(show.midi, show.layers, received.append)
    for message in (note(60), note(36), note(36, velocity=0), note(37), note(38), note(99), control(7, 127),
                    control(8, 0), control(8, 64), control(8, 127), control(9, 0), control(10, 66),
                    control(10, 64), SimpleNamespace(type="clock")):
        controller.receive(message)
    assert received == [
        Command(Action.TAP), Command(Action.GO, 1, "2"), Command(Action.RELEASE, layer="2"),
        Command(Action.GO, 2, "1"), Command(Action.SIZE, 2.0, "1"), Command(Action.RATE, 0.25, "2"),
        Command(Action.RATE, 1.0, "2"), Command(Action.RATE, 4.0, "2"), Command(Action.RIG_SIZE, 0.0),
        Command(Action.NUDGE, 2.0)]
    # Feedback: only changes are sent; the running cue's pad lit, a released layer's release pad lit.
    assert controller.feedback((0, None)) == [(0, 36, 0), (0, 37, 127), (0, 38, 0)]
    assert controller.feedback((0, None)) == []
    assert controller.feedback((0, 1)) == [(0, 36, 127), (0, 37, 0)]


def test_layer_commands_from_osc_and_keys_are_bounded(show):
    engine = starting_engine(show)
    clock = Clock(120, now_ns=lambda: 0)
    def apply(command):
        return apply_command(command, engine, clock, 0, lambda: None)

    assert command_for_osc("/kinemorphs/front/go", (1,)) == Command(Action.GO, 1.0, "front")
    assert command_for_osc("/kinemorphs/size", (0.5,)) == Command(Action.RIG_SIZE, 0.5)
    assert command_for_osc("/kinemorphs/front/tap", ()) is None
    assert command_for_osc("/kinemorphs/front/rate", ("x",)) is None
    refusals = [apply(command_for_osc(address, args)) for address, args in [
        ("/kinemorphs/front/size", (2.5,)), ("/kinemorphs/front/rate", (8,)), ("/kinemorphs/nope/release", ()),
        ("/kinemorphs/front/go", (3,)), ("/kinemorphs/size", (float("nan"),))]]
    assert [r.split(" (")[0] for r in refusals] == ["size 2.5", "rate 8", "layer 'nope'", "cue 3", "rig_size nan"]
    assert apply(command_for_osc("/kinemorphs/2/rate", (0.5,))) is None and engine.layer_rate(1) == Fraction(1, 2)
    for command in commands_for_keys("2...-,,,,,}}}"):
        assert apply(command) is None
    assert engine.selected == 1 and engine.layer_rate(1) == Fraction(1, 4) and engine.layer_size(1) == 0.9
    assert engine.rig_size == 1.3
    apply(command_for_osc("/kinemorphs/front/go", (1,)))
    assert engine.running_cues() == (0, 1)


def play(show, engine, clock, times_ns, driver):
    frames = []
    for t in times_ns:
        frame = engine.frame(clock.position(t), clock.bpm)
        driver.on_frame(frame.pip)
        frames.append((t, clock.position(t), clock.bpm, frame))
    return frames


def test_the_timeline_plays_from_the_internal_clock_with_its_tempo_change(show):
    now = [0]
    clock = Clock(show.bpm, now_ns=lambda: now[0], grid=show.grid)
    engine = starting_engine(show)
    driver = PlaybackDriver(show, engine, clock, now_ns=lambda: now[0])
    frames = []
    for index in range(0, 44 * 30):
        now[0] = index * NS_PER_SECOND // 44
        frame = engine.frame(clock.position(now[0]), clock.bpm)
        driver.on_frame(frame.pip)
        frames.append((clock.position(now[0]), clock.bpm, frame.cue))
    def label_at(bar):
        return next(cue for position, _, cue in frames if position >= (bar - 1) * BAR + 1)
    assert label_at(1) == "back: circle" and label_at(2) == "back: circle"
    assert label_at(3) == "back: circle | front: eight"
    assert label_at(6) == "back: still | front: eight" and label_at(8) == "back: still"
    # The tempo halves at bar 4, within one frame of the bar.
    first_slow = next(position for position, bpm, _ in frames if bpm == 60)
    assert 3 * BAR <= first_slow <= 3 * BAR + pips_per_ns(120) * NS_PER_SECOND / 44


def test_a_song_position_pointer_lands_in_the_right_place_of_the_timeline(show):
    now = [0]
    clock = MidiClock(show.bpm, now_ns=lambda: now[0], grid=show.grid)
    engine = starting_engine(show)
    driver = PlaybackDriver(show, engine, clock, now_ns=lambda: now[0])
    tick_ns = NS_PER_SECOND * 60 // (120 * TICKS_PER_BEAT)

    frames = []

    def ticks(count):
        for _ in range(count):
            now[0] += tick_ns
            clock.receive(SimpleNamespace(type="clock"), now[0])
            frames.append(engine.frame(clock.position(now[0]), 120))
            driver.on_frame(frames[-1].pip)

    ticks(TICKS_PER_BEAT * 4 * 3 + 4)        # into bar 4: front plays the eight
    assert engine.running_cues() == (0, 1)
    engine.set_size(0, 1.5, clock.position(now[0]), 16)
    ticks(TICKS_PER_BEAT)
    clock.receive(SimpleNamespace(type="songpos", pos=6 * 16), now[0])  # bar 7, beat 1
    ticks(2)
    assert engine.running_cues() == (2, None)
    clock.receive(SimpleNamespace(type="songpos", pos=0), now[0])       # back to the top
    ticks(2)
    assert engine.running_cues() == (0, None)
    assert frames[-1].fixtures[0].size_scale == 1.5  # a master keeps its value across a jump
    ticks(TICKS_PER_BEAT * 4 * 2 + 4)        # and the timeline plays on from there
    assert engine.running_cues() == (0, 1)


def test_resume_comes_back_to_the_same_look_and_a_torn_state_file_is_refused(show, tmp_path, capsys):
    now = [0]
    clock = Clock(show.bpm, now_ns=lambda: now[0], grid=show.grid)
    engine = starting_engine(show)
    path = tmp_path / "state.json"
    writer = StateWriter(path)
    driver = PlaybackDriver(show, engine, clock, state_writer=writer, now_ns=lambda: now[0])
    engine.set_size(0, 1.5, 0, 0)
    engine.set_rate(1, Fraction(2), 0)
    clock.set_bpm(128, 0)
    for index in range(44 * 5):  # into bar 3 (the front's eight), before bar 4's tempo
        now[0] = index * NS_PER_SECOND // 44
        driver.on_frame(engine.frame(clock.position(now[0]), clock.bpm).pip)
    writer.close()
    saved = read_state(path, show)
    assert (saved.cues, saved.sizes, saved.rates, saved.bpm) == ((0, 1), (1.5, 1.0), (1, 2), 128.0)
    resumed = starting_engine(show, saved=saved)
    assert resumed.running_cues() == engine.running_cues()
    later = saved.position + BAR
    for pip in range(saved.position, later, 4):
        resumed.frame(pip, 128)
    # The same cues at the same masters and pattern phases send the same DMX as the run that stopped.
    assert np.array_equal(resumed.frame(later, 128).universes.array, engine.frame(later, 128).universes.array)
    show_path = write_show(tmp_path, SHOW, "torn.toml")
    path.write_bytes(path.read_bytes()[:-20])
    code = run_command(str(show_path), 0.05, None, ["preview"], resume=True, state_path=str(path))
    error = capsys.readouterr().err
    assert code == 2 and error.count("\n") == 1 and "torn or damaged" in error
    for cue, words in (("front:9", "no cue '9'"), ("middle:1", "no layer 'middle'"), ("front:circle", "no cue")):
        assert run_command(str(show_path), 0.05, None, ["preview"], cue=cue) == 2
        error = capsys.readouterr().err
        assert error.count("\n") == 1 and words in error
