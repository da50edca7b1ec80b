"""A wall-clock start anchor (`run --start-at`): position 0 of the show at an agreed instant.

Runners given the same anchor and tempo put frame i at the same show position
whatever their start-up time: the anchor is frame 0's deadline, and frame i's
position is worked out from its offset to the anchor alone (i / frame rate,
exact), so the only thing that differs between machines is how well their
clocks agree (NTP or PTP keeps that well under a frame).
"""

import time
from datetime import datetime
from decimal import Decimal, InvalidOperation

from kinemorphs_show.timing import NS_PER_SECOND

# An anchor further away than this is a typo (a date in the wrong year, milliseconds for seconds).
MAX_ANCHOR_DISTANCE_S = 7 * 24 * 3600
# Epoch seconds have 10 digits until 2286; anything much longer is refused before arithmetic.
EPOCH_SECONDS_DIGITS = 12


def parse_start_at(text: str, now_ns: int | None = None) -> int:
    """Epoch seconds ('1765465200.5') or an ISO 8601 time with its zone ('2026-12-11T15:00:00Z') as
    epoch nanoseconds; ValueError when it is neither or lies more than a week from now."""
    now_ns = time.time_ns() if now_ns is None else now_ns
    too_far = ValueError(f"bad --start-at {text!r}: more than a week from now")
    try:
        seconds = Decimal(text.strip())
    except InvalidOperation:
        seconds = None
    if seconds is not None and not seconds.is_finite():
        raise ValueError(f"bad --start-at {text!r}: not a time")
    if seconds is not None:
        # Bounded before any arithmetic: an exponent of a billion would take the converter forever.
        if (seconds.adjusted() > EPOCH_SECONDS_DIGITS
                or abs(seconds - Decimal(now_ns) / NS_PER_SECOND) > MAX_ANCHOR_DISTANCE_S):
            raise too_far
        epoch_ns = int(seconds * NS_PER_SECOND)
    else:
        try:
            moment = datetime.fromisoformat(text.strip())
        except ValueError:
            raise ValueError(f"bad --start-at {text!r}: expected epoch seconds or an ISO 8601 time "
                             f"with its zone, such as 2026-12-11T15:00:00Z") from None
        if moment.tzinfo is None:
            raise ValueError(f"bad --start-at {text!r}: give the time zone (Z for UTC), "
                             f"so every runner means the same instant")
        epoch_ns = (int(moment.replace(microsecond=0).timestamp()) * NS_PER_SECOND
                    + moment.microsecond * 1000)
    if abs(epoch_ns - now_ns) > MAX_ANCHOR_DISTANCE_S * NS_PER_SECOND:
        raise too_far
    return epoch_ns


def monotonic_of(epoch_ns: int) -> int:
    """The monotonic-clock time of a wall-clock instant, as this host's clocks relate now."""
    return epoch_ns - (time.time_ns() - time.monotonic_ns())
