"""Several runners, each sending some of a show's universes, agree frame for frame with one runner."""

import json
import os
import socket
import subprocess
import sys
import time
from pathlib import Path

import pytest

from kinemorphs_show.outputs.artnet import ARTNET_ID
from show_builders import write_show

RUNNER = Path(__file__).with_name("recording_runner.py")
ARTNET_PORT_ADDRESS_AT = 14
RUN_SECONDS = 3.0       # long enough that three runners share slots even when load makes each skip some
ANCHOR_AHEAD_S = 3.0      # every runner is up by then, even on a loaded machine
MIN_SHARED_FRAMES = 8
RUN_TIMEOUT_S = 120

SPLIT_SHOW = """\
[show]
title = "split"
bpm = 124

[[cues]]
name = "fan"
pattern = "figure_eight"
size = [60, 30]
layout = { spread_beats = 1 }
""" + "".join(f"""
[[fixtures]]
name = "head {n}"
universe = {1 + n // 2}
address = {1 + (n % 2) * 16}
max_speed = 100000
position = [{n}, 0, 5]
""" for n in range(8))


def received_universes(sink: socket.socket) -> set[int]:
    universes = set()
    while True:
        try:
            data = sink.recv(2048)
        except BlockingIOError:
            return universes
        assert data.startswith(ARTNET_ID)
        universes.add(int.from_bytes(data[ARTNET_PORT_ADDRESS_AT:ARTNET_PORT_ADDRESS_AT + 2], "little"))


def test_runners_sharing_a_start_anchor_send_what_one_runner_sends(tmp_path):
    show = write_show(tmp_path, SPLIT_SHOW)
    start_at = f"{time.time() + ANCHOR_AHEAD_S:.3f}"
    runners = {"1-2": "1-2", "3-4": "3,4", "all": "all"}
    sinks, processes = {}, {}
    environment = {**os.environ, "PYTHONPATH": os.pathsep.join([str(Path(__file__).parents[2]), str(RUNNER.parent)])}
    for name, universes in runners.items():
        sink = sinks[name] = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sink.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 21)
        sink.bind(("127.0.0.1", 0))
        sink.setblocking(False)
        processes[name] = subprocess.Popen(
            [sys.executable, str(RUNNER), str(tmp_path / f"{name}.jsonl"), str(show), str(RUN_SECONDS), start_at,
             universes, str(sink.getsockname()[1])], env=environment, stderr=subprocess.PIPE, text=True)
    for name, process in processes.items():
        _, errors = process.communicate(timeout=RUN_TIMEOUT_S)
        assert process.returncode == 0, errors
    frames = recorded_frames(tmp_path)
    assert received_universes(sinks["1-2"]) == {1, 2} and received_universes(sinks["3-4"]) == {3, 4}
    assert received_universes(sinks["all"]) == {1, 2, 3, 4}
    for sink in sinks.values():
        sink.close()
    assert_split_frames_agree(frames)
    shared = frames["1-2"].keys() & frames["all"].keys()
    assert all(frames["1-2"][pip]["index"] == frames["all"][pip]["index"] for pip in shared), "same slots"


def recorded_frames(folder: Path, since_s: dict[str, float] | None = None) -> dict[str, dict[int, dict]]:
    """Each runner's frames by pip, from its record (those sent from since_s[name] on, if given)."""
    frames: dict[str, dict[int, dict]] = {}
    for name in ("1-2", "3-4", "all"):
        sent = [json.loads(line) for line in (folder / f"{name}.jsonl").read_text().splitlines()]
        first_s = sent[0]["sent_s"] + (since_s or {}).get(name, 0.0) if sent else 0.0
        frames[name] = {frame["pip"]: frame for frame in sent if frame["sent_s"] >= first_s}
    return frames


def assert_split_frames_agree(frames: dict[str, dict[int, dict]]) -> None:
    shared = frames["1-2"].keys() & frames["3-4"].keys() & frames["all"].keys()
    assert len(shared) >= MIN_SHARED_FRAMES
    for pip in shared:
        assert frames["1-2"][pip]["universes"].keys() == {"1", "2"}
        assert {**frames["1-2"][pip]["universes"], **frames["3-4"][pip]["universes"]} == frames["all"][pip]["universes"]
    assert len({json.dumps(frames["all"][pip]["universes"]) for pip in shared}) == len(shared), "the rig moves"


LINK_NAMESPACE_SETUP = "ip link set lo up multicast on && ip route add 224.0.0.0/4 dev lo"
LINK_LEAD_S = 2.0           # the whole-rig runner's session is running when the others join it
LINK_RUN_S = 4.0
LINK_SETTLE_S = 2.0         # frames a joining runner sent before it found the session are not compared


def test_runners_following_one_link_session_send_what_one_runner_sends(tmp_path):
    # Link multicasts to find peers, so the runners share a network namespace of their own with only loopback.
    pytest.importorskip("aalink")
    if subprocess.run(["unshare", "-n", "true"], capture_output=True).returncode != 0:
        pytest.skip("cannot make a network namespace here")
    show = write_show(tmp_path, SPLIT_SHOW.replace("bpm = 124", 'bpm = 124\nclock = "link"'))
    environment = {**os.environ, "PYTHONPATH": os.pathsep.join([str(Path(__file__).parents[2]), str(RUNNER.parent)])}

    def runner(name: str, universes: str, seconds: float) -> str:
        return (f"{sys.executable} {RUNNER} {tmp_path / (name + '.jsonl')} {show} {seconds} none {universes} 9 "
                f"2>{tmp_path / (name + '.err')}")
    script = (f"{LINK_NAMESPACE_SETUP} && {{ {runner('all', 'all', LINK_LEAD_S + LINK_RUN_S + 1)} & whole=$!; "
              f"sleep {LINK_LEAD_S}; {runner('1-2', '1-2', LINK_RUN_S)} & first=$!; "
              f"{runner('3-4', '3,4', LINK_RUN_S)} & second=$!; wait $whole && wait $first && wait $second; }}")
    run = subprocess.run(["unshare", "-n", "sh", "-c", script], env=environment, timeout=RUN_TIMEOUT_S)
    assert run.returncode == 0, [(tmp_path / f"{name}.err").read_text() for name in ("all", "1-2", "3-4")]
    assert_split_frames_agree(recorded_frames(tmp_path, {"1-2": LINK_SETTLE_S, "3-4": LINK_SETTLE_S}))


@pytest.mark.parametrize("anchor_s", [-100.25, +3.0])
def test_a_runner_joins_a_shared_schedule_at_its_next_slot_and_a_wait_for_it_can_be_ended(anchor_s):
    # Started after the anchor: the first frame is the next slot of the shared schedule (nothing
    # counted as skipped). Started before it: nothing is sent until then, and a quit while waiting
    # ends the run without waiting for the anchor.
    import asyncio
    import io
    from fractions import Fraction

    from kinemorphs_show.frame_schedule import NS_PER_SECOND, FrameSchedule
    from kinemorphs_show.run.frame_loop import RunState, run_frames
    from kinemorphs_show.status_line import StatusLine
    from outputs_fakes import FixedTempoClock, RecordingOutput, ScriptedEngine

    now = [10 * NS_PER_SECOND]
    anchor = now[0] + round(anchor_s * NS_PER_SECOND)
    state, sleeps = RunState(), []

    async def sleep(duration_ns: int) -> None:
        sleeps.append(duration_ns)
        now[0] += duration_ns
        if len(sleeps) == 5 and anchor_s > 0:
            state.request_quit("SIGTERM")
    records, output, status = [], RecordingOutput(), StatusLine(io.StringIO())
    engine = ScriptedEngine()
    schedule = FrameSchedule.starting(anchor, 44.0)
    asyncio.run(run_frames(engine, FixedTempoClock(start_ns=anchor), [output], schedule, state, status,
                           stop_at_ns=max(now[0], anchor) + NS_PER_SECOND, on_frame=records.append, now_ns=lambda: now[0],
                           sleep=sleep, join=True))
    if anchor_s < 0:
        assert records[0].index == schedule.first_index_not_before(10 * NS_PER_SECOND) and status.skipped_frames == 0
        assert engine.positions[0][0] == Fraction(records[0].index * 120 * 64, 60 * 44)
    else:
        assert records == [] and state.stop_reason == "SIGTERM" and max(sleeps) <= NS_PER_SECOND // 10


@pytest.mark.parametrize(("show_text", "options", "message"), [
    (SPLIT_SHOW, {"universes": "5-9"}, "none of the show's universes (1, 2, 3, 4)"),
    (SPLIT_SHOW.replace("bpm = 124", 'bpm = 124\nclock = "link"'), {"start_at": "0"}, "needs the internal clock"),
])
def test_a_selection_or_anchor_the_show_cannot_take_exits_2(tmp_path, show_text, options, message, capsys):
    from kinemorphs_show.run.command import run_command
    options = {**options, "start_at": f"{time.time():.3f}"} if "start_at" in options else options
    assert run_command(str(write_show(tmp_path, show_text)), 1.0, None, ["osc://127.0.0.1:9"], **options) == 2
    assert message in capsys.readouterr().err


def test_a_cancelled_run_stops_its_frame_thread_before_returning():
    # Whatever cancels the run, home must not race a frame still being sent from the frame thread.
    import asyncio
    import io

    from kinemorphs_show.frame_schedule import FrameSchedule
    from kinemorphs_show.run.frame_loop import RunState, run_frames_on_a_thread
    from kinemorphs_show.status_line import StatusLine
    from outputs_fakes import FixedTempoClock, RecordingOutput, ScriptedEngine

    output, state = RecordingOutput(), RunState()

    async def cancelled_run() -> int:
        start = time.monotonic_ns()
        task = asyncio.ensure_future(run_frames_on_a_thread(
            ScriptedEngine(), FixedTempoClock(start_ns=start), [output], FrameSchedule.starting(start, 100.0),
            state, StatusLine(io.StringIO())))
        await asyncio.sleep(0.1)
        task.cancel()
        with pytest.raises(asyncio.CancelledError):
            await task
        return len(output.frames)
    sent = asyncio.run(cancelled_run())
    time.sleep(0.05)
    assert state.stop_reason == "cancelled" and sent > 0 and len(output.frames) == sent


def test_a_runner_whose_shared_timeline_jumps_realigns_its_frames_on_the_grid():
    # The session's timeline jumps by 0.45 of a frame (as when a runner finds its peers): taken
    # at the nearest grid point, each frame would leave up to half a frame before or after the
    # other runners send it. The schedule restarts on the grid: within a quarter frame of it.
    import asyncio
    import io
    from fractions import Fraction

    from kinemorphs_show.frame_schedule import NS_PER_SECOND, FrameSchedule
    from kinemorphs_show.run.frame_grid import pips_per_frame, session_tempo
    from kinemorphs_show.run.frame_loop import RunState, run_frames
    from kinemorphs_show.status_line import StatusLine
    from outputs_fakes import FixedTempoClock, RecordingOutput, ScriptedEngine

    stride = pips_per_frame(session_tempo(120.0), Fraction(44))
    jump_ns = NS_PER_SECOND // 2

    class JumpingClock(FixedTempoClock):
        def position(self, t_ns=None):
            return super().position(t_ns) + (stride * Fraction(45, 100) if t_ns >= jump_ns else 0)
    now, records, clock = [0], [], JumpingClock(start_ns=0)

    async def sleep(duration_ns: int) -> None:
        now[0] += duration_ns + 300_000          # every wake-up a little late
    engine = ScriptedEngine()
    asyncio.run(run_frames(engine, clock, [RecordingOutput()], FrameSchedule.starting(0, 44.0), RunState(),
                           StatusLine(io.StringIO()), stop_at_ns=2 * NS_PER_SECOND, now_ns=lambda: now[0],
                           sleep=sleep, on_frame=records.append, on_shared_grid=True))
    sent = [position for position, _ in engine.positions]
    assert all(position % stride == 0 for position in sent) and len(set(sent)) == len(sent)
    late = [abs(clock.position(record.deadline_ns) - position) / stride for record, position in zip(records, sent)]
    assert sum(offset > Fraction(1, 4) for offset in late) == 1      # the frame at the jump, and no other
