"""Frame deadlines on the monotonic clock, computed from the start, never accumulated.

Deadline i is start + i / rate seconds in exact integer nanoseconds, so a
night of frames ends where it should however late single frames were:
lateness never carries over into the next deadline.
"""

from dataclasses import dataclass
from fractions import Fraction

from kinemorphs_show.timing import NS_PER_SECOND
# Frame rates are given as decimals (44, 29.97); this bounds the denominator of
# their exact ratio without changing any rate written with up to three decimals.
FRAME_RATE_DENOMINATOR_LIMIT = 1000


@dataclass(frozen=True)
class FrameSchedule:
    start_ns: int
    frames_per_second: Fraction

    @classmethod
    def starting(cls, start_ns: int, frame_rate: float) -> "FrameSchedule":
        if not frame_rate > 0:
            raise ValueError(f"the frame rate must be positive, not {frame_rate}")
        return cls(start_ns, Fraction(frame_rate).limit_denominator(FRAME_RATE_DENOMINATOR_LIMIT))

    def deadline_ns(self, index: int) -> int:
        rate = self.frames_per_second
        return self.start_ns + index * NS_PER_SECOND * rate.denominator // rate.numerator

    def first_index_not_before(self, t_ns: int) -> int:
        """The first frame whose deadline is at or after t_ns (0 before the start)."""
        rate = self.frames_per_second
        elapsed = t_ns - self.start_ns
        if elapsed <= 0:
            return 0
        return -(-elapsed * rate.numerator // (NS_PER_SECOND * rate.denominator))
