"""A terminal view of every fixture, for running a show without hardware.

On a terminal the block of fixture lines is redrawn in place a few times a
second (above the runner's status line); into a file or pipe one block is
written per second, so a log stays readable.
"""

import sys
import time
from collections.abc import Callable
from typing import TYPE_CHECKING, TextIO

from kinemorphs_show.timing import NS_PER_SECOND

from .destination import PREVIEW

if TYPE_CHECKING:
    from kinemorphs_show.engine import FixtureFrame, Frame

TERMINAL_REDRAW_INTERVAL_NS = NS_PER_SECOND // 10
LOG_BLOCK_INTERVAL_NS = NS_PER_SECOND
BAR_WIDTH = 21          # odd, so the centre of travel has a column of its own
CURSOR_UP_TO_LINE_START = "\x1b[{}F"
CLEAR_TO_LINE_END = "\x1b[K"


def displacement_bar(value: float) -> str:
    """A bar of BAR_WIDTH cells with a marker where value lies in [-1, 1]."""
    clamped = max(-1.0, min(1.0, value))
    marker = round((clamped + 1.0) / 2.0 * (BAR_WIDTH - 1))
    return "".join("●" if i == marker else ("┼" if i == BAR_WIDTH // 2 else "─") for i in range(BAR_WIDTH))


def fixture_line(fixture: "FixtureFrame", name_width: int) -> str:
    held = "  limited" if fixture.limited else ""
    return (f"{fixture.name:<{name_width}}  x {displacement_bar(fixture.x)}  y {displacement_bar(fixture.y)}"
            f"  pan {fixture.pan_deg:+7.1f}°  tilt {fixture.tilt_deg:+7.1f}°{held}")


def preview_block(frame: "Frame") -> list[str]:
    name_width = max((len(f.name) for f in frame.fixtures), default=0)
    return [fixture_line(fixture, name_width) for fixture in frame.fixtures]


class PreviewOutput:
    def __init__(self, stream: TextIO | None = None, now_ns: Callable[[], int] = time.monotonic_ns) -> None:
        self.destination = PREVIEW
        self.gone = False
        self._stream = stream if stream is not None else sys.stdout
        self._now_ns = now_ns
        self._in_place = self._stream.isatty()
        self._interval_ns = TERMINAL_REDRAW_INTERVAL_NS if self._in_place else LOG_BLOCK_INTERVAL_NS
        self._last_draw_ns: int | None = None
        self._drawn_lines = 0
        self._undrawn: "Frame | None" = None

    async def open(self) -> None:
        pass

    def send(self, frame: "Frame") -> str | None:
        if self.gone:
            return "the preview's reader went away"
        now = self._now_ns()
        if self._last_draw_ns is not None and now - self._last_draw_ns < self._interval_ns:
            self._undrawn = frame
            return None
        self._last_draw_ns = now
        return self._draw(frame)

    def _draw(self, frame: "Frame") -> str | None:
        try:
            self._write_block(frame)
        except (OSError, ValueError) as error:
            # A closed pipe (`run show.toml | head`) ends the run; the fixtures still go home on the network.
            self.gone = True
            return f"the preview's reader went away ({error})"
        return None

    def _write_block(self, frame: "Frame") -> None:
        self._undrawn = None
        lines = preview_block(frame)
        if self._in_place:
            # The cursor sits on the status line below the block: go back up over the
            # block and overwrite it, leaving the cursor on the status line again.
            up = CURSOR_UP_TO_LINE_START.format(self._drawn_lines) if self._drawn_lines else "\r"
            self._stream.write(up + "".join(line + CLEAR_TO_LINE_END + "\n" for line in lines))
            self._drawn_lines = len(lines)
        else:
            self._stream.write(f"pip {frame.pip}  cue {frame.cue}\n" + "".join(line + "\n" for line in lines))
        self._stream.flush()

    async def close(self) -> None:
        # The last frame (every fixture at home, at the end of a run) is shown even
        # when it came sooner than the redraw interval.
        if self._undrawn is not None and not self.gone:
            self._draw(self._undrawn)
