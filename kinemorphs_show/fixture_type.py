"""A fixture type: which channels of one DMX mode move, dim, shutter and colour the beam.

Channels are 1-based and relative to the fixture's address, as in rig.Profile;
a fine channel of 0 means the control is 8-bit. DMX values are in the
control's own resolution (0..255 for 8 bits, 0..65535 with a fine channel).

rig.Profile maps onto this exactly (from_profile): its pan/tilt channels and
travel become the two axes, its channel count and speed carry over, and it
has no dimmer, shutter or colour. FixtureType also answers Profile's field
names (pan_channel, tilt_travel_deg, ...), so mapping.fixture_channels writes
pan and tilt for either one byte for byte.
"""

from dataclasses import dataclass

from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE, Profile

FULL_8_BIT = 255
FULL_16_BIT = 65535
MAX_VALUE_BYTES = 4


@dataclass(frozen=True)
class Control:
    """One controllable value on one or two channels (coarse, then fine)."""

    coarse: int
    fine: int = 0

    @property
    def full_scale(self) -> int:
        return FULL_16_BIT if self.fine else FULL_8_BIT

    def channel_values(self, value: int) -> dict[int, int]:
        """The relative channels and bytes that carry value (clamped to the full scale)."""
        value = min(max(int(value), 0), self.full_scale)
        if self.fine:
            return {self.coarse: value >> 8, self.fine: value & 0xFF}
        return {self.coarse: value}

    @property
    def channels(self) -> tuple[int, ...]:
        return (self.coarse, self.fine) if self.fine else (self.coarse,)


@dataclass(frozen=True)
class Axis:
    """Pan or tilt: DMX 0 and full scale are the two ends of travel_deg, its middle the centre."""

    control: Control
    travel_deg: float


@dataclass(frozen=True)
class Dimmer:
    """Intensity: off_value gives no light, full_value all of it, linearly between."""

    control: Control
    off_value: int
    full_value: int


@dataclass(frozen=True)
class Shutter:
    """The shutter's open and closed values; closed_value None when the type has no closed
    state (then only the dimmer can make it dark)."""

    control: Control
    open_value: int
    closed_value: int | None = None


@dataclass(frozen=True)
class ColourMixing:
    """Additive mixing channels, each 0 (none) to full scale (all of that emitter)."""

    red: Control
    green: Control
    blue: Control
    white: Control | None = None


@dataclass(frozen=True)
class WheelSlot:
    name: str
    value: int                                # the DMX value that selects the slot
    rgb: tuple[int, int, int] | None = None   # its colour, when the file says (for nearest-colour choice)


@dataclass(frozen=True)
class ColourWheel:
    control: Control
    slots: tuple[WheelSlot, ...]


Colour = ColourMixing | ColourWheel | None

# Without a speed in the file, the generic head's figure.
DEFAULT_MAX_SPEED_DEG_S = 360.0


@dataclass(frozen=True)
class FixtureType:
    """One mode of one fixture type."""

    name: str
    channel_count: int
    pan: Axis
    tilt: Axis
    max_speed_deg_s: float = DEFAULT_MAX_SPEED_DEG_S
    dimmer: Dimmer | None = None
    shutter: Shutter | None = None
    colour: Colour = None

    def __post_init__(self):
        if not 1 <= self.channel_count <= DMX_CHANNELS_PER_UNIVERSE:
            raise ValueError(f"a mode of {self.channel_count} channels does not fit a DMX universe")
        outside = [channel for channel in self.used_channels if not 1 <= channel <= self.channel_count]
        if outside:
            raise ValueError(f"channel {outside[0]} lies outside the mode's {self.channel_count} channels")

    # Profile's field names, so code written against Profile reads a FixtureType too.
    @property
    def pan_channel(self) -> int:
        return self.pan.control.coarse

    @property
    def pan_fine_channel(self) -> int:
        return self.pan.control.fine

    @property
    def tilt_channel(self) -> int:
        return self.tilt.control.coarse

    @property
    def tilt_fine_channel(self) -> int:
        return self.tilt.control.fine

    @property
    def pan_travel_deg(self) -> float:
        return self.pan.travel_deg

    @property
    def tilt_travel_deg(self) -> float:
        return self.tilt.travel_deg

    @property
    def used_channels(self) -> tuple[int, ...]:
        """Every relative channel the type drives, in no particular order."""
        controls = [self.pan.control, self.tilt.control]
        if self.dimmer:
            controls.append(self.dimmer.control)
        if self.shutter:
            controls.append(self.shutter.control)
        if isinstance(self.colour, ColourMixing):
            controls += [c for c in (self.colour.red, self.colour.green, self.colour.blue, self.colour.white) if c]
        elif isinstance(self.colour, ColourWheel):
            controls.append(self.colour.control)
        return tuple(channel for control in controls for channel in control.channels)


def from_profile(profile: Profile) -> FixtureType:
    """The fixture type a built-in or show-file profile stands for."""
    return FixtureType(
        name=profile.name,
        channel_count=profile.channel_count,
        pan=Axis(Control(profile.pan_channel, profile.pan_fine_channel), profile.pan_travel_deg),
        tilt=Axis(Control(profile.tilt_channel, profile.tilt_fine_channel), profile.tilt_travel_deg),
        max_speed_deg_s=profile.max_speed_deg_s,
    )


def resolution_value(value: int, from_bytes: int, to_bytes: int) -> int:
    """A DMX value given in from_bytes bytes, in to_bytes bytes. Widening repeats the value's
    bytes (byte mirroring: 255 in 8 bits is 65535 in 16, 128 is 0x8080), as GDTF and OFL both
    mean a coarse value on a fine channel; narrowing keeps the high bytes. Sizes outside 1..4
    bytes (DMX values never need more) and values outside their size are clamped."""
    from_bytes = min(max(from_bytes, 1), MAX_VALUE_BYTES)
    value = min(max(value, 0), (1 << (8 * from_bytes)) - 1)
    if to_bytes <= from_bytes:
        return value >> (8 * (from_bytes - to_bytes))
    result = value
    source = value.to_bytes(from_bytes, "big")
    for index in range(to_bytes - from_bytes):
        result = (result << 8) | source[index % from_bytes]
    return result
