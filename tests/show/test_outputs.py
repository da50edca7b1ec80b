import asyncio
import errno
import io
import socket
import threading
import time

import numpy as np
import pytest

from kinemorphs_show.outputs import OutputKind, OutputDestination, OutputOptions, open_output, parse_output_destination
from kinemorphs_show.outputs.failure_report import FailureReport
from kinemorphs_show.outputs.preview import BAR_WIDTH, PreviewOutput, displacement_bar
from kinemorphs_show.engine import FixtureFrame, Frame
from kinemorphs_show.frame import DmxUniverses
from outputs_fakes import DMX_CHANNELS, frame_at, free_udp_port

RECEIVE_TIMEOUT_S = 5.0
POLL_S = 0.01


def wait_for(condition, timeout_s: float = RECEIVE_TIMEOUT_S) -> None:
    deadline = time.monotonic() + timeout_s
    while not condition():
        assert time.monotonic() < deadline, "nothing received in time"
        time.sleep(POLL_S)


def send_frames(destination: OutputDestination, frames, options: OutputOptions = OutputOptions()) -> list:
    """What each send reported (None when the whole frame left)."""
    async def run() -> list:
        output = open_output(destination, options)
        await output.open()
        try:
            return [output.send(frame) for frame in frames]
        finally:
            await output.close()
    return asyncio.run(run())


@pytest.mark.parametrize(("text", "expected"), [
    ("preview", OutputDestination(OutputKind.PREVIEW)),
    (" Preview ", OutputDestination(OutputKind.PREVIEW)),
    ("sacn://127.0.0.1", OutputDestination(OutputKind.SACN, "127.0.0.1", 5568)),
    ("artnet://10.0.0.5", OutputDestination(OutputKind.ARTNET, "10.0.0.5", 6454)),
    ("ARTNET://Node-3.local:7000", OutputDestination(OutputKind.ARTNET, "node-3.local", 7000)),
    ("osc://[::1]:9000", OutputDestination(OutputKind.OSC, "::1", 9000)),
    ("sacn://127.0.0.1:65535/", OutputDestination(OutputKind.SACN, "127.0.0.1", 65535)),
    ("sacn://", OutputDestination(OutputKind.SACN, "", 5568)),              # multicast, a group per universe
    ("sacn://:5569", OutputDestination(OutputKind.SACN, "", 5569)),
])
def test_output_destinations_are_read(text, expected):
    assert parse_output_destination(text) == expected
    assert parse_output_destination(str(expected)) == expected


@pytest.mark.parametrize(("text", "reason"), [
    ("prev", "not a known output"),
    ("", "not a known output"),
    ("dmx://127.0.0.1", "unknown protocol"),
    ("preview://x", "takes no address"),
    ("osc://127.0.0.1", "needs a port"),
    ("artnet://", "host is missing"),
    ("osc://:9000", "host is missing"),
    ("artnet://127.0.0.1:0", "port must be"),
    ("artnet://127.0.0.1:70000", "port must be"),
    ("artnet://127.0.0.1:x", "port must be"),
    ("sacn://127.0.0.1/universe/1", "only a host and a port"),
    ("osc://user@127.0.0.1:9000", "only a host and a port"),
    ("osc://127.0.0.1:9000?x=1", "only a host and a port"),
])
def test_bad_output_destinations_name_the_text_and_the_forms(text, reason):
    with pytest.raises(ValueError) as caught:
        parse_output_destination(text)
    message = str(caught.value)
    assert repr(text) in message and reason in message and "osc://HOST:PORT" in message


def test_sacn_packets_decode_with_an_independent_receiver():
    sacn = pytest.importorskip("sacn")
    port = free_udp_port()
    received: dict[int, list] = {1: [], 7: []}
    receiver = sacn.sACNreceiver(bind_address="127.0.0.1", bind_port=port)
    for universe, packets in received.items():
        receiver.register_listener("universe", packets.append, universe=universe)
    receiver.start()
    try:
        frames = [frame_at(pip, universes=(1, 7)) for pip in (0, 1, 2)]
        send_frames(parse_output_destination(f"sacn://127.0.0.1:{port}"), frames)
        wait_for(lambda: all(len(packets) == len(frames) for packets in received.values()))
    finally:
        receiver.stop()
    for universe, packets in received.items():
        assert [bytes(p.dmxData) for p in packets] == [f.universes[universe] for f in frames]
        assert all(p.dmxStartCode == 0 for p in packets)
        sequences = [p.sequence for p in packets]
        assert sequences == sorted(set(sequences)), "each universe's sequence number advances"


@pytest.mark.parametrize("protocol", ["artnet", "sacn"])
def test_dmx_packets_rewritten_in_place_equal_packets_built_whole(protocol):
    """Each universe's packet is built once and rewritten each frame: over the sequence's wrap,
    from the engine's universes array and from plain bytes, every datagram must be the whole packet."""
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.bind(("127.0.0.1", 0))
    receiver.settimeout(RECEIVE_TIMEOUT_S)
    frames = [frame_at(pip, universes=(1, 7)) for pip in range(300)]
    frames[1::2] = [Frame(f.pip, f.cue, DmxUniverses((1, 7), np.array([np.frombuffer(f.universes[u], np.uint8)
                                                                         for u in (1, 7)])), f.fixtures)
                    for f in frames[1::2]]
    destination = parse_output_destination(f"{protocol}://127.0.0.1:{receiver.getsockname()[1]}")
    output = open_output(destination)
    packets = output._packets

    async def run() -> None:
        await output.open()
        for frame in frames:
            assert output.send(frame) is None
            for universe in (1, 7):
                assert receiver.recv(2048) == packets.packet(universe, frame.pip, bytes(frame.universes[universe]))
        await output.close()
    try:
        asyncio.run(run())
    finally:
        receiver.close()


@pytest.mark.parametrize(("base", "port_addresses"), [(1, (0, 3)), (300, (299, 302))])
def test_artnet_packets_decode_with_an_independent_receiver(base, port_addresses):
    python_artnet = pytest.importorskip("python_artnet")
    port = free_udp_port()
    receiver = python_artnet.Artnet(BINDIP="127.0.0.1", PORT=port, UNILENGTH=512)
    try:
        # The receiver opens its socket on its own thread: send only once it listens.
        wait_for(lambda: hasattr(receiver, "sock") and receiver.sock.getsockname()[1] == port)
        frame = frame_at(5, universes=(0, 3))
        # Show universe u goes to port-address base + u - 1.
        send_frames(parse_output_destination(f"artnet://127.0.0.1:{port}"), [frame], OutputOptions(artnet_base=base))

        def both_universes_arrived() -> bool:
            buffer = receiver.readBuffer()
            return all(getattr(buffer[u], "data", None) is not None for u in port_addresses)
        wait_for(both_universes_arrived)
        buffer = receiver.readBuffer()
        for universe, address in zip((0, 3), port_addresses):
            packet = buffer[address]
            assert packet.opCode == 0x5000 and packet.universe == address and packet.length == DMX_CHANNELS
            assert bytes(packet.data) == frame.universes[universe]
    finally:
        receiver.close()


def test_osc_bundles_decode_with_an_independent_receiver():
    liblo = pytest.importorskip("pyliblo3")
    server = liblo.Server(None, liblo.UDP)
    messages: list[tuple[str, list]] = []
    server.add_method(None, None, lambda path, args: messages.append((path, args)))
    frame = frame_at(321, cue="a -> b")
    listening = threading.Event()

    def receive() -> None:
        listening.set()
        deadline = time.monotonic() + RECEIVE_TIMEOUT_S
        while len(messages) < 9 and time.monotonic() < deadline:
            server.recv(50)
    thread = threading.Thread(target=receive)
    thread.start()
    listening.wait()
    send_frames(parse_output_destination(f"osc://127.0.0.1:{server.port}"), [frame])
    thread.join()
    server.free()
    assert dict(messages) == {
        "/kinemorphs/frame": [321, "a -> b", 1, 1],
        "/kinemorphs/fixture/head_1/xyz": [0.5, -0.25, 0.0],
        "/kinemorphs/fixture/head_1/pan_tilt": [30.0, -12.5],
        "/kinemorphs/fixture/head_1/limited": [0],
        "/kinemorphs/fixture/head_1/size_scale": [1.0],
        "/kinemorphs/fixture/head_2/xyz": [-1.0, 1.0, 0.125],
        "/kinemorphs/fixture/head_2/pan_tilt": [-90.0, 45.0],
        "/kinemorphs/fixture/head_2/limited": [1],
        "/kinemorphs/fixture/head_2/size_scale": [1.0],
    }


@pytest.mark.parametrize("protocol", ["artnet", "sacn", "osc"])
@pytest.mark.parametrize("route_at_start", [True, False])
def test_a_receiver_that_goes_away_is_reported_once_and_retried_until_back(protocol, route_at_start, monkeypatch,
                                                                           capsys):
    outage_frames = range(3, 13)
    frame_number = [0]
    real_send, real_sendto = socket.socket.send, socket.socket.sendto

    def with_outage(send):
        def send_or_fail(sock, data, *address):
            # The network to the receiver is gone for a stretch of frames, as when a cable is pulled.
            if frame_number[0] in outage_frames:
                raise OSError(errno.ENETUNREACH, "Network is unreachable")
            return send(sock, data, *address)
        return send_or_fail

    def no_route(sock, address):
        raise OSError(errno.ENETUNREACH, "Network is unreachable")
    monkeypatch.setattr(socket.socket, "send", with_outage(real_send))
    monkeypatch.setattr(socket.socket, "sendto", with_outage(real_sendto))
    if not route_at_start:  # the run starts anyway, sending to the address each time
        monkeypatch.setattr(socket.socket, "connect", no_route)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
        sink.bind(("127.0.0.1", 0))
        sink.settimeout(RECEIVE_TIMEOUT_S)

        async def run() -> FailureReport:
            output = open_output(parse_output_destination(f"{protocol}://127.0.0.1:{sink.getsockname()[1]}"))
            await output.open()
            for frame_number[0] in range(20):
                output.send(frame_at(frame_number[0]))
            await output.close()
            return output.report
        report = asyncio.run(run())
        datagrams = 0
        sink.setblocking(False)
        while True:
            try:
                sink.recv(65536)
            except BlockingIOError:
                break
            datagrams += 1
    errors = capsys.readouterr().err
    assert errors.count("cannot send") == 1 and errors.count("sending again") == 1
    assert report.outages == 1 and not report.failing
    closing = 3 if protocol == "sacn" else 0      # sACN's stream-terminated packets on close
    assert datagrams == 20 - len(outage_frames) + closing, "every frame outside the outage went out"


@pytest.mark.parametrize("protocol", ["artnet", "osc"])
def test_a_receiver_not_listening_yet_is_no_failure_and_gets_every_frame_once_it_listens(protocol):
    port = free_udp_port()

    async def run() -> list:
        output = open_output(parse_output_destination(f"{protocol}://127.0.0.1:{port}"))
        await output.open()
        problems = [output.send(frame_at(pip)) for pip in range(5)]   # each refused by ICMP: nobody listens
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
            sink.bind(("127.0.0.1", port))
            sink.settimeout(RECEIVE_TIMEOUT_S)
            problems += [output.send(frame_at(pip)) for pip in range(5, 8)]
            received = [sink.recv(65536) for _ in range(3)]
        await output.close()
        return problems, received
    problems, received = asyncio.run(run())
    assert problems == [None] * 8 and len(received) == 3


def test_failure_report_announces_each_outage_and_each_recovery():
    stream = io.StringIO()
    report = FailureReport("artnet://x:1", stream)
    for outcome in ["fail", "fail", "ok", "ok", "fail", "fail", "ok"]:
        report.failed(OSError("gone")) if outcome == "fail" else report.succeeded()
    text = stream.getvalue()
    assert text.count("cannot send (gone)") == 2 and text.count("sending again") == 2
    assert report.outages == 2 and not report.failing


def test_an_invalid_universe_is_skipped_and_the_others_still_go_out(capsys):
    sacn = pytest.importorskip("sacn")
    port = free_udp_port()
    packets: list = []
    receiver = sacn.sACNreceiver(bind_address="127.0.0.1", bind_port=port)
    receiver.register_listener("universe", packets.append, universe=2)
    receiver.start()
    try:
        problems = send_frames(parse_output_destination(f"sacn://127.0.0.1:{port}"),
                               [frame_at(pip, universes=(0, 2)) for pip in range(3)])
        wait_for(lambda: len(packets) == 3)
    finally:
        receiver.stop()
    assert capsys.readouterr().err.count("universe 0 cannot be sent on sACN") == 1
    assert all("universe 0" in problem for problem in problems), "never skipped silently"


def test_sacn_carries_the_show_priority_and_title_and_terminates_each_stream_on_close():
    from sacn.messages.data_packet import DataPacket
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
        sink.bind(("127.0.0.1", 0))
        options = OutputOptions(sacn_priority=150, source_name="Main stage ✓ " + "x" * 80)
        send_frames(parse_output_destination(f"sacn://127.0.0.1:{sink.getsockname()[1]}"),
                    [frame_at(pip, universes=(1, 7)) for pip in range(2)], options)
        sink.setblocking(False)
        packets = [DataPacket.make_data_packet(sink.recv(1000)) for _ in range(2 * 2 + 2 * 3)]
    assert {(p.priority, p.sourceName) for p in packets} == {(150, "Main stage ✓ " + "x" * 48)}  # 63 bytes of UTF-8
    for universe in (1, 7):
        mine = [p for p in packets if p.universe == universe]
        assert [p.option_StreamTerminated for p in mine] == [False, False, True, True, True]
        assert [p.sequence for p in mine] == [0, 1, 2, 3, 4]


@pytest.mark.parametrize(("value", "marker_column"), [(-1.0, 0), (0.0, BAR_WIDTH // 2), (1.0, BAR_WIDTH - 1),
                                                      (-7.0, 0), (0.5, 15)])
def test_displacement_bar_marks_the_value(value, marker_column):
    bar = displacement_bar(value)
    assert len(bar) == BAR_WIDTH and bar.index("●") == marker_column and bar.count("●") == 1


def test_preview_into_a_log_writes_one_block_per_second():
    stream = io.StringIO()
    now = [0]
    preview = PreviewOutput(stream, now_ns=lambda: now[0])
    for pip in range(100):
        now[0] = pip * 25_000_000            # 40 frames per second for 2.5 s
        preview.send(frame_at(pip))
    asyncio.run(preview.close())
    blocks = [line for line in stream.getvalue().splitlines() if line.startswith("pip ")]
    assert blocks == ["pip 0  cue fan", "pip 40  cue fan", "pip 80  cue fan", "pip 99  cue fan"]
    lines = stream.getvalue().splitlines()
    assert "head 1" in lines[1] and "+30.0°" in lines[1] and "limited" not in lines[1]
    assert "head/2" in lines[2] and lines[2].endswith("limited")


def fixture_frame(pip: int, count: int, pan: float = 10.0) -> Frame:
    fixtures = tuple(FixtureFrame(f"head {n}", 0.5, -0.5, 0.0, pan, -5.0, n % 2 == 0) for n in range(count))
    return Frame(pip, "fan", {1: bytes(DMX_CHANNELS)}, fixtures)


@pytest.mark.parametrize(("fixtures", "max_datagram", "pip"), [
    (512, 1472, 2**31 + 5),        # a big rig; a pip past 32 bits
    (2, 1472, -1),
    (40, 300, 2**62),
])
def test_osc_frames_split_into_datagrams_that_fit_and_join(fixtures, max_datagram, pip):
    from pythonosc.osc_bundle import OscBundle
    from kinemorphs_show.outputs.osc import frame_bundles
    bundles = frame_bundles(fixture_frame(pip, fixtures), max_datagram)
    assert all(len(bundle) <= max_datagram for bundle in bundles)
    seen = []
    for part, data in enumerate(bundles, start=1):
        messages = [message for message in OscBundle(data)]
        assert (messages[0].address, messages[0].params) == ("/kinemorphs/frame", [pip, "fan", part, len(bundles)])
        names = [m.address.split("/")[3] for m in messages[1:]]
        assert len(names) % 4 == 0 and names[::4] == names[3::4], "a fixture's four messages travel together"
        seen += names[::4]
    assert seen == [f"head_{n}" for n in range(fixtures)]


@pytest.mark.parametrize("frame", [fixture_frame(2**64, 2), fixture_frame(0, 2, pan=1e300),
                                   Frame(0, "x", {}, (FixtureFrame("n" * 2000, 0, 0, 0, 0, 0, False),))])
def test_a_frame_osc_cannot_encode_is_a_failed_send(frame):
    from kinemorphs_show.outputs.osc import OscOutput
    stream = io.StringIO()

    async def run() -> list:
        output = OscOutput(parse_output_destination("osc://127.0.0.1:9"))
        output.report.stream = stream
        await output.open()
        problems = [output.send(frame), output.send(frame)]
        await output.close()
        return problems
    problems = asyncio.run(run())
    assert all(problem and problem.startswith("cannot send") for problem in problems)
    assert stream.getvalue().count("cannot send") == 1


@pytest.mark.parametrize(("destination", "options", "message"), [
    ("sacn://127.0.0.1", OutputOptions(sacn_priority=201), "priority"),
    ("artnet://127.0.0.1", OutputOptions(artnet_base=32768), "base port-address"),
    ("osc://127.0.0.1:9", OutputOptions(osc_max_datagram=10), "datagram size"),
])
def test_output_settings_out_of_range_are_refused_before_anything_is_sent(destination, options, message):
    with pytest.raises(ValueError, match=message):
        open_output(parse_output_destination(destination), options)


def test_osc_from_the_engine_arrays_decodes_to_every_frame_fixture_state(tmp_path):
    # One encoder over many frames: its buffer is rewritten in place, so a value left from an
    # earlier frame, a misplaced byte or a wrong byte order shows here.
    import struct as wire
    from pythonosc.osc_bundle import OscBundle
    from kinemorphs_show.engine import Engine
    from kinemorphs_show.outputs.osc import FrameEncoder
    from show_builders import fixtures_toml, make_show

    held = "max_speed = 200\nlimits = { pan = [-5, 5] }\n"
    fixtures = fixtures_toml(20, max_speed=200).replace("max_speed = 200\n", held, 5)
    show = make_show(tmp_path, fixtures, '[[cues]]\nname = "c"\npattern = "circle"\n'
                     'size = 170\nlayout = { spread_beats = 1 }\n\n[[cues]]\nname = "d"\npattern = "sway"\n'
                     'size = 10\n', bpm=180)
    engine, encoder = Engine(show), FrameEncoder(300)
    seen_limited, seen_reduced = set(), set()

    def float32(value: float) -> float:
        return wire.unpack(">f", wire.pack(">f", value))[0]
    for pip in range(0, 600, 37):
        frame = engine.frame(pip, show.bpm)
        decoded = {}
        for head, part in encoder.bundles(frame):
            for message in list(OscBundle(head + part))[1:]:
                decoded[message.address] = message.params
        assert len(decoded) == 4 * len(frame.fixtures)
        for fixture in frame.fixtures:
            prefix = f"/kinemorphs/fixture/{fixture.name}"
            assert decoded[f"{prefix}/xyz"] == [float32(v) for v in (fixture.x, fixture.y, fixture.z)]
            assert decoded[f"{prefix}/pan_tilt"] == [float32(fixture.pan_deg), float32(fixture.tilt_deg)]
            assert decoded[f"{prefix}/limited"] == [int(fixture.limited)]
            assert decoded[f"{prefix}/size_scale"] == [float32(fixture.size_scale)]
            seen_limited.add(fixture.limited)
            seen_reduced.add(fixture.size_scale < 1)
        engine.go((pip // 37) % 2, pip)
    assert seen_limited == seen_reduced == {False, True}
