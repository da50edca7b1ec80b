"""The `run` command: open the outputs and controls, run the frame loop, send home, report.

Whatever ends the run (the requested seconds, q, a signal, an error, the
preview's pipe closing), every fixture is sent home before the outputs close.
The exit status says whether that is true: 0 only when the home frame left on
every output and universe; 3 with one line saying what was not sent.
"""

import asyncio
import os
import sys
import threading
import time
from collections.abc import Callable, Sequence
from contextlib import AsyncExitStack
from typing import TYPE_CHECKING

from kinemorphs_show.clock import Clock
from kinemorphs_show.clock_source import open_clock
from kinemorphs_show.controls import Command, ShowClock, apply_command
from kinemorphs_show.engine import Frame
from kinemorphs_show.playback.layered_engine import LayeredEngine as Engine
from kinemorphs_show.playback.run_start import playback_start
from kinemorphs_show.playback.start import OffsetClock
from kinemorphs_show.playback.state_file import StateFileError
from kinemorphs_show.exit_codes import SHOW_EXTRA_HINT, ExitCode
from kinemorphs_show.frame_schedule import FrameSchedule
from kinemorphs_show.outputs import (
    PREVIEW, Output, OutputDestination, OutputOptions, open_output, parse_output_destinations,
)
from kinemorphs_show.outputs.universe_selection import UniverseSelection, parse_universe_selection
from kinemorphs_show.run.frame_grid import next_grid_time
from kinemorphs_show.run.frame_loop import FrameSource, RunState, run_frames_on_a_thread, same_frame, send_home
from kinemorphs_show.run.going_dark import go_dark
from kinemorphs_show.run.live_controls import (
    listen_for_osc_controls, parse_osc_in, read_keys_if_terminal, stop_on_signals,
)
from kinemorphs_show.run.start_anchor import monotonic_of, parse_start_at
from kinemorphs_show.showfile import ShowFileError, load_show
from kinemorphs_show.status_line import FrameRecord, StatusLine
from kinemorphs_show.timing import NS_PER_SECOND

if TYPE_CHECKING:
    from kinemorphs_show.web.attach import WebOptions

PROGRAM = "kinemorphs-show"


async def run_show(engine: FrameSource, clock: ShowClock, outputs: Sequence[Output], frame_rate: float, *,
                   seconds: float | None = None, osc_in: tuple[str, int] | None = None,
                   on_frame: Callable[[FrameRecord], None] | None = None,
                   on_home: Callable[[Frame], None] | None = None,
                   status: StatusLine | None = None,
                   now_ns: Callable[[], int] = time.monotonic_ns,
                   start_ns: int | None = None, universes: UniverseSelection | None = None,
                   shared_timeline: bool = False,
                   start_playback: Callable[[AsyncExitStack, Callable[[Command], None], Callable[[str], None]],
                                            Callable[[FrameRecord], None] | None] | None = None,
                   web: "WebOptions | None" = None) -> int:
    """Run until the seconds are up or something stops the run; the exit code.

    start_ns puts frame 0 at that monotonic time (a start anchor shared with
    other runners; the seconds count from then or from now, whichever is later);
    shared_timeline (a Link session) puts the frames on the timeline's grid
    instead; universes restricts what is sent to those universes. With web, the
    stage view and controls are served beside the run (kinemorphs_show.web). An
    exception from the engine propagates after every fixture was sent home.
    """
    status = status if status is not None else StatusLine()
    state = RunState()
    frame_lock = threading.Lock()
    async with AsyncExitStack() as stack:
        for output in outputs:
            try:
                await output.open()
            except (ValueError, OSError) as error:
                print(f"{PROGRAM}: output {output.destination}: {error}", file=sys.stderr)
                return ExitCode.INVALID
            stack.push_async_callback(output.close)

        def on_command(command: Command) -> str | None:
            try:
                with frame_lock:
                    refused = apply_command(command, engine, clock, now_ns(), state.request_quit)
            except Exception as error:  # a control, however odd, must not stop the show
                refused = f"{command.action} ({type(error).__name__}: {error})"
            if refused is not None:
                refuse(refused)
            return refused

        def refuse(what: str) -> None:
            with frame_lock:    # the frame thread reads and clears the refusals
                status.refused(what)

        if osc_in is not None:
            try:
                await listen_for_osc_controls(stack, osc_in, on_command, refuse)
            except OSError as error:
                print(f"{PROGRAM}: cannot listen for OSC on {osc_in[0]}:{osc_in[1]}: {error}", file=sys.stderr)
                return ExitCode.INVALID
        # --- web page (kinemorphs_show.web): served beside the run, fed every frame sent ---
        if web is not None:
            from kinemorphs_show.web.attach import serve_web

            try:
                on_frame = await serve_web(stack, web, engine, clock, on_command, on_frame, frame_lock)
            except OSError as error:
                print(f"{PROGRAM}: cannot serve the web page on {web.address.host}:{web.address.port}: {error}",
                      file=sys.stderr)
                return ExitCode.INVALID
        # --- end web page ---
        stop_on_signals(stack, state.request_quit)
        read_keys_if_terminal(stack, on_command)
        if start_playback is not None:
            try:
                # status.refused, not refuse: the driver reports from inside the frame lock
                on_playback_frame = start_playback(stack, on_command, status.refused)
            except (RuntimeError, ImportError, OSError) as error:
                print(f"{PROGRAM}: {error}", file=sys.stderr)
                return ExitCode.INVALID
            on_frame = chained(locked(on_playback_frame, frame_lock), on_frame)

        start = now_ns() if start_ns is None else start_ns
        if shared_timeline:
            rate = FrameSchedule.starting(start, frame_rate).frames_per_second
            start = next_grid_time(clock.position(start), start, clock.bpm, rate)
        stop_at = None if seconds is None else max(start, now_ns()) + round(seconds * NS_PER_SECOND)
        restrict = same_frame if universes is None else universes.restrict
        try:
            await run_frames_on_a_thread(engine, clock, outputs, FrameSchedule.starting(start, frame_rate), state,
                                         status, stop_at_ns=stop_at, on_frame=on_frame, now_ns=now_ns,
                                         restrict=restrict, join=start_ns is not None,
                                         on_shared_grid=shared_timeline, lock=frame_lock)
        finally:
            home, problems = send_home(engine, outputs, restrict)
            problems += go_dark(engine, outputs, restrict)
            if home is not None and on_home is not None:
                on_home(home)
    if problems:
        status.finish(f"NOT every fixture was sent home: {'; '.join(problems)}")
        return ExitCode.RUN_FAILED
    status.finish("every fixture sent home")
    return ExitCode.OK


def locked(callback, lock):
    """callback under the frame lock: the playback driver runs on the frame thread and changes the
    engine and the clock, which the controls change from the event loop under the same lock."""
    if callback is None:
        return None

    def call(record) -> None:
        with lock:
            callback(record)
    return call


def chained(*callbacks):
    callbacks = [callback for callback in callbacks if callback is not None]

    def call(record) -> None:
        for callback in callbacks:
            callback(record)
    return call


def run_command(show_path: str, seconds: float | None, bpm: float | None, output_destinations: list[str], *,
                osc_in: str | None = None, universes: str | None = None, start_at: str | None = None,
                cue: str | None = None, resume: bool = False, state_path: str | None = None,
                web: str | None = None,
                on_frame: Callable[[FrameRecord], None] | None = None,
                on_home: Callable[[Frame], None] | None = None) -> int:
    """Run a show; returns the exit code (2 for bad arguments, with nothing sent).

    output_destinations replace the show's own outputs; with neither, the terminal
    preview is used. universes ('1-8,12') limits the DMX sent to those universes;
    start_at (epoch seconds or ISO 8601) puts the show's position 0 at that
    instant, on the internal clock, so that runners given the same anchor and
    tempo send the same frame for the same slot. on_frame is called with every frame as sent and on_home
    with the home frame sent at the end (for logs and tests).
    """
    def usage_error(message: str) -> int:
        print(f"{PROGRAM}: {message}", file=sys.stderr)
        return ExitCode.INVALID

    try:
        destinations: list[OutputDestination] = parse_output_destinations(output_destinations)
        osc_in_address = parse_osc_in(osc_in) if osc_in is not None else None
        selection = parse_universe_selection(universes) if universes is not None else None
        anchor_ns = parse_start_at(start_at) if start_at is not None else None
        web_options = web_options_for(web)  # --- web page ---
    except ValueError as error:
        return usage_error(str(error))
    if seconds is not None and not seconds > 0:
        return usage_error(f"--seconds must be positive, not {seconds}")
    if bpm is not None and not bpm > 0:
        return usage_error(f"--bpm must be positive, not {bpm}")
    try:
        show = load_show(show_path)
    except ShowFileError as error:
        return usage_error(str(error))
    if selection is not None and not any(universe in selection for universe in show.rig.universes):
        return usage_error(f"--universes {selection}: none of the show's universes "
                           f"({', '.join(map(str, sorted(show.rig.universes)))})")
    if anchor_ns is not None and show.clock != "internal":
        return usage_error(f"--start-at needs the internal clock; {show_path} follows {show.clock}")
    if not destinations:
        try:
            destinations = show_destinations(show) or [PREVIEW]
        except ValueError as error:
            return usage_error(f"{show_path}: {error}")
    try:
        options = OutputOptions.of_show(show)
        outputs = [open_output(destination, options) for destination in destinations]
    except ModuleNotFoundError as error:
        return usage_error(f"the output library {error.name!r} is missing: {SHOW_EXTRA_HINT}")
    except ValueError as error:
        return usage_error(f"{show_path}: {error}")
    start_ns = None if anchor_ns is None else monotonic_of(anchor_ns)
    try:
        start = playback_start(show, cue, resume, state_path, Engine)
    except (ValueError, StateFileError, OSError) as error:
        return usage_error(str(error))
    if bpm is None and start.saved is not None:
        bpm = start.saved.bpm
    try:
        if start_ns is None:
            clock, release_clock = open_clock(show, bpm)
        else:
            clock = Clock(show.bpm if bpm is None else bpm, grid=show.grid, start_ns=start_ns)
            release_clock = no_release
    except (RuntimeError, ValueError) as error:
        return usage_error(str(error))
    if start.saved is not None and show.clock == "internal":  # other clocks' masters say where they are
        clock = OffsetClock(clock, start.saved.position)
    try:
        return asyncio.run(run_show(start.engine, clock, outputs, show.frame_rate, seconds=seconds,
                                    osc_in=osc_in_address, on_frame=on_frame, on_home=on_home,
                                    start_ns=start_ns, universes=selection,
                                    shared_timeline=show.clock == "link", start_playback=start.hook(clock),
                                    web=web_options))  # --- web page ---
    except Exception as error:
        # Every fixture was sent home on the way out (run_show's finally); say what broke in one line.
        print(f"{PROGRAM}: the run failed: {type(error).__name__}: {error}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    finally:
        release_clock()
        silence_closed_stdout()


def no_release() -> None:
    pass


def web_options_for(web: str | None) -> "WebOptions | None":
    """The web page's options for `--web [HOST:]PORT` (ValueError for a bad address), None without it."""
    if web is None:
        return None
    try:
        from kinemorphs_show.web.access import parse_web_address
        from kinemorphs_show.web.attach import WebOptions
    except ModuleNotFoundError as error:
        raise ValueError(f"the web page needs the library {error.name!r}: {SHOW_EXTRA_HINT}") from None
    return WebOptions(parse_web_address(web))


def show_destinations(show) -> list[OutputDestination]:
    """The show's own outputs: parsed destinations, or (before the show file reader parses them) texts."""
    return [item if isinstance(item, OutputDestination) else parse_output_destinations([item])[0]
            for item in show.outputs]


def silence_closed_stdout() -> None:
    """After the preview's reader went away, keep Python's exit-time flush from printing a traceback."""
    try:
        sys.stdout.flush()
    except (BrokenPipeError, ValueError):
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        os.close(devnull)
