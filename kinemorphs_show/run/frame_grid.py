"""Frames on a grid of the shared timeline, so that runners following one Link session agree.

Each runner reads the session's position at its own deadlines, which differ
between machines by their start times and by the session's sync error
(microseconds). Frames are therefore taken at the nearest multiple of one
frame's worth of pips at the tempo, and each runner starts its schedule at the
moment the session reaches such a multiple: every runner then computes frame k
at exactly k frames' worth of pips, bit for bit the same. Link carries the
tempo as whole microseconds per beat, and the peer that set it may hold it more
precisely, so the grid (and each frame's tempo) uses the value as carried.
"""

from fractions import Fraction

from kinemorphs_show.timing import NS_PER_SECOND, pips_per_ns


MICROSECONDS_PER_MINUTE = 60_000_000


def session_tempo(bpm: float) -> float:
    """The tempo as every peer of the session holds it: whole microseconds per beat."""
    return MICROSECONDS_PER_MINUTE / round(MICROSECONDS_PER_MINUTE / bpm)


def pips_per_frame(bpm: float, frames_per_second: Fraction) -> Fraction:
    return pips_per_ns(bpm) * NS_PER_SECOND / frames_per_second


def on_grid(position: Fraction, bpm: float, frames_per_second: Fraction) -> Fraction:
    """The multiple of one frame's pips nearest to position (ties go forward)."""
    stride = pips_per_frame(bpm, frames_per_second)
    return ((position / stride + Fraction(1, 2)) // 1) * stride


def next_grid_time(position_now: Fraction, now_ns: int, bpm: float, frames_per_second: Fraction) -> int:
    """When the timeline, at position_now now and running at bpm, reaches its next grid point."""
    stride = pips_per_frame(bpm, frames_per_second)
    ahead = -(-position_now // stride) * stride - position_now
    return now_ns + round(ahead / pips_per_ns(bpm))
