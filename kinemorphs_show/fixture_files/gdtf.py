"""GDTF (.gdtf) files, through pygdtf.

What is read, from description.xml and the chosen DMXMode only:
- the channel count: the highest channel any DMXChannel of the mode occupies (DMX break 1;
  a mode spread over several breaks is refused);
- Pan and Tilt: the DMXChannel whose LogicalChannel attribute is Pan / Tilt; its Offset gives
  the coarse and fine channel (a third byte is left alone); travel is the Pan / Tilt channel
  function's PhysicalFrom..PhysicalTo, extended linearly to the whole DMX range if the function
  covers only part; the speed is the slower axis's travel over its RealFade, when given;
- Dimmer: the Dimmer channel function's DMXFrom (off) and DMXTo (full);
- the shutter: the first Shutter<n> channel; its open and closed values are the middle of the
  channel function or channel set named Open / Closed (or Close);
- colour: ColorAdd_R/G/B (and ColorAdd_W), or ColorRGB_Red/Green/Blue; otherwise a Color<n>
  channel whose function links a Wheel: one slot per ChannelSet with a WheelSlotIndex, named by
  the set, valued at the middle of its range, coloured by the slot's CIE xyY colour.
Models, geometry transforms, macros, relations, virtual channels and everything else are not read.
The first channel of each kind in the mode wins (multi-cell fixtures: the first cell).

The archive is opened from memory: the file is capped, the member count is capped, and only
description.xml is read (capped, and refused if it declares a DTD, which GDTF never needs).
"""

import io
import re
import zipfile
import zlib
from os import PathLike
from xml.etree import ElementTree

from kinemorphs_show.fixture_files.bounded_read import read_regular_file
from kinemorphs_show.fixture_files.errors import FixtureFileError, chosen_mode
from kinemorphs_show.fixture_type import (
    DEFAULT_MAX_SPEED_DEG_S, Axis, ColourMixing, ColourWheel, Control, Dimmer, FixtureType, Shutter, WheelSlot,
    resolution_value,
)

MAX_GDTF_FILE_BYTES = 64 * 1024 * 1024   # 3D models make real files tens of MB
MAX_ARCHIVE_MEMBERS = 4096
MAX_DESCRIPTION_BYTES = 16 * 1024 * 1024
DESCRIPTION = "description.xml"

MIXING_ATTRIBUTES = (("ColorAdd_R", "ColorAdd_G", "ColorAdd_B", "ColorAdd_W"),
                     ("ColorRGB_Red", "ColorRGB_Green", "ColorRGB_Blue", None))
SHUTTER_ATTRIBUTE = re.compile(r"Shutter\d+")
WHEEL_ATTRIBUTE = re.compile(r"Color\d+")
OPEN_NAMES = ("open",)
CLOSED_NAMES = ("closed", "close")


def read_gdtf(path: str | PathLike, mode: str | None = None) -> FixtureType:
    description = description_xml(path, read_regular_file(path, MAX_GDTF_FILE_BYTES))
    gdtf = parsed_description(path, description)
    modes = list(gdtf.dmx_modes)
    dmx_mode = modes[chosen_mode(path, [(m.name or "",) for m in modes], mode)]
    return fixture_type_of_mode(path, gdtf, dmx_mode)


def description_xml(path, archive: bytes) -> bytes:
    try:
        with zipfile.ZipFile(io.BytesIO(archive)) as package:
            members = package.infolist()
            if len(members) > MAX_ARCHIVE_MEMBERS:
                raise FixtureFileError(path, f"holds more than {MAX_ARCHIVE_MEMBERS} files")
            try:
                member = package.getinfo(DESCRIPTION)
            except KeyError:
                raise FixtureFileError(path, f"has no {DESCRIPTION}") from None
            if member.file_size > MAX_DESCRIPTION_BYTES:
                raise FixtureFileError(path, f"{DESCRIPTION} is larger than {MAX_DESCRIPTION_BYTES} bytes")
            with package.open(member) as file:
                data = file.read(MAX_DESCRIPTION_BYTES + 1)
    except (zipfile.BadZipFile, zlib.error, EOFError, RuntimeError, NotImplementedError, OSError) as error:
        raise FixtureFileError(path, f"is not a readable GDTF archive ({error})") from None
    if len(data) > MAX_DESCRIPTION_BYTES:
        raise FixtureFileError(path, f"{DESCRIPTION} is larger than {MAX_DESCRIPTION_BYTES} bytes")
    if b"<!DOCTYPE" in data:
        raise FixtureFileError(path, f"{DESCRIPTION} declares a DTD")
    return data


def parsed_description(path, description: bytes):
    try:
        import pygdtf
    except ImportError:
        raise FixtureFileError(path, "reading GDTF needs the pygdtf package (pip install 'kinemorphs[show]')") from None
    try:
        root = ElementTree.fromstring(description)
    except ElementTree.ParseError as error:
        raise FixtureFileError(path, f"{DESCRIPTION} is not well-formed XML ({error})") from None
    if root.find("FixtureType") is None:
        raise FixtureFileError(path, f"{DESCRIPTION} has no FixtureType")
    try:
        # dsc_file is annotated as a path, but ElementTree.parse takes the file object it is handed.
        return pygdtf.FixtureType(dsc_file=io.BytesIO(description))  # type: ignore[arg-type]
    except Exception as error:  # pygdtf trusts its input; any failure on a hostile file is the file's fault
        raise FixtureFileError(path, f"{DESCRIPTION} cannot be read ({type(error).__name__}: {error})") from None


def fixture_type_of_mode(path, gdtf, dmx_mode) -> FixtureType:
    where = f"mode {dmx_mode.name!r}"
    channels = [channel for channel in dmx_mode.dmx_channels if channel.offset]
    breaks = sorted({channel.dmx_break for channel in channels} - {1}, key=str)
    if breaks:
        raise FixtureFileError(path, f"{where} uses DMX break {breaks[0]}; only single-break modes are read")
    by_attribute: dict[str, object] = {}
    for channel in sorted(channels, key=lambda c: c.offset[0]):
        by_attribute.setdefault(channel_attribute(channel), channel)

    def required(attribute):
        if attribute not in by_attribute:
            raise FixtureFileError(path, f"{where} has no {attribute} channel")
        return by_attribute[attribute]

    pan, pan_speed = axis(path, where, required("Pan"), "Pan")
    tilt, tilt_speed = axis(path, where, required("Tilt"), "Tilt")
    speeds = [speed for speed in (pan_speed, tilt_speed) if speed]
    the_dimmer, the_shutter = dimmer(by_attribute.get("Dimmer")), shutter(path, where, by_attribute)
    colour = mixing(by_attribute) or wheel(path, where, gdtf, by_attribute)
    try:
        return FixtureType(
            name=f"{gdtf.name or 'GDTF'} ({dmx_mode.name})",
            channel_count=max(offset for channel in channels for offset in channel.offset),
            pan=pan, tilt=tilt, max_speed_deg_s=min(speeds) if speeds else DEFAULT_MAX_SPEED_DEG_S,
            dimmer=the_dimmer, shutter=the_shutter, colour=colour)
    except ValueError as error:  # a channel outside the mode, or a mode wider than a universe
        raise FixtureFileError(path, f"{where}: {error}") from None


def channel_attribute(channel) -> str:
    return str(channel.logical_channels[0].attribute.str_link)


def control(channel) -> Control:
    return Control(channel.offset[0], channel.offset[1] if len(channel.offset) > 1 else 0)


def functions(channel):
    return [function for logical in channel.logical_channels for function in logical.channel_functions]


def dmx_range(channel, item) -> tuple[int, int]:
    """An item's DMXFrom..DMXTo in the control's resolution (one or two bytes)."""
    size = 2 if control(channel).fine else 1
    return (resolution_value(item.dmx_from.value, item.dmx_from.byte_count, size),
            resolution_value(item.dmx_to.value, item.dmx_to.byte_count, size))


def axis(path, where, channel, attribute) -> tuple[Axis, float]:
    function = next((f for f in functions(channel) if str(f.attribute.str_link) == attribute), None)
    low, high = dmx_range(channel, function) if function else (0, 0)
    if function is None or high <= low or function.physical_from.value == function.physical_to.value:
        raise FixtureFileError(path, f"{where}: the {attribute} channel gives no angle range")
    span_deg = abs(function.physical_to.value - function.physical_from.value)
    axis_control = control(channel)
    travel = span_deg * axis_control.full_scale / (high - low)
    speed = span_deg / function.real_fade if function.real_fade and function.real_fade > 0 else 0.0
    return Axis(axis_control, travel), speed


def dimmer(channel) -> Dimmer | None:
    if channel is None:
        return None
    function = next((f for f in functions(channel) if str(f.attribute.str_link) == "Dimmer"), None)
    if function is None:
        return None
    low, high = dmx_range(channel, function)
    if (function.physical_from.value or 0) > (function.physical_to.value or 0):
        low, high = high, low
    return Dimmer(control(channel), low, high)


def middle(low: int, high: int) -> int:
    return (low + high) // 2


def named_value(channel, names) -> int | None:
    """The middle of the first channel function or channel set with one of names."""
    for function in functions(channel):
        if (function.name or "").strip().lower() in names:
            return middle(*dmx_range(channel, function))
        for channel_set in function.channel_sets:
            if (channel_set.name or "").strip().lower() in names:
                return middle(*dmx_range(channel, channel_set))
    return None


def shutter(path, where, by_attribute) -> Shutter | None:
    name = next((a for a in by_attribute if SHUTTER_ATTRIBUTE.fullmatch(a)), None)
    if name is None:
        return None
    channel = by_attribute[name]
    open_value = named_value(channel, OPEN_NAMES)
    if open_value is None:
        raise FixtureFileError(path, f"{where}: the {name} channel has no function or channel set named Open")
    return Shutter(control(channel), open_value, named_value(channel, CLOSED_NAMES))


def mixing(by_attribute) -> ColourMixing | None:
    for red, green, blue, white in MIXING_ATTRIBUTES:
        if all(a in by_attribute for a in (red, green, blue)):
            return ColourMixing(control(by_attribute[red]), control(by_attribute[green]), control(by_attribute[blue]),
                                control(by_attribute[white]) if white in by_attribute else None)
    return None


def wheel(path, where, gdtf, by_attribute) -> ColourWheel | None:
    wheels = {w.name: w for w in gdtf.wheels}
    for attribute, channel in by_attribute.items():
        if not WHEEL_ATTRIBUTE.fullmatch(attribute):
            continue
        for function in functions(channel):
            wheel_name = function.wheel.str_link if function.wheel else None
            if not wheel_name:
                continue
            if wheel_name not in wheels:
                raise FixtureFileError(path, f"{where}: the {attribute} channel names a missing wheel {wheel_name!r}")
            slots = wheels[wheel_name].wheel_slots
            found: dict[str, WheelSlot] = {}
            for channel_set in function.channel_sets:
                index = channel_set.wheel_slot_index
                if not 1 <= index <= len(slots):
                    continue
                slot = slots[index - 1]
                name = (channel_set.name or slot.name or f"Slot {index}").strip()
                colour = slot.color
                found.setdefault(name, WheelSlot(name, middle(*dmx_range(channel, channel_set)),
                                                 rgb_from_cie(colour.x, colour.y) if colour else None))
            if found:
                return ColourWheel(control(channel), tuple(found.values()))
    return None


# CIE XYZ (D65) to linear sRGB.
XYZ_TO_LINEAR_SRGB = ((3.2406, -1.5372, -0.4986), (-0.9689, 1.8758, 0.0415), (0.0557, -0.2040, 1.0570))


def rgb_from_cie(x: float, y: float) -> tuple[int, int, int] | None:
    """The chromaticity's sRGB colour at full brightness (its brightest channel 255), for
    matching a requested colour to the nearest slot; None for a degenerate chromaticity."""
    if not (x > 0 and y > 0 and x + y < 1):
        return None
    xyz = (x / y, 1.0, (1 - x - y) / y)
    linear = [max(0.0, sum(m * v for m, v in zip(row, xyz))) for row in XYZ_TO_LINEAR_SRGB]
    peak = max(linear)
    if peak <= 0:
        return None

    def encoded(value: float) -> int:
        value /= peak
        value = 12.92 * value if value <= 0.0031308 else 1.055 * value ** (1 / 2.4) - 0.055
        return round(value * 255)

    return encoded(linear[0]), encoded(linear[1]), encoded(linear[2])
