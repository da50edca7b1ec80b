import signal
import subprocess
import sys
import time
from pathlib import Path

import pytest

from kinemorphs_show.engine import Engine
from kinemorphs_show.showfile import load_show
from outputs_fakes import free_udp_port

REPOSITORY = Path(__file__).resolve().parents[2]
QUICKSTART = REPOSITORY / "examples" / "shows" / "quickstart.toml"
FRAMES_BEFORE_STOP = 20
START_TIMEOUT_S = 20.0
POLL_S = 0.05
EXIT_TIMEOUT_S = 10.0


@pytest.mark.parametrize("stop", [signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT], ids=lambda s: s.name)
def test_a_stop_signal_sends_every_fixture_home_over_sacn(stop):
    sacn = pytest.importorskip("sacn")
    show = load_show(QUICKSTART)
    home = Engine(show).home_frame().universes
    port = free_udp_port()
    last: dict[int, bytes] = {}
    counts = dict.fromkeys(home, 0)
    receiver = sacn.sACNreceiver(bind_address="127.0.0.1", bind_port=port)
    for universe in home:
        def keep(packet, universe=universe):
            last[universe] = bytes(packet.dmxData)
            counts[universe] += 1
        receiver.register_listener("universe", keep, universe=universe)
    receiver.start()
    try:
        run = subprocess.Popen([sys.executable, "-m", "kinemorphs_show", "run", str(QUICKSTART),
                                "--output", f"sacn://127.0.0.1:{port}"],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                               cwd=REPOSITORY)
        # Stop only once frames flow: the signal then lands in the run loop, not in start-up.
        deadline = time.monotonic() + START_TIMEOUT_S
        while min(counts.values()) < FRAMES_BEFORE_STOP and time.monotonic() < deadline and run.poll() is None:
            time.sleep(POLL_S)
        run.send_signal(stop)
        _, errors = run.communicate(timeout=EXIT_TIMEOUT_S)
        time.sleep(0.2)
    finally:
        receiver.stop()
    assert run.returncode == 0, errors
    assert "every fixture sent home" in errors
    assert min(counts.values()) > FRAMES_BEFORE_STOP, "the show was running before it was stopped"
    assert last == dict(home)
