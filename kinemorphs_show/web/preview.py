"""`kinemorphs-show preview SHOW`: the show played to no outputs, seen and driven in the browser."""

import asyncio
import sys

from kinemorphs_show.clock import Clock
from kinemorphs_show.exit_codes import ExitCode
from kinemorphs_show.playback.layered_engine import LayeredEngine
from kinemorphs_show.run.command import run_show, silence_closed_stdout
from kinemorphs_show.showfile import ShowFileError, load_show
from kinemorphs_show.web.access import parse_web_address
from kinemorphs_show.web.attach import WebOptions

PROGRAM = "kinemorphs-show"
# Port 0: any free port; the URL printed (and opened) says which.
PREVIEW_WEB_DEFAULT = "127.0.0.1:0"


def preview_command(show_path: str, bpm: float | None, web: str | None, seconds: float | None,
                    open_browser: bool) -> int:
    try:
        address = parse_web_address(web or PREVIEW_WEB_DEFAULT)
        show = load_show(show_path)
    except (ShowFileError, ValueError, RuntimeError) as error:
        print(f"{PROGRAM}: {error}", file=sys.stderr)
        return ExitCode.INVALID
    # The internal clock whatever the show follows at the venue: a preview needs no MIDI port or Link peer.
    clock = Clock(show.bpm if bpm is None else bpm, grid=show.grid)
    try:
        # The layers as run plays them (no timeline, controller or state file: a preview leaves no trace).
        return asyncio.run(run_show(LayeredEngine(show), clock, [], show.frame_rate, seconds=seconds,
                                    web=WebOptions(address, open_browser)))
    except Exception as error:
        print(f"{PROGRAM}: the preview failed: {type(error).__name__}: {error}", file=sys.stderr)
        return ExitCode.RUN_FAILED
    finally:
        silence_closed_stdout()
