import math
from dataclasses import replace
from pathlib import Path

import pytest

from kinemorphs_show.colour import ColourError, colour_channels, colour_request, faded_colour_channels
from kinemorphs_show.fixture_files import read_gdtf, read_ofl
from kinemorphs_show.fixture_type import ColourMixing, Control, Shutter, from_profile
from kinemorphs_show.intensity import can_go_dark, dark_channels, intensity_channels
from kinemorphs_show.rig import GENERIC_16BIT

DATA = Path(__file__).parent / "data" / "fixtures"
SPOT = read_gdtf(DATA / "testhead_spot.gdtf", "Standard")        # 16-bit dimmer on 5/6, shutter 7, wheel 8
WASH = read_ofl(DATA / "testwash_hybrid.json", "12ch")           # dimmer 6, shutter 7, RGBW 8-11
WHEEL_WASH = read_ofl(DATA / "testwash_hybrid.json", "Wheel")    # dimmer 3, no shutter, wheel 4
GENERIC = from_profile(GENERIC_16BIT)
SHUTTER_ONLY = replace(GENERIC, channel_count=5, shutter=Shutter(Control(5), open_value=255))


@pytest.mark.parametrize("fixture_type, percent, expected", [
    (SPOT, 100.0, {5: 255, 6: 255, 7: 47}),
    (SPOT, 50.0, {5: 0x80, 6: 0x00, 7: 47}),        # 32767.5 rounds to 32768
    (SPOT, 0.0, {5: 0, 6: 0, 7: 15}),
    (SPOT, math.nan, {5: 0, 6: 0, 7: 15}),
    (WASH, 150.0, {6: 255, 7: 11}),
    (WASH, 10.0, {6: 26, 7: 11}),
    (WASH, -5.0, {6: 0, 7: 3}),
    (WHEEL_WASH, 100.0, {3: 255}),
    (GENERIC, 100.0, {}),
    (SHUTTER_ONLY, 40.0, {5: 255}),
    (SHUTTER_ONLY, 0.0, {}),                         # cannot close: left alone, and check is told
])
def test_intensity_drives_dimmer_and_shutter(fixture_type, percent, expected):
    assert intensity_channels(fixture_type, percent) == expected


def test_dark_is_shutter_closed_and_dimmer_off_where_the_type_can():
    assert dark_channels(SPOT) == {5: 0, 6: 0, 7: 15}
    assert [can_go_dark(t) for t in (SPOT, WASH, WHEEL_WASH, GENERIC, SHUTTER_ONLY)] == [True, True, True, False, False]


RGB_ONLY = replace(WASH, colour=replace(WASH.colour, white=None))
FINE_RGB = replace(WASH, channel_count=13, colour=ColourMixing(Control(8, 9), Control(10, 11), Control(12, 13)))


@pytest.mark.parametrize("fixture_type, colour, expected", [
    (WASH, "#ff8000", {8: 255, 9: 128, 10: 0, 11: 0}),
    (WASH, "White", {8: 0, 9: 0, 10: 0, 11: 255}),
    (WASH, "pink", {8: 150, 9: 0, 10: 75, 11: 105}),   # the shared 105 moves to white
    (RGB_ONLY, "pink", {8: 255, 9: 105, 10: 180}),
    (FINE_RGB, "#ff0080", {8: 255, 9: 255, 10: 0, 11: 0, 12: 128, 13: 128}),
    (SPOT, "blue", {8: 39}),                             # a slot by name
    (SPOT, "deep-RED", {8: 23}),                         # names match ignoring case and punctuation
    (SPOT, "red", {8: 23}),                              # no slot called red: the nearest colour
    (SPOT, "#10ee20", {8: 55}),
    (WHEEL_WASH, "Lavender", {4: 24}),
    (WHEEL_WASH, "#00ff00", {4: 34}),
    (GENERIC, "red", {}),                                # no colour channels: nothing to send
])
def test_colours_become_the_types_channel_values(fixture_type, colour, expected):
    assert colour_channels(fixture_type, colour_request(colour)) == expected


@pytest.mark.parametrize("fixture_type, colour, message", [
    (SPOT, "Gobo 3", "no slot 'Gobo 3' (slots: Open, Deep Red, Blue, Green)"),
    (WASH, "Congo", "mixes colour: 'Congo' is neither a colour name"),
    (WASH, "#12345", "'#12345' is not #rrggbb"),
    (WASH, "  ", "a colour needs a name"),
])
def test_a_colour_the_type_cannot_show_is_a_clear_error(fixture_type, colour, message):
    with pytest.raises(ColourError, match=message.replace("(", r"\(").replace(")", r"\)")):
        colour_channels(fixture_type, colour_request(colour))


def test_crossfades_mix_through_rgb_and_switch_wheel_slots_half_way():
    red, blue = colour_request("red"), colour_request("blue")
    assert faded_colour_channels(WASH, red, blue, 0.5) == {8: 128, 9: 0, 10: 128, 11: 0}
    assert faded_colour_channels(SPOT, red, blue, 0.49) == {8: 23}
    assert faded_colour_channels(SPOT, red, blue, 0.5) == {8: 39}
