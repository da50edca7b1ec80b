"""Hand-built frames and a scripted engine and clock for testing outputs and the run loop."""

import socket
from dataclasses import dataclass, field
from fractions import Fraction

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.engine import FixtureFrame, Frame

DMX_CHANNELS = 512
BEATS_PER_BAR = 4


def universe_bytes(seed: int) -> bytes:
    """512 DMX values that differ per channel and per seed, so a misplaced byte shows."""
    return bytes((seed * 7 + channel * 13) % 256 for channel in range(DMX_CHANNELS))


def frame_at(pip: int, universes: tuple[int, ...] = (1,), cue: str = "fan") -> Frame:
    fixtures = (
        FixtureFrame("head 1", 0.5, -0.25, 0.0, 30.0, -12.5, False),
        FixtureFrame("head/2", -1.0, 1.0, 0.125, -90.0, 45.0, True),
    )
    return Frame(pip, cue, {u: universe_bytes(pip + u) for u in universes}, fixtures)


def home_frame_for(universes: tuple[int, ...]) -> Frame:
    return Frame(-1, "home", {u: bytes(DMX_CHANNELS) for u in universes}, ())


HOME = home_frame_for((1,))


@dataclass
class ScriptedEngine:
    """Frames made from the pip; records cue changes; optionally slow or failing at a pip."""

    universes: tuple[int, ...] = (1,)
    cue_names: tuple[str, ...] = ("fan", "wave", "cross")
    current_cue: int = 0
    calls: list[tuple[str, int]] = field(default_factory=list)
    fail_at_frame: int | None = None
    on_frame: object = None
    frames_made: int = 0
    positions: list[tuple[object, float]] = field(default_factory=list)

    def frame(self, position, bpm: float) -> Frame:
        self.frames_made += 1
        self.positions.append((position, bpm))
        pip = int(position // 1)
        if self.on_frame is not None:
            self.on_frame(self.frames_made)
        if self.fail_at_frame == self.frames_made:
            raise RuntimeError("engine failed")
        return frame_at(pip, self.universes, self.cue_names[self.current_cue])

    def home_frame(self) -> Frame:
        return home_frame_for(self.universes)

    def go(self, index: int, pip: int) -> None:
        self.calls.append(("go", index))
        self.current_cue = index

    def go_next(self, pip: int) -> None:
        self.go((self.current_cue + 1) % len(self.cue_names), pip)

    def go_previous(self, pip: int) -> None:
        self.go((self.current_cue - 1) % len(self.cue_names), pip)


@dataclass
class FixedTempoClock:
    """pip = elapsed ns at the tempo, from a start time; records the controls it was given."""

    bpm: float = 120.0
    start_ns: int = 0
    calls: list[tuple[str, object]] = field(default_factory=list)

    def position(self, t_ns: int | None = None) -> Fraction:
        assert t_ns is not None
        return Fraction((t_ns - self.start_ns) * round(self.bpm) * PIPS_PER_BEAT, 60 * 1_000_000_000)

    def pip(self, t_ns: int | None = None) -> int:
        return int(self.position(t_ns) // 1)

    def bar_beat(self, pip: int) -> tuple[int, int]:
        beat = pip // PIPS_PER_BEAT
        return beat // BEATS_PER_BAR + 1, beat % BEATS_PER_BAR + 1

    def tap(self, t_ns: int | None = None) -> None:
        self.calls.append(("tap", t_ns))

    def resync_downbeat(self, t_ns: int | None = None) -> None:
        self.calls.append(("resync", t_ns))

    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None:
        self.calls.append(("bpm", bpm))
        self.bpm = bpm

    def nudge(self, ms: float, t_ns: int | None = None) -> None:
        self.calls.append(("nudge", ms))


@dataclass
class RecordingOutput:
    """An output that keeps every frame it is sent."""

    frames: list[Frame] = field(default_factory=list)
    opened: bool = False
    closed: bool = False
    destination: str = "recording"
    gone: bool = False
    problem: str | None = None      # what send reports for every frame, or only for home with home_only
    home_only: bool = False

    async def open(self) -> None:
        self.opened = True

    def send(self, frame: Frame) -> str | None:
        self.frames.append(frame)
        return None if self.home_only and frame.cue != "home" else self.problem

    async def close(self) -> None:
        self.closed = True


def free_udp_port() -> int:
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]
