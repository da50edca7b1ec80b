"""What the engine hands to the outputs each frame: the DMX universes and every fixture's state.

The array engine keeps both as arrays; the two views here read them as the
mapping (universe number → 512 bytes) and the sequence of per-fixture states
that the outputs use, building a row or a fixture only when it is read.
"""

from collections.abc import Container, Mapping, Sequence
from dataclasses import dataclass

import numpy as np


@dataclass(frozen=True)
class FixtureFrame:
    name: str
    x: float
    y: float
    z: float          # the cue's displacement after layout, speed and crossfade, in [-1, 1]
    pan_deg: float
    tilt_deg: float   # after size, axis mapping, limits and slew, from the fixture's range centre
    limited: bool     # True when slew or limits changed what the pattern asked for
    size_scale: float = 1.0  # below 1 when the cue was made smaller so the fixture can follow it


@dataclass(frozen=True)
class Frame:
    pip: int
    cue: str
    universes: Mapping[int, bytes]
    fixtures: Sequence[FixtureFrame]


class DmxUniverses(Mapping):
    """Universe number → its 512 DMX bytes, over a universes × 512 uint8 array (`array`, one row
    per number in `numbers`)."""

    def __init__(self, numbers: tuple[int, ...], array: np.ndarray) -> None:
        self.numbers = numbers
        self.array = array
        self._rows = {number: row for row, number in enumerate(numbers)}

    def __getitem__(self, number: int) -> bytes:
        return self.array[self._rows[number]].tobytes()

    def __iter__(self):
        return iter(self.numbers)

    def __len__(self) -> int:
        return len(self.numbers)


def only_universes(universes: Mapping[int, bytes], keep: Container[int]) -> Mapping[int, bytes]:
    """The universes whose numbers are in keep, in the same order (rows of the same array when it is one)."""
    if isinstance(universes, DmxUniverses):
        rows = [row for row, number in enumerate(universes.numbers) if number in keep]
        return DmxUniverses(tuple(universes.numbers[row] for row in rows), universes.array[rows])
    return {number: data for number, data in universes.items() if number in keep}


class FixtureFrames(Sequence):
    """Every fixture's FixtureFrame, read from per-fixture arrays.

    The arrays (one row per fixture, in rig order) are what the frame path
    reads: `displacement` (n × 3), `pan_deg`, `tilt_deg`, `limited` (bool) and
    `size_scale`; where the show has light channels, the light each fixture
    shows (`intensity` 0..1, `colour` n × 3 r, g, b in 0..1), else None.
    Building the FixtureFrame objects is left to readers that want them one by
    one (tests, the preview).
    """

    def __init__(self, names: tuple[str, ...], displacement: np.ndarray, pan_deg: np.ndarray, tilt_deg: np.ndarray,
                 limited: np.ndarray, size_scale: np.ndarray,
                 intensity: np.ndarray | None = None, colour: np.ndarray | None = None) -> None:
        self.names = names
        self.displacement, self.pan_deg, self.tilt_deg = displacement, pan_deg, tilt_deg
        self.limited, self.size_scale = limited, size_scale
        self.intensity, self.colour = intensity, colour
        self._built: tuple[FixtureFrame, ...] | None = None

    def __len__(self) -> int:
        return len(self.names)

    def __getitem__(self, index):
        return self._states()[index]

    def __iter__(self):
        return iter(self._states())

    def _states(self) -> tuple[FixtureFrame, ...]:
        # Built once, on first reading, with one conversion per array: the outputs and the status
        # line each read every fixture. Outputs that can take arrays read the attributes instead.
        if self._built is None:
            self._built = tuple(
                FixtureFrame(name, x, y, z, pan, tilt, limited, scale)
                for name, (x, y, z), pan, tilt, limited, scale in zip(
                    self.names, self.displacement.tolist(), self.pan_deg.tolist(), self.tilt_deg.tolist(),
                    self.limited.tolist(), self.size_scale.tolist()))
        return self._built

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Sequence) and tuple(self) == tuple(other)

    __hash__ = None  # type: ignore[assignment]


def fixture_arrays(fixtures: Sequence[FixtureFrame]) -> FixtureFrames:
    """The fixtures' states as arrays: the engine's own, or built from hand-made FixtureFrames."""
    if isinstance(fixtures, FixtureFrames):
        return fixtures
    return FixtureFrames(tuple(fixture.name for fixture in fixtures),
                         np.array([(fixture.x, fixture.y, fixture.z) for fixture in fixtures], dtype=float).reshape(-1, 3),
                         np.array([fixture.pan_deg for fixture in fixtures], dtype=float),
                         np.array([fixture.tilt_deg for fixture in fixtures], dtype=float),
                         np.array([fixture.limited for fixture in fixtures], dtype=bool),
                         np.array([getattr(fixture, "size_scale", 1.0) for fixture in fixtures], dtype=float))
