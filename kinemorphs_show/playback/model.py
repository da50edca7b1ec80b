"""What a show file says about layers, positions, the controller and the timeline, as plain values."""

from dataclasses import dataclass
from fractions import Fraction

RELEASED = None  # a layer's cue when it plays nothing


@dataclass(frozen=True)
class Layer:
    name: str
    cues: tuple[int, ...]              # indices into the show's cues, in go order
    fixtures: tuple[int, ...]          # rig indices the layer drives
    priority: int = 0
    running: bool = True               # plays its first cue from the start
    size: float = 1.0
    rate: Fraction = Fraction(1)
    release_beats: Fraction = Fraction(0)
    release_start: str = "bar"


@dataclass(frozen=True)
class Position:
    """Per fixture the [pan, tilt] the position asks for."""

    name: str
    angles: tuple[tuple[float, float], ...]


@dataclass(frozen=True)
class Pad:
    note: int
    layer: int
    cue: int | None                    # a show cue index; None releases the layer


@dataclass(frozen=True)
class Fader:
    control: int
    target: str                        # "size", "rate", "rig_size" or "nudge"
    layer: int | None = None


@dataclass(frozen=True)
class MidiMap:
    port: str = ""
    feedback_port: str = ""
    channel: int = 0                   # 1-16, or 0 for every channel
    tap: int | None = None
    lit_velocity: int = 127
    pads: tuple[Pad, ...] = ()
    faders: tuple[Fader, ...] = ()


@dataclass(frozen=True)
class TimelineEvent:
    bar: int                           # 1-based
    layer: int | None = None
    cue: int | None = None             # a show cue index to go
    release: bool = False
    bpm: float | None = None
