"""The `run` command: frames at a fixed rate to every output, live controls, home on exit.

One asyncio loop does everything: it sleeps to each frame's absolute deadline,
reads keys and OSC control messages between frames, and sends each frame to
every output as soon as the frame is computed. Whatever ends the run (the
requested seconds, q, Ctrl-C, an error), every fixture is sent home before
the outputs close.
"""

import asyncio
import os
import signal
import sys
import termios
import time
import tty
from collections.abc import Awaitable, Callable, Sequence
from contextlib import AsyncExitStack, contextmanager
from dataclasses import dataclass
from typing import Iterator, Protocol

from kinemorphs_show.exit_codes import SHOW_EXTRA_HINT, ExitCode
from kinemorphs_show.clock_source import open_clock
from kinemorphs_show.controls import Command, ShowClock, apply_command, command_for_osc, commands_for_keys
from kinemorphs_show.engine import Engine, Frame
from kinemorphs_show.frame_schedule import FrameSchedule
from kinemorphs_show.timing import NS_PER_SECOND
from kinemorphs_show.outputs import PREVIEW, Output, OutputDestination, open_output, parse_output_destinations
from kinemorphs_show.showfile import ShowFileError, load_show
from kinemorphs_show.status_line import FrameRecord, StatusLine

PROGRAM = "kinemorphs-show"
OSC_IN_DEFAULT_HOST = "127.0.0.1"
KEY_READ_BYTES = 64


class FrameSource(Protocol):
    bpm: float              # the tempo the engine turns pip steps into seconds with (for speed limits)

    @property
    def cue_names(self) -> Sequence[str]: ...
    def frame(self, pip: int) -> Frame: ...
    def home_frame(self) -> Frame: ...
    def go(self, index: int, pip: int) -> None: ...
    def go_next(self, pip: int) -> None: ...
    def go_previous(self, pip: int) -> None: ...


@dataclass
class RunState:
    quit_requested: bool = False

    def request_quit(self) -> None:
        self.quit_requested = True


async def sleep_ns(duration_ns: int) -> None:
    await asyncio.sleep(duration_ns / NS_PER_SECOND)


async def run_frames(engine: FrameSource, clock: ShowClock, outputs: Sequence[Output], schedule: FrameSchedule,
                     state: RunState, status: StatusLine, *, stop_at_ns: int | None = None,
                     on_frame: Callable[[FrameRecord], None] | None = None,
                     now_ns: Callable[[], int] = time.monotonic_ns,
                     sleep: Callable[[int], Awaitable[None]] = sleep_ns) -> None:
    """Send frames on the schedule until quit is requested or stop_at_ns is reached.

    Each frame's pip is the clock's pip at the frame's deadline, so positions
    are sampled evenly even when a frame leaves late. The frame is computed
    before its deadline and sent on waking, so computing it adds nothing to
    its lateness (a cue change waits for the next frame, one period at most).
    A frame that leaves after the next deadline has passed skips the missed
    slots instead of sending a burst to catch up.
    """
    index = 0
    while not state.quit_requested:
        deadline = schedule.deadline_ns(index)
        if stop_at_ns is not None and deadline >= stop_at_ns:
            break
        pip = clock.pip(deadline)
        engine.bpm = clock.bpm
        frame = engine.frame(pip)
        wait = deadline - now_ns()
        if wait > 0:
            await sleep(wait)
        if state.quit_requested:
            break
        sent_ns = now_ns()
        for output in outputs:
            output.send(frame)
        record = FrameRecord(index, deadline, sent_ns, frame)
        status.note(record, clock.bpm, clock.bar_beat(pip))
        if on_frame is not None:
            on_frame(record)
        next_index = max(index + 1, schedule.first_index_not_before(now_ns()))
        status.skipped_frames += next_index - index - 1
        index = next_index


def send_home(engine: FrameSource, outputs: Sequence[Output]) -> Frame:
    home = engine.home_frame()
    for output in outputs:
        output.send(home)
    return home


@contextmanager
def keys_read_one_by_one(fd: int) -> Iterator[None]:
    """Put the terminal in cbreak mode (keys arrive unbuffered, Ctrl-C still works) and restore it."""
    saved = termios.tcgetattr(fd)
    tty.setcbreak(fd)
    try:
        yield
    finally:
        termios.tcsetattr(fd, termios.TCSADRAIN, saved)


def parse_osc_in(text: str) -> tuple[str, int]:
    """'PORT' or 'HOST:PORT' for the OSC control listener; ValueError otherwise."""
    host, _, port_text = text.rpartition(":")
    try:
        port = int(port_text)
    except ValueError:
        port = 0
    if not 1 <= port <= 65535:
        raise ValueError(f"bad OSC control port {text!r}: expected PORT or HOST:PORT with PORT from 1 to 65535")
    return (host.strip("[]") or OSC_IN_DEFAULT_HOST), port


async def listen_for_osc_controls(stack: AsyncExitStack, address: tuple[str, int],
                                  on_command: Callable[[Command], None]) -> None:
    from pythonosc.dispatcher import Dispatcher
    from pythonosc.osc_server import AsyncIOOSCUDPServer

    def handle(osc_address: str, *args: object) -> None:
        command = command_for_osc(osc_address, args)
        if command is not None:
            on_command(command)

    dispatcher = Dispatcher()
    dispatcher.set_default_handler(handle)
    loop = asyncio.get_running_loop()
    server = AsyncIOOSCUDPServer(address, dispatcher, loop)  # type: ignore[arg-type]  # any running loop works
    transport, _ = await server.create_serve_endpoint()
    stack.callback(transport.close)


async def run_show(engine: FrameSource, clock: ShowClock, outputs: Sequence[Output], frame_rate: float, *,
                   seconds: float | None = None, osc_in: tuple[str, int] | None = None,
                   on_frame: Callable[[FrameRecord], None] | None = None,
                   on_home: Callable[[Frame], None] | None = None,
                   status: StatusLine | None = None,
                   now_ns: Callable[[], int] = time.monotonic_ns) -> int:
    status = status if status is not None else StatusLine()
    state = RunState()
    loop = asyncio.get_running_loop()
    async with AsyncExitStack() as stack:
        for output in outputs:
            try:
                await output.open()
            except (ValueError, OSError) as error:
                print(f"{PROGRAM}: output {output.destination}: {error}", file=sys.stderr)
                return ExitCode.INVALID
            stack.push_async_callback(output.close)

        def on_command(command: Command) -> None:
            apply_command(command, engine, clock, now_ns(), state.request_quit)

        if osc_in is not None:
            try:
                await listen_for_osc_controls(stack, osc_in, on_command)
            except OSError as error:
                print(f"{PROGRAM}: cannot listen for OSC on {osc_in[0]}:{osc_in[1]}: {error}", file=sys.stderr)
                return ExitCode.INVALID
        for signal_number in (signal.SIGINT, signal.SIGTERM):
            loop.add_signal_handler(signal_number, state.request_quit)
            stack.callback(loop.remove_signal_handler, signal_number)
        if sys.stdin.isatty():
            fd = sys.stdin.fileno()
            stack.enter_context(keys_read_one_by_one(fd))

            def on_keys() -> None:
                for command in commands_for_keys(os.read(fd, KEY_READ_BYTES).decode(errors="ignore")):
                    on_command(command)

            loop.add_reader(fd, on_keys)
            stack.callback(loop.remove_reader, fd)

        start = now_ns()
        stop_at = None if seconds is None else start + round(seconds * NS_PER_SECOND)
        try:
            await run_frames(engine, clock, outputs, FrameSchedule.starting(start, frame_rate), state, status,
                             stop_at_ns=stop_at, on_frame=on_frame, now_ns=now_ns)
        finally:
            home = send_home(engine, outputs)
            if on_home is not None:
                on_home(home)
    status.finish()
    return ExitCode.OK


def run_command(show_path: str, seconds: float | None, bpm: float | None, output_destinations: list[str], *,
                osc_in: str | None = None,
                on_frame: Callable[[FrameRecord], None] | None = None,
                on_home: Callable[[Frame], None] | None = None) -> int:
    """Run a show; returns the exit code (2 for bad arguments, with nothing sent).

    output_destinations replace the show's own outputs; with neither, the terminal
    preview is used. on_frame is called with every frame as sent and on_home
    with the home frame sent at the end (for logs and tests).
    """
    def usage_error(message: str) -> int:
        print(f"{PROGRAM}: {message}", file=sys.stderr)
        return ExitCode.INVALID

    try:
        destinations: list[OutputDestination] = parse_output_destinations(output_destinations)
        osc_in_address = parse_osc_in(osc_in) if osc_in is not None else None
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
    if not destinations:
        try:
            destinations = list(show.outputs) or [PREVIEW]
        except ValueError as error:
            return usage_error(f"{show_path}: {error}")
    try:
        outputs = [open_output(destination, show.frame_rate) for destination in destinations]
    except ModuleNotFoundError as error:
        return usage_error(f"the output library {error.name!r} is missing: {SHOW_EXTRA_HINT}")
    try:
        clock, release_clock = open_clock(show, bpm)
    except RuntimeError as error:
        return usage_error(str(error))
    try:
        return asyncio.run(run_show(Engine(show), clock, outputs, show.frame_rate, seconds=seconds,
                                    osc_in=osc_in_address, on_frame=on_frame, on_home=on_home))
    finally:
        release_clock()
