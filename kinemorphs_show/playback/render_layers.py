"""Draw a layered show over its timeline: each layer's contribution on its own (the other layers
released) and the combined result, pan and tilt against beats, as the engine sends them."""

from pathlib import Path

import numpy as np
from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.playback import timeline as timeline_module
from kinemorphs_show.playback.start import starting_engine
from kinemorphs_show.render import DPI, TILT_LABEL, draw_beat_grid, save_whole

ROW_HEIGHT_IN = 2.4
FIGURE_WIDTH_IN = 15


def timeline_frames(show, bars: int, only_layer: int | None = None):
    """(pan, tilt) arrays (pips × fixtures), one frame per pip, with the timeline's goes, releases
    and tempi; with only_layer, every other layer stays released."""
    engine = starting_engine(show)
    if only_layer is not None:
        engine.restore(tuple(cue if index == only_layer else None for index, cue in enumerate(engine.running_cues())))
    events = {}
    for event in show.timeline:
        events.setdefault(timeline_module.event_pip(event, show.grid), []).append(event)
    bpm, pans, tilts = show.bpm, [], []
    for pip in range(bars * show.grid.bar_pips + 1):
        for event in events.get(pip, ()):
            bpm = event.bpm or bpm
            if event.layer is None or (only_layer is not None and event.layer != only_layer):
                continue
            if event.cue is not None:
                engine.layer_go(event.layer, event.cue, pip)
            elif event.release:
                engine.release(event.layer, pip)
        frame = engine.frame(pip, bpm)
        pans.append(frame.fixtures.pan_deg)
        tilts.append(frame.fixtures.tilt_deg)
    return np.array(pans), np.array(tilts)


def render_layers(show, bars: int, out_path: Path, cue: int | None = None) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    rows = [(layer.name, list(layer.fixtures), timeline_frames(show, bars, index))
            for index, layer in enumerate(show.layers)]
    rows.append(("combined", list(range(len(show.rig.fixtures))), timeline_frames(show, bars)))
    beats = np.arange(bars * show.grid.bar_pips + 1) / PIPS_PER_BEAT
    figure, axes = plt.subplots(len(rows), 2, figsize=(FIGURE_WIDTH_IN, ROW_HEIGHT_IN * len(rows)), dpi=DPI,
                                sharex=True, squeeze=False)
    colours = plt.get_cmap("tab10")
    for row, (name, fixtures, (pans, tilts)) in enumerate(rows):
        pan_axes, tilt_axes = axes[row]
        for index in fixtures:
            colour = colours(index % 10)
            label = show.rig.fixtures[index].name
            pan_axes.plot(beats, pans[:, index], color=colour, linewidth=1.1, label=label)
            tilt_axes.plot(beats, tilts[:, index], color=colour, linewidth=1.1)
        pan_axes.set_ylabel(f"{name}\npan °")
        tilt_axes.set_ylabel(f"{name}\ntilt °")
        tilt_axes.invert_yaxis()
        for axis in (pan_axes, tilt_axes):
            draw_beat_grid(axis, show, bars)
            mark_timeline(axis, show, bars, label=row == 0)
    legend = figure.legend(*axes[-1][0].get_legend_handles_labels(), loc="lower center", fontsize="small",
                           ncol=min(8, len(show.rig.fixtures)))
    legend.set_in_layout(False)
    for column in axes[-1]:
        column.set_xlabel("beats (thick lines: bars, dashed: timeline changes)")
    figure.suptitle(f"{show.title}: each layer alone, then combined; {bars} bars from {show.bpm:g} BPM\n({TILT_LABEL})")
    figure.tight_layout(rect=(0, 0.03, 1, 0.92))
    try:
        save_whole(figure, Path(out_path))
    finally:
        plt.close(figure)


def event_text(show, event) -> str:
    change = (f"{show.layers[event.layer].name}: {show.cues[event.cue].name}" if event.cue is not None
              else f"{show.layers[event.layer].name}: release" if event.release else "")
    return ", ".join(filter(None, (change, f"{event.bpm:g} BPM" if event.bpm else "")))


def mark_timeline(axes, show, bars: int, label: bool) -> None:
    """A dashed line at each bar with changes, and (on the top row) what changes there."""
    texts: dict[float, list[str]] = {}
    for event in show.timeline:
        beat = timeline_module.event_pip(event, show.grid) / PIPS_PER_BEAT
        if beat <= bars * show.grid.beats_per_bar:
            texts.setdefault(beat, []).append(event_text(show, event))
    for beat, lines in texts.items():
        axes.axvline(beat, color="black", linestyle="--", linewidth=0.8)
        if label:
            note = axes.annotate("\n".join(lines), (beat, 1.0), xycoords=("data", "axes fraction"),
                                 fontsize="x-small", va="bottom", ha="left", xytext=(2, 2),
                                 textcoords="offset points", rotation=25)
            note.set_in_layout(False)  # long labels may run over the margin, never squeeze the plots
