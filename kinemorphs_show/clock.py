"""The internal clock: host monotonic time to an exact pip position at a BPM that may change live.

The clock keeps an anchor — an exact (rational) pip position at a host time —
and a tempo. Every tempo change moves the anchor to the exact position at that
moment, so the position stays continuous. A phase change (resync, nudge, the
beat a tap lands on) is never a jump: it is caught up over a short window by a
temporary tempo change (see phase_correction.py). The position it reports never
steps backwards, even if the tempo drops in the middle of a catch-up.
"""

import time
from collections.abc import Callable
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.phase_correction import PhaseCorrection
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
    """A free-running musical clock; pip 0 is the first downbeat, at construction time or at start_ns."""

    def __init__(self, bpm: float, now_ns: Callable[[], int] = time.monotonic_ns,
                 grid: BeatGrid = FOUR_FOUR, start_ns: int | None = None) -> None:
        self._now_ns = now_ns
        self._bpm = checked_bpm(bpm)
        self._grid = grid
        self._anchor_ns = now_ns() if start_ns is None else start_ns
        self._anchor_position = Fraction(0)
        self._correction = PhaseCorrection()
        self._reported = Fraction(0)
        self._taps: tuple[int, ...] = ()

    @property
    def bpm(self) -> float:
        return self._bpm

    def _music(self, t_ns: int) -> Fraction:
        """The position the music is at, before any phase correction still being caught up."""
        return self._anchor_position + (t_ns - self._anchor_ns) * pips_per_ns(self._bpm)

    def target(self, t_ns: int | None = None) -> Fraction:
        """Where the position is heading: the music with every phase correction applied."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        return self._music(t_ns) + self._correction.target

    def position(self, t_ns: int | None = None) -> Fraction:
        """The exact musical position in pips at host time t_ns (may be fractional); never decreases."""
        t_ns = self._now_ns() if t_ns is None else t_ns
        self._reported = max(self._reported, self._music(t_ns) + self._correction.offset(t_ns))
        return self._reported

    def pip(self, t_ns: int | None = None) -> int:
        return int(self.position(t_ns) // 1)

    def _reanchor(self, t_ns: int) -> None:
        self._anchor_position = self._music(t_ns)
        self._anchor_ns = t_ns

    def _correct_by(self, pips: Fraction, t_ns: int) -> None:
        self._correction.add(pips, t_ns, pips_per_ns(self._bpm))

    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None:
        """Change tempo at t_ns without moving the position at that moment."""
        bpm = checked_bpm(bpm)
        self._reanchor(self._now_ns() if t_ns is None else t_ns)
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
        self._align_to(PIPS_PER_BEAT, t_ns)

    def resync_downbeat(self, t_ns: int | None = None) -> None:
        """'This is beat one': the moment t_ns becomes the nearest bar start (caught up smoothly)."""
        self._align_to(self._grid.bar_pips, t_ns)

    def align(self, unit: str, t_ns: int | None = None) -> None:
        """Move the moment t_ns to the nearest 'beat', 'bar' or 'phrase' start (caught up smoothly)."""
        self._align_to(self._grid.unit_pips(unit), t_ns)

    def _align_to(self, unit_pips: int, t_ns: int | None) -> None:
        t_ns = self._now_ns() if t_ns is None else t_ns
        here = self.target(t_ns)
        self._correct_by(nearest_boundary(here, unit_pips) - here, t_ns)

    def nudge(self, ms: float, t_ns: int | None = None) -> None:
        """Shift the phase by ms milliseconds of music at the current tempo (positive: ahead)."""
        self._correct_by(pips_in_ms(ms, self._bpm), self._now_ns() if t_ns is None else t_ns)

    def bar_beat(self, pip: int) -> tuple[int, int]:
        return self._grid.bar_beat(pip)
