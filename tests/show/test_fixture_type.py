from dataclasses import replace

import pytest

from kinemorphs_show.fixture_type import Control, from_profile, resolution_value
from kinemorphs_show.mapping import Aim, fixture_channels
from kinemorphs_show.rig import GENERIC_16BIT, Fixture, Profile

EIGHT_BIT_HEAD = Profile("eight", pan_channel=3, pan_fine_channel=0, tilt_channel=1, tilt_fine_channel=0,
                         channel_count=6, pan_travel_deg=360.0, tilt_travel_deg=180.0, max_speed_deg_s=200.0)


@pytest.mark.parametrize("profile", [GENERIC_16BIT, EIGHT_BIT_HEAD])
@pytest.mark.parametrize("aim", [Aim(0.0, 0.0), Aim(-270.0, 135.0), Aim(123.4, -56.7), Aim(999.0, -999.0)])
def test_a_profile_as_fixture_type_writes_the_same_bytes(profile, aim):
    fixture = Fixture("a", profile, 1, 17, invert_pan=True, fixed_channels=((5, 40),))
    as_type = replace(fixture, profile=from_profile(profile))
    assert fixture_channels(as_type, aim) == fixture_channels(fixture, aim)
    assert from_profile(profile).max_speed_deg_s == profile.max_speed_deg_s


@pytest.mark.parametrize("value, from_bytes, to_bytes, expected", [
    (255, 1, 2, 65535), (128, 1, 2, 0x8080), (0, 1, 2, 0), (0x1234, 2, 1, 0x12), (77, 1, 1, 77),
    # Hostile files: values too big for their size, and sizes of 0 or thousands of bytes, are clamped.
    (70000, 1, 2, 65535), (-4, 1, 1, 0), (5, 0, 1, 5), (5, 99999, 1, 0),
])
def test_resolution_value_mirrors_bytes_when_widening(value, from_bytes, to_bytes, expected):
    assert resolution_value(value, from_bytes, to_bytes) == expected


def test_a_control_splits_and_clamps_its_value():
    assert Control(5, 6).channel_values(0x1234) == {5: 0x12, 6: 0x34}
    assert Control(5).channel_values(300) == {5: 255}
    assert Control(5, 6).channel_values(-3) == {5: 0, 6: 0}
