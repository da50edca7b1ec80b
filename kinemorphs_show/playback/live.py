"""Live layer controls (keys, OSC, MIDI): select, go, release, size, rate and the rig's size,
each bounded; what is refused is said in a few words for the status line."""

from fractions import Fraction

from kinemorphs_show.playback.masters import MASTER_GLIDE_PIPS, checked_size, exact_rate, rate_step
from kinemorphs_show.show_schema import MAX_MASTER, MAX_RATE, MIN_RATE

SIZE_STEP = 0.1


def layer_index(engine, layer: str | None) -> int | str:
    """The layer's index (None: the selected one, a name or a 1-based number), or what was refused."""
    if layer is None or layer == "":
        return engine.selected
    names = engine.layer_names
    if layer in names:
        return names.index(layer)
    if layer.isascii() and layer.isdigit() and 1 <= int(layer) <= len(names):
        return int(layer) - 1
    return f"layer {layer!r} (layers: {', '.join(names)})"


def apply_layer_command(action: str, value: float, layer: str | None, engine, position: Fraction) -> str | None:
    """Carry out a layer action at the exact show position; what was refused, or None."""
    index = layer_index(engine, layer)
    if isinstance(index, str):
        return index
    pip = int(position // 1)
    match action:
        case "select":
            count = len(engine.layer_names)
            if not (value == int(value) and 1 <= value <= count):
                return f"layer {value:g} (layers are 1 to {count})"
            engine.selected = int(value) - 1
        case "go":
            cues = engine.layer_cues(index)
            if not (value == int(value) and 1 <= value <= len(cues)):
                return f"cue {value:g} (layer {engine.layer_names[index]} has cues 1 to {len(cues)})"
            engine.layer_go(index, cues[int(value) - 1], pip)
        case "release":
            engine.release(index, pip)
        case "size" | "rig_size" | "size_step" | "rig_size_step":
            target = None if action.startswith("rig") else index
            if action.endswith("step"):
                current = engine.rig_size if target is None else engine.layer_size(index)
                value = min(MAX_MASTER, max(0.0, round(current + value, 6)))
            refused = checked_size(value)
            if refused is not None:
                return refused
            engine.set_size(target, value, position, MASTER_GLIDE_PIPS)
        case "rate":
            rate = exact_rate(value)
            if rate is None:
                return f"rate {value:g} (not {MIN_RATE} to {MAX_RATE})"
            engine.set_rate(index, rate, position)
        case "rate_step":
            engine.set_rate(index, rate_step(engine.layer_rate(index), int(value)), position)
    return None
