"""Serving the page beside a running show: what `run --web` and `preview` add to a run."""

import asyncio
import os
import sys
import threading
import webbrowser
from collections.abc import Callable
from contextlib import AbstractContextManager, AsyncExitStack, nullcontext
from dataclasses import dataclass

from kinemorphs_show.controls import Command, ShowClock
from kinemorphs_show.status_line import FrameRecord
from kinemorphs_show.web.access import Gate, WebAddress, token_for
from kinemorphs_show.web.live_state import LiveState
from kinemorphs_show.web.server import serve
from kinemorphs_show.web.stage import Stage

PROGRAM = "kinemorphs-show"
GRAPHICAL_SESSION_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY")


@dataclass(frozen=True)
class WebOptions:
    address: WebAddress
    open_browser: bool = False


def current_cues(engine) -> Callable[[], list[int]]:
    """The 0-based cues running now: every layer's when the engine has layers, else its one cue."""
    def read() -> list[int]:
        running = getattr(engine, "running_cues", None)
        if running is not None:
            # A released layer runs no cue.
            return [cue for cue in running() if cue is not None]
        current = getattr(engine, "current_cue", None)
        return [] if current is None else [current]
    return read


def layer_masters(engine, stage: Stage) -> Callable[[], dict]:
    """Every layer as it plays (its cues, the one running, released or not, its size and rate
    masters) and the rig's size master; nothing for an engine without layers."""
    def read() -> dict:
        if not hasattr(engine, "layer_names"):
            return {}
        running = engine.running_cues()
        layers = [{"name": layer.name, "cues": [stage.cue_names[cue] for cue in layer.cues],
                   "running": None if running[index] is None else stage.cue_names[running[index]],
                   "running_number": None if running[index] is None else layer.cues.index(running[index]) + 1,
                   "released": running[index] is None,
                   "size": engine.layer_size(index), "rate": float(engine.layer_rate(index))}
                  for index, layer in enumerate(stage.layers)]
        return {"layers": layers, "size_master": engine.rig_size}
    return read


async def serve_web(stack: AsyncExitStack, options: WebOptions, engine, clock: ShowClock,
                    control: Callable[[Command], str | None],
                    on_frame: Callable[[FrameRecord], None] | None,
                    show_lock: AbstractContextManager = nullcontext()) -> Callable[[FrameRecord], None]:
    """Start the page's server for this run; the on_frame to give the frame loop (it calls on_frame too).

    control applies a command to the show (under show_lock, the frame loop's lock, as
    the keys and OSC do); the returned on_frame runs on the frame thread and never
    waits for the event loop. Prints the page's URL (with the token when there is one)
    on standard error.
    """
    stage = Stage.of_show(engine.show, engine.cue_names)
    live = LiveState(stage, clock.bar_beat, current_cues(engine), asyncio.get_running_loop(), show_lock,
                     layer_masters(engine, stage))
    token = token_for(options.address)
    url = await serve(stack, options.address, Gate(options.address, token), live, control)
    print(f"{PROGRAM}: the stage view and controls are at {url}", file=sys.stderr)
    if token is not None:
        print(f"{PROGRAM}: listening beyond this machine: every request needs the token {token}", file=sys.stderr)
    if options.open_browser and has_graphical_browser():
        # Off the loop, in a thread nobody waits for: some launchers wait for the browser.
        threading.Thread(target=webbrowser.open, args=(url,), daemon=True).start()

    def frame_sent(record: FrameRecord) -> None:
        with show_lock:  # a control may be changing the tempo on the event loop
            bpm = clock.bpm
        live.frame_sent(record, bpm)
        if on_frame is not None:
            on_frame(record)
    return frame_sent


def has_graphical_browser() -> bool:
    """True where webbrowser opens a window rather than a text browser in this terminal."""
    return sys.platform in ("darwin", "win32") or any(os.environ.get(name) for name in GRAPHICAL_SESSION_VARIABLES)
