"""Colours for a cue: a name from a small table, #rrggbb, or a colour wheel slot's name, turned
into the DMX values of a fixture type's colour channels.

Mixing fixtures take the colour's RGB, each 0-255 scaled to the channel's full scale; an RGBW
fixture puts the part all three share on white (W = min(R, G, B), taken off R, G and B), which
gives the same colour with the white emitter doing the work and the saturated colours
unchanged. Wheel fixtures take the slot whose name matches (ignoring case, spaces and
punctuation), otherwise the slot nearest in RGB to a named or hex colour.
"""

import re
from dataclasses import dataclass

from kinemorphs_show.fixture_type import ColourMixing, ColourWheel, FixtureType, WheelSlot

RGB = tuple[int, int, int]

NAMED_COLOURS: dict[str, RGB] = {
    "white": (255, 255, 255), "red": (255, 0, 0), "green": (0, 255, 0), "blue": (0, 0, 255),
    "cyan": (0, 255, 255), "magenta": (255, 0, 255), "yellow": (255, 255, 0), "amber": (255, 191, 0),
    "orange": (255, 128, 0), "pink": (255, 105, 180), "purple": (128, 0, 255), "lavender": (181, 126, 220),
}
HEX_RGB = re.compile(r"#([0-9a-fA-F]{6})")
NOT_NAME_CHARACTERS = re.compile(r"[\W_]+")
CHANNEL_MAX = 255


class ColourError(ValueError):
    """A colour that cannot be shown by a fixture type; one line, for the show-file reader."""


@dataclass(frozen=True)
class ColourRequest:
    """A colour as written, with its RGB when it is a table name or a hex value (None for a
    name only a wheel slot can answer)."""

    text: str
    rgb: RGB | None


def colour_request(text: str) -> ColourRequest:
    text = text.strip()
    if not text:
        raise ColourError("a colour needs a name, #rrggbb or a wheel slot's name")
    if text.startswith("#"):
        match = HEX_RGB.fullmatch(text)
        if not match:
            raise ColourError(f"{text!r} is not #rrggbb")
        value = int(match.group(1), 16)
        return ColourRequest(text, (value >> 16, (value >> 8) & 0xFF, value & 0xFF))
    return ColourRequest(text, NAMED_COLOURS.get(name_key(text)))


def name_key(name: str) -> str:
    return NOT_NAME_CHARACTERS.sub("", name).lower()


def rgbw(rgb: RGB) -> tuple[int, int, int, int]:
    white = min(rgb)
    return rgb[0] - white, rgb[1] - white, rgb[2] - white, white


def wheel_slot(wheel: ColourWheel, request: ColourRequest) -> WheelSlot:
    for slot in wheel.slots:
        if name_key(slot.name) == name_key(request.text):
            return slot
    wanted = request.rgb
    coloured = [(slot, slot.rgb) for slot in wheel.slots if slot.rgb is not None]
    if wanted is None or not coloured:
        names = ", ".join(slot.name for slot in wheel.slots)
        raise ColourError(f"the colour wheel has no slot {request.text!r} (slots: {names})")
    return min(coloured, key=lambda pair: sum((a - b) ** 2 for a, b in zip(pair[1], wanted)))[0]


def colour_channels(fixture_type: FixtureType, request: ColourRequest) -> dict[int, int]:
    """Relative channel -> DMX value that show the colour (nothing for a type without colour)."""
    colour = fixture_type.colour
    if isinstance(colour, ColourWheel):
        slot = wheel_slot(colour, request)
        return colour.control.channel_values(slot.value)
    if isinstance(colour, ColourMixing):
        if request.rgb is None:
            raise ColourError(f"{fixture_type.name} mixes colour: {request.text!r} is neither a colour name "
                              f"({', '.join(NAMED_COLOURS)}) nor #rrggbb")
        return mixing_channels(colour, request.rgb)
    return {}


def mixing_channels(colour: ColourMixing, rgb: tuple[float, float, float]) -> dict[int, int]:
    levels = list(rgb)
    controls = [colour.red, colour.green, colour.blue]
    if colour.white is not None:
        white = min(levels)
        levels = [level - white for level in levels] + [white]
        controls.append(colour.white)
    values: dict[int, int] = {}
    for control, level in zip(controls, levels):
        values.update(control.channel_values(round(level * control.full_scale / CHANNEL_MAX)))
    return values


def faded_colour_channels(fixture_type: FixtureType, start: ColourRequest, end: ColourRequest,
                          weight: float) -> dict[int, int]:
    """A crossfade's colour at weight (0 = start, 1 = end): mixing fades through RGB; a wheel
    cannot show in-between colours, so it changes slot half way."""
    colour = fixture_type.colour
    if isinstance(colour, ColourMixing) and start.rgb is not None and end.rgb is not None:
        weight = min(max(weight, 0.0), 1.0)
        red, green, blue = (a + (b - a) * weight for a, b in zip(start.rgb, end.rgb))
        return mixing_channels(colour, (red, green, blue))
    return colour_channels(fixture_type, start if weight < 0.5 else end)
