"""The last step of every way out: once the fixtures are home, close shutters and dimmers.

The home frame keeps each fixture's light as it was, so a head is seen travelling home; the
dark frame follows when the slowest fixture can be there, at most MAX_WAIT_S later (a receiver
of sACN lets go of a source silent for 2.5 s, so the wait stays below that).
"""

import time
from collections.abc import Sequence

from kinemorphs_show.outputs import Output
from kinemorphs_show.run.frame_loop import same_frame, send_to_all

MAX_WAIT_S = 2.0


def go_dark(engine, outputs: Sequence[Output], restrict=same_frame, sleep=time.sleep) -> list[str]:
    """Send the engine's dark frame, if the show asks for one, after the time home; the problems."""
    dark_frame = getattr(engine, "dark_frame", None)
    try:
        frame = dark_frame() if dark_frame is not None else None
        if frame is None:
            return []
        sleep(min(MAX_WAIT_S, engine.seconds_to_home()))
    except Exception as error:
        return [f"no dark frame: {type(error).__name__}: {error}"]
    return send_to_all([output for output in outputs if not output.gone], restrict(frame))
