"""The run's state file: running cues per layer, tempo, masters and position, so that a run
comes back to the same look and tempo after a crash or a power cut.

It is written a few times a second, each time whole: a temporary file beside it is
written and synced, then renamed over it (and the directory synced), so a reader
sees the old state or the new one. A file that is torn or damaged anyway (a copy
cut short, a full disk) is refused with one line rather than guessed at.
"""

import hashlib
import json
import os
import tempfile
from dataclasses import dataclass
from fractions import Fraction
from pathlib import Path

from kinemorphs_show.clock import MAX_BPM, MIN_BPM
from kinemorphs_show.playback.masters import checked_size, exact_rate
from kinemorphs_show.show_schema import ratio_text

STATE_FORMAT = "kinemorphs-show state 1"
STATE_MAX_BYTES = 1 << 20
STATE_SUFFIX = ".state.json"
PATH_HASH_LENGTH = 8


class StateFileError(ValueError):
    pass


@dataclass(frozen=True)
class SavedState:
    position: int                      # pip
    bpm: float
    cues: tuple[int | None, ...]       # show cue index per layer, None: released
    sizes: tuple[float, ...]
    rates: tuple[Fraction, ...]
    rig_size: float
    phases: tuple[Fraction, ...] = ()  # each layer's pattern position at `position`


def default_state_path(show_path: Path) -> Path:
    """$XDG_STATE_HOME/kinemorphs-show/NAME.state.json (~/.local/state by default), so that a run
    writes nothing into the folder its show file comes from."""
    base = Path(os.environ.get("XDG_STATE_HOME") or Path.home() / ".local" / "state") / "kinemorphs-show"
    base.mkdir(parents=True, exist_ok=True)
    # Two shows of one name in different folders keep states of their own.
    where = hashlib.sha256(str(show_path.resolve()).encode()).hexdigest()[:PATH_HASH_LENGTH]
    return base / f"{show_path.stem}-{where}{STATE_SUFFIX}"


def encode(state: SavedState, show) -> bytes:
    layers = [{"layer": layer.name, "cue": None if cue is None else show.cues[cue].name,
               "size": size, "rate": str(ratio_text(rate)), "phase": str(phase)}
              for layer, cue, size, rate, phase in zip(show.layers, state.cues, state.sizes, state.rates,
                                                       state.phases)]
    document = {"format": STATE_FORMAT, "show": show.title, "position": state.position, "bpm": state.bpm,
                "rig_size": state.rig_size, "layers": layers}
    return (json.dumps(document, indent=1) + "\n").encode()


def write_whole(path: Path, data: bytes) -> None:
    """Replace path with data so that it is never seen half written."""
    fd, temporary = tempfile.mkstemp(dir=path.parent, prefix=f".{path.name}.", suffix=".tmp")
    try:
        with os.fdopen(fd, "wb") as file:
            file.write(data)
            file.flush()
            os.fsync(file.fileno())
        os.replace(temporary, path)
    except BaseException:
        try:
            os.unlink(temporary)
        except FileNotFoundError:
            pass
        raise
    directory = os.open(path.parent, os.O_RDONLY)
    try:
        os.fsync(directory)
    finally:
        os.close(directory)


def read_state(path: Path, show) -> SavedState:
    """The saved state, checked against the show; StateFileError says in one line what is wrong."""
    def refuse(why: str) -> StateFileError:
        return StateFileError(f"{path}: {why}; start without --resume (or with --cue)")

    try:
        with open(path, "rb") as file:
            data = file.read(STATE_MAX_BYTES + 1)
    except OSError as error:
        raise refuse(f"cannot read the state file: {error.strerror or error}") from None
    try:
        if len(data) > STATE_MAX_BYTES:
            raise ValueError("too large")
        document = json.loads(data.decode())
    except (ValueError, UnicodeDecodeError):
        raise refuse("the state file is torn or damaged (not whole JSON)") from None
    if not isinstance(document, dict) or document.get("format") != STATE_FORMAT:
        raise refuse("not a state file of this version")
    try:
        position, bpm, rig_size = document["position"], document["bpm"], document["rig_size"]
        saved = {entry["layer"]: entry for entry in document["layers"]}
        if not (type(position) is int and position >= 0 and isinstance(bpm, (int, float))
                and MIN_BPM <= bpm <= MAX_BPM and checked_size(rig_size) is None):
            raise ValueError
        cues, sizes, rates, phases = [], [], [], []
        for layer in show.layers:
            entry = saved[layer.name]
            names = {show.cues[cue].name: cue for cue in layer.cues}
            if entry["cue"] is not None and entry["cue"] not in names:
                raise refuse(f"layer {layer.name!r} has no cue {entry['cue']!r} any more")
            rate = exact_rate(float(Fraction(entry["rate"])))
            if checked_size(entry["size"]) is not None or rate is None:
                raise ValueError
            cues.append(None if entry["cue"] is None else names[entry["cue"]])
            sizes.append(float(entry["size"]))
            rates.append(Fraction(entry["rate"]))
            phase = entry["phase"]
            if not (isinstance(phase, str) and len(phase) <= 64):
                raise ValueError
            phases.append(Fraction(phase))
    except StateFileError:
        raise
    except (KeyError, TypeError, ValueError, ZeroDivisionError, OverflowError):
        raise refuse("the state file does not fit this show (layers, cues or values)") from None
    return SavedState(position, float(bpm), tuple(cues), tuple(sizes), tuple(rates), float(rig_size),
                      tuple(phases))
