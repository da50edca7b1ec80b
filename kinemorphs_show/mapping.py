"""From a cue's displacement to a fixture's pan/tilt in degrees, its limits, and DMX values."""

import math
from dataclasses import dataclass

from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE, BoxLimits, ConeLimits, Fixture

FULL_16_BIT = 65535
FULL_8_BIT = 255
AXIS_TARGETS = ("pan", "tilt", "none", "intensity")  # or a fixture-relative channel number


@dataclass(frozen=True)
class AxisMapping:
    """Where each displacement axis goes: 'pan', 'tilt', 'none' or a channel number (1-based,
    relative to the fixture's address, sent as 8 bits with -1 → 0 and 1 → 255)."""

    x: str | int = "pan"
    y: str | int = "tilt"
    z: str | int = "none"


@dataclass(frozen=True)
class Aim:
    """What one fixture is asked to do: angles from its range centre and extra channel levels."""

    pan_deg: float
    tilt_deg: float
    channel_levels: tuple[tuple[int, float], ...] = ()  # (relative channel, 0..255)
    displacement: tuple[float, float, float] = (0.0, 0.0, 0.0)  # the cue's, before mapping
    size_scale: float = 1.0  # below 1 when the cue was made smaller so the fixture can follow it


def home_aim(fixture: Fixture) -> Aim:
    return Aim(*fixture.home_deg)


def aim_for(fixture: Fixture, axes: AxisMapping, size_deg: tuple[float, float],
            displacement: tuple[float, float, float], size_scale: float = 1.0) -> Aim:
    """The aim that puts a displacement in [-1, 1] around the fixture's home, size_deg × size_scale
    degrees of pan and tilt for a full displacement (the shape and centre whatever the scale)."""
    offsets = {"pan": 0.0, "tilt": 0.0}
    levels = []
    for target, value in zip((axes.x, axes.y, axes.z), displacement):
        if isinstance(target, int):
            levels.append((target, (value + 1) / 2 * FULL_8_BIT))
        elif target in offsets:
            offsets[target] += value
    pan, tilt = offsets["pan"] * (size_deg[0] * size_scale), offsets["tilt"] * (size_deg[1] * size_scale)
    if fixture.swap_pan_tilt:
        pan, tilt = tilt, pan
    return Aim(fixture.home_deg[0] + pan, fixture.home_deg[1] + tilt, tuple(levels), displacement, size_scale)


def blend_aims(start: Aim, end: Aim, weight: float) -> Aim:
    """Linear blend; channels only one side drives take that side's level."""
    def mix(a: float, b: float) -> float:
        return a + (b - a) * weight

    start_levels, end_levels = dict(start.channel_levels), dict(end.channel_levels)
    levels = {**start_levels, **end_levels}
    for channel in start_levels.keys() & end_levels.keys():
        levels[channel] = mix(start_levels[channel], end_levels[channel])
    displacement = tuple(mix(a, b) for a, b in zip(start.displacement, end.displacement))
    return Aim(mix(start.pan_deg, end.pan_deg), mix(start.tilt_deg, end.tilt_deg),
               tuple(sorted(levels.items())), displacement, mix(start.size_scale, end.size_scale))


def limit_aim(fixture: Fixture, aim: Aim) -> tuple[Aim, bool]:
    """Keep the aim inside the fixture's limits and travel; True when that changed it."""
    pan, tilt = aim.pan_deg, aim.tilt_deg
    limits = fixture.limits
    if isinstance(limits, ConeLimits):
        home_pan, home_tilt = fixture.home_deg
        d_pan, d_tilt = pan - home_pan, tilt - home_tilt
        # Not math.hypot: the array engine must reach the same bits with numpy.
        distance = math.sqrt(d_pan * d_pan + d_tilt * d_tilt)
        if distance > limits.radius_deg:
            scale = limits.radius_deg / distance
            pan, tilt = home_pan + (pan - home_pan) * scale, home_tilt + (tilt - home_tilt) * scale
    elif isinstance(limits, BoxLimits):
        pan, tilt = clamp(pan, *limits.pan), clamp(tilt, *limits.tilt)
    pan_half, tilt_half = fixture.profile.pan_travel_deg / 2, fixture.profile.tilt_travel_deg / 2
    pan, tilt = clamp(pan, -pan_half, pan_half), clamp(tilt, -tilt_half, tilt_half)
    if (pan, tilt) == (aim.pan_deg, aim.tilt_deg):
        return aim, False
    return with_angles(aim, pan, tilt), True


def with_angles(aim: Aim, pan_deg: float, tilt_deg: float) -> Aim:
    return Aim(pan_deg, tilt_deg, aim.channel_levels, aim.displacement, aim.size_scale)


def clamp(value: float, low: float, high: float) -> float:
    return min(high, max(low, value))


def dmx_value(angle_deg: float, travel_deg: float, full_scale: int, invert: bool) -> int:
    """An angle from the range centre as a DMX value over the whole travel (0 and full_scale
    at the two ends); invert mirrors it exactly (value + inverted == full_scale)."""
    value = round(clamp(angle_deg / travel_deg + 0.5, 0.0, 1.0) * full_scale)
    return full_scale - value if invert else value


def fixture_channels(fixture: Fixture, aim: Aim) -> dict[int, int]:
    """The fixture's DMX channel values keyed by absolute channel (1-based)."""
    profile = fixture.profile
    values: dict[int, int] = {}
    for angle, travel, coarse, fine, invert in (
        (aim.pan_deg, profile.pan_travel_deg, profile.pan_channel, profile.pan_fine_channel, fixture.invert_pan),
        (aim.tilt_deg, profile.tilt_travel_deg, profile.tilt_channel, profile.tilt_fine_channel, fixture.invert_tilt),
    ):
        if fine:
            value = dmx_value(angle, travel, FULL_16_BIT, invert)
            values[coarse], values[fine] = value >> 8, value & 0xFF
        else:
            values[coarse] = dmx_value(angle, travel, FULL_8_BIT, invert)
    for channel, level in (*fixture.fixed_channels, *aim.channel_levels):
        values[channel] = round(clamp(level, 0, FULL_8_BIT))
    return {fixture.address + channel - 1: value for channel, value in values.items()}


def universes_for(fixtures_and_aims, universe_numbers) -> dict[int, bytes]:
    """512 DMX bytes per universe with every fixture's channels written at its address."""
    buffers = {number: bytearray(DMX_CHANNELS_PER_UNIVERSE) for number in universe_numbers}
    for fixture, aim in fixtures_and_aims:
        buffer = buffers[fixture.universe]
        for channel, value in fixture_channels(fixture, aim).items():
            buffer[channel - 1] = value
    return {number: bytes(buffer) for number, buffer in buffers.items()}
