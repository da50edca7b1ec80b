"""The layered example: check passes, render draws it, it runs on the preview, and over Art-Net to
olad its two trusses move with their own patterns at once, each value the mapping of the module's
sample at whole pattern pips."""

import asyncio
import io
import time
from dataclasses import dataclass
from pathlib import Path

import kinemorphs
import pytest

from end_to_end_receiver import assert_received_in_order, ola_unavailable_reason, olad_artnet_receiver, read_recording
from kinemorphs_show.cli import main
from kinemorphs_show.outputs import OutputOptions, open_output, parse_output_destination
from kinemorphs_show.playback.start import parse_cue_option, starting_engine
from kinemorphs_show.run.command import run_command, run_show
from kinemorphs_show.showfile import load_show
from kinemorphs_show.status_line import StatusLine
from outputs_fakes import FixedTempoClock

LAYERED = Path(__file__).parents[2] / "examples" / "shows" / "layered.toml"
FULL_16_BIT = 65535
PAN_TRAVEL, TILT_TRAVEL = 540.0, 270.0
# name → (address, base pan, base tilt, pattern x sign, pan inverted); back: "audience sweep" on
# "audience" (lfo_breathe at 1/4, spread 2 beats: the first and last heads at whole pattern pips
# every 4 show pips), front: "hits" on "centre" (mirrored wings).
BACK = {"back_1": (1, -12.0, 95.0, 0), "back_4": (49, 12.0, 95.0, 128)}
FRONT = {"front_1": (65, 20.0, 60.0, 1, False), "front_2": (81, 7.0, 60.0, 1, False),
         "front_3": (97, -7.0, 60.0, -1, True), "front_4": (113, -20.0, 60.0, -1, True)}


def sixteen_bit(angle: float, travel: float, invert: bool = False) -> int:
    value = round(min(1.0, max(0.0, angle / travel + 0.5)) * FULL_16_BIT)
    return FULL_16_BIT - value if invert else value


def values_at(universe: bytes, address: int) -> tuple[int, int]:
    base = address - 1
    return universe[base] << 8 | universe[base + 1], universe[base + 2] << 8 | universe[base + 3]


def test_the_layered_example_checks_renders_and_runs_without_hardware(tmp_path, capsys):
    assert main(["check", str(LAYERED)]) == 0
    out = capsys.readouterr().out
    assert "layer 1 'sweep'" in out and "layer 2 'gestures'" in out and "ok:" in out
    assert main(["render", str(LAYERED), "--bars", "4", "-o", str(tmp_path / "layered.png")]) == 0
    assert (tmp_path / "layered.png").stat().st_size > 10_000
    frames = []
    code = run_command(str(LAYERED), 0.3, None, ["preview"], cue="gestures:2", state_path=str(tmp_path / "s.json"),
                       on_frame=lambda record: frames.append(record.frame.cue))
    assert code == 0 and frames[-1] == "sweep: audience sweep | gestures: hits"
    # Resumed: the same cues from where the run stopped.
    resumed = []
    code = run_command(str(LAYERED), 0.2, None, ["preview"], resume=True, state_path=str(tmp_path / "s.json"),
                       on_frame=lambda record: resumed.append((record.frame.pip, record.frame.cue)))
    assert code == 0 and resumed[0][1] == frames[-1] and resumed[0][0] > 0


@dataclass
class ClockFromFirstFrame(FixedTempoClock):
    start_ns: int | None = None

    def position(self, t_ns: int | None = None):
        if self.start_ns is None:
            self.start_ns = t_ns
        return super().position(t_ns)


# 75 BPM at 40 frames a second: every frame is 2 whole pips in.
BPM, FRAME_RATE, RUN_SECONDS = 75.0, 40.0, 3.0


@pytest.mark.skipif(ola_unavailable_reason() is not None, reason=str(ola_unavailable_reason()))
def test_both_trusses_reach_olad_with_their_own_patterns_at_once(tmp_path):
    show = load_show(LAYERED)
    engine = starting_engine(show, parse_cue_option("gestures:hits", show))
    records = []
    with olad_artnet_receiver((1,), tmp_path) as ola:
        output = open_output(parse_output_destination("artnet://127.0.0.1"), OutputOptions(frame_rate=FRAME_RATE))
        code = asyncio.run(run_show(engine, ClockFromFirstFrame(bpm=BPM), [output], FRAME_RATE,
                                    seconds=RUN_SECONDS, on_frame=records.append, status=StatusLine(io.StringIO())))
        time.sleep(0.2)
    assert code == 0
    sent = [record.frame for record in records]
    checked = 0
    for frame in sent[1:]:
        universe = frame.universes[1]
        x, y, _ = kinemorphs.sample("beat_four_floor_bounce", frame.pip).as_tuple()
        for address, pan, tilt, sign, invert in FRONT.values():
            assert values_at(universe, address) == (sixteen_bit(pan + sign * x * 25, PAN_TRAVEL, invert),
                                                    sixteen_bit(tilt + y * 30, TILT_TRAVEL))
        if frame.pip % 4 == 0:
            for address, pan, tilt, offset in BACK.values():
                x, y, _ = kinemorphs.sample("lfo_breathe", (frame.pip - offset) // 4).as_tuple()
                assert values_at(universe, address) == (sixteen_bit(pan + x * 40, PAN_TRAVEL),
                                                        sixteen_bit(tilt + y * 10, TILT_TRAVEL))
            checked += 1
    assert checked >= len(sent) / 2 * 0.8
    # Both trusses move all along, each on its own.
    for address in (1, 65):
        assert len({values_at(frame.universes[1], address) for frame in sent}) > 10
    received = [frame.values for frame in read_recording(ola.recording) if frame.universe == 1]
    assert_received_in_order([frame.universes[1] for frame in sent] + [engine.home_frame().universes[1]], received)
