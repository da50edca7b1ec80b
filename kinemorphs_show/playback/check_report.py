"""What `check` says about layers and positions: each layer's fixtures and cues, and every
fixture a position asks to point outside its limits or travel (it would be held at the edge)."""

import numpy as np

from kinemorphs_show.rig_arrays import RigArrays


def positions_outside(show) -> list[str]:
    rig = RigArrays(show.rig)
    problems = []
    for position in show.positions:
        pan = np.array([angle[0] for angle in position.angles], dtype=float)
        tilt = np.array([angle[1] for angle in position.angles], dtype=float)
        _, _, outside = rig.limit(pan, tilt)
        for index in np.flatnonzero(outside).tolist():
            problems.append(f"position {position.name!r}: {rig.names[index]} at [{pan[index]:g}, {tilt[index]:g}] "
                            f"is outside its limits or travel")
    return problems


def layer_lines(show) -> list[str]:
    """One line per layer; nothing for the one implicit layer of a show without [[layers]]."""
    if len(show.layers) == 1 and show.layers[0].name == "main" and len(show.layers[0].cues) == len(show.cues):
        return []
    lines = []
    for number, layer in enumerate(show.layers, 1):
        cues = ", ".join(f"{i}. {show.cues[cue].name}" + (f" (on {show.cues[cue].position})"
                                                          if show.cues[cue].position else "")
                         for i, cue in enumerate(layer.cues, 1))
        state = "running" if layer.running else "released"
        lines.append(f"  layer {number} {layer.name!r}: {len(layer.fixtures)} fixtures, priority {layer.priority}, "
                     f"{state} at the start, size {layer.size:.0%}, rate {layer.rate}; cues {cues}")
    if show.timeline:
        last = show.timeline[-1].bar
        lines.append(f"  timeline: {len(show.timeline)} changes over bars 1 to {last}")
    return lines
