"""Control messages from the page and other software, as the commands the OSC controls give.

A message is a JSON object {"command": NAME, "value": NUMBER}: NAME is one of the OSC
controls' names (tap, resync, next, previous, quit, bpm, nudge, cue), read by the same
parser, so bounds and refusals are the OSC ones. "go" with a "cue" (1-based number or
name) goes to that cue, and without one to the next cue.
"""

from collections.abc import Sequence

from kinemorphs_show.controls import Command, command_for_osc
from kinemorphs_show.osc_namespace import OSC_ROOT

GO = "go"
CUE_COMMAND = "cue"
NEXT_COMMAND = "next"


def command_for_message(message: object, cue_names: Sequence[str]) -> Command | str:
    """The command a control message asks for, or one line saying why it is refused."""
    if not isinstance(message, dict) or not isinstance(message.get("command"), str):
        return 'a control message is a JSON object with a "command"'
    name = message["command"]
    args: tuple[object, ...] = (message["value"],) if "value" in message else ()
    if name == GO:
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
