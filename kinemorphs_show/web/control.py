"""Control messages from the page and other software, as the commands the OSC controls give.

A message is a JSON object {"command": NAME, "value": NUMBER}: NAME is one of the OSC
controls' names (tap, resync, next, previous, quit, bpm, nudge, cue), read by the same
parser, so bounds and refusals are the OSC ones. "go" with a "cue" (1-based number or
name) goes to that cue, and without one to the next cue. With a "layer" (name or 1-based
number), go, release, size and rate are that layer's OSC controls (/kinemorphs/LAYER/...),
and "go" takes the cue's number within the layer or its name; "size" without a layer is
the rig's size master.
"""

from collections.abc import Mapping, Sequence

from kinemorphs_show.controls import Command, command_for_osc
from kinemorphs_show.osc_namespace import OSC_ROOT

GO = "go"
CUE_COMMAND = "cue"
NEXT_COMMAND = "next"


def command_for_message(message: object, cue_names: Sequence[str],
                        layer_cues: Mapping[str, Sequence[str]] = {}) -> Command | str:
    """The command a control message asks for, or one line saying why it is refused.

    layer_cues: every layer's cue names in its own order, by layer name.
    """
    if not isinstance(message, dict) or not isinstance(message.get("command"), str):
        return 'a control message is a JSON object with a "command"'
    name = message["command"]
    args: tuple[object, ...] = (message["value"],) if "value" in message else ()
    if "layer" in message:
        layer = message["layer"]
        if isinstance(layer, int) and not isinstance(layer, bool):
            layer = str(layer)
        if not isinstance(layer, str) or not layer or "/" in layer:
            return "a layer is its name or 1-based number"
        if name == GO:
            cue = message.get("cue", message.get("value"))
            names = layer_cues.get(layer, ())
            if isinstance(cue, str) and cue in names:
                cue = names.index(cue) + 1
            args = () if cue is None else (cue,)
        name = f"{layer}/{name}"
    elif name == GO:
        cue = message.get("cue", message.get("value"))
        if cue is None:
            name, args = NEXT_COMMAND, ()
        else:
            if isinstance(cue, str) and cue in cue_names:
                cue = cue_names.index(cue) + 1
            name, args = CUE_COMMAND, (cue,)
    command = command_for_osc(f"{OSC_ROOT}/{name}", args)
    if command is None:
        return f"unknown control {name!r} or a missing number"
    return command
