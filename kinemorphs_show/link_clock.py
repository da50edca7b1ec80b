"""Follow an Ableton Link session through the optional `aalink` package.

Link shares tempo and beat phase between peers on the local network. aalink
needs a running asyncio loop, so the clock runs one on a daemon thread and
only reads the session's beat from the show's thread. Without aalink a show
that asks for Link fails to start with a message naming the package; the
internal clock and MIDI clock need nothing extra.
"""

import asyncio
import threading
import time
from collections.abc import Callable
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.phase_correction import PhaseCorrection
from kinemorphs_show.timing import FOUR_FOUR, BeatGrid, nearest_boundary, pips_in_ms, pips_per_ns

LINK_INSTALL_HINT = "Ableton Link needs the aalink package: install the show extra (pip install '.[show]' from a clone)"


class LinkClock:
    """Pips from the beat of the Link session; tempo changes here reach every peer."""

    def __init__(self, bpm: float, now_ns: Callable[[], int] = time.monotonic_ns,
                 grid: BeatGrid = FOUR_FOUR, join: bool = True) -> None:
        """join=False keeps the session local (no network discovery of peers)."""
        try:
            import aalink
        except ImportError as error:
            raise RuntimeError(LINK_INSTALL_HINT) from error
        self._now_ns = now_ns
        self._grid = grid
        self._loop = asyncio.new_event_loop()
        self._thread = threading.Thread(target=self._loop.run_forever, name="link", daemon=True)
        self._thread.start()

        async def join_session():
            link = aalink.Link(float(bpm))
            link.quantum = grid.beats_per_bar
            link.enabled = join
            return link

        self._link = asyncio.run_coroutine_threadsafe(join_session(), self._loop).result()
        self._correction = PhaseCorrection()
        self._reported: Fraction | None = None

    @property
    def bpm(self) -> float:
        return float(self._link.tempo)

    @property
    def peers(self) -> int:
        return int(self._link.num_peers)

    def position(self, t_ns: int | None = None) -> Fraction:
        """The session's position in pips at host time t_ns, phase corrections included; never decreases."""
        now = self._now_ns()
        t_ns = now if t_ns is None else t_ns
        rate = pips_per_ns(self.bpm)
        position = Fraction(self._link.beat) * PIPS_PER_BEAT + (t_ns - now) * rate + self._correction.offset(t_ns)
        if self._reported is not None and position < self._reported:
            position = self._reported
        self._reported = position
        return position

    def pip(self, t_ns: int | None = None) -> int:
        return int(self.position(t_ns) // 1)

    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None:
        self._link.tempo = float(bpm)

    def tap(self, t_ns: int | None = None) -> None:
        """Tapping is left to the Link session's own tempo controls."""

    def resync_downbeat(self, t_ns: int | None = None) -> None:
        t_ns = self._now_ns() if t_ns is None else t_ns
        target = self.position(t_ns) + self._correction.target - self._correction.offset(t_ns)
        self._correction.add(nearest_boundary(target, self._grid.bar_pips) - target, t_ns, pips_per_ns(self.bpm))

    def nudge(self, ms: float, t_ns: int | None = None) -> None:
        t_ns = self._now_ns() if t_ns is None else t_ns
        self._correction.add(pips_in_ms(ms, self.bpm), t_ns, pips_per_ns(self.bpm))

    def bar_beat(self, pip: int) -> tuple[int, int]:
        return self._grid.bar_beat(pip)

    def close(self) -> None:
        self._link.enabled = False
        self._loop.call_soon_threadsafe(self._loop.stop)
