"""Choose the show's clock: internal, MIDI clock in, or Ableton Link."""

from kinemorphs_show.clock import Clock
from kinemorphs_show.link_clock import LinkClock
from kinemorphs_show.midi_clock import open_midi_clock


def open_clock(show, bpm: float | None = None):
    """The clock the show asks for, starting at bpm (default the show's), and a function that
    releases what it holds (a MIDI port, the Link session). Raises RuntimeError with a clear
    message when the source cannot be opened (no port, a library missing)."""
    bpm = show.bpm if bpm is None else bpm
    if show.clock == "midi":
        clock, port = open_midi_clock(show.midi_port, bpm, show.grid)
        return clock, port.close
    if show.clock == "link":
        clock = LinkClock(bpm, grid=show.grid)
        return clock, clock.close
    return Clock(bpm, grid=show.grid), lambda: None
