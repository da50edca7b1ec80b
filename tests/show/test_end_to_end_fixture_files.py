"""A show of two imported fixture types (a GDTF spot of 8 channels, an OFL RGBW wash of 12) aiming
at one point with intensity and colour, received over Art-Net by OLA's olad: every byte lands
on the channel its file says, then home, then dark."""

import shutil
import time

import pytest

from end_to_end_receiver import ola_unavailable_reason, olad_artnet_receiver, read_recording
from kinemorphs_show.run.command import run_command

from show_builders import write_show

DATA = __import__("pathlib").Path(__file__).parent / "data" / "fixtures"
SPOT_ADDRESS, WASH_ADDRESS = 1, 20

SHOW = f"""\
[show]
bpm = 120
frame_rate = 30

[profiles.spot]
gdtf = "testhead_spot.gdtf"
mode = "Standard"

[profiles.wash]
ofl = "testwash_hybrid.json"
mode = "12-channel"
max_speed = 300

[[fixtures]]
name = "spot"
profile = "spot"
address = {SPOT_ADDRESS}
position = [0, -5, 5]       # 5 m downstage of the point, 5 m up: tilt 45°, pan 0
orientation = "inverted"

[[fixtures]]
name = "wash"
profile = "wash"
address = {WASH_ADDRESS}
position = [5, 0, 5]        # 5 m stage right of it: pan 90° (hung: towards -across), tilt 45°
orientation = "inverted"

[[cues]]
name = "point"
pattern = "circle"
mode = "aim"
centre = [0, 0, 0]
size_m = [0, 0, 0]
intensity = 80
colour = "blue"
"""


def sixteen_bit(angle: float, travel: float) -> list[int]:
    value = round((angle / travel + 0.5) * 65535)
    return [value >> 8, value & 0xFF]


def universe(spot: list[int], wash: list[int]) -> bytes:
    values = bytearray(512)
    values[SPOT_ADDRESS - 1:SPOT_ADDRESS - 1 + len(spot)] = bytes(spot)
    values[WASH_ADDRESS - 1:WASH_ADDRESS - 1 + len(wash)] = bytes(wash)
    return bytes(values)


# Spot (GDTF "Standard"): pan 1-2 (540°), tilt 3-4 (270°), dimmer 5-6 (16 bit), shutter 7 (open 47,
# closed 15), colour wheel 8 (slot "Blue" 39). Wash (OFL "12-channel"): pan 1-2 (540°), tilt 3-4
# (255°), 5 unused, dimmer 6, shutter 7 (open 11, closed 3), red, green, blue, white 8-11, 12 unused.
SPOT_LIGHT, SPOT_DARK = [204, 204, 47, 39], [0, 0, 15, 39]     # 80 % of 65535 is 52428 = 204, 204
WASH_LIGHT, WASH_DARK = [0, 204, 11, 0, 0, 255, 0, 0], [0, 0, 3, 0, 0, 255, 0, 0]
AIMED = universe(sixteen_bit(0, 540) + sixteen_bit(45, 270) + SPOT_LIGHT,
                 sixteen_bit(90, 540) + sixteen_bit(45, 255) + WASH_LIGHT)
HOME = universe(sixteen_bit(0, 540) + sixteen_bit(0, 270) + SPOT_LIGHT,
                sixteen_bit(0, 540) + sixteen_bit(0, 255) + WASH_LIGHT)
DARK = universe(sixteen_bit(0, 540) + sixteen_bit(0, 270) + SPOT_DARK,
                sixteen_bit(0, 540) + sixteen_bit(0, 255) + WASH_DARK)


@pytest.mark.skipif(ola_unavailable_reason() is not None, reason=str(ola_unavailable_reason()))
def test_imported_profiles_reach_olad_on_their_channels_then_home_then_dark(tmp_path):
    for name in ("testhead_spot.gdtf", "testwash_hybrid.json"):
        shutil.copy(DATA / name, tmp_path / name)
    show = write_show(tmp_path, SHOW)
    with olad_artnet_receiver((1,), tmp_path) as ola:
        code = run_command(str(show), 1.0, None, ["artnet://127.0.0.1"])
        time.sleep(0.2)     # let olad hand the last packets to the recorder
    received = [frame.values for frame in read_recording(ola.recording) if frame.universe == 1]
    assert code == 0
    assert received[0] == AIMED and set(received[:-2]) == {AIMED}
    assert received[-2:] == [HOME, DARK]
