"""The one-line live status: tempo, bar.beat, cue, frames per second, worst lateness."""

import sys
from dataclasses import dataclass, field
from collections.abc import Sequence
from typing import TYPE_CHECKING, TextIO

import numpy as np

from kinemorphs_show.frame import fixture_arrays
from kinemorphs_show.timing import NS_PER_SECOND

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

NS_PER_MS = 1_000_000
TERMINAL_STATUS_INTERVAL_NS = NS_PER_SECOND // 4
LOG_STATUS_INTERVAL_NS = NS_PER_SECOND
CLEAR_TO_LINE_END = "\x1b[K"
# A sender that varies the refused value every message cannot grow the run's memory.
MAX_DISTINCT_REFUSALS = 64
# A big rig can have hundreds of fixtures held back at once: the line names a few and counts the rest.
MAX_NAMES_SHOWN = 4


@dataclass(frozen=True)
class FrameRecord:
    """One frame as sent: its slot in the schedule, when it left, and what it was."""

    index: int
    deadline_ns: int
    sent_ns: int
    frame: "Frame"

    @property
    def lateness_ns(self) -> int:
        return self.sent_ns - self.deadline_ns


def names_where(names: Sequence[str], mask: np.ndarray) -> str:
    """The names where mask is set, at most MAX_NAMES_SHOWN of them and how many more; '' for none."""
    chosen = np.flatnonzero(mask)
    shown = ", ".join(names[index] for index in chosen[:MAX_NAMES_SHOWN].tolist())
    more = len(chosen) - MAX_NAMES_SHOWN
    return f"{shown} and {more} more" if more > 0 else shown


def status_text(bpm: float, bar: int, beat: int, cue: str, frames_per_second: float,
                worst_lateness_ns: int, limited: str) -> str:
    held = f"  limited: {limited}" if limited else ""
    return (f"{bpm:6.1f} BPM  {bar}.{beat}  cue {cue}  {frames_per_second:4.1f} fps"
            f"  worst {worst_lateness_ns / NS_PER_MS:.1f} ms late{held}")


@dataclass
class StatusLine:
    """Counts frames over a window and prints the status when the window closes.

    On a terminal the line is rewritten in place (four times a second);
    elsewhere one line is written per second. Only then are the fixtures' states
    read, from the frame's arrays.
    """

    stream: TextIO = field(default_factory=lambda: sys.stderr)
    window_start_ns: int | None = None
    window_frames: int = 0
    window_worst_ns: int = 0
    run_frames: int = 0
    run_worst_ns: int = 0
    skipped_frames: int = 0

    refusals: list[str] = field(default_factory=list)
    _reported_refusals: set[str] = field(default_factory=set)
    _in_place: bool | None = None   # whether the stream is a terminal, asked once (not every frame)

    def refused(self, what: str) -> None:
        """Report a refused control once (on the next status line), however often it arrives."""
        if what not in self._reported_refusals and len(self._reported_refusals) < MAX_DISTINCT_REFUSALS:
            self._reported_refusals.add(what)
            self.refusals.append(what)

    def note(self, record: FrameRecord, bpm: float, bar_beat: tuple[int, int]) -> None:
        self.run_frames += 1
        self.run_worst_ns = max(self.run_worst_ns, record.lateness_ns)
        if self.window_start_ns is None:
            self.window_start_ns = record.sent_ns
        self.window_frames += 1
        self.window_worst_ns = max(self.window_worst_ns, record.lateness_ns)
        elapsed = record.sent_ns - self.window_start_ns
        in_place = self._stream_is_terminal()
        if elapsed < (TERMINAL_STATUS_INTERVAL_NS if in_place else LOG_STATUS_INTERVAL_NS):
            return
        frame = record.frame
        fixtures = fixture_arrays(frame.fixtures)
        reduced = names_where(fixtures.names, fixtures.size_scale < 1.0)
        text = status_text(bpm, *bar_beat, frame.cue, (self.window_frames - 1) * NS_PER_SECOND / elapsed,
                           self.window_worst_ns, names_where(fixtures.names, fixtures.limited))
        if reduced:
            text += f"  reduced: {reduced}"
        if self.refusals:
            text += f"  refused: {', '.join(self.refusals)}"
            self.refusals.clear()
        self._write(f"\r{text}{CLEAR_TO_LINE_END}" if in_place else text + "\n")
        self.window_start_ns = record.sent_ns
        self.window_frames = 1
        self.window_worst_ns = 0

    def finish(self, outcome: str) -> None:
        ending = "\n" if self._stream_is_terminal() else ""
        refused = f"; refused: {', '.join(self.refusals)}" if self.refusals else ""
        self._write(f"{ending}{self.run_frames} frames sent, {self.skipped_frames} skipped, "
                    f"worst {self.run_worst_ns / NS_PER_MS:.1f} ms late{refused}; {outcome}\n")

    def _stream_is_terminal(self) -> bool:
        if self._in_place is None:
            try:
                self._in_place = self.stream.isatty()
            except ValueError:  # already closed: nothing more will show anyway
                self._in_place = False
        return self._in_place

    def _write(self, text: str) -> None:
        # A closed log pipe must not stop the show (nor keep the fixtures from home).
        try:
            self.stream.write(text)
            self.stream.flush()
        except (OSError, ValueError):
            pass
