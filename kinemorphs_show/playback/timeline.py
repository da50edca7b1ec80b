"""The timeline: goes, releases and tempi placed at bars, as show positions.

What is running at any position follows from the events before it, so a jump
(a MIDI Song Position Pointer, a resume) lands in the right place by replaying
them from the start state rather than by remembering what already fired.
"""

from dataclasses import dataclass

from kinemorphs_show.playback.model import TimelineEvent
from kinemorphs_show.timing import BeatGrid


@dataclass(frozen=True)
class TimelineState:
    cues: tuple[int | None, ...]       # per layer: the running show cue, None: released
    bpm: float | None                  # the last tempo set, None: none yet


def event_pip(event: TimelineEvent, grid: BeatGrid) -> int:
    return (event.bar - 1) * grid.bar_pips


def state_at(events: tuple[TimelineEvent, ...], grid: BeatGrid, start: tuple[int | None, ...],
             pip: int) -> TimelineState:
    """What the timeline has made of the start state by pip (events at pip included)."""
    cues, bpm = list(start), None
    for event in events:
        if event_pip(event, grid) > pip:
            break
        if event.cue is not None:
            cues[event.layer] = event.cue
        elif event.release:
            cues[event.layer] = None
        if event.bpm is not None:
            bpm = event.bpm
    return TimelineState(tuple(cues), bpm)


def events_between(events: tuple[TimelineEvent, ...], grid: BeatGrid, after: int, until: int) -> list[TimelineEvent]:
    """Events at pips in (after, until]."""
    return [event for event in events if after < event_pip(event, grid) <= until]
