import asyncio
import io
import os
import pty
import signal
import socket
import termios
import time
from fractions import Fraction

import pytest

from kinemorphs_show.controls import Action, Command, apply_command, command_for_osc, commands_for_keys
from kinemorphs_show.frame_schedule import NS_PER_SECOND, FrameSchedule
from kinemorphs_show.run.command import run_command, run_show
from kinemorphs_show.run.frame_loop import RunState, run_frames
from kinemorphs_show.outputs.preview import PreviewOutput
from kinemorphs_show.run.live_controls import STOP_SIGNALS, parse_osc_in
from kinemorphs_show.status_line import StatusLine
from outputs_fakes import HOME, FixedTempoClock, RecordingOutput, ScriptedEngine, free_udp_port

START_NS = 5 * NS_PER_SECOND
FRAME_NS_AT_44 = NS_PER_SECOND / 44


class FakeTime:
    """A monotonic clock that only moves when the run loop sleeps or a frame does work."""

    def __init__(self, oversleep_ns: int = 0) -> None:
        self.now = START_NS
        self.oversleep_ns = oversleep_ns

    def now_ns(self) -> int:
        return self.now

    async def sleep(self, duration_ns: int) -> None:
        self.now += duration_ns + self.oversleep_ns


def run_with_fake_time(engine, fake: FakeTime, frames: int, rate: float = 44.0, state=None):
    records = []
    clock = FixedTempoClock(start_ns=START_NS)
    output = RecordingOutput()
    schedule = FrameSchedule.starting(START_NS, rate)
    status = StatusLine(io.StringIO())
    asyncio.run(run_frames(engine, clock, [output], schedule, state or RunState(), status,
                           stop_at_ns=schedule.deadline_ns(frames), on_frame=records.append,
                           now_ns=fake.now_ns, sleep=fake.sleep))
    return records, output, status


@pytest.mark.parametrize("rate", [44.0, 29.97, 60.0, 7.5])
def test_deadlines_are_exact_and_invertible(rate):
    schedule = FrameSchedule.starting(START_NS, rate)
    exact = Fraction(rate).limit_denominator(1000)
    frames_per_hour = 3600 * exact
    assert frames_per_hour.denominator == 1 or rate == 29.97
    whole_hours = int(frames_per_hour * exact.denominator)      # a whole number of frames and seconds
    assert schedule.deadline_ns(whole_hours) == START_NS + 3600 * exact.denominator * NS_PER_SECOND
    for index in (0, 1, 2, 43, 44, 1_000_003):
        deadline = schedule.deadline_ns(index)
        assert schedule.first_index_not_before(deadline) == index
        assert schedule.first_index_not_before(deadline + 1) == index + 1
    assert schedule.first_index_not_before(START_NS - NS_PER_SECOND) == 0


def test_late_wakeups_do_not_accumulate_into_drift():
    fake = FakeTime(oversleep_ns=3_000_000)        # every wake-up is 3 ms late
    records, output, status = run_with_fake_time(ScriptedEngine(), fake, frames=44 * 60)
    assert len(records) == 44 * 60 and status.skipped_frames == 0
    assert [r.deadline_ns for r in records] == [START_NS + i * NS_PER_SECOND // 44 for i in range(44 * 60)]
    assert {r.lateness_ns for r in records[1:]} == {3_000_000}
    assert records[-1].deadline_ns - START_NS == 59 * NS_PER_SECOND + 43 * NS_PER_SECOND // 44


def test_frames_sample_the_clock_at_their_deadline():
    fake = FakeTime(oversleep_ns=1_000_000)
    records, output, _ = run_with_fake_time(ScriptedEngine(), fake, frames=100)
    clock = FixedTempoClock(start_ns=START_NS)
    assert [f.pip for f in output.frames] == [clock.pip(r.deadline_ns) for r in records]
    assert [r.frame for r in records] == output.frames


def test_a_slow_frame_skips_the_missed_slots_instead_of_bursting():
    fake = FakeTime()

    def slow_tenth_frame(frames_made: int) -> None:
        if frames_made == 10:
            fake.now += round(3.5 * FRAME_NS_AT_44)
    records, _, status = run_with_fake_time(ScriptedEngine(on_frame=slow_tenth_frame), fake, frames=44)
    # Frame 9 is computed from deadline 8 on and leaves 2.5 periods late; slots 10 and 11 are gone.
    indexes = [r.index for r in records]
    assert indexes[:10] == list(range(10)) and indexes[10] == 12
    assert records[9].lateness_ns == round(2.5 * FRAME_NS_AT_44)
    assert status.skipped_frames == 2 and len(records) == 42


def test_quit_stops_before_the_next_frame():
    fake = FakeTime()
    state = RunState()

    def quit_on_fifth(frames_made: int) -> None:
        if frames_made == 5:
            state.request_quit()
    records, _, _ = run_with_fake_time(ScriptedEngine(on_frame=quit_on_fifth), fake, frames=44, state=state)
    assert len(records) == 4, "the frame being prepared when quit came is not sent"


@pytest.mark.parametrize("way_out", ["end", "q", "error", *STOP_SIGNALS], ids=str)
def test_every_way_out_sends_home_last_and_restores_the_terminal(way_out, monkeypatch):
    master, replica = pty.openpty()
    terminal_mode = termios.tcgetattr(replica)
    engine = ScriptedEngine(fail_at_frame=3 if way_out == "error" else None)

    def at_third_frame(frames_made: int) -> None:
        if frames_made == 3 and way_out == "q":
            os.write(master, b"q")
        elif frames_made == 3 and isinstance(way_out, signal.Signals):
            os.kill(os.getpid(), way_out)
    engine.on_frame = at_third_frame
    output, homes = RecordingOutput(), []
    with os.fdopen(replica, "r") as terminal:
        monkeypatch.setattr("sys.stdin", terminal)
        run = run_show(engine, FixedTempoClock(start_ns=time.monotonic_ns()), [output], 100.0,
                       seconds=0.1 if way_out == "end" else 60.0, on_home=homes.append,
                       status=StatusLine(io.StringIO()))
        if way_out == "error":
            with pytest.raises(RuntimeError):
                asyncio.run(run)
        else:
            assert asyncio.run(run) == 0
        assert termios.tcgetattr(replica) == terminal_mode, "echo and canonical mode are back"
    os.close(master)
    assert output.frames[-1] == HOME and homes == [HOME] and output.closed
    assert HOME not in output.frames[:-1] and len(output.frames) < 100


@pytest.mark.parametrize(("failing", "reason"), [
    ("the home frame", "cannot send (Network is unreachable)"),
    ("every frame", "universe 0 cannot be sent on sacn"),
])
def test_a_run_whose_home_frame_did_not_leave_exits_3_saying_why(failing, reason):
    broken = RecordingOutput(destination="sacn://127.0.0.1:5568", problem=reason,
                             home_only=failing == "the home frame")
    healthy = RecordingOutput()
    status = StatusLine(io.StringIO())
    code = asyncio.run(run_show(ScriptedEngine(), FixedTempoClock(start_ns=time.monotonic_ns()), [broken, healthy], 1000.0,
                                seconds=0.005, status=status))
    summary = status.stream.getvalue().splitlines()[-1]
    assert code == 3 and healthy.frames[-1] == HOME and broken.frames[-1] == HOME
    assert "every fixture sent home" not in summary.replace("NOT every", "")
    assert f"sacn://127.0.0.1:5568: {reason}" in summary


def test_a_run_stopped_by_an_error_exits_3_in_one_line_after_sending_home(tmp_path, monkeypatch, capsys):
    from show_builders import BASE_SHOW, write_show
    engine = ScriptedEngine(fail_at_frame=3)
    monkeypatch.setattr("kinemorphs_show.run.command.Engine", lambda show: engine)
    homes = []
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
        sink.bind(("127.0.0.1", 0))
        code = run_command(str(write_show(tmp_path, BASE_SHOW)), 30.0, None,
                           [f"osc://127.0.0.1:{sink.getsockname()[1]}"], on_home=homes.append)
    errors = capsys.readouterr().err
    assert code == 3 and homes == [HOME] and "Traceback" not in errors
    assert "the run failed: RuntimeError: engine failed" in errors


@pytest.mark.parametrize("bpm", [1000.0, 10.0])
def test_a_tempo_the_clock_cannot_run_is_refused_in_one_line(bpm, tmp_path, capsys):
    from show_builders import BASE_SHOW, write_show
    assert run_command(str(write_show(tmp_path, BASE_SHOW)), 1.0, bpm, ["preview"]) == 2
    errors = capsys.readouterr().err
    assert "BPM must be within 20..400" in errors and "Traceback" not in errors


def test_a_closed_preview_pipe_ends_the_run_and_the_network_still_gets_home():
    class ClosedPipe(io.StringIO):
        def write(self, text: str) -> int:
            raise BrokenPipeError(32, "Broken pipe")
    preview, network = PreviewOutput(ClosedPipe()), RecordingOutput()
    code = asyncio.run(run_show(ScriptedEngine(), FixedTempoClock(start_ns=time.monotonic_ns()), [preview, network],
                                100.0, seconds=60.0, status=StatusLine(io.StringIO())))
    assert code == 0 and network.frames[-1] == HOME and len(network.frames) == 2


def test_osc_controls_reach_the_engine_and_quit_the_run():
    from pythonosc.udp_client import SimpleUDPClient
    port = free_udp_port()
    engine = ScriptedEngine()
    clock = FixedTempoClock(start_ns=time.monotonic_ns())
    output = RecordingOutput()
    sender = SimpleUDPClient("127.0.0.1", port)
    script = {2: ("/kinemorphs/next", []), 4: ("/kinemorphs/bpm", [128.0]), 6: ("/kinemorphs/cue", [3]),
              8: ("/kinemorphs/tap", []), 10: ("/kinemorphs/quit", [])}

    def send_scripted(frames_made: int) -> None:
        if frames_made in script:
            sender.send_message(*script[frames_made])
    engine.on_frame = send_scripted
    code = asyncio.run(run_show(engine, clock, [output], 100.0, seconds=10.0, osc_in=("127.0.0.1", port),
                                status=StatusLine(io.StringIO())))
    sender.close()
    assert code == 0 and output.frames[-1] == HOME and len(output.frames) < 100
    assert engine.calls == [("go", 1), ("go", 2)]
    assert [name for name, _ in clock.calls] == ["bpm", "tap"] and clock.bpm == 128.0


def osc_bundle(address: str, args: list, seconds_ahead: float | None) -> bytes:
    from pythonosc.osc_bundle_builder import IMMEDIATELY, OscBundleBuilder
    from pythonosc.osc_message_builder import build_msg
    builder = OscBundleBuilder(IMMEDIATELY if seconds_ahead is None else time.time() + seconds_ahead)
    builder.add_content(build_msg(address, args))
    return builder.build().dgram


def test_received_osc_never_blocks_the_show_and_bad_values_are_refused_without_a_traceback(capsys):
    """A bundle tagged a year ahead, values that are not finite, a packet that does not parse: frames go on."""
    import socket
    port = free_udp_port()
    engine = ScriptedEngine()
    clock = FixedTempoClock(start_ns=time.monotonic_ns())
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    script = {
        2: osc_bundle("/kinemorphs/quit", [], seconds_ahead=365 * 24 * 3600.0),
        3: osc_bundle("/kinemorphs/next", [], seconds_ahead=0.05),     # honoured, later, without blocking
        4: osc_bundle("/kinemorphs/nudge", [float("nan")], None),
        5: osc_bundle("/kinemorphs/bpm", [float("inf")], None),
        6: osc_bundle("/kinemorphs/cue", [float("nan")], None),
        7: osc_bundle("/kinemorphs/nudge", [-1e12], None),
        8: b"#bundle\x00garbage",
        40: osc_bundle("/kinemorphs/quit", [], None),
    }
    engine.on_frame = lambda made: sender.sendto(script[made], ("127.0.0.1", port)) if made in script else None
    status = StatusLine(io.StringIO())
    code = asyncio.run(run_show(engine, clock, [RecordingOutput()], 100.0, seconds=10.0,
                                osc_in=("127.0.0.1", port), status=status))
    sender.close()
    assert code == 0 and 40 <= engine.frames_made < 100, "the year-ahead quit neither froze nor ended the show"
    assert engine.calls == [("go", 1)]
    assert [name for name, _ in clock.calls] == ["nudge"] and clock.calls[0][1] == -BEAT_MS_AT_120
    assert "Traceback" not in capsys.readouterr().err
    refused = status.stream.getvalue()
    for what in ("ahead", "nudge nan", "bpm inf", "cue nan", "nudge -1e+12", "does not parse"):
        assert refused.count(what) == 1, what


def test_an_output_that_cannot_open_stops_the_run_before_anything_is_sent(capsys):
    async def cannot_resolve() -> None:
        raise ValueError("cannot resolve 'nowhere.invalid'")
    sent_first, unresolvable = RecordingOutput(), RecordingOutput()
    unresolvable.open = cannot_resolve
    code = asyncio.run(run_show(ScriptedEngine(), FixedTempoClock(), [sent_first, unresolvable], 44.0,
                                seconds=1.0, status=StatusLine(io.StringIO())))
    assert code == 2 and sent_first.frames == [] and sent_first.closed
    assert "nowhere.invalid" in capsys.readouterr().err


@pytest.mark.parametrize(("keys", "actions"), [
    ("t n p q", [Action.TAP, Action.TAP, Action.NEXT, Action.TAP, Action.PREVIOUS, Action.TAP, Action.QUIT]),
    ("\x1b[C\x1b[Db", [Action.NEXT, Action.PREVIOUS, Action.RESYNC]),
    ("xyz\x1b[A", []),
    ("[]", [Action.NUDGE, Action.NUDGE]),
])
def test_keys_become_commands(keys, actions):
    assert [c.action for c in commands_for_keys(keys)] == actions


@pytest.mark.parametrize(("address", "args", "expected"), [
    ("/kinemorphs/next", (), Command(Action.NEXT)),
    ("/kinemorphs/bpm", (126.5,), Command(Action.BPM, 126.5)),
    ("/kinemorphs/cue", (1,), Command(Action.CUE, 1.0)),
    ("/kinemorphs/nudge", (-5,), Command(Action.NUDGE, -5.0)),
    ("/kinemorphs/bpm", (), None),
    ("/kinemorphs/bpm", ("fast",), None),
    ("/kinemorphs/cue", (True,), None),
    ("/kinemorphs/explode", (), None),
    ("/other/next", (), None),
])
def test_osc_messages_become_commands(address, args, expected):
    assert command_for_osc(address, args) == expected


NAN, INF = float("nan"), float("inf")
BEAT_MS_AT_120 = 500.0


@pytest.mark.parametrize(("command", "engine_calls", "clock_calls", "refused"), [
    (Command(Action.CUE, 3.0), [("go", 2)], [], False),             # cue numbers count from 1
    (Command(Action.CUE, 1.0), [("go", 0)], [], False),
    *[(Command(Action.CUE, value), [], [], True) for value in (4.0, 0.0, -1.0, 1.5, NAN, INF)],
    *[(Command(Action.BPM, value), [], [], True) for value in (0.0, 10.0, 1e9, INF, NAN)],
    (Command(Action.BPM, 90.0), [], [("bpm", 90.0)], False),
    *[(Command(Action.NUDGE, value), [], [], True) for value in (NAN, INF, -INF)],
    (Command(Action.NUDGE, -1e12), [], [("nudge", -BEAT_MS_AT_120)], True),   # at most a beat per message
    (Command(Action.NUDGE, 20.0), [], [("nudge", 20.0)], False),
    (Command(Action.RESYNC), [], [("resync", 7)], False),
])
def test_commands_are_bounded_and_refusals_reported(command, engine_calls, clock_calls, refused):
    engine, clock = ScriptedEngine(), FixedTempoClock()
    refusal = apply_command(command, engine, clock, 7, lambda: None)
    assert engine.calls == engine_calls and clock.calls == clock_calls
    assert (refusal is not None) == refused


@pytest.mark.parametrize(("text", "expected"), [
    ("9000", ("127.0.0.1", 9000)), ("0.0.0.0:9001", ("0.0.0.0", 9001)), ("[::1]:9002", ("::1", 9002)),
])
def test_osc_control_address(text, expected):
    assert parse_osc_in(text) == expected


@pytest.mark.parametrize("text", ["", "port", "127.0.0.1:", "70000", "0"])
def test_bad_osc_control_address(text):
    with pytest.raises(ValueError, match="OSC control port"):
        parse_osc_in(text)


def test_status_line_reports_rate_lateness_and_limited_fixtures():
    fake = FakeTime(oversleep_ns=2_000_000)
    records, _, status = run_with_fake_time(ScriptedEngine(), fake, frames=100)
    lines = status.stream.getvalue().splitlines()
    assert len(lines) == 2                   # one line per second into a log
    assert "120.0 BPM" in lines[0] and "cue fan" in lines[0]
    frames_per_second = float(lines[0].split(" fps")[0].rsplit(" ", 1)[1])
    assert frames_per_second == pytest.approx(44, abs=0.2)
    assert "worst 2.0 ms late" in lines[0] and lines[0].endswith("limited: head/2")


@pytest.mark.parametrize(("outputs", "seconds", "bpm", "options", "message"), [
    (["bogus"], None, None, {}, "bad output 'bogus'"),
    (["osc://127.0.0.1"], None, None, {}, "osc needs a port"),
    ([], 0.0, None, {}, "--seconds must be positive"),
    ([], None, -120.0, {}, "--bpm must be positive"),
    ([], None, None, {"universes": "0-4"}, "universes run from 1 to 63999"),
    ([], None, None, {"universes": "1,x"}, "bad universe list"),
    ([], None, None, {"start_at": "2026-12-11T15:00:00"}, "give the time zone"),
    ([], None, None, {"start_at": "1e99999999999"}, "more than a week"),
])
def test_bad_command_lines_exit_2_with_nothing_sent(outputs, seconds, bpm, options, message, capsys):
    import socket
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as receiver:
        receiver.bind(("127.0.0.1", 0))
        receiver.setblocking(False)
        good = f"artnet://127.0.0.1:{receiver.getsockname()[1]}"
        assert run_command("no-such-show.toml", seconds, bpm, [good, *outputs], **options) == 2
        with pytest.raises(BlockingIOError):
            receiver.recv(1)
    assert message in capsys.readouterr().err


def test_keys_on_a_terminal_change_cue_and_quit(monkeypatch):
    import os
    import pty
    import termios
    master, replica = pty.openpty()
    terminal_mode = termios.tcgetattr(replica)
    engine = ScriptedEngine()

    def press_keys(frames_made: int) -> None:
        if frames_made == 3:
            os.write(master, b"n\x1b[C")
        if frames_made == 6:
            os.write(master, b"q")
    engine.on_frame = press_keys
    output = RecordingOutput()
    with os.fdopen(replica, "r") as terminal:
        monkeypatch.setattr("sys.stdin", terminal)
        code = asyncio.run(run_show(engine, FixedTempoClock(start_ns=time.monotonic_ns()), [output], 100.0,
                                    seconds=10.0, status=StatusLine(io.StringIO())))
        assert termios.tcgetattr(replica) == terminal_mode, "the terminal is restored"
    os.close(master)
    assert code == 0 and engine.calls == [("go", 1), ("go", 2)] and output.frames[-1] == HOME


def test_status_line_names_a_few_held_fixtures_and_counts_the_rest():
    from kinemorphs_show.engine import FixtureFrame, Frame
    from kinemorphs_show.status_line import FrameRecord

    fixtures = tuple(FixtureFrame(f"head {n}", 0, 0, 0, 0, 0, n < 10, 0.5 if n == 3 else 1.0) for n in range(512))
    status = StatusLine(io.StringIO())
    for index in range(2):
        status.note(FrameRecord(index, 0, index * 2_000_000_000, Frame(index, "fan", {}, fixtures)), 120.0, (1, 1))
    line = status.stream.getvalue()
    assert "limited: head 0, head 1, head 2, head 3 and 6 more  reduced: head 3\n" in line
