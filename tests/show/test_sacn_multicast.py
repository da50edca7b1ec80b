"""sACN to multicast: each universe to its own group, tested in a network namespace made for the test."""

import json
import os
import shutil
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

REPOSITORY = Path(__file__).resolve().parents[2]
NAMESPACE_SETUP = "ip link set lo up multicast on && ip route add 224.0.0.0/4 dev lo"
TIMEOUT_S = 60
# Runs inside the namespace: one socket per universe's group, then the output sends with no host.
RECEIVE_PER_GROUP = textwrap.dedent("""
    import asyncio, json, socket, struct
    from sacn.messages.data_packet import DataPacket
    from kinemorphs_show.engine import Frame
    from kinemorphs_show.outputs import open_output, parse_output_destination
    UNIVERSES = (1, 300, 63999)
    listeners = {}
    for universe in UNIVERSES:
        group = f"239.255.{universe >> 8}.{universe & 255}"
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.bind((group, 5568))
        sock.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                        struct.pack("4s4s", socket.inet_aton(group), socket.inet_aton("0.0.0.0")))
        sock.settimeout(5)
        listeners[universe] = sock
    async def send():
        output = open_output(parse_output_destination("sacn://"))
        await output.open()
        problem = output.send(Frame(0, "cue", {u: bytes([u % 256]) * 512 for u in UNIVERSES}, ()))
        await output.close()
        return problem
    problem = asyncio.run(send())
    got = {}
    for universe, sock in listeners.items():
        packets = [DataPacket.make_data_packet(sock.recv(1000)) for _ in range(4)]   # data, then 3 terminations
        got[universe] = [[p.universe, p.dmxData[0], p.option_StreamTerminated] for p in packets]
    print(json.dumps({"problem": problem, "got": got}))
""")


def test_sacn_without_a_host_sends_each_universe_to_its_own_multicast_group():
    pytest.importorskip("sacn")
    if shutil.which("unshare") is None or shutil.which("ip") is None:
        pytest.skip("unshare or ip is missing")
    probe = subprocess.run(["unshare", "-n", "true"], capture_output=True)
    if probe.returncode != 0:
        pytest.skip(f"cannot make a network namespace here: {probe.stderr.decode().strip()}")
    environment = {**os.environ, "PYTHONPATH": os.pathsep.join([str(REPOSITORY), os.environ.get("PYTHONPATH", "")])}
    run = subprocess.run(["unshare", "-n", "sh", "-c", f'{NAMESPACE_SETUP} && exec "$0" -c "$1"',
                          sys.executable, RECEIVE_PER_GROUP],
                         capture_output=True, text=True, timeout=TIMEOUT_S, env=environment, cwd=REPOSITORY)
    assert run.returncode == 0, run.stderr
    result = json.loads(run.stdout)
    assert result["problem"] is None
    for universe, packets in result["got"].items():
        assert packets == [[int(universe), int(universe) % 256, terminated] for terminated in (False, True, True, True)]
