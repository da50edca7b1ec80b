"""A pad and fader controller: notes go cues and release layers, a note taps, control changes set
masters and nudge the tempo; the pads of running cues are lit by note-on velocity.

`receive` takes anything shaped like a mido message (type, channel, note, velocity,
control, value), so the map runs without a port; run opens the ports through mido
and hands received messages over to the event loop.
"""

from collections.abc import Callable
from fractions import Fraction

from kinemorphs_show.controls import Action, Command
from kinemorphs_show.playback.masters import RATE_STEPS
from kinemorphs_show.playback.model import Layer, MidiMap
from kinemorphs_show.show_schema import MAX_MASTER, MAX_MIDI_NUMBER

MIDI_CENTRE = 64               # a nudge control at its centre nudges nothing
NUDGE_MS_PER_STEP = 1.0        # a relative nudge control: each step away from the centre is 1 ms


def rate_for_control(value: int) -> Fraction:
    """0-127 split evenly over the exact rates 1/4, 1/2, 1, 2, 4 (64 is 1)."""
    return RATE_STEPS[min(len(RATE_STEPS) - 1, value * len(RATE_STEPS) // (MAX_MIDI_NUMBER + 1))]


class MidiController:
    def __init__(self, midi_map: MidiMap, layers: tuple[Layer, ...], on_command: Callable[[Command], None]) -> None:
        self._map = midi_map
        self._layers = layers
        self._on_command = on_command
        self._pads = {pad.note: pad for pad in midi_map.pads}
        self._faders = {fader.control: fader for fader in midi_map.faders}
        self._lit: dict[int, int] = {}

    def _heard(self, message) -> bool:
        channel = self._map.channel
        return channel == 0 or getattr(message, "channel", None) == channel - 1

    def receive(self, message) -> None:
        """Turn one message into a command (anything else is ignored)."""
        kind = getattr(message, "type", None)
        if not self._heard(message):
            return
        if kind == "note_on" and getattr(message, "velocity", 0) > 0:
            self._note(message.note)
        elif kind == "control_change":
            self._control(message.control, message.value)

    def _note(self, note: int) -> None:
        if note == self._map.tap:
            self._on_command(Command(Action.TAP))
        pad = self._pads.get(note)
        if pad is None:
            return
        layer = str(pad.layer + 1)
        if pad.cue is None:
            self._on_command(Command(Action.RELEASE, layer=layer))
        else:
            number = self._layers[pad.layer].cues.index(pad.cue) + 1
            self._on_command(Command(Action.GO, number, layer))

    def _control(self, control: int, value: int) -> None:
        fader = self._faders.get(control)
        if fader is None:
            return
        layer = None if fader.layer is None else str(fader.layer + 1)
        match fader.target:
            case "size":
                self._on_command(Command(Action.SIZE, value / MAX_MIDI_NUMBER * MAX_MASTER, layer))
            case "rig_size":
                self._on_command(Command(Action.RIG_SIZE, value / MAX_MIDI_NUMBER * MAX_MASTER))
            case "rate":
                self._on_command(Command(Action.RATE, float(rate_for_control(value)), layer))
            case "nudge":
                if value != MIDI_CENTRE:
                    self._on_command(Command(Action.NUDGE, (value - MIDI_CENTRE) * NUDGE_MS_PER_STEP))

    def feedback(self, running: tuple[int | None, ...]) -> list[tuple[int, int, int]]:
        """(channel, note, velocity) note-ons for the pads whose light changes: a go pad is lit
        while its cue runs on its layer, a release pad while its layer is released."""
        channel = max(0, self._map.channel - 1)
        changes = []
        for pad in self._map.pads:
            on = running[pad.layer] == pad.cue if pad.cue is not None else running[pad.layer] is None
            velocity = self._map.lit_velocity if on else 0
            if self._lit.get(pad.note) != velocity:
                self._lit[pad.note] = velocity
                changes.append((channel, pad.note, velocity))
        return changes
