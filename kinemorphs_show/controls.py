"""Live controls: keys on the terminal and the same commands over OSC.

Keys (when standard input is a terminal):
    space or t   tap tempo
    b            this is beat one (resync the downbeat)
    n or →       next cue
    p or ←       previous cue
    [ and ]      nudge the beat 10 ms earlier or later
    q            quit (every fixture goes home)
    1 to 9       select a layer (next, previous and the keys below act on it)
    r            release the selected layer
    - and =      its size master 10 % down or up (0 to 200 %)
    , and .      its rate master a step down or up (1/4, 1/2, 1, 2, 4)
    { and }      the rig's size master 10 % down or up

OSC in (UDP, bound to 127.0.0.1 unless a host is given with the port):
    /kinemorphs/tap            tap tempo
    /kinemorphs/resync         this is beat one
    /kinemorphs/next           next cue
    /kinemorphs/previous       previous cue
    /kinemorphs/quit           quit
    /kinemorphs/bpm   f        set the tempo (no jump in position), 20 to 400
    /kinemorphs/nudge f        nudge by milliseconds (negative is earlier), at most one beat
    /kinemorphs/cue   i        go to cue number i (1 is the first cue)
    /kinemorphs/size  f        the rig's size master, 0 to 2 (200 %)
    /kinemorphs/LAYER/go i     go the layer's cue number i (LAYER: its name or 1-based number)
    /kinemorphs/LAYER/release  release the layer (it fades back to what is under it)
    /kinemorphs/LAYER/size f   the layer's size master, 0 to 2
    /kinemorphs/LAYER/rate f   the layer's rate master, 1/4 to 4 (0.5 is exactly 1/2)

A value out of range (or not a finite number) is refused and reported once on
the status line; a larger nudge moves one beat. Phase changes (resync, nudge,
the beat a tap lands on) are caught up smoothly by the clock, never by
standing still.
"""

import math
from collections.abc import Callable, Sequence
from dataclasses import dataclass
from enum import StrEnum
from fractions import Fraction
from typing import Protocol

from kinemorphs_show.clock import MAX_BPM, MIN_BPM
from kinemorphs_show.osc_namespace import OSC_ROOT
from kinemorphs_show.playback.live import apply_layer_command
from kinemorphs_show.timing import SECONDS_PER_MINUTE


class Action(StrEnum):
    TAP = "tap"
    RESYNC = "resync"
    NEXT = "next"
    PREVIOUS = "previous"
    QUIT = "quit"
    BPM = "bpm"
    NUDGE = "nudge"
    CUE = "cue"
    # Layers and masters (carried out by playback/live.py).
    SELECT = "select"
    GO = "go"
    RELEASE = "release"
    SIZE = "size"
    RATE = "rate"
    RIG_SIZE = "rig_size"
    SIZE_STEP = "size_step"
    RATE_STEP = "rate_step"
    RIG_SIZE_STEP = "rig_size_step"


@dataclass(frozen=True)
class Command:
    action: Action
    value: float = 0.0
    layer: str | None = None  # for layer actions: a name or 1-based number; None: the selected layer


NUDGE_STEP_MS = 10.0
KEY_COMMANDS = {
    " ": Command(Action.TAP), "t": Command(Action.TAP),
    "b": Command(Action.RESYNC),
    "n": Command(Action.NEXT), "\x1b[C": Command(Action.NEXT),
    "p": Command(Action.PREVIOUS), "\x1b[D": Command(Action.PREVIOUS),
    "[": Command(Action.NUDGE, -NUDGE_STEP_MS), "]": Command(Action.NUDGE, NUDGE_STEP_MS),
    "q": Command(Action.QUIT), "Q": Command(Action.QUIT),
    **{str(number): Command(Action.SELECT, number) for number in range(1, 10)},
    "r": Command(Action.RELEASE),
    "-": Command(Action.SIZE_STEP, -0.1), "=": Command(Action.SIZE_STEP, 0.1),
    ",": Command(Action.RATE_STEP, -1), ".": Command(Action.RATE_STEP, 1),
    "{": Command(Action.RIG_SIZE_STEP, -0.1), "}": Command(Action.RIG_SIZE_STEP, 0.1),
}
ESCAPE_SEQUENCE_START = "\x1b["
ARROW_KEY_LENGTH = len(ESCAPE_SEQUENCE_START) + 1
MS_PER_SECOND = 1000
# Actions whose OSC message carries a number.
VALUED_ACTIONS = frozenset({Action.BPM, Action.NUDGE, Action.CUE, Action.GO, Action.SIZE, Action.RATE,
                            Action.RIG_SIZE})
# OSC addresses of one layer, /kinemorphs/LAYER/ACTION.
LAYER_OSC_ACTIONS = frozenset({Action.GO, Action.RELEASE, Action.SIZE, Action.RATE})
LAYER_ACTIONS = frozenset({Action.SELECT, Action.GO, Action.RELEASE, Action.SIZE, Action.RATE, Action.RIG_SIZE,
                           Action.SIZE_STEP, Action.RATE_STEP, Action.RIG_SIZE_STEP})


def commands_for_keys(text: str) -> list[Command]:
    """Commands for the keys in text, arrow-key escape sequences included; others are ignored."""
    commands = []
    position = 0
    while position < len(text):
        if text.startswith(ESCAPE_SEQUENCE_START, position):
            # Arrow and other cursor keys arrive as one escape sequence; unknown ones are skipped whole.
            command = KEY_COMMANDS.get(text[position:position + ARROW_KEY_LENGTH])
            if command is not None:
                commands.append(command)
            position += ARROW_KEY_LENGTH
            continue
        command = KEY_COMMANDS.get(text[position])
        if command is not None:
            commands.append(command)
        position += 1
    return commands


def command_for_osc(address: str, args: tuple[object, ...]) -> Command | None:
    """The command an OSC message asks for, or None for an unknown address or a missing number."""
    prefix = OSC_ROOT + "/"
    if not address.startswith(prefix):
        return None
    layer, _, name = address[len(prefix):].rpartition("/")
    try:
        action = Action(name)
    except ValueError:
        return None
    if layer and action not in LAYER_OSC_ACTIONS:
        return None
    if action == Action.SIZE and not layer:
        action = Action.RIG_SIZE
    elif action in LAYER_OSC_ACTIONS and not layer:
        return None
    layer = layer or None
    if action not in VALUED_ACTIONS:
        return Command(action, layer=layer)
    if not args or isinstance(args[0], bool) or not isinstance(args[0], (int, float)):
        return None
    return Command(action, float(args[0]), layer)


class ShowClock(Protocol):
    """What the run loop and the controls need of a clock (internal, MIDI or Link)."""

    @property
    def bpm(self) -> float: ...
    def position(self, t_ns: int | None = None) -> Fraction: ...
    def bar_beat(self, pip: int) -> tuple[int, int]: ...
    def tap(self, t_ns: int | None = None) -> None: ...
    def resync_downbeat(self, t_ns: int | None = None) -> None: ...
    def set_bpm(self, bpm: float, t_ns: int | None = None) -> None: ...
    def nudge(self, ms: float) -> None: ...


class CueSelection(Protocol):
    @property
    def cue_names(self) -> Sequence[str]: ...
    def go(self, index: int, pip: int) -> None: ...
    def go_next(self, pip: int) -> None: ...
    def go_previous(self, pip: int) -> None: ...


def apply_command(command: Command, engine: CueSelection, clock: ShowClock, t_ns: int,
                  request_quit: Callable[[], None]) -> str | None:
    """Carry out a command at host time t_ns; what was refused or bounded, for the status line, or None."""
    value = command.value
    position = clock.position(t_ns)
    pip = int(position // 1)
    if command.action in LAYER_ACTIONS:
        if not math.isfinite(value):
            return f"{command.action} {value:g}"
        if not hasattr(engine, "layer_names"):
            return f"{command.action} (this engine has no layers)"
        return apply_layer_command(command.action, value, command.layer, engine, position)
    match command.action:
        case Action.TAP:
            clock.tap(t_ns)
        case Action.RESYNC:
            clock.resync_downbeat(t_ns)
        case Action.NEXT:
            engine.go_next(pip)
        case Action.PREVIOUS:
            engine.go_previous(pip)
        case Action.QUIT:
            request_quit()
        case Action.BPM:
            if not MIN_BPM <= value <= MAX_BPM:
                return f"bpm {value:g} (not {MIN_BPM:g} to {MAX_BPM:g})"
            clock.set_bpm(value, t_ns)
        case Action.NUDGE:
            if not math.isfinite(value):
                return f"nudge {value:g}"
            beat_ms = SECONDS_PER_MINUTE * MS_PER_SECOND / clock.bpm
            if abs(value) > beat_ms:
                clock.nudge(math.copysign(beat_ms, value))
                return f"nudge {value:g} ms (moved one beat)"
            clock.nudge(value)
        case Action.CUE:
            count = len(engine.cue_names)
            if not (math.isfinite(value) and value == int(value) and 1 <= value <= count):
                return f"cue {value:g} (cues are 1 to {count})"
            engine.go(int(value) - 1, pip)
    return None
