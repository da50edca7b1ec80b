"""The internal clock: host monotonic time to integer pips at a BPM that may change live.

The clock keeps an anchor — an exact (rational) pip position at a host time —
and a tempo. Every tempo change, nudge or resync moves the anchor to the exact
position at that moment, so the pip sequence stays continuous; the pip it
reports never steps backwards, even when a resync or a negative nudge puts
the position behind the last pip given out (the clock holds until it has
caught up).
"""

import time
from collections.abc import Callable
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.timing import (
    FOUR_FOUR,
    NS_PER_SECOND,
    SECONDS_PER_MINUTE,
    BeatGrid,
    nearest_boundary,
    pips_in_ms,
    pips_per_ns,
)

MIN_BPM = 20.0
MAX_BPM = 400.0
# Taps further apart than this start a new tap sequence.
TAP_TIMEOUT_NS = 2 * NS_PER_SECOND
# The tempo is averaged over at most this many recent taps.
TAP_WINDOW = 8


def checked_bpm(bpm: float) -> float:
    bpm = float(bpm)
    if not MIN_BPM <= bpm <= MAX_BPM:
        raise ValueError(f"BPM must be within {MIN_BPM:g}..{MAX_BPM:g}: {bpm:g}")
    return bpm


class Clock:
    """A free-running musical clock; pip 0 is the first downbeat, at construction time."""

    def __init__(self, bpm: float, now_ns: Callable[[], int] = time.monotonic_ns,
                 grid: BeatGrid = FOUR_FOUR) -> None:
        self._now_ns = now_ns
        self._bpm = checked_bpm(bpm)
        self._grid = grid
        self._anchor_ns = now_ns()
        self._anchor_position = Fraction(0)
        self._last_pip: int | None = None
        self._taps: tuple[int, ...] = ()

    @property
    def bpm(self) -> float:
        return self._bpm

    def position(self, t_ns: int | None = None) -> Fraction:
        """The exact musical position in pips at host time t_ns (may be fractional)."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        return self._anchor_position + (t_ns - self._anchor_ns) * pips_per_ns(self._bpm)

    def pip(self, t_ns: int | None = None) -> int:
        pip = int(self.position(t_ns) // 1)
        if self._last_pip is not None and pip < self._last_pip:
            pip = self._last_pip
        self._last_pip = pip
        return pip

    def _reanchor(self, t_ns: int | None, position: Fraction | None = None) -> int:
        t_ns = self._now_ns() if t_ns is None else t_ns
        self._anchor_position = self.position(t_ns) if position is None else position
        self._anchor_ns = t_ns
        return t_ns

    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None:
        """Change tempo at t_ns without moving the position at that moment."""
        bpm = checked_bpm(bpm)
        self._reanchor(t_ns)
        self._bpm = bpm

    def tap(self, t_ns: int | None = None) -> None:
        """Register a tap; from the second tap on, set the tempo from the tap intervals
        and put the latest tap on a beat."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        taps = self._taps if self._taps and t_ns - self._taps[-1] <= TAP_TIMEOUT_NS else ()
        self._taps = (taps + (t_ns,))[-TAP_WINDOW:]
        if len(self._taps) < 2:
            return
        interval_ns = (self._taps[-1] - self._taps[0]) / (len(self._taps) - 1)
        bpm = SECONDS_PER_MINUTE * NS_PER_SECOND / interval_ns
        self.set_bpm(min(MAX_BPM, max(MIN_BPM, bpm)), t_ns)
        self._reanchor(t_ns, Fraction(nearest_boundary(self.position(t_ns), PIPS_PER_BEAT)))

    def resync_downbeat(self, t_ns: int | None = None) -> None:
        """'This is beat one': move the position at t_ns to the nearest bar start."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        self._reanchor(t_ns, Fraction(nearest_boundary(self.position(t_ns), self._grid.bar_pips)))

    def align(self, unit: str, t_ns: int | None = None) -> None:
        """Move the position at t_ns to the nearest 'beat', 'bar' or 'phrase' start."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        self._reanchor(t_ns, Fraction(nearest_boundary(self.position(t_ns), self._grid.unit_pips(unit))))

    def nudge(self, ms: float) -> None:
        """Shift the phase by ms milliseconds of music at the current tempo (positive: ahead)."""
        self._reanchor(None)
        self._anchor_position += pips_in_ms(ms, self._bpm)

    def bar_beat(self, pip: int) -> tuple[int, int]:
        return self._grid.bar_beat(pip)
