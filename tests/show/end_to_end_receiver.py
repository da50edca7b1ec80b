"""OLA's olad as an independent Art-Net receiver on the loopback interface.

olad refuses to run as root, so as root it runs as the unprivileged user
`nobody` (through runuser). Every plugin is switched off in a fresh config
folder except Art-Net, which is bound to 127.0.0.1, so nothing is sent or
joined on any other interface. ola_patch ties olad universe N to Art-Net port
address N, and ola_recorder writes every DMX frame olad receives to a file.
"""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from collections.abc import Iterator
from contextlib import contextmanager
from dataclasses import dataclass
from pathlib import Path

OLA_TOOLS = ("olad", "ola_patch", "ola_recorder", "ola_dev_info")
# olad's clients (ola_patch, ola_recorder) reach it only on this RPC port.
OLA_RPC_PORT = 9010
ARTNET_PORT = 6454
UNPRIVILEGED_USER = "nobody"
# Every plugin olad 0.10 knows: a plugin without a config file would start with
# its defaults, and some of those broadcast or join multicast on the LAN.
OLA_PLUGINS = ("artnet", "dummy", "e131", "espnet", "ftdidmx", "gpio", "karate", "kinet", "milinst", "opendmx",
               "openpixelcontrol", "osc", "pathport", "renard", "sandnet", "shownet", "spi", "stageprofi",
               "uartdmx", "usbdmx", "usbserial", "dmx4linux")
ARTNET_ON_LOOPBACK = ("enabled = true\nip = 127.0.0.1\nuse_loopback = true\nalways_broadcast = false\n"
                      "use_limited_broadcast = false\noutput_ports = 0\nnet = 0\nsubnet = 0\n")
ARTNET_DEVICE = "1"
STARTUP_TIMEOUT_S = 10.0
POLL_S = 0.05
RECORDER_STOP_TIMEOUT_S = 10.0


def ola_unavailable_reason() -> str | None:
    missing = [tool for tool in OLA_TOOLS if shutil.which(tool) is None]
    if missing:
        return f"OLA is not installed ({', '.join(missing)} missing; apt-get install ola)"
    if os.geteuid() == 0 and shutil.which("runuser") is None:
        return "running as root and runuser is missing to start olad unprivileged"
    for kind, port in ((socket.SOCK_STREAM, OLA_RPC_PORT), (socket.SOCK_DGRAM, ARTNET_PORT)):
        with socket.socket(socket.AF_INET, kind) as probe:
            try:
                probe.bind(("127.0.0.1", port))
            except OSError:
                return f"port {port} is in use, so olad cannot start here"
    return None


def _unprivileged(command: list[str]) -> list[str]:
    return ["runuser", "-u", UNPRIVILEGED_USER, "--", *command] if os.geteuid() == 0 else command


def _write_config(folder: Path) -> None:
    for plugin in OLA_PLUGINS:
        text = ARTNET_ON_LOOPBACK if plugin == "artnet" else "enabled = false\n"
        (folder / f"ola-{plugin}.conf").write_text(text)


@dataclass(frozen=True)
class RecordedFrame:
    universe: int
    values: bytes


def read_recording(path: Path) -> list[RecordedFrame]:
    """Frames from an ola_recorder file: 'OLA Show', then 'UNIVERSE v,v,...' lines each followed by a delay."""
    frames = []
    for line in path.read_text().splitlines()[1:]:
        universe, space, values = line.partition(" ")
        if space:
            frames.append(RecordedFrame(int(universe), bytes(int(v) for v in values.split(","))))
    return frames


@dataclass(frozen=True)
class OlaRun:
    recording: Path      # complete once the receiver's block has exited
    log: Path


@contextmanager
def olad_artnet_receiver(universes: tuple[int, ...], folder: Path) -> Iterator[OlaRun]:
    """Run olad with Art-Net on loopback and record the universes; the recording and olad's log go in folder."""
    with tempfile.TemporaryDirectory(prefix="kinemorphs-olad-") as name:
        config = Path(name)
        # olad runs as another user: it must reach its config folder and write to it.
        config.chmod(0o755)
        _write_config(config)
        if os.geteuid() == 0:
            for path in (config, *config.iterdir()):
                shutil.chown(path, UNPRIVILEGED_USER)
        with _running_olad(folder, config, universes) as run:
            yield run


@contextmanager
def _running_olad(folder: Path, config: Path, universes: tuple[int, ...]) -> Iterator[OlaRun]:
    log = (folder / "olad.log").open("w")
    olad = subprocess.Popen(_unprivileged(["olad", "--config-dir", str(config), "--no-http",
                                           "--no-register-with-dns-sd", "--log-level", "3"]),
                            stdout=log, stderr=subprocess.STDOUT)
    recorder = None
    try:
        deadline = time.monotonic() + STARTUP_TIMEOUT_S
        while subprocess.run(["ola_dev_info"], capture_output=True, text=True).stdout.count("ArtNet") == 0:
            if olad.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError(f"olad did not start: {(folder / 'olad.log').read_text()[-2000:]}")
            time.sleep(POLL_S)
        for port, universe in enumerate(universes):
            subprocess.run(["ola_patch", "--device", ARTNET_DEVICE, "--port", str(port), "--input",
                            "--universe", str(universe)], check=True, capture_output=True)
        run = OlaRun(folder / "received.show", folder / "olad.log")
        recorder = subprocess.Popen(["ola_recorder", "--record", str(run.recording),
                                     "--universes", ",".join(map(str, universes))],
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        # The recorder registers with olad asynchronously; it prints this once it listens.
        assert recorder.stdout is not None
        assert "Recording" in recorder.stdout.readline()
        yield run
    finally:
        if recorder is not None:
            recorder.send_signal(signal.SIGINT)
            recorder.wait(RECORDER_STOP_TIMEOUT_S)
        olad.terminate()
        olad.wait(RECORDER_STOP_TIMEOUT_S)
        log.close()


def plugins_started(log: Path) -> list[str]:
    return [line.rsplit("Started ", 1)[1] for line in log.read_text().splitlines()
            if "PluginManager" in line and "Started " in line]


# UDP on a loaded machine may drop a packet now and then; a frame olad did not
# get is tolerated, a frame it got with other values is not.
LEAST_SHARE_RECEIVED = 0.9


def assert_received_in_order(sent: list[bytes], received: list[bytes]) -> None:
    """Every received frame is a sent one, in the order sent; nearly all arrive, the last (home) among them."""
    position = 0
    for number, values in enumerate(received):
        while position < len(sent) and sent[position] != values:
            position += 1
        assert position < len(sent), f"received frame {number} was never sent (or arrived out of order)"
        position += 1
    assert len(received) >= LEAST_SHARE_RECEIVED * len(sent)
    assert received[-1] == sent[-1], "the home frame is the last one received"
