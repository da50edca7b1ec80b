"""The show runner at 64 fixtures and 44 frames per second: CPU share and frame lateness.

Runs the real run loop (absolute deadlines on the monotonic clock, asyncio
sleeps) for a few seconds, three ways in the same process:
  baseline   frames computed, sent nowhere
  artnet     the same frames sent as Art-Net to a local sink socket
  all        Art-Net, sACN and OSC (one bundle of 64 fixtures) to local sinks
and prints, for each, the share of one core the process used and the
lateness of frames behind their deadlines (median, 99th percentile, worst).

Frames come from the show engine running a generated show of 64 generic
16-bit heads over two universes, crossfading from a fan of circles into a
mirrored sway (so layout, crossfade and slew work are all in the figures),
or from the show file --show names.

Run inside the project environment: python benchmarks/bench_show.py [--seconds S] [--show FILE] [--short]
"""

import argparse
import asyncio
import io
import os
import socket
import statistics
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from kinemorphs_show.clock import Clock  # noqa: E402
from kinemorphs_show.engine import Engine  # noqa: E402
from kinemorphs_show.outputs import OutputOptions, open_output, parse_output_destination  # noqa: E402
from kinemorphs_show.run.command import run_show  # noqa: E402
from kinemorphs_show.showfile import Show, load_show  # noqa: E402
from kinemorphs_show.status_line import NS_PER_MS, FrameRecord, StatusLine  # noqa: E402

FIXTURES = 64
FIXTURES_PER_UNIVERSE = 32
ADDRESS_STRIDE = 16                # a typical moving head's footprint; pan/tilt coarse+fine first
PERCENTILE_99 = 99
SHORT_SECONDS = 0.5

SHOW_HEADER = """
[show]
bpm = 128
frame_rate = 44

[[cues]]
name = "fan of circles"
pattern = "circle"
size = [40, 25]
layout = { spread_beats = 1 }

[[cues]]
name = "mirrored sway"
pattern = "sway"
size = 30
layout = { mirror = true, spread_beats = 2 }
"""


def benchmark_show() -> str:
    """64 generic 16-bit heads over two universes, on a line across the stage."""
    fixtures = "".join(
        f"""
[[fixtures]]
name = "head {number + 1}"
universe = {1 + number // FIXTURES_PER_UNIVERSE}
address = {1 + (number % FIXTURES_PER_UNIVERSE) * ADDRESS_STRIDE}
position = [{number * 0.5 - 16}, 0, 6]
""" for number in range(FIXTURES))
    return SHOW_HEADER + fixtures


def run_once(show: "Show", output_texts: list[str], seconds: float) -> tuple[float, list[int]]:
    options = OutputOptions.of_show(show)
    outputs = [open_output(parse_output_destination(text), options) for text in output_texts]
    engine = Engine(show)
    engine.go(1, 0)           # crossfade into the second cue, so frames include transition work
    records: list[FrameRecord] = []
    cpu_start, wall_start = time.process_time(), time.perf_counter()
    asyncio.run(run_show(engine, Clock(show.bpm, grid=show.grid), outputs, show.frame_rate, seconds=seconds,
                         on_frame=records.append, status=StatusLine(io.StringIO())))
    cpu_share = (time.process_time() - cpu_start) / (time.perf_counter() - wall_start)
    return cpu_share, [record.lateness_ns for record in records]


def lateness_summary(lateness_ns: list[int]) -> str:
    p99 = statistics.quantiles(lateness_ns, n=100)[PERCENTILE_99 - 1]
    return (f"median {statistics.median(lateness_ns) / NS_PER_MS:6.2f} ms  p99 {p99 / NS_PER_MS:6.2f} ms  "
            f"worst {max(lateness_ns) / NS_PER_MS:6.2f} ms")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--short", action="store_true", help="half a second per run: only proves the benchmark runs")
    parser.add_argument("--show", help="a show file to run instead of the generated 64-fixture show")
    args = parser.parse_args()
    if args.short:
        args.seconds = SHORT_SECONDS
    with tempfile.TemporaryDirectory() as folder:
        path = Path(args.show) if args.show else Path(folder) / "bench.toml"
        if not args.show:
            path.write_text(benchmark_show())
        show = load_show(path)
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
    # Lateness is mostly the operating system waking the process late, which the load shows.
    print(f"{args.show or 'generated show'}: {len(show.rig.fixtures)} fixtures, {len(show.rig.universes)} universes,"
          f" {show.frame_rate:g} Hz, {args.seconds:g} s per run; load average {os.getloadavg()[0]:.1f}"
          f" on {os.cpu_count()} cores")
    baseline_share = None
    for name, outputs in runs.items():
        share, lateness = run_once(show, outputs, args.seconds)
        baseline_share = share if baseline_share is None else baseline_share
        print(f"{name:22} {len(lateness):5d} frames  core {share * 100:5.1f}%"
              f" ({share / baseline_share:4.2f}x baseline)  lateness {lateness_summary(lateness)}")
    for sink in sinks.values():
        sink.close()


if __name__ == "__main__":
    main()
