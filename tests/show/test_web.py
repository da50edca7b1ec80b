"""The stage view and operator page, in Chromium (through Playwright, as the gallery test), and its API.

The show runs in the test's own event loop (run_show, as `run --web` does), so every frame it
sent is at hand; Art-Net goes to a UDP sink on loopback.
"""

import asyncio
import io
import json
import os
import shutil
import socket
import subprocess
import sys
import time
from contextlib import asynccontextmanager
from dataclasses import dataclass
from pathlib import Path

import aiohttp
import numpy as np
import pytest

from kinemorphs_show.aiming import beam_direction
from kinemorphs_show.clock import Clock
from kinemorphs_show.controls import Action, Command
from kinemorphs_show.playback.layered_engine import LayeredEngine
from kinemorphs_show.outputs import OutputOptions, open_output, parse_output_destinations
from kinemorphs_show.run.command import run_show
from kinemorphs_show.showfile import load_show
from kinemorphs_show.status_line import StatusLine
from kinemorphs_show.web.access import WebAddress
from kinemorphs_show.web.attach import WebOptions
from kinemorphs_show.web.control import command_for_message

from show_builders import write_show

REPO = Path(__file__).resolve().parents[2]
DOCS = REPO / "docs"
EXAMPLES = [path for path in (REPO / "examples" / "shows" / name
                              for name in ("quickstart.toml", "aim.toml", "layered.toml"))
            if path.exists()]
# The cue each example's stage view is shown in (default its first): one where the show sets a colour.
SCREENSHOT_CUES = {"aim": "chasing the eight"}
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
# WebGL in headless Chromium without a GPU: SwiftShader.
BROWSER_ARGS = ["--no-sandbox", "--enable-unsafe-swiftshader", "--use-angle=swiftshader"]
ARTNET_DATA_OFFSET = 18
START_TIMEOUT_S = 10.0
KEEP_UP_WINDOW_S = 2.0
KEEP_UP_SHARE = 0.9


def needs_browser():
    # CI installs Chromium and the test extra, so there a missing one is a failure, not a skip.
    if not os.environ.get("CI"):
        if CHROMIUM is None:
            pytest.skip("Chromium is not installed (.ci/run installs it)")
        pytest.importorskip("playwright")


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class ArtNetSink(asyncio.DatagramProtocol):
    def __init__(self) -> None:
        self.packets: list[tuple[int, bytes]] = []

    def datagram_received(self, data: bytes, address) -> None:
        self.packets.append((time.monotonic_ns(), data[ARTNET_DATA_OFFSET:]))


@dataclass
class Running:
    engine: LayeredEngine
    clock: Clock
    records: list
    url: str
    sink: ArtNetSink | None
    status: io.StringIO


@asynccontextmanager
async def running_show(show, host: str = "127.0.0.1", artnet: bool = False, first_cue: int = 0):
    loop = asyncio.get_running_loop()
    sink, outputs, transport = None, [], None
    if artnet:
        transport, sink = await loop.create_datagram_endpoint(ArtNetSink, local_addr=("127.0.0.1", 0))
        sink_port = transport.get_extra_info("sockname")[1]
        destinations = parse_output_destinations([f"artnet://127.0.0.1:{sink_port}"])
        outputs = [open_output(destinations[0], OutputOptions.of_show(show))]
    engine, clock, records = LayeredEngine(show, first_cue), Clock(show.bpm, grid=show.grid), []
    port = free_port()
    stream = io.StringIO()
    task = asyncio.create_task(run_show(engine, clock, outputs, show.frame_rate, on_frame=records.append,
                                        web=WebOptions(WebAddress(host, port)), status=StatusLine(stream=stream)))
    deadline = time.monotonic() + START_TIMEOUT_S
    while not records:
        assert not task.done(), task.result()
        assert time.monotonic() < deadline, "the show did not start"
        await asyncio.sleep(0.05)
    try:
        yield Running(engine, clock, records, f"http://127.0.0.1:{port}/", sink, stream)
    finally:
        task.cancel()
        outcome, = await asyncio.gather(task, return_exceptions=True)
        # The run ended only because it was cancelled: nothing on the frame thread broke it.
        assert isinstance(outcome, asyncio.CancelledError), outcome
        if transport is not None:
            transport.close()


@asynccontextmanager
async def offline_page(url: str, viewport=(1200, 675)):
    """A page whose every request beyond the show's server is cut off (and counted)."""
    from playwright.async_api import async_playwright

    async with async_playwright() as playwright:
        browser = await playwright.chromium.launch(executable_path=CHROMIUM, args=BROWSER_ARGS)
        context = await browser.new_context(viewport={"width": viewport[0], "height": viewport[1]})
        blocked = []

        async def only_the_server(route):
            if route.request.url.startswith(url.rstrip("/")):
                await route.continue_()
            else:
                blocked.append(route.request.url)
                await route.abort()
        await context.route("**/*", only_the_server)
        page = await context.new_page()
        errors = []
        page.on("pageerror", lambda error: errors.append(str(error)))
        await page.goto(url)
        await page.wait_for_function("window.stageView && window.stageView.frames > 5")
        yield page
        assert not blocked and not errors, (blocked, errors)
        await browser.close()


def record_by_index(records, index):
    return next(record for record in records if record.index == index)


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda path: path.stem)
def test_page_works_offline_draws_the_rig_and_the_beams_sent(example):
    needs_browser()
    show = load_show(example)

    async def scenario():
        first_cue = [cue.name for cue in show.cues].index(SCREENSHOT_CUES.get(example.stem, show.cues[0].name))
        async with running_show(show, first_cue=first_cue) as run, offline_page(run.url) as page:
            assert await page.evaluate("[stageView.fixtureCount, stageView.heads, stageView.webgl]") == [
                len(show.rig.fixtures), len(show.rig.fixtures), True]
            # Keeping up: the page took (nearly) every frame the show sent meanwhile, whatever the load.
            counted = "[stageView.frames, stageView.lastFrame.frame]"
            updates_before, first = await page.evaluate(counted)
            await asyncio.sleep(KEEP_UP_WINDOW_S)
            updates_after, last = await page.evaluate(counted)
            sent = sum(first < record.index <= last for record in run.records)
            updates = updates_after - updates_before
            assert updates >= KEEP_UP_SHARE * sent and sent > 0, (
                f"{updates} page updates for {sent} frames sent in {KEEP_UP_WINDOW_S:g} s")
            # One evaluation: the frame and the directions drawn from it are read together.
            index, directions = await page.evaluate("[stageView.lastFrame.frame, stageView.directions]")
            sent = record_by_index(run.records, index).frame.fixtures
            for fixture, state, drawn in zip(show.rig.fixtures, sent, directions):
                expected = beam_direction(fixture.orientation, state.pan_deg, state.tilt_deg)
                assert drawn == pytest.approx(expected, abs=1e-5), fixture.name
            # Intensity and colour as sent with that frame, where the show has light channels.
            light = await page.evaluate("[stageView.lastFrame.intensity, stageView.lastFrame.colour]")
            if sent.intensity is None:
                assert light == [None, None]
            else:
                assert np.asarray(light[0]) == pytest.approx(sent.intensity, abs=1e-4)
                assert np.asarray(light[1]) == pytest.approx(sent.colour, abs=1e-4)
            await page.screenshot(path=str(DOCS / f"stage-view-{example.stem}.png"))
            await page.set_viewport_size({"width": 390, "height": 844})
            await page.wait_for_timeout(500)
            await page.screenshot(path=str(DOCS / f"stage-view-{example.stem}-phone.png"), full_page=True)
    asyncio.run(scenario())


def test_a_cue_button_changes_the_dmx_on_the_cue_boundary(tmp_path):
    """A go waits for its cue's next beat; the DMX must change within two frames of it."""
    needs_browser()
    show = load_show(write_show(tmp_path, """\
[show]
bpm = 240
[[fixtures]]
name = "a"
address = 1
max_speed = 100000
[[cues]]
name = "still"
pattern = "circle"
size = 0
[[cues]]
name = "move"
pattern = "circle"
size = 30
start = "beat"
"""))
    beat_ns = round(60e9 / show.bpm)

    async def scenario():
        async with running_show(show, artnet=True) as run, offline_page(run.url) as page:
            still = run.sink.packets[-1][1]
            gone = []
            go = run.engine.go
            run.engine.go = lambda index, pip: (gone.append(pip), go(index, pip))
            # Click early in a beat, so the go reaches the show before the beat ends.
            while run.clock.position() % 64 > 8:
                await asyncio.sleep(0.002)
            await page.evaluate("document.querySelector('#cues [data-cue=\"2\"]').click()")
            deadline = time.monotonic() + START_TIMEOUT_S
            while not gone and time.monotonic() < deadline:
                await asyncio.sleep(0.01)
            await asyncio.sleep(2 * beat_ns / 1e9)
            assert len(gone) == 1
            boundary = -(-gone[0] // 64) * 64
            first_moving = next(r.index for r in run.records if r.frame.pip >= boundary)
            changed_ns = next(ns for ns, data in run.sink.packets if data != still)
            changed = max(r.index for r in run.records if r.sent_ns <= changed_ns)
            assert changed <= first_moving + 2
    asyncio.run(scenario())


def test_api_state_matches_the_frames_sent_and_controls_mirror_osc(tmp_path):
    show = load_show(EXAMPLES[0])

    async def scenario():
        async with running_show(show) as run, aiohttp.ClientSession() as session:
            async with session.get(run.url + "api/state") as reply:
                state = await reply.json()
            sent = record_by_index(run.records, state["frame"]).frame
            assert state["pip"] == sent.pip and state["cues"] == list(run.engine.cue_names)
            assert [(f["name"], f["pan_deg"], f["tilt_deg"], f["limited"]) for f in state["fixtures"]] == [
                (f.name, f.pan_deg, f.tilt_deg, f.limited) for f in sent.fixtures]
            replies = []
            for message in ({"command": "go", "cue": "crossfade to slow circles"}, {"command": "bpm", "value": 2},
                            {"command": "bpm", "value": 130}, {"command": "nudge", "value": "x"}):
                async with session.post(run.url + "api/control", json=message) as reply:
                    replies.append((reply.status, await reply.json()))
            assert replies == [(200, {"ok": True, "refused": None}),
                               (200, {"ok": False, "refused": "bpm 2 (not 20 to 400)"}),
                               (200, {"ok": True, "refused": None}),
                               (400, {"ok": False, "refused": "unknown control 'nudge' or a missing number"})]
            assert run.clock.bpm == 130
            # Another site's page cannot drive the show: a plain-text post, an Origin not the server's.
            async with session.post(run.url + "api/control", data=json.dumps({"command": "quit"})) as reply:
                assert reply.status == 415
            async with session.post(run.url + "api/control", json={"command": "quit"},
                                    headers={"Origin": "http://example.invalid"}) as reply:
                assert reply.status == 403
            assert not run.records[-1].frame.cue == "home"
    asyncio.run(scenario())


def test_layer_grids_releases_and_masters_reach_the_show_and_come_back():
    needs_browser()
    show = load_show(REPO / "examples" / "shows" / "layered.toml")

    async def api_state(session, url):
        async with session.get(url + "api/state") as reply:
            return await reply.json()

    async def until(predicate, read):
        deadline = time.monotonic() + START_TIMEOUT_S
        while not predicate(value := await read()):
            assert time.monotonic() < deadline, value
            await asyncio.sleep(0.02)
        return value

    async def scenario():
        async with (running_show(show) as run, offline_page(run.url) as page,
                    aiohttp.ClientSession() as session):
            state = await api_state(session, run.url)
            assert [(layer["name"], layer["released"]) for layer in state["layers"]] == [
                ("sweep", False), ("gestures", True)]
            assert state["layers"][1]["cues"] == ["centre hold", "hits", "house steps"]
            page_layer = "stageView.lastFrame.layers[1]"
            gestures = "#layers .layer[data-layer=gestures]"
            await page.click(f"{gestures} .cues [data-cue='2']")
            state = await until(lambda s: s["layers"][1]["running"] == "hits", lambda: api_state(session, run.url))
            assert not state["layers"][1]["released"]
            await until(lambda layer: layer["running"] == "hits", lambda: page.evaluate(page_layer))
            await page.click(f"{gestures} .release")
            await until(lambda s: s["layers"][1]["released"], lambda: api_state(session, run.url))
            await until(lambda layer: layer["released"], lambda: page.evaluate(page_layer))
            # Sliders: the rate as its exact step, the sizes in percent.
            for selector, value in ((f"{gestures} .rate input", 3), (f"{gestures} .size input", 50),
                                    ("#rig-size", 150)):
                await page.eval_on_selector(
                    selector, "(input, value) => { input.value = value; input.dispatchEvent(new Event('change')); }",
                    value)
            await until(lambda s: s["layers"][1]["rate"] == 2 and s["layers"][1]["size"] == 0.5
                        and s["size_master"] == 1.5, lambda: api_state(session, run.url))
            assert run.engine.layer_rate(1) == 2 and run.engine.rig_size == 1.5
            # Out of bounds is refused as OSC refuses it, and the show keeps its masters.
            replies = []
            async with session.post(run.url + "api/control", json={"command": "go", "layer": 2, "cue": "hits"}) as reply:
                assert (await reply.json())["ok"]  # a layer by number, its cue by name
            for message in ({"command": "rate", "layer": "gestures", "value": 8},
                            {"command": "size", "layer": "sweep", "value": 3},
                            {"command": "go", "layer": "nope", "cue": 1}):
                async with session.post(run.url + "api/control", json=message) as reply:
                    replies.append((await reply.json())["refused"])
            assert [refused.split(" (")[0] for refused in replies] == ["rate 8", "size 3", "layer 'nope'"]
            assert run.engine.layer_rate(1) == 2 and run.engine.layer_size(0) == 1.0
    asyncio.run(scenario())


def test_off_loopback_every_request_needs_the_token(capsys):
    show = load_show(EXAMPLES[0])

    async def scenario():
        # Bound to every address, reached through loopback (nothing leaves the machine).
        async with running_show(show, host="0.0.0.0") as run, aiohttp.ClientSession() as session:
            token = capsys.readouterr().err.split("the token ")[1].split()[0]
            base = run.url.rstrip("/")
            statuses = []
            for path, headers in (("/", {}), ("/api/state", {}), ("/static/app.js", {}),
                                  ("/api/state?token=wrong", {}), (f"/api/state?token={token}", {}),
                                  ("/api/state", {"Authorization": f"Bearer {token}"})):
                async with session.get(base + path, headers=headers) as reply:
                    statuses.append(reply.status)
            assert statuses == [401, 401, 401, 401, 200, 200]
            bpm = run.clock.bpm
            async with session.post(base + "/api/control", json={"command": "bpm", "value": 99}) as reply:
                assert reply.status == 401
            with pytest.raises(aiohttp.WSServerHandshakeError):
                await session.ws_connect(base + "/api/ws")
            assert run.clock.bpm == bpm
            async with session.ws_connect(f"{base}/api/ws?token={token}") as socket:
                assert json.loads((await socket.receive()).data)["type"] == "stage"
                await socket.send_json({"command": "bpm", "value": 99})
                while (message := json.loads((await socket.receive()).data))["type"] != "reply":
                    pass
                assert message == {"type": "reply", "ok": True, "refused": None} and run.clock.bpm == 99
                # Frames keep coming: the frame thread wakes this client's sender on the event loop.
                async with asyncio.timeout(START_TIMEOUT_S):
                    frames = [json.loads((await socket.receive()).data)["type"] for _ in range(5)]
                assert frames == ["frame"] * 5
    # Debug mode refuses any call into the event loop from another thread that is not thread-safe.
    asyncio.run(scenario(), debug=True)


@pytest.mark.parametrize("message, expected", [
    ({"command": "go"}, Command(Action.NEXT)),
    ({"command": "go", "cue": 2}, Command(Action.CUE, 2)),
    ({"command": "go", "cue": "b"}, Command(Action.CUE, 2)),
    ({"command": "go", "cue": "nope"}, "unknown control 'cue' or a missing number"),
    ({"command": "tap"}, Command(Action.TAP)),
    ({"command": "nudge", "value": -10}, Command(Action.NUDGE, -10)),
    ({"command": "nudge", "value": True}, "unknown control 'nudge' or a missing number"),
    ({"command": "../quit"}, "unknown control '../quit' or a missing number"),
    (["go"], 'a control message is a JSON object with a "command"'),
    ({"command": "go", "layer": "g", "cue": "b"}, Command(Action.GO, 1, "g")),
    ({"command": "go", "layer": "g", "cue": "a"}, Command(Action.GO, 2, "g")),
    ({"command": "release", "layer": 2}, Command(Action.RELEASE, layer="2")),
    ({"command": "rate", "layer": "g", "value": 0.5}, Command(Action.RATE, 0.5, "g")),
    ({"command": "size", "value": 1.5}, Command(Action.RIG_SIZE, 1.5)),
    ({"command": "rate", "value": 2}, "unknown control 'rate' or a missing number"),
    ({"command": "tap", "layer": "g"}, "unknown control 'g/tap' or a missing number"),
    ({"command": "size", "layer": "../g", "value": 1}, "a layer is its name or 1-based number"),
])
def test_control_messages_read_like_osc(message, expected):
    # Layer g holds the show's cues b then a: a layer's cue numbers are its own.
    assert command_for_message(message, ("a", "b"), {"g": ("b", "a")}) == expected


@pytest.mark.parametrize("arguments, status, says", [
    (["preview", "{show}", "--seconds", "0.5", "--no-browser"], 0,
     "the stage view and controls are at http://127.0.0.1:"),
    (["preview", "{show}", "--web", "127.0.0.1:99999"], 2, "bad web address '127.0.0.1:99999'"),
    (["run", "{show}", "--web", "x:y"], 2, "bad web address 'x:y'"),
])
def test_the_commands_serve_the_page_or_refuse_in_one_line(arguments, status, says):
    run = subprocess.run([sys.executable, "-m", "kinemorphs_show",
                          *(argument.format(show=EXAMPLES[0]) for argument in arguments)],
                         capture_output=True, text=True, timeout=60, cwd=REPO, env={**os.environ, "CI": "1"})
    assert run.returncode == status and says in run.stderr, run.stderr
    if status:
        assert len(run.stderr.strip().splitlines()) == 1


def test_preview_plays_the_layers_as_run_does():
    port = free_port()
    preview = subprocess.Popen([sys.executable, "-m", "kinemorphs_show", "preview", str(EXAMPLES[-1]), "--web",
                                f"127.0.0.1:{port}", "--seconds", "5", "--no-browser"],
                               stderr=subprocess.PIPE, cwd=REPO, env={**os.environ, "CI": "1"})

    async def scenario():
        deadline = time.monotonic() + START_TIMEOUT_S
        async with aiohttp.ClientSession() as session:
            while True:
                try:
                    async with session.get(f"http://127.0.0.1:{port}/api/state") as reply:
                        return await reply.json()
                except aiohttp.ClientConnectionError:
                    assert time.monotonic() < deadline, "the preview did not serve"
                    await asyncio.sleep(0.1)
    try:
        state = asyncio.run(scenario())
        assert [(layer["name"], layer["released"]) for layer in state["layers"]] == [
            ("sweep", False), ("gestures", True)]
    finally:
        assert preview.wait(timeout=30) == 0, preview.stderr.read()


def test_frames_carry_the_light_each_fixture_shows():
    """What the page draws: intensity 0..1 and colour 0..1 as sent, dark on the way out, None without light."""
    aim = load_show(REPO / "examples" / "shows" / "aim.toml")
    engine = LayeredEngine(aim, first_cue=[cue.name for cue in aim.cues].index("chasing the eight"))
    fixtures = engine.frame(64).fixtures
    assert fixtures.intensity.tolist() == [0.8] * 6
    assert fixtures.colour.tolist() == [[0.0, 0.0, 1.0]] * 6
    assert engine.dark_frame().fixtures.intensity.tolist() == [0.0] * 6
    assert LayeredEngine(load_show(EXAMPLES[0])).frame(0).fixtures.intensity is None
