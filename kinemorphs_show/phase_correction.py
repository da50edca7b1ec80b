"""A phase change caught up smoothly instead of jumping (forwards) or standing still (backwards).

A correction of d pips asked for at host time t is spread evenly over a window
from t, so the position runs at most CATCH_UP_SPEED_CHANGE faster or slower
than the music and lands exactly on the corrected phase: the window is one
beat, or longer for a correction of more than half a beat. A new correction
during a window carries over what is left of the last one.
"""

from dataclasses import dataclass
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

CATCH_UP_SPEED_CHANGE = Fraction(1, 2)


@dataclass
class PhaseCorrection:
    settled: Fraction = Fraction(0)     # pips of correction already caught up when the window opened
    pending: Fraction = Fraction(0)     # pips still to catch up over the window
    start_ns: int = 0
    window_ns: int = 1

    def offset(self, t_ns: int) -> Fraction:
        """The correction in effect at t_ns."""
        if not self.pending:
            return self.settled
        done = Fraction(min(max(t_ns - self.start_ns, 0), self.window_ns), self.window_ns)
        return self.settled + self.pending * done

    @property
    def target(self) -> Fraction:
        """The correction once every window has closed."""
        return self.settled + self.pending

    def add(self, pips: Fraction, t_ns: int, pips_per_ns: Fraction) -> None:
        """Start catching up pips more of correction from t_ns, at a music rate of pips_per_ns."""
        now = self.offset(t_ns)
        pending = self.target + pips - now
        beat_ns = PIPS_PER_BEAT / pips_per_ns
        window = max(beat_ns, abs(pending) / (pips_per_ns * CATCH_UP_SPEED_CHANGE))
        self.settled, self.pending, self.start_ns, self.window_ns = now, pending, t_ns, max(1, int(window))
