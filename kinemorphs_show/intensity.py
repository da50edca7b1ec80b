"""Intensity for a cue (0-100 %) and going dark, as a fixture type's dimmer and shutter values.

A type without a dimmer shows any intensity above 0 at full with the shutter open; a type with
neither dimmer nor shutter takes no intensity channels at all. Dark is the shutter closed and
the dimmer at off, whichever of them the type has (a shutter that cannot close is left alone).
"""

import math

from kinemorphs_show.fixture_type import FixtureType

FULL_PERCENT = 100.0


def intensity_channels(fixture_type: FixtureType, percent: float) -> dict[int, int]:
    """Relative channel -> DMX value for the intensity (clamped to 0-100; NaN is dark)."""
    if math.isnan(percent) or percent <= 0.0:
        return dark_channels(fixture_type)
    fraction = min(percent, FULL_PERCENT) / FULL_PERCENT
    values: dict[int, int] = {}
    if fixture_type.shutter is not None:
        values.update(fixture_type.shutter.control.channel_values(fixture_type.shutter.open_value))
    if fixture_type.dimmer is not None:
        dimmer = fixture_type.dimmer
        values.update(dimmer.control.channel_values(
            round(dimmer.off_value + (dimmer.full_value - dimmer.off_value) * fraction)))
    return values


def dark_channels(fixture_type: FixtureType) -> dict[int, int]:
    values: dict[int, int] = {}
    shutter = fixture_type.shutter
    if shutter is not None and shutter.closed_value is not None:
        values.update(shutter.control.channel_values(shutter.closed_value))
    if fixture_type.dimmer is not None:
        values.update(fixture_type.dimmer.control.channel_values(fixture_type.dimmer.off_value))
    return values


def can_go_dark(fixture_type: FixtureType) -> bool:
    """Whether the type has a dimmer or a closing shutter (check warns for a show that asks for
    dark or intensity on one that has neither)."""
    shutter = fixture_type.shutter
    return fixture_type.dimmer is not None or (shutter is not None and shutter.closed_value is not None)
