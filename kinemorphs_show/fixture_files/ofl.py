"""Open Fixture Library fixture definitions (.json), as its fixture format documents them.

What is read, for the chosen mode (matched by `name` or `shortName`):
- the channel count: the length of the mode's `channels` list (null entries hold a place;
  matrix channel insert blocks are refused);
- each listed key resolved against `availableChannels`, a fine channel through its coarse
  channel's `fineChannelAliases` (the first alias is the fine byte; further ones are left
  alone); keys of switching channels hold their place but are not used;
- capabilities (`capability`, or `capabilities` with `dmxRange`), their DMX values in the
  channel's `dmxValueResolution` (by default its finest one), widened or narrowed to the mode's:
  - Pan / Tilt: `angleStart`/`angleEnd` in deg; a capability covering part of the DMX range is
    extended linearly to the whole range;
  - Intensity: its range is off..full (reversed when `brightnessStart` is the brighter end);
  - ShutterStrobe with `shutterEffect` Open / Closed: the middle of that range;
  - ColorIntensity with `color` Red, Green, Blue (and White): the mixing channels;
  - WheelSlot with a whole `slotNumber`: one slot of the `wheels` entry the capability names
    (by default the channel's name), valued at the middle of its range, named by the slot's
    `name` (Open for an open slot), coloured by its first `colors` entry.
Everything else (physical data, matrices, templates, RDM, other capability types) is not read.
The first channel of each kind in the mode wins. OFL has no speed figure: the default is used.
"""

import json
import re
from os import PathLike

from kinemorphs_show.fixture_files.bounded_read import read_regular_file
from kinemorphs_show.fixture_files.errors import FixtureFileError, chosen_mode
from kinemorphs_show.fixture_type import (
    Axis, ColourMixing, ColourWheel, Control, Dimmer, FixtureType, Shutter, WheelSlot, resolution_value,
)

MAX_OFL_FILE_BYTES = 4 * 1024 * 1024
RESOLUTION_BYTES = {"8bit": 1, "16bit": 2, "24bit": 3}
ANGLE = re.compile(r"(-?\d+(?:\.\d+)?)deg")
PERCENT = re.compile(r"(-?\d+(?:\.\d+)?)%")
BRIGHTNESS_KEYWORDS = {"off": 0.0, "dark": 1.0, "bright": 100.0}
HEX_COLOUR = re.compile(r"#([0-9a-fA-F]{6})")


def read_ofl(path: str | PathLike, mode: str | None = None) -> FixtureType:
    try:
        document = json.loads(read_regular_file(path, MAX_OFL_FILE_BYTES))
    except (ValueError, RecursionError) as error:
        raise FixtureFileError(path, f"is not valid JSON ({error})") from None
    if not isinstance(document, dict):
        raise FixtureFileError(path, "is not an OFL fixture (no top-level object)")
    available = document.get("availableChannels")
    modes = document.get("modes")
    if not isinstance(available, dict) or not available:
        raise FixtureFileError(path, "has no availableChannels")
    if not isinstance(modes, list) or not modes or not all(isinstance(m, dict) for m in modes):
        raise FixtureFileError(path, "has no modes")
    names = [tuple(str(m[key]) for key in ("name", "shortName") if key in m) or ("",) for m in modes]
    chosen = modes[chosen_mode(path, names, mode)]
    return ModeReader(path, document, chosen).fixture_type()


class ModeReader:
    """One mode of one OFL document: which channel key sits on which channel number."""

    def __init__(self, path, document: dict, mode: dict):
        self.path = path
        self.where = f"mode {str(mode.get('name', ''))!r}"
        self.name = f"{document.get('name', 'OFL')} ({mode.get('name', '')})"
        self.available: dict = document["availableChannels"]
        wheels = document.get("wheels", {})
        self.wheels: dict = wheels if isinstance(wheels, dict) else {}
        listed = mode.get("channels")
        if not isinstance(listed, list) or not listed:
            raise self.error("lists no channels")
        fine_aliases = {}
        for key, channel in self.available.items():
            if not isinstance(channel, dict):
                raise FixtureFileError(path, f"availableChannels.{key} is not an object")
            aliases = channel.get("fineChannelAliases", [])
            if not isinstance(aliases, list) or not all(isinstance(a, str) for a in aliases):
                raise FixtureFileError(path, f"availableChannels.{key}.fineChannelAliases is not a list of names")
            for level, alias in enumerate(aliases, start=1):
                fine_aliases[alias] = (key, level)
        self.coarse: dict[str, int] = {}     # channel key -> channel number, in mode order
        self.fine: dict[str, int] = {}       # channel key -> its first fine channel's number
        for number, key in enumerate(listed, start=1):
            if isinstance(key, dict):
                raise self.error("uses a matrix channel block, which is not read")
            if key is None:
                continue
            if not isinstance(key, str):
                raise self.error(f"lists {key!r} as a channel")
            if key in self.available:
                self.coarse.setdefault(key, number)
            elif key in fine_aliases and fine_aliases[key][1] == 1:
                self.fine.setdefault(fine_aliases[key][0], number)
        self.channel_count = len(listed)

    def error(self, problem: str) -> FixtureFileError:
        return FixtureFileError(self.path, f"{self.where} {problem}")

    def fixture_type(self) -> FixtureType:
        pan, tilt = self.axis("Pan"), self.axis("Tilt")
        dimmer, shutter, colour = self.dimmer(), self.shutter(), self.mixing() or self.wheel()
        try:
            return FixtureType(self.name, self.channel_count, pan, tilt, dimmer=dimmer, shutter=shutter, colour=colour)
        except ValueError as error:  # a channel outside the mode, or a mode wider than a universe
            raise FixtureFileError(self.path, f"{self.where}: {error}") from None

    def control(self, key: str) -> Control:
        return Control(self.coarse[key], self.fine.get(key, 0))

    def capabilities(self, key: str) -> list[tuple[int, int, dict]]:
        """The channel's capabilities as (low, high, capability), values in the mode's resolution."""
        channel = self.available[key]
        resolution = channel.get("dmxValueResolution")
        own_bytes = RESOLUTION_BYTES.get(resolution if isinstance(resolution, str) else "",
                                         1 + len(channel.get("fineChannelAliases", [])))
        mode_bytes = 2 if key in self.fine else 1
        full = self.control(key).full_scale
        if isinstance(channel.get("capability"), dict):
            return [(0, full, channel["capability"])]
        listed = channel.get("capabilities")
        if not isinstance(listed, list):
            raise FixtureFileError(self.path, f"availableChannels.{key} has neither capability nor capabilities")
        found = []
        for capability in listed:
            dmx = capability.get("dmxRange") if isinstance(capability, dict) else None
            if not (isinstance(dmx, list) and len(dmx) == 2 and all(isinstance(v, int) and v >= 0 for v in dmx)):
                raise FixtureFileError(self.path, f"availableChannels.{key}: a capability has no valid dmxRange")
            low, high = (min(resolution_value(v, own_bytes, mode_bytes), full) for v in dmx)
            found.append((low, high, capability))
        return found

    def first(self, *types: str, where=lambda capability: True):
        """The first (key, low, high, capability) in mode order whose type is one of types."""
        for key in self.coarse:
            for low, high, capability in self.capabilities(key):
                if capability.get("type") in types and where(capability):
                    return key, low, high, capability
        return None

    def axis(self, kind: str) -> Axis:
        found = self.first(kind, where=lambda c: "angleStart" in c and "angleEnd" in c)
        if found is None:
            raise self.error(f"has no {kind} channel with angleStart and angleEnd")
        key, low, high, capability = found
        start, end = (self.angle(capability[field], kind) for field in ("angleStart", "angleEnd"))
        if high <= low or start == end:
            raise self.error(f"gives no {kind} angle range")
        control = self.control(key)
        return Axis(control, abs(end - start) * control.full_scale / (high - low))

    def angle(self, value, kind: str) -> float:
        match = ANGLE.fullmatch(str(value).strip())
        if not match:
            raise self.error(f"gives the {kind} angle as {value!r}; only degrees (e.g. \"540deg\") are read")
        return float(match.group(1))

    def dimmer(self) -> Dimmer | None:
        found = self.first("Intensity")
        if found is None:
            return None
        key, low, high, capability = found
        if brightness(capability.get("brightnessStart"), 0.0) > brightness(capability.get("brightnessEnd"), 100.0):
            low, high = high, low
        return Dimmer(self.control(key), low, high)

    def shutter(self) -> Shutter | None:
        found = self.first("ShutterStrobe", where=lambda c: c.get("shutterEffect") == "Open")
        if found is None:
            return None
        key, low, high, _ = found
        closed = next(((lo + hi) // 2 for lo, hi, c in self.capabilities(key)
                       if c.get("type") == "ShutterStrobe" and c.get("shutterEffect") == "Closed"), None)
        return Shutter(self.control(key), (low + high) // 2, closed)

    def mixing(self) -> ColourMixing | None:
        emitters: dict[str, Control] = {}
        for key in self.coarse:
            for _, _, capability in self.capabilities(key):
                if capability.get("type") == "ColorIntensity":
                    emitters.setdefault(str(capability.get("color")), self.control(key))
        if not all(colour in emitters for colour in ("Red", "Green", "Blue")):
            return None
        return ColourMixing(emitters["Red"], emitters["Green"], emitters["Blue"], emitters.get("White"))

    def wheel(self) -> ColourWheel | None:
        for key in self.coarse:
            channel_name = self.available[key].get("name", key)
            slots: dict[str, WheelSlot] = {}
            for low, high, capability in self.capabilities(key):
                number = capability.get("slotNumber")
                if capability.get("type") != "WheelSlot" or not isinstance(number, int):
                    continue
                named_wheel = self.wheels.get(str(capability.get("wheel", channel_name)))
                wheel_slots = named_wheel.get("slots") if isinstance(named_wheel, dict) else None
                if not isinstance(wheel_slots, list) or not 1 <= number <= len(wheel_slots) \
                        or not isinstance(wheel_slots[number - 1], dict):
                    continue
                slot = wheel_slots[number - 1]
                if slot.get("type") not in ("Open", "Color"):
                    continue
                rgb = slot_rgb(slot)
                name = str(slot.get("name") or ("Open" if slot.get("type") == "Open" else
                                                "#%02x%02x%02x" % rgb if rgb else f"Slot {number}"))
                slots.setdefault(name, WheelSlot(name, (low + high) // 2, rgb))
            if slots:
                return ColourWheel(self.control(key), tuple(slots.values()))
        return None


def brightness(value, default: float) -> float:
    if value is None:
        return default
    text = str(value).strip()
    if text in BRIGHTNESS_KEYWORDS:
        return BRIGHTNESS_KEYWORDS[text]
    match = PERCENT.fullmatch(text)
    return float(match.group(1)) if match else default


def slot_rgb(slot: dict) -> tuple[int, int, int] | None:
    if slot.get("type") == "Open":
        return (255, 255, 255)
    colours = slot.get("colors")
    match = HEX_COLOUR.fullmatch(str(colours[0])) if isinstance(colours, list) and colours else None
    if not match:
        return None
    value = int(match.group(1), 16)
    return (value >> 16, (value >> 8) & 0xFF, value & 0xFF)
