"""The running show as the web page sees it: the stage, the last frame sent and the status.

The frame loop hands every frame it sent to `frame_sent`, on the frame thread. That
only keeps a reference in one slot, counts it and asks the event loop (thread-safely,
at most one request pending) to wake the clients' senders: nothing is encoded or sent,
and nothing waits for the event loop, on the frame path. A frame is encoded once, on
the event loop at the first client's asking, and every client shares the text; a client
still sending when the next frame comes simply gets the newest (frames coalesce).
"""

import asyncio
import json
import math
from collections.abc import Callable, Sequence
from contextlib import AbstractContextManager, nullcontext

import numpy as np

from kinemorphs_show.status_line import NS_PER_MS, FrameRecord
from kinemorphs_show.timing import NS_PER_SECOND
from kinemorphs_show.web.stage import Stage

STATUS_WINDOW_NS = NS_PER_SECOND
# The stream's angles: a ten-thousandth of a degree, far finer than a 16-bit DMX step.
STREAM_DECIMALS = 4
# What a frame may carry beyond pan and tilt, when the show drives them: per fixture
# arrays read off the frame's fixtures (intensity 0..1; colour as rows of r, g, b in 0..1).
OPTIONAL_ARRAYS = ("intensity", "colour")


def fixture_arrays(fixtures: Sequence) -> dict[str, np.ndarray]:
    """Pan, tilt, limited (and intensity/colour where present) as arrays over the fixtures."""
    arrays = {}
    for name in ("pan_deg", "tilt_deg", "limited", *OPTIONAL_ARRAYS):
        values = getattr(fixtures, name, None)
        if values is None and name in ("pan_deg", "tilt_deg", "limited"):
            values = [getattr(fixture, name) for fixture in fixtures]  # a plain sequence of FixtureFrame
        if values is not None:
            arrays[name] = np.asarray(values)
    return arrays


class Subscriber:
    """One client's wake-up: set when a new frame is there, cleared by its sender."""

    def __init__(self) -> None:
        self.new_frame = asyncio.Event()


class LiveState:
    """Written by the frame thread (frame_sent), read on the event loop (everything else).

    show_lock is the lock the frame loop holds while it computes a frame; the cues,
    the masters and the bar and beat are read under it, as the controls change them.
    masters gives the layers' and the rig's (see attach.layer_masters) for the status.
    """

    def __init__(self, stage: Stage, bar_beat: Callable[[int], tuple[int, int]],
                 current_cues: Callable[[], Sequence[int]], loop: asyncio.AbstractEventLoop,
                 show_lock: AbstractContextManager = nullcontext(),
                 masters: Callable[[], dict] = dict) -> None:
        self.stage = stage
        self._masters = masters
        self._bar_beat = bar_beat
        self._current_cues = current_cues
        self._loop = loop
        self._show_lock = show_lock
        # The newest frame and its tempo, replaced whole so that a reader never sees half of an update.
        self._latest: tuple[FrameRecord, float] | None = None
        self._wake_pending = False
        self.subscribers: set[Subscriber] = set()
        self.fps = 0.0
        self.window_worst_ns = 0
        self.run_worst_ns = 0
        self._window_start_ns: int | None = None
        self._window_frames = 0
        self._window_running_worst_ns = 0
        self._message: tuple[int, str] | None = None

    def frame_sent(self, record: FrameRecord, bpm: float) -> None:
        """Called on the frame thread after every frame left: bookkeeping and one wake-up request only."""
        self._latest = (record, bpm)
        lateness = record.lateness_ns
        self.run_worst_ns = max(self.run_worst_ns, lateness)
        self._window_running_worst_ns = max(self._window_running_worst_ns, lateness)
        self._window_frames += 1
        if self._window_start_ns is None:
            self._window_start_ns = record.sent_ns
        elapsed = record.sent_ns - self._window_start_ns
        if elapsed >= STATUS_WINDOW_NS:
            self.fps = (self._window_frames - 1) * NS_PER_SECOND / elapsed
            self.window_worst_ns = self._window_running_worst_ns
            self._window_start_ns, self._window_frames, self._window_running_worst_ns = record.sent_ns, 1, lateness
        if not self._wake_pending:
            self._wake_pending = True
            try:
                self._loop.call_soon_threadsafe(self._wake_senders)
            except RuntimeError:
                pass  # the event loop has closed: nobody is left to wake

    def _wake_senders(self) -> None:
        """On the event loop: every client's sender learns that a new frame is there."""
        self._wake_pending = False
        for subscriber in self.subscribers:
            subscriber.new_frame.set()

    def status(self, latest: tuple[FrameRecord, float] | None = None) -> dict:
        """The status of the latest frame (or of the one given, read once by the caller)."""
        latest = self._latest if latest is None else latest
        record, bpm = (None, math.nan) if latest is None else latest
        pip = None if record is None else record.frame.pip
        with self._show_lock:
            bar, beat = (None, None) if pip is None else self._bar_beat(pip)
            current = list(self._current_cues())
            masters = self._masters()
        return {"frame": None if record is None else record.index, "pip": pip,
                "bpm": None if math.isnan(bpm) else bpm,
                "bar": bar, "beat": beat, "bar_beat": None if bar is None else f"{bar}.{beat}",
                "cue": None if record is None else record.frame.cue,
                "current_cues": [index + 1 for index in current],
                "running": [self.stage.cue_names[index] for index in current],
                "fps": round(self.fps, 2), "worst_lateness_ms": round(self.window_worst_ns / NS_PER_MS, 3),
                "run_worst_lateness_ms": round(self.run_worst_ns / NS_PER_MS, 3), **masters}

    def frame_message(self) -> str | None:
        """The last frame as the stream's JSON text (encoded once per frame)."""
        latest = self._latest
        if latest is None:
            return None
        record = latest[0]
        if self._message is not None and self._message[0] == record.index:
            return self._message[1]
        arrays = fixture_arrays(record.frame.fixtures)
        message = {"type": "frame", **self.status(latest),
                   "pan": np.round(arrays["pan_deg"], STREAM_DECIMALS).tolist(),
                   "tilt": np.round(arrays["tilt_deg"], STREAM_DECIMALS).tolist(),
                   "limited": np.flatnonzero(arrays["limited"]).tolist()}
        for name in OPTIONAL_ARRAYS:
            if name in arrays:
                message[name] = np.round(arrays[name], STREAM_DECIMALS).tolist()
        text = json.dumps(message, separators=(",", ":"))
        self._message = (record.index, text)
        return text

    def state(self) -> dict:
        """GET /api/state: the stage, the status and every fixture as last sent (full precision)."""
        latest = self._latest
        record = None if latest is None else latest[0]
        arrays = fixture_arrays(record.frame.fixtures) if record is not None else {}
        fixtures = []
        for index, fixture in enumerate(self.stage.fixtures):
            entry = fixture.as_json()
            if arrays:
                entry |= {"pan_deg": float(arrays["pan_deg"][index]), "tilt_deg": float(arrays["tilt_deg"][index]),
                          "limited": bool(arrays["limited"][index])}
                for name in OPTIONAL_ARRAYS:
                    if name in arrays:
                        entry[name] = arrays[name][index].tolist()
            fixtures.append(entry)
        status = self.status(latest)
        return {"title": self.stage.title, "frame_rate": self.stage.frame_rate, "cues": list(self.stage.cue_names),
                **status, "limited": [f["name"] for f in fixtures if f.get("limited")], "fixtures": fixtures}
