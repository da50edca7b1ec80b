import time

import kinemorphs
import pytest

from end_to_end_receiver import (
    assert_received_in_order, ola_unavailable_reason, olad_artnet_receiver, plugins_started, read_recording,
)
from kinemorphs_show.run.command import run_command

RUN_SECONDS = 3.0
PATTERN = "circle"
SIZE_DEG = (24.0, 16.0)
PAN_TRAVEL_DEG, TILT_TRAVEL_DEG = 540.0, 270.0
PAN_CHANNEL, PAN_FINE, TILT_CHANNEL, TILT_FINE = 1, 2, 3, 4
FULL_16_BIT = 65535
# name, universe, address, home (pan, tilt), pan inverted
FIXTURES = (("left", 1, 1, (0.0, 0.0), False), ("centre", 1, 101, (30.0, -20.0), False),
            ("right", 2, 7, (-45.0, 10.0), True))
UNIVERSES = (1, 2)

SHOW = f"""
[show]
bpm = 126
frame_rate = 44
outputs = ["preview"]

[profiles.spot]
bits = 16
pan_channel = {PAN_CHANNEL}
pan_fine_channel = {PAN_FINE}
tilt_channel = {TILT_CHANNEL}
tilt_fine_channel = {TILT_FINE}
pan_travel = {PAN_TRAVEL_DEG}
tilt_travel = {TILT_TRAVEL_DEG}
max_speed = 100000

[[cues]]
name = "circles"
pattern = "{PATTERN}"
size = [{SIZE_DEG[0]}, {SIZE_DEG[1]}]
""" + "".join(f"""
[[fixtures]]
name = "{name}"
profile = "spot"
universe = {universe}
address = {address}
home = [{home[0]}, {home[1]}]
invert_pan = {str(invert).lower()}
""" for name, universe, address, home, invert in FIXTURES)

pytestmark = pytest.mark.skipif(ola_unavailable_reason() is not None, reason=str(ola_unavailable_reason()))


def sixteen_bit(angle_deg: float, travel_deg: float, invert: bool) -> tuple[int, int]:
    value = round(min(1.0, max(0.0, angle_deg / travel_deg + 0.5)) * FULL_16_BIT)
    value = FULL_16_BIT - value if invert else value
    return value >> 8, value & 0xFF


def expected_universes(pip: int | None) -> dict[int, bytes]:
    """Every fixture at its home plus the pattern's sample at pip (None: at home)."""
    x, y, _ = kinemorphs.sample(PATTERN, pip).as_tuple() if pip is not None else (0.0, 0.0, 0.0)
    buffers = {universe: bytearray(512) for universe in UNIVERSES}
    for _, universe, address, (home_pan, home_tilt), invert in FIXTURES:
        buffer = buffers[universe]
        pan = sixteen_bit(home_pan + x * SIZE_DEG[0], PAN_TRAVEL_DEG, invert)
        tilt = sixteen_bit(home_tilt + y * SIZE_DEG[1], TILT_TRAVEL_DEG, False)
        for channel, value in zip((PAN_CHANNEL, PAN_FINE, TILT_CHANNEL, TILT_FINE), (*pan, *tilt)):
            buffer[address + channel - 2] = value
    return {universe: bytes(buffer) for universe, buffer in buffers.items()}


def test_a_show_run_to_olad_delivers_the_mapped_samples_at_the_reported_pips(tmp_path):
    show = tmp_path / "circles.toml"
    show.write_text(SHOW)
    pips: list[int] = []
    with olad_artnet_receiver(UNIVERSES, tmp_path) as ola:
        code = run_command(str(show), RUN_SECONDS, None, ["artnet://127.0.0.1"],
                           on_frame=lambda record: pips.append(record.frame.pip))
        time.sleep(0.2)     # let olad hand the last packets to the recorder
    assert code == 0 and plugins_started(ola.log) == ["ArtNet"]
    # A loaded machine skips frame slots rather than falling behind; half of them is plenty here.
    assert pips == sorted(pips) and len(pips) >= RUN_SECONDS * 44 / 2
    expected = [expected_universes(pip) for pip in pips] + [expected_universes(None)]
    received = read_recording(ola.recording)
    for universe in UNIVERSES:
        assert_received_in_order([frame[universe] for frame in expected],
                                 [frame.values for frame in received if frame.universe == universe])
