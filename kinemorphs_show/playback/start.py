"""Where a run starts: the timeline's look at the start, `--cue LAYER:CUE`, or a saved state
(`--resume`), and a clock that carries on from the saved position."""

from fractions import Fraction

from kinemorphs_show.playback import timeline as timeline_module
from kinemorphs_show.playback.layered_engine import LayeredEngine
from kinemorphs_show.playback.state_file import SavedState


def find_numbered(text: str, names: list[str], what: str) -> int:
    """The 0-based index of a name, or of a 1-based number; ValueError saying what exists."""
    if text in names:
        return names.index(text)
    if text.isascii() and text.isdigit() and 1 <= int(text) <= len(names):
        return int(text) - 1
    raise ValueError(f"no {what} {text!r}; {what}s: {', '.join(names)}")


def parse_cue_option(text: str, show) -> tuple[int, int]:
    """'LAYER:CUE' or 'CUE' (the first layer): the layer index and the show cue index."""
    layer_text, colon, cue_text = text.rpartition(":")
    layer = find_numbered(layer_text, [layer.name for layer in show.layers], "layer") if colon else 0
    cues = show.layers[layer].cues
    return layer, cues[find_numbered(cue_text, [show.cues[cue].name for cue in cues], "cue")]


def starting_engine(show, cue: tuple[int, int] | None = None, saved: SavedState | None = None,
                    make=LayeredEngine) -> LayeredEngine:
    engine = make(show)
    if saved is not None:
        engine.restore(saved.cues, saved.sizes, saved.rates, saved.rig_size, saved.position, saved.phases)
        return engine
    start = tuple(layer.cues[0] if layer.running else None for layer in show.layers)
    cues = timeline_module.state_at(show.timeline, show.grid, start, 0).cues
    if cue is not None:
        cues = cues[:cue[0]] + (cue[1],) + cues[cue[0] + 1:]
    if cues != start:
        engine.restore(cues)
    return engine


class OffsetClock:
    """A clock whose positions start at `offset` pips (a resumed run carries on where it stopped)."""

    def __init__(self, clock, offset: int) -> None:
        self._clock, self._offset = clock, Fraction(offset)

    def position(self, t_ns: int | None = None) -> Fraction:
        return self._clock.position(t_ns) + self._offset

    def __getattr__(self, name):
        return getattr(self._clock, name)
