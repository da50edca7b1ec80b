"""Masters: a size that glides to where its fader was moved, and a rate that keeps the phase.

A size master never jumps: a new value is reached over MASTER_GLIDE_PIPS with a
smoothstep from wherever the master stood then. A rate master changes a layer's
pattern speed at once but re-anchors the layer's pattern position at that
moment, so the pattern continues from the same phase, only faster or slower.
The same glide fades a layer in when it starts and out when it is released.
"""

from dataclasses import dataclass
from fractions import Fraction

from kinemorphs_show.show_schema import MAX_MASTER, MAX_RATE, MIN_RATE
from kinemorphs_show.timing import exact

MASTER_GLIDE_PIPS = 16          # a quarter beat: quick under a fader, never a jump
RATE_STEPS = (Fraction(1, 4), Fraction(1, 2), Fraction(1), Fraction(2), Fraction(4))
# A continuous rate is kept as an exact ratio with at most this denominator.
RATE_DENOMINATOR = 960


@dataclass(frozen=True)
class Glide:
    """A value moving from `start_value` at `start` to `end_value` at `end` (smoothstep between)."""

    start_value: float
    end_value: float
    start: Fraction = Fraction(0)
    end: Fraction = Fraction(0)

    @classmethod
    def still(cls, value: float) -> "Glide":
        return cls(value, value)

    def at(self, position: Fraction | int) -> float:
        if position >= self.end:
            return self.end_value
        if position <= self.start:
            return self.start_value
        t = float((position - self.start) / (self.end - self.start))
        return self.start_value + (self.end_value - self.start_value) * (t * t * (3.0 - 2.0 * t))

    def towards(self, value: float, start: Fraction | int, length_pips: Fraction | int) -> "Glide":
        """Heading for value from where this glide stands at start."""
        start = Fraction(start)
        return Glide(self.at(start), value, start, start + length_pips)


@dataclass(frozen=True)
class RatePhase:
    """A layer's pattern position for a show position: exact, continuous across rate changes."""

    rate: Fraction = Fraction(1)
    show_anchor: Fraction = Fraction(0)
    layer_anchor: Fraction = Fraction(0)

    def at(self, position: Fraction | int) -> Fraction:
        if self.rate == 1 and self.layer_anchor == self.show_anchor:  # the show's own position (every frame)
            return exact(position)
        return self.layer_anchor + (Fraction(position) - self.show_anchor) * self.rate

    def changed(self, rate: Fraction, position: Fraction | int) -> "RatePhase":
        return RatePhase(rate, Fraction(position), self.at(position))


def checked_size(value: float) -> str | None:
    """None when value is a size master (0 to 2), else what was refused."""
    if not (isinstance(value, (int, float)) and 0.0 <= value <= MAX_MASTER):
        return f"size {value:g} (not 0 to {MAX_MASTER:g})"
    return None


def exact_rate(value: float) -> Fraction | None:
    """The rate as an exact ratio (1/4 to 4; 0.5 is exactly 1/2), or None when out of range."""
    if not (isinstance(value, (int, float)) and float(MIN_RATE) <= value <= MAX_RATE):
        return None
    return Fraction(value).limit_denominator(RATE_DENOMINATOR)


def rate_step(rate: Fraction, steps: int) -> Fraction:
    """The exact ratio `steps` places up (or down) from rate, within 1/4 to 4."""
    below = [step for step in RATE_STEPS if step <= rate]
    index = RATE_STEPS.index(below[-1]) if below else 0
    if steps < 0 and rate != RATE_STEPS[index]:
        steps += 1  # between two steps, down lands on the lower one
    return RATE_STEPS[max(0, min(len(RATE_STEPS) - 1, index + steps))]
