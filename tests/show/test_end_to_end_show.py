import asyncio
import io
import time
from dataclasses import dataclass

import kinemorphs
import pytest

from end_to_end_receiver import (
    LEAST_SHARE_RECEIVED, assert_received_in_order, ola_unavailable_reason, olad_artnet_receiver, plugins_started,
    read_recording,
)
from kinemorphs_show.engine import Engine
from kinemorphs_show.outputs import OutputOptions, open_output, parse_output_destination
from kinemorphs_show.run.command import run_command, run_show
from kinemorphs_show.showfile import load_show
from kinemorphs_show.status_line import StatusLine
from outputs_fakes import FixedTempoClock

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


def sixteen_bit_values(universe: bytes) -> list[int]:
    return [universe[i] << 8 | universe[i + 1] for i in range(0, len(universe), 2)]


def test_a_show_run_to_olad_delivers_the_mapped_samples_at_the_reported_pips(tmp_path):
    show = tmp_path / "circles.toml"
    show.write_text(SHOW)
    frames = []
    with olad_artnet_receiver(UNIVERSES, tmp_path) as ola:
        code = run_command(str(show), RUN_SECONDS, None, ["artnet://127.0.0.1"],
                           on_frame=lambda record: frames.append(record.frame))
        time.sleep(0.2)     # let olad hand the last packets to the recorder
    assert code == 0 and plugins_started(ola.log) == ["ArtNet"]
    # A loaded machine skips frame slots rather than falling behind; half of them is plenty here.
    pips = [frame.pip for frame in frames]
    assert pips == sorted(pips) and len(pips) >= RUN_SECONDS * 44 / 2
    # Between two pips every value lies between the mapped samples of the pips around it.
    for frame in frames:
        around = expected_universes(frame.pip), expected_universes(frame.pip + 1)
        for universe in UNIVERSES:
            for value, *ends in zip(*(sixteen_bit_values(u[universe]) for u in (frame.universes, *around))):
                assert min(ends) <= value <= max(ends)
    received = read_recording(ola.recording)
    for universe in UNIVERSES:
        assert_received_in_order([frame.universes[universe] for frame in frames] + [expected_universes(None)[universe]],
                                 [frame.values for frame in received if frame.universe == universe])


@dataclass
class ClockFromFirstFrame(FixedTempoClock):
    """Pip 0 at the first frame's deadline, so every frame sits a whole number of pips in."""

    start_ns: int | None = None

    def position(self, t_ns: int | None = None):
        if self.start_ns is None:
            self.start_ns = t_ns
        return super().position(t_ns)


# 75 BPM is 80 pips a second: 2 pips per frame at 40 Hz; at speed 1/8 the circle moves a
# quarter of a pattern pip per frame and reaches a whole pattern pip every fourth frame.
SLOW_BPM, SLOW_FRAME_RATE, SLOW_SPEED_DENOMINATOR = 75.0, 40.0, 8


def test_a_slow_cue_reaches_olad_moving_every_frame_with_the_module_samples_at_whole_pips(tmp_path):
    path = tmp_path / "slow.toml"
    path.write_text(SHOW.replace("size = [", f'speed = "1/{SLOW_SPEED_DENOMINATOR}"\nsize = ['))
    records = []
    with olad_artnet_receiver(UNIVERSES, tmp_path) as ola:
        output = open_output(parse_output_destination("artnet://127.0.0.1"), OutputOptions(frame_rate=SLOW_FRAME_RATE))
        code = asyncio.run(run_show(Engine(load_show(path)), ClockFromFirstFrame(bpm=SLOW_BPM), [output],
                                    SLOW_FRAME_RATE, seconds=RUN_SECONDS, on_frame=records.append,
                                    status=StatusLine(io.StringIO())))
        time.sleep(0.2)     # let olad hand the last packets to the recorder
    assert code == 0
    sent = [record.frame for record in records]
    whole = [frame for frame in sent if frame.pip % SLOW_SPEED_DENOMINATOR == 0]
    assert len(whole) >= len(sent) / SLOW_SPEED_DENOMINATOR * 2 * LEAST_SHARE_RECEIVED
    for frame in whole:
        assert frame.universes == expected_universes(frame.pip // SLOW_SPEED_DENOMINATOR)
    received = read_recording(ola.recording)
    for universe in UNIVERSES:
        got = [frame.values for frame in received if frame.universe == universe]
        assert_received_in_order([frame.universes[universe] for frame in sent] + [expected_universes(None)[universe]],
                                 got)
        moving = got[:-1]  # the last is the home frame
        assert all(a != b for a, b in zip(moving, moving[1:])), "a repeated frame while the cue moves"
        whole_values = {frame.universes[universe] for frame in whole}
        assert sum(values in whole_values for values in moving) >= LEAST_SHARE_RECEIVED * len(whole)
