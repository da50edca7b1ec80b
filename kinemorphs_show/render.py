"""Draw a show to PNG: every fixture's pan/tilt path, and its pan and tilt over time with beat
and bar lines, as the engine would send them."""

import os
import tempfile
from pathlib import Path

from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.beam_floor import floor_hit
from kinemorphs_show.engine import Engine, Frame

FIGURE_SIZE_IN = (15, 7.5)
DPI = 110
FLOOR_PANEL_IN = 6
# Cue-name rows above the traces: a cue, its crossfade and the next cue each get their own.
LABEL_ROWS = 3
# Tilt grows downward on the picture, so that a lift (-y, lower tilt) is drawn upward as in the gallery.
TILT_LABEL = "tilt ° (grows downward: a lift is drawn up)"


def cue_script(show, bars: int) -> tuple[tuple[int, int], ...]:
    """(pip, cue index) goes that play every cue in turn, an equal share of the bars each."""
    share = max(1, bars // len(show.cues))
    return tuple((index * share * show.grid.bar_pips - 1, index) for index in range(1, len(show.cues))
                 if index * share < bars)


def render_frames(show, bars: int, cue: int | None = None) -> list[Frame]:
    """One frame per pip over the bars, from pip 0: the one cue given, or every cue in turn."""
    engine = Engine(show, first_cue=cue or 0)
    goes = dict(cue_script(show, bars)) if cue is None else {}
    frames = []
    for pip in range(bars * show.grid.bar_pips + 1):
        frames.append(engine.frame(pip, show.bpm))
        if pip in goes:
            engine.go(goes[pip], pip)
    return frames


def render_show(show, bars: int, out_path: Path, cue: int | None = None) -> None:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    frames = render_frames(show, bars, cue)
    beats = [frame.pip / PIPS_PER_BEAT for frame in frames]
    figure = plt.figure(figsize=FIGURE_SIZE_IN, dpi=DPI)
    colours = plt.get_cmap("tab10")
    # A show that aims at points also gets a stage plan of where the beams land.
    floor = any(cue.aim is not None for cue in show.cues)
    if floor:
        figure.set_size_inches(FIGURE_SIZE_IN[0] + FLOOR_PANEL_IN, FIGURE_SIZE_IN[1])
    grid = figure.add_gridspec(2, 3 if floor else 2, width_ratios=(1, 1, 2.2) if floor else (1, 2.2))
    path_axes = figure.add_subplot(grid[:, 0])
    pan_axes = figure.add_subplot(grid[0, -1])
    tilt_axes = figure.add_subplot(grid[1, -1], sharex=pan_axes)
    if floor:
        draw_floor_hits(figure.add_subplot(grid[:, 1]), show, frames, colours)

    for index, fixture in enumerate(show.rig.fixtures):
        pans = [frame.fixtures[index].pan_deg for frame in frames]
        tilts = [frame.fixtures[index].tilt_deg for frame in frames]
        colour = colours(index % 10)
        path_axes.plot(pans, tilts, color=colour, linewidth=1, alpha=0.8, label=fixture.name)
        path_axes.plot(pans[-1:], tilts[-1:], "o", color=colour)
        pan_axes.plot(beats, pans, color=colour, linewidth=1.2, label=fixture.name)
        tilt_axes.plot(beats, tilts, color=colour, linewidth=1.2)

    path_axes.set(title="pan/tilt paths (dot: last position)", xlabel="pan °", ylabel=TILT_LABEL)
    path_axes.invert_yaxis()
    tilt_axes.invert_yaxis()
    # Equal degrees on both axes, filling the panel even when one axis barely moves.
    path_axes.set_aspect("equal", adjustable="datalim")
    path_axes.grid(alpha=0.3)
    path_axes.legend(loc="upper center", bbox_to_anchor=(0.5, -0.1), fontsize="small",
                     ncol=min(4, len(show.rig.fixtures)))
    draw_beat_grid(pan_axes, show, bars)
    draw_beat_grid(tilt_axes, show, bars)
    mark_cue_changes(pan_axes, frames)
    pan_axes.set(ylabel="pan °")
    tilt_axes.set(ylabel=TILT_LABEL, xlabel="beats (thin lines: beats, thick: bars, dashed: cue changes)")
    figure.suptitle(f"{show.title}: {bars} bars at {show.bpm:g} BPM")
    figure.tight_layout()
    try:
        save_whole(figure, Path(out_path))
    finally:
        plt.close(figure)


def draw_floor_hits(axes, show, frames: list[Frame], colours) -> None:
    """The stage seen from above: each fixture (triangle) and where its beam meets the floor."""
    for index, fixture in enumerate(show.rig.fixtures):
        hits = [floor_hit(fixture, frame.fixtures[index].pan_deg, frame.fixtures[index].tilt_deg) for frame in frames]
        colour = colours(index % 10)
        axes.plot([x for x, _ in hits], [y for _, y in hits], color=colour, linewidth=1, alpha=0.8)
        axes.plot(*fixture.position_m[:2], "v" if fixture.orientation.inverted else "^", color=colour, markersize=8)
    axes.set(title="beams on the floor (triangles: fixtures)", xlabel="across m (stage right +)",
             ylabel="depth m (upstage +)")
    axes.set_aspect("equal", adjustable="datalim")
    axes.grid(alpha=0.3)


def save_whole(figure, out_path: Path) -> None:
    """Write the PNG beside its destination and rename it into place, so that a failed write
    (a full disk) leaves no truncated picture, and an earlier picture stays as it was."""
    fd, temporary = tempfile.mkstemp(dir=out_path.parent, prefix=f".{out_path.name}.", suffix=".png")
    try:
        with os.fdopen(fd, "wb") as file:
            figure.savefig(file, format="png")
        os.replace(temporary, out_path)
    except BaseException:
        os.unlink(temporary)
        raise


def draw_beat_grid(axes, show, bars: int) -> None:
    for beat in range(bars * show.grid.beats_per_bar + 1):
        is_bar = beat % show.grid.beats_per_bar == 0
        axes.axvline(beat, color="0.35" if is_bar else "0.85", linewidth=1.2 if is_bar else 0.5, zorder=0)
    axes.set_xlim(0, bars * show.grid.beats_per_bar)


def mark_cue_changes(axes, frames: list[Frame]) -> None:
    """Mark where each cue or crossfade begins with a dashed line and its name, rotating over LABEL_ROWS rows so that
    long crossfade names next to each other do not overlap."""
    previous = None
    changes = 0
    for frame in frames:
        if frame.cue == previous:
            continue
        beat = frame.pip / PIPS_PER_BEAT
        axes.axvline(beat, color="black", linestyle="--", linewidth=0.8)
        axes.annotate(frame.cue, (beat, 1.0), xycoords=("data", "axes fraction"), fontsize="small",
                      va="bottom", ha="left", xytext=(3, 2 + 11 * (changes % LABEL_ROWS)), textcoords="offset points")
        previous = frame.cue
        changes += 1
