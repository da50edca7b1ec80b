"""The frame loop: one frame per absolute deadline to every output, and home last.

Each frame's position is the clock's exact position at the frame's deadline,
so positions are sampled evenly even when a frame leaves late. The frame is
computed before its deadline and sent on waking, so computing it adds nothing
to its lateness (a cue change waits for the next frame, one period at most).
A frame that leaves after the next deadline has passed skips the missed slots
instead of sending a burst to catch up; a schedule that started before the run
(a start anchor shared with other runners) is joined at its next slot.

The loop runs on a thread of its own that sleeps once to each deadline
(time.sleep, an absolute-deadline clock_nanosleep): one wake-up per frame. On
the event loop it took two (asyncio's epoll timeout is rounded up to whole
milliseconds, so it woke early and slept the rest precisely), and the same
frames cost twice the CPU (benchmarks/bench_show.py measures both floors);
lateness is the same. The event loop meanwhile only waits for controls and
signals; a lock keeps a control from changing the engine or clock while a
frame is computed.
"""

import asyncio
import time
from collections.abc import Awaitable, Callable, Sequence
from contextlib import AbstractContextManager, nullcontext
from dataclasses import dataclass, field
from fractions import Fraction
from typing import Protocol

from kinemorphs_show.controls import ShowClock
from kinemorphs_show.engine import Frame
from kinemorphs_show.frame_schedule import FrameSchedule
from kinemorphs_show.outputs import Output
from kinemorphs_show.run.frame_grid import next_grid_time, on_grid, pips_per_frame, session_tempo
from kinemorphs_show.status_line import FrameRecord, StatusLine
from kinemorphs_show.timing import NS_PER_SECOND


class FrameSource(Protocol):
    @property
    def cue_names(self) -> Sequence[str]: ...
    def frame(self, position: Fraction | int, bpm: float) -> Frame: ...
    def home_frame(self) -> Frame: ...
    def go(self, index: int, pip: int) -> None: ...
    def go_next(self, pip: int) -> None: ...
    def go_previous(self, pip: int) -> None: ...


@dataclass
class RunState:
    """Why the run stops, if it does: the first reason asked for wins."""

    stop_reason: str | None = None
    # A reason that makes the run fail (exit status 3) even if every fixture gets home.
    failure: str | None = None
    quit_requested: bool = field(default=False, init=False)

    def request_quit(self, reason: str = "quit") -> None:
        if not self.quit_requested:
            self.quit_requested = True
            self.stop_reason = reason


# Deadlines further than this share of a frame from the shared grid restart the schedule on it.
GRID_TOLERANCE = Fraction(1, 4)
# A wait for a start anchor is taken in steps this long, so that a signal or q ends it at once.
LONGEST_WAIT_NS = 100_000_000


async def sleep_on_frame_thread(duration_ns: int) -> None:
    """Blocks: only for the frame thread's own loop, which has nothing else to do."""
    time.sleep(duration_ns / NS_PER_SECOND)


def same_frame(frame: Frame) -> Frame:
    return frame


def send_to_all(outputs: Sequence[Output], frame: Frame) -> list[str]:
    """Send a frame to every output, each whatever the others did; the problems, one per output that failed."""
    problems = []
    for output in outputs:
        try:
            problem = output.send(frame)
        except Exception as error:  # an output's fault must not keep the others from their frame
            problem = f"{type(error).__name__}: {error}"
        if problem is not None:
            problems.append(f"{output.destination}: {problem}")
    return problems


async def run_frames(engine: FrameSource, clock: ShowClock, outputs: Sequence[Output], schedule: FrameSchedule,
                     state: RunState, status: StatusLine, *, stop_at_ns: int | None = None,
                     on_frame: Callable[[FrameRecord], None] | None = None,
                     now_ns: Callable[[], int] = time.monotonic_ns,
                     sleep: Callable[[int], Awaitable[None]] = sleep_on_frame_thread,
                     restrict: Callable[[Frame], Frame] = same_frame, join: bool = False,
                     on_shared_grid: bool = False, lock: AbstractContextManager = nullcontext()) -> None:
    """Send frames on the schedule until quit is requested or stop_at_ns is reached.

    restrict turns each frame into what this runner sends (its universes only);
    join starts at the schedule's next slot instead of its first (a schedule
    shared with other runners, which may have started long ago); on_shared_grid
    takes each frame at the nearest grid point of a timeline shared with other
    runners (see frame_grid). lock is held while a frame is computed. The
    default sleep blocks: run it with run_frames_on_a_thread.
    """
    index = schedule.first_index_not_before(now_ns()) if join else 0
    while not state.quit_requested:
        deadline = schedule.deadline_ns(index)
        if stop_at_ns is not None and deadline >= stop_at_ns:
            state.request_quit("end")
            break
        realign_at = None
        with lock:
            bpm = session_tempo(clock.bpm) if on_shared_grid else clock.bpm
            position = clock.position(deadline)
            if on_shared_grid:
                position, realign_at = grid_position(position, deadline, bpm, schedule.frames_per_second)
            frame = restrict(engine.frame(position, bpm))
        wait = deadline - now_ns()
        while wait > 0 and not state.quit_requested:
            await sleep(min(wait, LONGEST_WAIT_NS))
            wait = deadline - now_ns()
        if state.quit_requested:
            break
        sent_ns = now_ns()
        send_to_all(outputs, frame)
        if any(output.gone for output in outputs):
            state.request_quit("an output closed")
        record = FrameRecord(index, deadline, sent_ns, frame)
        with lock:
            status.note(record, bpm, clock.bar_beat(frame.pip))
        if on_frame is not None:
            on_frame(record)
        if realign_at is not None:
            schedule, index = FrameSchedule(realign_at, schedule.frames_per_second), 0
            continue
        next_index = max(index + 1, schedule.first_index_not_before(now_ns()))
        status.skipped_frames += next_index - index - 1
        index = next_index


def grid_position(position: Fraction, deadline_ns: int, bpm: float,
                  frames_per_second: Fraction) -> tuple[Fraction, int | None]:
    """The grid point for a frame, and when the schedule should restart if it has drifted off the grid.

    Deadlines that fall between grid points (the session's timeline jumped when
    this runner found its peers, or the tempo changed) would send each frame up
    to half a frame before or after the other runners send it; the schedule then
    restarts at the next grid point.
    """
    snapped = on_grid(position, bpm, frames_per_second)
    if abs(position - snapped) <= pips_per_frame(bpm, frames_per_second) * GRID_TOLERANCE:
        return snapped, None
    return snapped, next_grid_time(position, deadline_ns, bpm, frames_per_second)


async def run_frames_on_a_thread(engine: FrameSource, clock: ShowClock, outputs: Sequence[Output],
                                 schedule: FrameSchedule, state: RunState, status: StatusLine, **options) -> None:
    """run_frames on a thread of its own, sleeping there; the event loop stays free for controls.

    Cancelled, it asks the frames to stop and waits for the thread, so that nothing
    (home above all) is sent while a frame may still be going out.
    """
    frames = asyncio.ensure_future(asyncio.to_thread(
        asyncio.run, run_frames(engine, clock, outputs, schedule, state, status, **options)))
    try:
        await asyncio.shield(frames)
    except asyncio.CancelledError:
        state.request_quit("cancelled")
        await asyncio.wait([frames])
        raise


def send_home(engine: FrameSource, outputs: Sequence[Output],
              restrict: Callable[[Frame], Frame] = same_frame) -> tuple[Frame | None, list[str]]:
    """Send every fixture home on every output; the home frame and what could not be sent.

    An output whose reader went away for good (the preview's closed pipe) drives no
    fixture and is not asked.
    """
    try:
        home = restrict(engine.home_frame())
    except Exception as error:
        return None, [f"no home frame: {type(error).__name__}: {error}"]
    return home, send_to_all([output for output in outputs if not output.gone], home)
