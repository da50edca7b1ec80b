"""The show runner at 64 fixtures and 44 frames per second: CPU share and frame lateness.

Runs the real run loop (absolute deadlines on the monotonic clock, asyncio
sleeps) for a few seconds, three ways in the same process:
  baseline   frames computed, sent nowhere
  artnet     the same frames sent as Art-Net to a local sink socket
  all        Art-Net, sACN and OSC (one bundle of 64 fixtures) to local sinks
and prints, for each, the share of one core the process used and the
lateness of frames behind their deadlines (median, 99th percentile, worst).

Frames come from the show engine when --show names a show file; otherwise a
stand-in engine samples one built-in pattern per fixture with phase offsets
and writes 16-bit pan and tilt for 64 fixtures into two universes, which is
the work the engine does per frame minus layout and slew bookkeeping.

Run inside the project environment: python benchmarks/bench_show.py [--seconds S] [--show FILE]
"""

import argparse
import asyncio
import io
import socket
import statistics
import sys
import time
from pathlib import Path

import kinemorphs

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from kinemorphs_show.engine import FixtureFrame, Frame  # noqa: E402
from kinemorphs_show.frame_schedule import NS_PER_SECOND  # noqa: E402
from kinemorphs_show.outputs import open_output, parse_output_spec  # noqa: E402
from kinemorphs_show.runner import run_show  # noqa: E402
from kinemorphs_show.status_line import NS_PER_MS, FrameRecord, StatusLine  # noqa: E402

FIXTURES = 64
FRAME_RATE = 44.0
BPM = 128.0
FIXTURES_PER_UNIVERSE = 32
CHANNELS_PER_FIXTURE = 16          # a typical moving head's footprint; pan/tilt coarse+fine first
PATTERNS = ("circle", "figure_eight", "sway", "helix")
PAN_TRAVEL_DEG = 540.0
TILT_TRAVEL_DEG = 270.0
SIZE_DEG = 60.0
SIXTEEN_BIT_MAX = 65535
DMX_CHANNELS = 512
PERCENTILE_99 = 99


def sixteen_bit(degrees: float, travel: float) -> int:
    return round((degrees / travel + 0.5) * SIXTEEN_BIT_MAX)


class StandInEngine:
    """One pattern per fixture, spread over a bar, mapped to 16-bit pan and tilt."""

    cue_names = ("bench",)
    current_cue = 0

    def frame(self, pip: int) -> Frame:
        universes = {1: bytearray(DMX_CHANNELS), 2: bytearray(DMX_CHANNELS)}
        fixtures = []
        for number in range(FIXTURES):
            offset = kinemorphs.sample(PATTERNS[number % len(PATTERNS)], pip + number * 4)
            x, y, z = offset.as_tuple()
            pan, tilt = x * SIZE_DEG / 2, y * SIZE_DEG / 2
            address = (number % FIXTURES_PER_UNIVERSE) * CHANNELS_PER_FIXTURE
            data = universes[1 + number // FIXTURES_PER_UNIVERSE]
            data[address:address + 4] = (sixteen_bit(pan, PAN_TRAVEL_DEG).to_bytes(2, "big")
                                         + sixteen_bit(tilt, TILT_TRAVEL_DEG).to_bytes(2, "big"))
            fixtures.append(FixtureFrame(f"head {number + 1}", x, y, z, pan, tilt, False))
        return Frame(pip, "bench", {u: bytes(d) for u, d in universes.items()}, tuple(fixtures))

    def home_frame(self) -> Frame:
        return self.frame(0)

    def go(self, index: int, pip: int) -> None: ...
    def go_next(self, pip: int) -> None: ...
    def go_previous(self, pip: int) -> None: ...


class FixedTempoClock:
    bpm = BPM

    def __init__(self, start_ns: int) -> None:
        self.start_ns = start_ns

    def pip(self, t_ns: int | None = None) -> int:
        return (t_ns - self.start_ns) * round(BPM) * kinemorphs.PIPS_PER_BEAT // (60 * NS_PER_SECOND)

    def bar_beat(self, pip: int) -> tuple[int, int]:
        beat = pip // kinemorphs.PIPS_PER_BEAT
        return beat // 4 + 1, beat % 4 + 1


def engine_and_clock(show_path: str | None):
    if show_path is None:
        return StandInEngine(), FixedTempoClock(time.monotonic_ns()), FRAME_RATE
    from kinemorphs_show.clock import Clock
    from kinemorphs_show.engine import Engine
    from kinemorphs_show.showfile import load_show
    show = load_show(show_path)
    return Engine(show), Clock(show.bpm), show.frame_rate


def run_once(show_path: str | None, output_texts: list[str], seconds: float) -> tuple[float, list[int]]:
    engine, clock, frame_rate = engine_and_clock(show_path)
    outputs = [open_output(parse_output_spec(text), frame_rate) for text in output_texts]
    records: list[FrameRecord] = []
    cpu_start, wall_start = time.process_time(), time.perf_counter()
    asyncio.run(run_show(engine, clock, outputs, frame_rate, seconds=seconds, on_frame=records.append,
                         status=StatusLine(io.StringIO())))
    cpu_share = (time.process_time() - cpu_start) / (time.perf_counter() - wall_start)
    return cpu_share, [record.lateness_ns for record in records]


def lateness_summary(lateness_ns: list[int]) -> str:
    p99 = statistics.quantiles(lateness_ns, n=100)[PERCENTILE_99 - 1]
    return (f"median {statistics.median(lateness_ns) / NS_PER_MS:6.2f} ms  p99 {p99 / NS_PER_MS:6.2f} ms  "
            f"worst {max(lateness_ns) / NS_PER_MS:6.2f} ms")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--show", help="a show file to take frames from instead of the stand-in engine")
    args = parser.parse_args()
    # Sinks bound on loopback, so the datagrams have somewhere to go and nothing leaves the host.
    sinks = {name: socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for name in ("artnet", "sacn", "osc")}
    for sink in sinks.values():
        sink.bind(("127.0.0.1", 0))
    port = {name: sink.getsockname()[1] for name, sink in sinks.items()}
    runs = {
        "baseline (no output)": [],
        "artnet": [f"artnet://127.0.0.1:{port['artnet']}"],
        "artnet + sacn + osc": [f"artnet://127.0.0.1:{port['artnet']}", f"sacn://127.0.0.1:{port['sacn']}",
                                f"osc://127.0.0.1:{port['osc']}"],
    }
    source = args.show or f"stand-in engine, {FIXTURES} fixtures"
    print(f"{source} at {FRAME_RATE:g} Hz for {args.seconds:g} s per run")
    baseline_share = None
    for name, outputs in runs.items():
        share, lateness = run_once(args.show, outputs, args.seconds)
        baseline_share = share if baseline_share is None else baseline_share
        print(f"{name:22} {len(lateness):5d} frames  core {share * 100:5.1f}%"
              f" ({share / baseline_share:4.2f}x baseline)  lateness {lateness_summary(lateness)}")
    for sink in sinks.values():
        sink.close()


if __name__ == "__main__":
    main()
