"""Frame lateness with the web page's clients connected, against the same run with none.

Runs the real run loop (run_show, no outputs) on a generated show of N generic heads at
44 frames per second, three ways in one process:
  no web      the page not served
  web, idle   served, nobody connected
  web, N      served with N clients (default 4) connected all along, in a process of their
              own: Chromium pages drawing the stage view when Chromium and Playwright are
              there (--clients browser), else bare WebSocket readers (--clients websocket)
Each line gives the lateness of frames behind their deadlines (median, p99, worst), the p99
as a ratio to the run without the page, the share of a core the runner used (what serving
costs it, less sensitive to other load than lateness), the updates per second each client
got, and the load average (on a shared machine the load dominates lateness). The clients run
at nice --client-nice (default 10): they stand for tablets and phones, which do not take the
runner's cores; --client-nice 0 measures a browser competing for the same cores.

Run inside the project environment:
    python benchmarks/bench_web.py [--fixtures N] [--clients browser|websocket] [--count N] [--seconds S] [--short]
"""

import argparse
import asyncio
import io
import json
import os
import shutil
import statistics
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))

from bench_show import benchmark_show  # noqa: E402
from kinemorphs_show.clock import Clock  # noqa: E402
from kinemorphs_show.engine import Engine  # noqa: E402
from kinemorphs_show.run.command import run_show  # noqa: E402
from kinemorphs_show.showfile import Show, load_show  # noqa: E402
from kinemorphs_show.status_line import NS_PER_MS, FrameRecord, StatusLine  # noqa: E402
from kinemorphs_show.web.access import WebAddress  # noqa: E402
from kinemorphs_show.web.attach import WebOptions  # noqa: E402

PERCENTILE_99 = 99
SHORT_SECONDS = 1.0
CLIENT_START_TIMEOUT_S = 60.0
CLIENTS_SCRIPT = Path(__file__).with_name("web_clients.py")


def free_port() -> int:
    import socket

    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


async def run_measured(show: Show, seconds: float, web: bool, clients: tuple[str, int] | None, client_nice: int
                       ) -> tuple[list[int], float, list[float]]:
    """Lateness of the frames sent while measuring, the runner's share of a core, each client's updates/s."""
    records: list[FrameRecord] = []
    port = free_port()
    engine = Engine(show)
    engine.go(1, 0)
    run = asyncio.create_task(run_show(
        engine, Clock(show.bpm, grid=show.grid), [], show.frame_rate, on_frame=records.append,
        status=StatusLine(io.StringIO()), web=WebOptions(WebAddress("127.0.0.1", port)) if web else None))
    rates: list[float] = []
    try:
        while not records:
            await asyncio.sleep(0.01)
        if clients is None:
            start, cpu_start = time.monotonic_ns(), time.process_time_ns()
            await asyncio.sleep(seconds)
        else:
            kind, count = clients
            process = await asyncio.create_subprocess_exec(
                sys.executable, str(CLIENTS_SCRIPT), f"http://127.0.0.1:{port}/", str(count), kind, str(seconds),
                stdout=asyncio.subprocess.PIPE, preexec_fn=lambda: os.nice(client_nice))
            assert process.stdout is not None
            ready = await asyncio.wait_for(process.stdout.readline(), CLIENT_START_TIMEOUT_S)
            assert ready.strip() == b"ready", ready
            start, cpu_start = time.monotonic_ns(), time.process_time_ns()
            rates = json.loads(await process.stdout.readline())
            await process.wait()
        stop, cpu_stop = time.monotonic_ns(), time.process_time_ns()
    finally:
        run.cancel()
        await asyncio.gather(run, return_exceptions=True)
    return ([r.lateness_ns for r in records if start <= r.sent_ns <= stop], (cpu_stop - cpu_start) / (stop - start),
            rates)


def p99(lateness_ns: list[int]) -> float:
    return statistics.quantiles(lateness_ns, n=100, method="inclusive")[PERCENTILE_99 - 1]


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fixtures", type=int, default=64, help="heads in the generated show (default 64)")
    have_browser = bool(shutil.which("chromium") or shutil.which("chromium-browser"))
    try:
        import playwright  # noqa: F401
    except ImportError:
        have_browser = False
    parser.add_argument("--clients", choices=("browser", "websocket"),
                        default="browser" if have_browser else "websocket")
    parser.add_argument("--count", type=int, default=4, help="clients connected (default 4)")
    parser.add_argument("--seconds", type=float, default=10.0, help="seconds per configuration (default 10)")
    parser.add_argument("--client-nice", type=int, default=10, help="the clients' nice value (default 10)")
    parser.add_argument("--short", action="store_true", help="a second each with WebSocket clients: "
                                                             "only proves the benchmark runs")
    args = parser.parse_args()
    seconds = SHORT_SECONDS if args.short else args.seconds
    kind = "websocket" if args.short else args.clients
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "bench.toml"
        path.write_text(benchmark_show(args.fixtures))
        show = load_show(path)
    print(f"generated show: {len(show.rig.fixtures)} fixtures, {show.frame_rate:g} Hz, {seconds:g} s per run; "
          f"{os.cpu_count()} cores, load average before {os.getloadavg()[0]:.2f}")
    runs = {"no web": (False, None), "web, idle": (True, None), f"web, {args.count} {kind}": (True, (kind, args.count))}
    baseline = None
    for label, (web, clients) in runs.items():
        lateness, share, rates = asyncio.run(run_measured(show, seconds, web, clients, args.client_nice))
        worst_p99 = p99(lateness)
        baseline = baseline or worst_p99
        updates = f"  client updates/s {', '.join(f'{rate:.1f}' for rate in rates)}" if rates else ""
        print(f"{label:24s} median {statistics.median(lateness) / NS_PER_MS:5.2f} ms  "
              f"p99 {worst_p99 / NS_PER_MS:5.2f} ms ({worst_p99 / baseline:4.2f}x)  "
              f"worst {max(lateness) / NS_PER_MS:6.2f} ms  cpu {share:4.0%}  load {os.getloadavg()[0]:.2f}{updates}")


if __name__ == "__main__":
    main()
