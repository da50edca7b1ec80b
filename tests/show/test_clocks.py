import time
from fractions import Fraction

import mido
import pytest

from kinemorphs_show.clock import Clock
from kinemorphs_show.midi_clock import MidiClock

MS = 1_000_000
SECOND = 1000 * MS


class FakeTime:
    def __init__(self) -> None:
        self.ns = 0

    def __call__(self) -> int:
        return self.ns


def test_fixed_tempo_is_exact():
    clock = Clock(120, FakeTime())
    # 120 BPM is 128 pips per second exactly, however far the night runs.
    assert clock.pip(SECOND) == 128
    assert clock.pip(3600 * SECOND) == 128 * 3600
    assert clock.pip(3600 * SECOND + SECOND // 128 - 1) == 128 * 3600


def test_tempo_change_is_continuous_and_exact():
    time = FakeTime()
    clock = Clock(120, time)
    pips = []
    for ms in range(2001):
        time.ns = ms * MS
        if ms == 1000:
            before = clock.position()
            clock.set_bpm(90)
            assert clock.position() == before
        pips.append(clock.pip())
    steps = [b - a for a, b in zip(pips, pips[1:])]
    assert min(steps) >= 0 and max(steps) <= 1
    # One second at 120 BPM, then one at 90: 128 + 96 pips.
    assert pips[-1] == 224


@pytest.mark.parametrize(("shift", "correction"), [
    (lambda clock: clock.nudge(-250), -32),         # 250 ms at 120 BPM
    (lambda clock: clock.nudge(40), Fraction(256, 50)),
    (lambda clock: clock.resync_downbeat(), Fraction(192, 5)),  # the nearest bar start, 256, is ahead
    (lambda clock: clock.align("phrase"), -Fraction(1088, 5)),  # the nearest phrase start, 0, is behind
])
def test_phase_shifts_are_caught_up_never_standing_still(shift, correction):
    time = FakeTime()
    clock = Clock(120, time)
    time.ns = 1700 * MS  # 217.6 pips
    last = clock.position()
    shift(clock)
    for ms in range(1705, 6000, 5):
        time.ns = ms * MS
        position = clock.position()
        assert position > last, "the position moves on at every frame"
        last = position
    # ... and lands exactly where the shift asked.
    assert last == Fraction(5995 * 128, 1000) + correction


def test_resync_puts_the_moment_on_a_bar_start_within_a_beat():
    time = FakeTime()
    clock = Clock(120, time)
    time.ns = 2100 * MS  # 268.8 pips: a little past the second bar
    clock.resync_downbeat()
    time.ns += 500 * MS  # one beat later the music is on beat 2 of bar 2
    assert clock.position() == 256 + 64
    assert clock.bar_beat(clock.pip()) == (2, 2)


def test_tap_tempo_sets_bpm_and_beat():
    time = FakeTime()
    clock = Clock(120, time)
    for tap in range(4):
        time.ns = 10 * SECOND + tap * 600 * MS + 7 * MS
        clock.tap()
    assert clock.bpm == pytest.approx(100)
    assert clock.position() % 64 == 0


def feed(clock: MidiClock, kinds, start_ns: int = 0, tick_ns: int = 20 * MS) -> int:
    t = start_ns
    for kind in kinds:
        clock.receive(mido.Message(kind), t)
        t += tick_ns
    return t


def test_midi_24_ticks_are_64_pips():
    clock = MidiClock(120)
    # After Start, the first tick plays position 0 and each further tick advances one.
    end = feed(clock, ["start"] + ["clock"] * 25)
    assert clock.ticks == 24
    assert clock.pip(end - 20 * MS) == 64


def test_midi_a_million_ticks_do_not_drift():
    clock = MidiClock(120)
    clock.receive(mido.Message("start"), 0)
    message = mido.Message("clock")
    for tick in range(1_000_001):
        clock.receive(message, tick)
    assert clock.ticks == 1_000_000
    assert clock.pip(1_000_000) == 1_000_000 * 64 // 24
    assert Fraction(clock.pip(1_000_000)) == Fraction(8, 3) * 1_000_000 - Fraction(2, 3)


@pytest.mark.parametrize("position, pip", [(0, 0), (1, 16), (4, 64), (17, 272), (16383, 262128)])
def test_song_position_pointer_lands_on_its_pip(position, pip):
    clock = MidiClock(120)
    clock.receive(mido.Message("songpos", pos=position), 0)
    assert clock.pip(0) == pip
    clock.receive(mido.Message("continue"), 1)
    end = feed(clock, ["clock"] * 7, start_ns=2)
    assert clock.pip(end) >= pip + 16  # six ticks on: one sixteenth further


def test_midi_stop_holds_and_continue_resumes():
    clock = MidiClock(120)
    end = feed(clock, ["start"] + ["clock"] * 13)
    held = clock.pip(end)
    end = feed(clock, ["stop"] + ["clock"] * 30, start_ns=end)
    assert clock.pip(end + SECOND) == held >= 32  # 12 ticks played, then part of one
    feed(clock, ["continue"] + ["clock"] * 4, start_ns=end)
    assert clock.ticks == 15


@pytest.mark.parametrize("jump_back", [["stop", ("songpos", 0), "continue"], ["stop", "start"]])
@pytest.mark.parametrize("beats", [16, 64])
def test_a_midi_master_that_restarts_or_relocates_is_followed_at_once(jump_back, beats):
    clock = MidiClock(120)
    end = feed(clock, ["start"] + ["clock"] * (beats * 24 + 1))
    assert clock.pip(end) >= beats * 64
    messages = [mido.Message(kind) if isinstance(kind, str) else mido.Message(kind[0], pos=kind[1])
                for kind in jump_back]
    for message in messages:
        clock.receive(message, end)
    end = feed(clock, ["clock"] * 25, start_ns=end)
    assert clock.pip(end - 20 * MS) == 64, "one beat after the restart, not held where it was"


def test_midi_ticks_without_start_run_free():
    clock = MidiClock(120)
    feed(clock, ["clock"] * 49)
    assert clock.running and clock.ticks == 48


def test_midi_interpolates_between_ticks_but_not_past_the_next():
    clock = MidiClock(120)
    tick_ns = 20 * MS
    end = feed(clock, ["start"] + ["clock"] * 4, tick_ns=tick_ns)  # ticks 0..3, the last at end - tick_ns
    last_tick = end - tick_ns
    assert clock.pip(last_tick) == 3 * 64 // 24
    assert clock.pip(last_tick + tick_ns // 2) == 9  # 3.5 ticks
    assert clock.pip(last_tick + 50 * tick_ns) < 4 * 64 // 24 + 1
    assert clock.bpm == pytest.approx(125)  # 20 ms ticks


def test_link_clock_reads_the_session_beat_without_joining():
    pytest.importorskip("aalink")
    from kinemorphs_show.link_clock import LinkClock

    clock = LinkClock(120, join=False)
    try:
        first = clock.pip()
        clock.set_bpm(90)
        assert clock.bpm == 90
        clock.nudge(1000)  # one second at 90 BPM: 96 pips ahead, caught up within two seconds
        assert clock.pip(time.monotonic_ns() + 3 * SECOND) >= first + 96 + 3 * 96
    finally:
        clock.close()
