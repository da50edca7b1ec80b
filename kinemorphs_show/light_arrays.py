"""Intensity and colour on arrays over the rig: what a cue asks of every fixture (a LightLook),
its blend in a crossfade, and the bytes of every dimmer, shutter and colour channel.

The values are those of intensity.intensity_channels and colour.colour_channels, computed for
the whole rig at once: a dimmer's off..full value by the percentage, the shutter open while
the intensity is above 0 (closed, where it can close, at 0), RGB(W) mixing from the colour's
RGB (white taking the part all three share), a wheel's slot value. A crossfade blends intensity
and RGB linearly; a wheel cannot show in-between colours, so it changes slot half way.
"""

from dataclasses import dataclass

import numpy as np

from kinemorphs_show.colour import CHANNEL_MAX, ColourError, ColourRequest, colour_request, wheel_slot
from kinemorphs_show.fixture_type import ColourMixing, ColourWheel, Control, FixtureType

# What a cue without a colour shows, where the type can.
DEFAULT_COLOUR = colour_request("white")
NO_WHEEL_SLOT = -1
SHUTTER, DIMMER, MIXING, WHEEL = range(4)
EIGHT_BIT, COARSE, FINE = range(3)
WHITE_COMPONENT = 3


@dataclass(frozen=True)
class LightLook:
    intensity: np.ndarray   # percent per fixture
    rgb: np.ndarray         # fixtures × 3, 0..255 (what mixing fixtures show)
    wheel: np.ndarray       # per fixture the wheel slot's DMX value (NO_WHEEL_SLOT: none)


def blend_light(source: LightLook | None, target: LightLook | None, weight: float) -> LightLook | None:
    if source is None or target is None:
        return target if source is None else source
    return LightLook(source.intensity + (target.intensity - source.intensity) * weight,
                     source.rgb + (target.rgb - source.rgb) * weight,
                     source.wheel if weight < 0.5 else target.wheel)


def darkened(look: LightLook) -> LightLook:
    return LightLook(np.zeros_like(look.intensity), look.rgb, look.wheel)


def colour_arrays(types: list[FixtureType], requests: list[ColourRequest]) -> tuple[np.ndarray, np.ndarray]:
    """Per fixture the RGB a mixing type shows and the slot value a wheel type selects. A request
    a type cannot show (only the default can reach here: the show file refuses the rest) shows
    white on a mixer and leaves a wheel at 0."""
    rgb, wheel = [], []
    for fixture_type, request in zip(types, requests):
        rgb.append(request.rgb if request.rgb is not None else DEFAULT_COLOUR.rgb)
        value = NO_WHEEL_SLOT
        if isinstance(fixture_type.colour, ColourWheel):
            try:
                value = wheel_slot(fixture_type.colour, request).value
            except ColourError:
                value = 0
        wheel.append(value)
    return np.array(rgb, dtype=float).reshape(-1, 3), np.array(wheel, dtype=np.int64)


class CueLight:
    """One cue's intensity and colour for every fixture (those not in the cue: dark, white)."""

    def __init__(self, intensity: float | None, colour: ColourRequest | None, intensity_axis: int | None,
                 types: list[FixtureType], placed: np.ndarray) -> None:
        self.placed = placed
        self.axis = intensity_axis
        # An axis drives intensity up to the cue's intensity (full by default); else the cue's is steady.
        level = intensity if intensity is not None else (100.0 if intensity_axis is not None else 0.0)
        self.level = np.where(placed, level, 0.0)
        requests = [colour if (colour is not None and in_cue) else DEFAULT_COLOUR for in_cue in placed.tolist()]
        self.rgb, self.wheel = colour_arrays(types, requests)

    def look(self, displacement: np.ndarray) -> LightLook:
        if self.axis is None:
            return LightLook(self.level, self.rgb, self.wheel)
        return LightLook((displacement[:, self.axis] + 1) / 2 * self.level, self.rgb, self.wheel)


def resting_light(types: list[FixtureType]) -> LightLook:
    """Before any cue: dark, white."""
    rgb, wheel = colour_arrays(types, [DEFAULT_COLOUR] * len(types))
    return LightLook(np.zeros(len(types)), rgb, wheel)


class RigLight:
    """Every light channel of the rig, in the order each fixture's channels are written (shutter,
    dimmer, colour: a later one wins a shared channel), and how its byte is computed."""

    def __init__(self, types: list[FixtureType]) -> None:
        entries = []  # (fixture, relative channel, kind, part, low, high, full scale, component, white)
        for index, fixture_type in enumerate(types):
            def add(control: Control, kind: int, low: int = 0, high: int = 0, component: int = 0,
                    white: bool = False) -> None:
                parts = ((control.coarse, COARSE), (control.fine, FINE)) if control.fine else ((control.coarse,
                                                                                                EIGHT_BIT),)
                for channel, part in parts:
                    entries.append((index, channel, kind, part, low, high, control.full_scale, component, white))

            shutter = fixture_type.shutter
            if shutter is not None:
                closed = shutter.open_value if shutter.closed_value is None else shutter.closed_value
                add(shutter.control, SHUTTER, shutter.open_value, closed)
            if fixture_type.dimmer is not None:
                add(fixture_type.dimmer.control, DIMMER, fixture_type.dimmer.off_value, fixture_type.dimmer.full_value)
            colour = fixture_type.colour
            if isinstance(colour, ColourMixing):
                emitters = [colour.red, colour.green, colour.blue] + ([colour.white] if colour.white else [])
                for component, control in enumerate(emitters):
                    add(control, MIXING, component=component, white=colour.white is not None)
            elif isinstance(colour, ColourWheel):
                add(colour.control, WHEEL)
        self.keys: tuple[tuple[int, int], ...] = tuple((entry[0], entry[1]) for entry in entries)
        columns = list(zip(*entries)) or [()] * 9
        self.fixture = np.array(columns[0], dtype=np.intp)
        self.kind, self.part = np.array(columns[2], dtype=np.intp), np.array(columns[3], dtype=np.intp)
        self.low, self.high = np.array(columns[4], dtype=float), np.array(columns[5], dtype=float)
        self.full_scale = np.array(columns[6], dtype=np.int64)
        self.component = np.array(columns[7], dtype=np.intp)
        self.white = np.array(columns[8], dtype=bool)
        # Which fixtures can dim and which can colour; the others always show full and white.
        self.dims = np.isin(np.arange(len(types)), self.fixture[self.kind <= DIMMER])
        self.colours = np.isin(np.arange(len(types)), self.fixture[self.kind >= MIXING])

    def __len__(self) -> int:
        return len(self.keys)

    def shown(self, look: LightLook) -> tuple[np.ndarray, np.ndarray] | None:
        """Per fixture the light it shows, for viewers: intensity 0..1 and colour rows of r, g, b
        in 0..1; None when the rig has no light channel at all."""
        if not len(self):
            return None
        intensity = np.clip(np.nan_to_num(look.intensity), 0.0, 100.0) / 100.0
        colour = np.clip(np.nan_to_num(look.rgb), 0.0, CHANNEL_MAX) / CHANNEL_MAX
        return (np.where(self.dims, intensity, 1.0),
                np.where(self.colours[:, np.newaxis], colour, 1.0))

    def values(self, look: LightLook) -> np.ndarray:
        """The byte of every light channel (in self.keys order) for the look."""
        if not len(self):
            return np.zeros(0, dtype=np.int64)
        intensity = look.intensity[self.fixture]
        on = intensity > 0.0  # NaN is dark
        fraction = np.minimum(np.where(on, intensity, 0.0), 100.0) / 100.0
        dimmer = np.where(on, np.rint(self.low + (self.high - self.low) * fraction), self.low)
        shutter = np.where(on, self.low, self.high)
        rgb = look.rgb[self.fixture]
        shared = np.where(self.white, rgb.min(axis=1), 0.0)
        component = np.minimum(self.component, 2)
        level = np.where(self.component == WHITE_COMPONENT, shared,
                         rgb[np.arange(len(self)), component] - shared)
        mixing = np.rint(level * self.full_scale / CHANNEL_MAX)
        wheel = look.wheel[self.fixture].astype(float)
        value = np.choose(self.kind, [shutter, dimmer, mixing, wheel])
        value = np.clip(np.nan_to_num(value), 0, self.full_scale).astype(np.int64)
        return np.where(self.part == FINE, value & 0xFF, np.where(self.part == COARSE, value >> 8, value))
