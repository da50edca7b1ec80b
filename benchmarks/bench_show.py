"""The show runner at 44 frames per second: share of a core and frame lateness, against a floor.

Runs the real run loop (absolute deadlines on the monotonic clock) for a few
seconds per configuration in one process, on a generated show of N generic
16-bit heads, 32 to a universe, crossfading from a fan of circles into a
mirrored sway (so layout, crossfade and slew work are in the figures), or on
the show file --show names:
  engine only   frames computed (by the layered engine, as `run` does), sent nowhere
  OUTPUTS       the same frames sent to local sinks on 127.0.0.1
  as run        `kinemorphs-show run` of the same show file in a process of
                its own, measured from outside as a user runs it: its share
                of a core over its whole life (start-up and exit included)
                and the time from its start to the first datagram received;
                the package's bytecode is compiled beforehand, as an
                installed package's is
  floor         the same datagrams (one frame's, built once) sent at the same
                rate from a Python loop on a thread of its own with the run's
                deadline sleeps: what sending costs at all; the run's share is
                printed as a ratio to it
  floor,        the floor again, sleeping on asyncio until 1.5 ms before each
   asyncio      deadline and then precisely (the frame clock the run used
                before its frame thread): two wake-ups a frame instead of one
Each line gives the share of one core the process used over the run, the
lateness of frames behind their deadlines (median, 99th percentile, worst)
and the load average, which dominates the lateness on a busy machine. The
sinks run in a process of their own (receiving_sinks.py) and report the
slowest universe's frames per second as received and how many OSC frames
arrived whole. --profile prints where the in-process run spends its time.

Run inside the project environment:
    python benchmarks/bench_show.py [--fixtures N] [--outputs artnet,sacn,osc] [--seconds S] [--show FILE] [--short] [--profile]
"""

import argparse
import asyncio
import io
import cProfile
import json
import os
import pstats
import resource
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from generic_rig import generic_heads  # noqa: E402

from kinemorphs_show.clock import Clock  # noqa: E402
from kinemorphs_show.engine import Frame  # noqa: E402
from kinemorphs_show.frame_schedule import FrameSchedule  # noqa: E402
from kinemorphs_show.playback.layered_engine import LayeredEngine  # noqa: E402
from kinemorphs_show.outputs import OutputOptions, open_output, parse_output_destination  # noqa: E402
from kinemorphs_show.outputs.artnet import ArtNetPackets  # noqa: E402
from kinemorphs_show.outputs.osc import frame_bundles  # noqa: E402
from kinemorphs_show.outputs.sacn import SacnPackets  # noqa: E402
from kinemorphs_show.run.command import run_show  # noqa: E402
from kinemorphs_show.run.frame_loop import sleep_on_frame_thread  # noqa: E402
from kinemorphs_show.showfile import Show, load_show  # noqa: E402
from kinemorphs_show.status_line import NS_PER_MS, FrameRecord, StatusLine  # noqa: E402

PERCENTILE_99 = 99
SHORT_SECONDS = 0.5
OUTPUT_NAMES = ("artnet", "sacn", "osc")
# asyncio's epoll timeout is rounded up to whole milliseconds: it is woken this early, then sleeps precisely.
ASYNCIO_PRECISE_TAIL_NS = 1_500_000
PROFILE_LINES = 25
REPOSITORY = Path(__file__).resolve().parents[1]

SHOW_HEADER = """
[show]
title = "bench"
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


def benchmark_show(fixtures: int) -> str:
    """Generic 16-bit heads, 32 to a universe, on a line across the stage."""
    return SHOW_HEADER + generic_heads(fixtures)


def cpu_share(run) -> tuple[float, object]:
    cpu_start, wall_start = time.process_time(), time.perf_counter()
    result = run()
    return (time.process_time() - cpu_start) / (time.perf_counter() - wall_start), result


def run_once(show: Show, destinations: list[str], seconds: float) -> tuple[float, list[int]]:
    options = OutputOptions.of_show(show)
    outputs = [open_output(parse_output_destination(text), options) for text in destinations]
    engine = LayeredEngine(show)    # the engine `run` plays every show with
    engine.go(1, 0)           # crossfade into the second cue, so frames include transition work
    records: list[FrameRecord] = []
    share, _ = cpu_share(lambda: asyncio.run(run_show(
        engine, Clock(show.bpm, grid=show.grid), outputs, show.frame_rate, seconds=seconds,
        on_frame=records.append, status=StatusLine(io.StringIO()))))
    return share, [record.lateness_ns for record in records]


def installed_environment() -> dict[str, str]:
    """The environment of a run from this checkout as from an installed package: the show package's
    bytecode compiled once beforehand into its __pycache__ folders (an installer does that), not at
    every start, even where PYTHONDONTWRITEBYTECODE is set."""
    environment = {key: value for key, value in os.environ.items() if key != "PYTHONDONTWRITEBYTECODE"}
    environment["PYTHONPATH"] = str(REPOSITORY)
    subprocess.run([sys.executable, "-m", "compileall", "-q", str(REPOSITORY / "kinemorphs_show")],
                   env=environment, check=True)
    return environment


def as_run_once(show_path: Path, destinations: list[str], seconds: float,
                environment: dict[str, str]) -> tuple[float, int, str]:
    """`kinemorphs-show run` in a process of its own: its share of a core over its whole life, its start (ns)
    and what it used and said (CPU and wall seconds; frames sent and skipped, worst lateness)."""
    command = [sys.executable, "-m", "kinemorphs_show", "run", str(show_path), "--seconds", str(seconds)]
    for destination in destinations:
        command += ["--output", destination]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    started_ns, wall_start = time.monotonic_ns(), time.perf_counter()
    run = subprocess.run(command, env=environment, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    wall = time.perf_counter() - wall_start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if run.returncode != 0:
        raise SystemExit(f"the run failed ({run.returncode}): {run.stderr[-2000:]}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu / wall, started_ns, f"{cpu:.2f} s CPU in {wall:.2f} s; {run.stderr.strip().splitlines()[-1]}"


def bare_start_ms() -> float:
    """The start-up floor: a Python process that imports numpy and asyncio and exits."""
    started = time.perf_counter()
    subprocess.run([sys.executable, "-c", "import asyncio, numpy"], check=True)
    return (time.perf_counter() - started) * 1000


def profiled(run):
    """run() under cProfile; prints the functions that take the most time of their own."""
    profile = cProfile.Profile()
    result = profile.runcall(run)
    stream = io.StringIO()
    pstats.Stats(profile, stream=stream).sort_stats("tottime").print_stats(PROFILE_LINES)
    print(stream.getvalue())
    return result


def prebuilt_datagrams(frame: Frame, names: list[str], show: Show) -> list[tuple[bytes, str]]:
    """One frame's datagrams per output, built once, each with the sink it goes to."""
    options = OutputOptions.of_show(show)
    built: list[tuple[bytes, str]] = []
    if "artnet" in names:
        packets = ArtNetPackets(options.artnet_base)
        built += [(packets.packet(u, 0, data), "artnet") for u, data in frame.universes.items()]
    if "sacn" in names:
        sacn_packets = SacnPackets(options.source_name, options.sacn_priority, multicast=False)
        built += [(sacn_packets.packet(u, 0, data), "sacn") for u, data in frame.universes.items()]
    if "osc" in names:
        built += [(bundle, "osc") for bundle in frame_bundles(frame, options.osc_max_datagram)]
    return built


def floor_once(datagrams: list[tuple[bytes, tuple]], frame_rate: float, seconds: float,
               in_thread: bool = True) -> tuple[float, list[int]]:
    """Send the same datagrams every frame from a plain Python loop on the same deadlines.

    The loop sleeps as the run does, on a thread of its own with one sleep to each deadline,
    or (in_thread False) on asyncio with a precise tail: the frame clock the run used before.
    """
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)

    async def asyncio_sleep(wait_ns: int) -> None:
        wake_at = time.monotonic_ns() + wait_ns
        if wait_ns > ASYNCIO_PRECISE_TAIL_NS:
            await asyncio.sleep((wait_ns - ASYNCIO_PRECISE_TAIL_NS) / 1e9)
        if (rest := wake_at - time.monotonic_ns()) > 0:
            time.sleep(rest / 1e9)

    async def loop(sleep) -> list[int]:
        schedule = FrameSchedule.starting(time.monotonic_ns(), frame_rate)
        lateness, index = [], 0
        stop_at = schedule.start_ns + round(seconds * 1e9)
        while (deadline := schedule.deadline_ns(index)) < stop_at:
            wait = deadline - time.monotonic_ns()
            if wait > 0:
                await sleep(wait)
            lateness.append(time.monotonic_ns() - deadline)
            for data, address in datagrams:
                sender.sendto(data, address)
            index = max(index + 1, schedule.first_index_not_before(time.monotonic_ns()))
        return lateness

    def in_a_thread() -> list[int]:
        result: list[list[int]] = []
        thread = threading.Thread(target=lambda: result.append(asyncio.run(loop(sleep_on_frame_thread))))
        thread.start()
        thread.join()
        return result[0]
    share, lateness = cpu_share(in_a_thread if in_thread else lambda: asyncio.run(loop(asyncio_sleep)))
    sender.close()
    return share, lateness


def lateness_summary(lateness_ns: list[int]) -> str:
    p99 = statistics.quantiles(lateness_ns, n=100, method="inclusive")[PERCENTILE_99 - 1]
    return (f"median {statistics.median(lateness_ns) / NS_PER_MS:5.2f} ms  p99 {p99 / NS_PER_MS:5.2f} ms  "
            f"worst {max(lateness_ns) / NS_PER_MS:6.2f} ms")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fixtures", type=int, default=64, help="heads in the generated show (default 64)")
    parser.add_argument("--outputs", default=",".join(OUTPUT_NAMES),
                        help="comma-separated outputs among artnet, sacn, osc (default all three)")
    parser.add_argument("--seconds", type=float, default=10.0, help="seconds per configuration (default 10)")
    parser.add_argument("--show", help="a show file to run instead of the generated show")
    parser.add_argument("--short", action="store_true", help="half a second each: only proves the benchmark runs")
    parser.add_argument("--profile", action="store_true", help="profile the in-process run with all outputs")
    args = parser.parse_args()
    names = [name for name in args.outputs.split(",") if name]
    if unknown := set(names) - set(OUTPUT_NAMES):
        parser.error(f"unknown outputs {', '.join(sorted(unknown))}; choose among {', '.join(OUTPUT_NAMES)}")
    seconds = SHORT_SECONDS if args.short else args.seconds
    folder = tempfile.TemporaryDirectory()
    path = Path(args.show) if args.show else Path(folder.name) / "bench.toml"
    if not args.show:
        path.write_text(benchmark_show(args.fixtures))
    show = load_show(path)
    # Sinks bound on loopback in their own process, so nothing leaves the host and receiving costs nothing here.
    receiver = subprocess.Popen([sys.executable, str(Path(__file__).with_name("receiving_sinks.py"))],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    assert receiver.stdin is not None and receiver.stdout is not None
    ports = json.loads(receiver.stdout.readline())
    address = {name: ("127.0.0.1", port) for name, port in ports.items()}

    def report() -> dict:
        time.sleep(0.2)        # the last datagrams reach the sinks
        receiver.stdin.write("report\n")
        receiver.stdin.flush()
        return json.loads(receiver.stdout.readline())

    def received(seconds_run: float, got: dict | None = None) -> str:
        got = report() if got is None else got
        rates = [f"{kind} slowest universe {min(got[kind].values(), default=0) / seconds_run:4.1f} fps"
                 for kind in ("artnet", "sacn") if kind in names]
        if "osc" in names:
            rates.append(f"osc {got['osc_whole']}/{got['osc_seen']} frames whole")
        return "; ".join(rates)
    destinations = [f"{name}://127.0.0.1:{address[name][1]}" for name in names]
    engine = LayeredEngine(show)    # the engine `run` plays every show with
    engine.go(1, 0)
    sample_frame = engine.frame(0, show.bpm)
    datagrams = [(data, address[name]) for data, name in prebuilt_datagrams(sample_frame, names, show)]
    print(f"{args.show or 'generated show'}: {len(show.rig.fixtures)} fixtures, {len(show.rig.universes)} universes,"
          f" {show.frame_rate:g} Hz, outputs {'+'.join(names) or 'none'} ({len(datagrams)} datagrams a frame),"
          f" {seconds:g} s per run; {os.cpu_count()} cores")
    floor_share, floor_lateness = floor_once(datagrams, show.frame_rate, seconds)
    runs = {"floor (prebuilt)": (floor_share, floor_lateness, received(seconds)),
            "floor, asyncio": (*floor_once(datagrams, show.frame_rate, seconds, in_thread=False),
                               received(seconds)),
            "engine only": (*run_once(show, [], seconds), "")}
    run = (lambda: run_once(show, destinations, seconds))
    share, lateness = profiled(run) if args.profile else run()
    runs["+".join(names) or "no outputs"] = (share, lateness, received(seconds))
    as_run_share, started_ns, summary = as_run_once(path, destinations, seconds,
                                                    installed_environment())
    got = report()
    receiver.stdin.close()
    receiver.wait()
    folder.cleanup()
    for label, (share, lateness, arrivals) in runs.items():
        print(f"{label:18} {len(lateness):5d} frames  core {share * 100:5.1f}% ({share / floor_share:5.2f}x floor)"
              f"  lateness {lateness_summary(lateness)}  load {os.getloadavg()[0]:.1f}")
        if arrivals:
            print(f"{'':18} received: {arrivals}")
    if names:
        start_up = (got["first_arrival_ns"] - started_ns) / NS_PER_MS if got["first_arrival_ns"] else float("nan")
        bare = bare_start_ms()
        print(f"{'as run':18} core {as_run_share * 100:5.1f}% ({as_run_share / floor_share:5.2f}x floor) over the "
              f"whole process  load {os.getloadavg()[0]:.1f}")
        print(f"{'':18} {summary}")
        print(f"{'':18} start-up to first datagram {start_up:4.0f} ms ({start_up / bare:4.2f}x a bare Python "
              f"importing numpy and asyncio: {bare:4.0f} ms)")
        print(f"{'':18} received: {received(seconds, got)}")


if __name__ == "__main__":
    main()
