"""Which of a show's universes one runner sends (`run --universes 1-8,12`), for rigs split over runners.

Every runner computes the whole show; a selection keeps the DMX of the
universes it names and drops the rest from the frames handed to the outputs
(home included). OSC and the preview carry every fixture whatever the
selection, so a rig split over runners gives OSC to one of them.
"""

from dataclasses import dataclass, replace
from typing import TYPE_CHECKING

from kinemorphs_show.frame import only_universes

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

# The sACN universe range, which also bounds what a show may number.
LOWEST_UNIVERSE = 1
HIGHEST_UNIVERSE = 63999
# A selection is typed by hand: more ranges than this is a mistake, not a rig.
MAX_RANGES = 256


@dataclass(frozen=True)
class UniverseSelection:
    ranges: tuple[tuple[int, int], ...]   # inclusive first..last, in the order given

    def __contains__(self, universe: object) -> bool:
        return any(first <= universe <= last for first, last in self.ranges)  # type: ignore[operator]

    def __str__(self) -> str:
        return ",".join(str(first) if first == last else f"{first}-{last}" for first, last in self.ranges)

    def restrict(self, frame: "Frame") -> "Frame":
        """The frame with only the selected universes' DMX; the fixtures' states unchanged."""
        return replace(frame, universes=only_universes(frame.universes, self))


def parse_universe_selection(text: str) -> UniverseSelection:
    """'1-16', '3' or '1-4,9,12-16'; ValueError naming what is wrong."""
    ranges = []
    for item in text.split(","):
        first_text, dash, last_text = item.strip().partition("-")
        try:
            first = int(first_text)
            last = int(last_text) if dash else first
        except ValueError:
            raise ValueError(f"bad universe list {text!r}: expected numbers and ranges such as 1-8,12") from None
        if not LOWEST_UNIVERSE <= first <= last <= HIGHEST_UNIVERSE:
            raise ValueError(f"bad universe range {item.strip()!r} in {text!r}: universes run from "
                             f"{LOWEST_UNIVERSE} to {HIGHEST_UNIVERSE}, first to last")
        ranges.append((first, last))
    if len(ranges) > MAX_RANGES:
        raise ValueError(f"bad universe list {text!r}: more than {MAX_RANGES} ranges")
    return UniverseSelection(tuple(ranges))
