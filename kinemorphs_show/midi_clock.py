"""Follow an external MIDI clock: 24 ticks per beat, Start, Stop, Continue and Song Position Pointer.

A tick is 64/24 = 8/3 pip, so the clock counts whole ticks and turns them into
pips with exact arithmetic: it never accumulates a rounding error, however
long the night. Between ticks the position is interpolated from the measured
tick interval, never past the next tick, and the reported position never
steps backwards while the master plays on; a master that restarts (Start) or
relocates (Song Position Pointer) is followed at once, backwards included.
Resync and nudge are caught up smoothly (see phase_correction.py). `receive` takes anything with a mido message's `type` (and
`pos` for song position), so the logic runs without a MIDI port.
"""

import threading
import time
from collections import deque
from collections.abc import Callable
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.phase_correction import PhaseCorrection
from kinemorphs_show.timing import (
    FOUR_FOUR, NS_PER_SECOND, SECONDS_PER_MINUTE, BeatGrid, nearest_boundary, pips_in_ms, pips_per_ns,
)

MIDI_INSTALL_HINT = "pip install 'kinemorphs[show,midi]' (python-rtmidi builds against the ALSA headers)"
TICKS_PER_BEAT = 24
# One Song Position Pointer unit is a sixteenth note: six ticks, 16 pips.
TICKS_PER_SONG_POSITION = 6
# The tempo is estimated over the last beat's worth of tick intervals.
TEMPO_WINDOW_TICKS = TICKS_PER_BEAT


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
        self._correction = PhaseCorrection()
        # The highest position given out since the master last relocated; None right after a relocation.
        self._reported: Fraction | None = None

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
                self._reported = None
            elif kind == "continue":
                self._armed, self._running = True, False
                self._tick_times.clear()
            elif kind == "stop":
                self._armed = self._running = False
            elif kind == "songpos":
                self._ticks = message.pos * TICKS_PER_SONG_POSITION
                self._reported = None

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

    def position(self, t_ns: int | None = None) -> Fraction:
        """The exact position in pips at host time t_ns."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        with self._lock:
            ticks = Fraction(self._ticks)
            if self._running and len(self._tick_times) >= 2:
                interval = (self._tick_times[-1] - self._tick_times[0]) / (len(self._tick_times) - 1)
                elapsed = max(0, t_ns - self._tick_times[-1])
                # Stay strictly before the next tick: it decides when that position arrives.
                ticks += min(Fraction(elapsed / interval), Fraction(TICKS_PER_BEAT - 1, TICKS_PER_BEAT))
            position = ticks * PIPS_PER_BEAT / TICKS_PER_BEAT + self._correction.offset(t_ns)
            if self._reported is not None and position < self._reported:
                position = self._reported
            self._reported = position
            return position

    def pip(self, t_ns: int | None = None) -> int:
        return int(self.position(t_ns) // 1)

    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None:
        """The tempo belongs to the MIDI master; this only changes the fallback shown before ticks arrive."""
        self._fallback_bpm = float(bpm)

    def tap(self, t_ns: int | None = None) -> None:
        """Tapping has no effect: the MIDI master sets the tempo."""

    def resync_downbeat(self, t_ns: int | None = None) -> None:
        """'This is beat one': catch the moment t_ns up to the nearest bar start."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        here = self.position(t_ns)
        with self._lock:
            target = here + self._correction.target - self._correction.offset(t_ns)
            self._correction.add(nearest_boundary(target, self._grid.bar_pips) - target, t_ns,
                                 pips_per_ns(self.bpm))

    def nudge(self, ms: float, t_ns: int | None = None) -> None:
        t_ns = self._now_ns() if t_ns is None else t_ns
        with self._lock:
            self._correction.add(pips_in_ms(ms, self.bpm), t_ns, pips_per_ns(self.bpm))

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
