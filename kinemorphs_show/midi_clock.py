"""Follow an external MIDI clock: 24 ticks per beat, Start, Stop, Continue and Song Position Pointer.

A tick is 64/24 = 8/3 pip, so the clock counts whole ticks and turns them into
pips with integer arithmetic: it never accumulates a rounding error, however
long the night. Between ticks the position is interpolated from the measured
tick interval, never past the next tick's pip, and the reported pip never
steps backwards. `receive` takes anything with a mido message's `type` (and
`pos` for song position), so the logic runs without a MIDI port.
"""

import threading
import time
from collections import deque
from collections.abc import Callable
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.timing import (
    FOUR_FOUR, NS_PER_SECOND, SECONDS_PER_MINUTE, BeatGrid, nearest_boundary, pips_in_ms,
)

MIDI_INSTALL_HINT = "pip install 'kinemorphs[show,midi]' (python-rtmidi builds against the ALSA headers)"
TICKS_PER_BEAT = 24
# One Song Position Pointer unit is a sixteenth note: six ticks, 16 pips.
TICKS_PER_SONG_POSITION = 6
# The tempo is estimated over the last beat's worth of tick intervals.
TEMPO_WINDOW_TICKS = TICKS_PER_BEAT


def ticks_to_pips(ticks: int | Fraction) -> int:
    """Whole pips reached after a (possibly fractional) number of ticks, exactly."""
    return int(ticks * PIPS_PER_BEAT // TICKS_PER_BEAT)


class MidiClock:
    """Musical position driven by received MIDI clock messages."""

    def __init__(self, bpm: float, now_ns: Callable[[], int] = time.monotonic_ns,
                 grid: BeatGrid = FOUR_FOUR) -> None:
        self._now_ns = now_ns
        self._grid = grid
        self._lock = threading.Lock()
        self._ticks = 0
        self._running = False
        # Armed: play on the next tick. A fresh clock is armed so that a master that sends
        # ticks without ever sending Start (many DJ mixers) still drives the show.
        self._armed = True
        self._tick_times: deque[int] = deque(maxlen=TEMPO_WINDOW_TICKS + 1)
        self._fallback_bpm = float(bpm)
        self._offset_pips = 0
        self._last_pip: int | None = None

    @property
    def running(self) -> bool:
        return self._running

    @property
    def ticks(self) -> int:
        return self._ticks

    @property
    def bpm(self) -> float:
        """The tempo measured from recent ticks (the configured BPM until two ticks arrive)."""
        times = self._tick_times
        if len(times) < 2:
            return self._fallback_bpm
        tick_ns = (times[-1] - times[0]) / (len(times) - 1)
        return SECONDS_PER_MINUTE * NS_PER_SECOND / (tick_ns * TICKS_PER_BEAT)

    def receive(self, message, t_ns: int | None = None) -> None:
        t_ns = self._now_ns() if t_ns is None else t_ns
        with self._lock:
            kind = message.type
            if kind == "clock":
                self._tick(t_ns)
            elif kind == "start":
                self._ticks, self._armed, self._running = 0, True, False
                self._tick_times.clear()
            elif kind == "continue":
                self._armed, self._running = True, False
                self._tick_times.clear()
            elif kind == "stop":
                self._armed = self._running = False
            elif kind == "songpos":
                self._ticks = message.pos * TICKS_PER_SONG_POSITION

    def _tick(self, t_ns: int) -> None:
        # The first tick after Start or Continue plays the current position;
        # every later tick advances it by one.
        if self._armed:
            self._armed, self._running = False, True
        elif self._running:
            self._ticks += 1
        else:
            return
        self._tick_times.append(t_ns)

    def pip(self, t_ns: int | None = None) -> int:
        t_ns = self._now_ns() if t_ns is None else t_ns
        with self._lock:
            position = Fraction(self._ticks)
            if self._running and len(self._tick_times) >= 2:
                interval = (self._tick_times[-1] - self._tick_times[0]) / (len(self._tick_times) - 1)
                elapsed = max(0, t_ns - self._tick_times[-1])
                # Stay strictly before the next tick: it decides when that pip arrives.
                position += min(Fraction(elapsed / interval), Fraction(TICKS_PER_BEAT - 1, TICKS_PER_BEAT))
            pip = ticks_to_pips(position) + self._offset_pips
            if self._last_pip is not None and pip < self._last_pip:
                pip = self._last_pip
            self._last_pip = pip
            return pip

    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None:
        """The tempo belongs to the MIDI master; this only changes the fallback shown before ticks arrive."""
        self._fallback_bpm = float(bpm)

    def tap(self, t_ns: int | None = None) -> None:
        """Tapping has no effect: the MIDI master sets the tempo."""

    def resync_downbeat(self, t_ns: int | None = None) -> None:
        """'This is beat one': shift the offset so the current pip lands on the nearest bar start."""
        pip = self.pip(t_ns)
        with self._lock:
            self._offset_pips += nearest_boundary(Fraction(pip), self._grid.bar_pips) - pip

    def nudge(self, ms: float) -> None:
        with self._lock:
            self._offset_pips += round(pips_in_ms(ms, self.bpm))

    def bar_beat(self, pip: int) -> tuple[int, int]:
        return self._grid.bar_beat(pip)


def open_midi_clock(port_name: str, bpm: float, grid: BeatGrid = FOUR_FOUR) -> tuple[MidiClock, object]:
    """A MidiClock fed by an input port (a name, or '' for the first port); returns the clock
    and the open port, which the caller closes."""
    try:
        import mido

        names = mido.get_input_names()
    except ImportError as error:
        raise RuntimeError(f"MIDI ports need mido and python-rtmidi: {MIDI_INSTALL_HINT} ({error})") from error
    matches = [name for name in names if port_name in name]
    if not matches:
        raise RuntimeError(f"no MIDI input port matches {port_name!r}; ports: {', '.join(names) or 'none'}")
    clock = MidiClock(bpm, grid=grid)
    port = mido.open_input(matches[0], callback=clock.receive)
    return clock, port
