"""Loopback sinks for bench_show, in a process of their own so receiving costs the runner nothing.

Prints {"artnet": port, "sacn": port, "osc": port} on start; on each line read
from standard input prints what arrived since the last one, as JSON: frames per
universe for Art-Net and sACN, and for OSC how many frames arrived whole (every
part of the pip) out of how many were seen. Ends at end of input.
"""

import json
import select
import socket
import struct
import sys
import time
from collections import Counter, defaultdict

RECEIVE_BUFFER_BYTES = 1 << 22
# Where the fields sit in the packets the show layer sends (see outputs/artnet, outputs/sacn, outputs/osc).
ARTNET_PORT_ADDRESS = struct.Struct("<H")
ARTNET_PORT_ADDRESS_AT = 14
SACN_UNIVERSE = struct.Struct(">H")
SACN_UNIVERSE_AT = 113
OSC_PIP = struct.Struct(">q")
OSC_PIP_AT = 48          # bundle header 16, element size 4, "/kinemorphs/frame" 20, ",hsii" 8
OSC_PARTS = struct.Struct(">ii")


def osc_frame_parts(data: bytes) -> tuple[int, int, int]:
    (pip,) = OSC_PIP.unpack_from(data, OSC_PIP_AT)
    cue_end = data.index(b"\x00", OSC_PIP_AT + OSC_PIP.size)
    parts_at = cue_end + 4 - (cue_end - OSC_PIP_AT - OSC_PIP.size) % 4
    part, parts = OSC_PARTS.unpack_from(data, parts_at)
    return pip, part, parts


def main() -> None:
    sinks = {}
    for name in ("artnet", "sacn", "osc"):
        sink = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sink.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, RECEIVE_BUFFER_BYTES)
        sink.bind(("127.0.0.1", 0))
        sink.setblocking(False)
        sinks[sink.fileno()] = (name, sink)
    print(json.dumps({name: sink.getsockname()[1] for name, sink in sinks.values()}), flush=True)
    universes: dict[str, Counter] = {"artnet": Counter(), "sacn": Counter()}
    osc_parts: dict[int, set[int]] = defaultdict(set)
    osc_expected: dict[int, int] = {}
    first_arrival_ns: int | None = None
    while True:
        ready, _, _ = select.select([sys.stdin, *(sink for _, sink in sinks.values())], [], [])
        for source in ready:
            if source is sys.stdin:
                if not sys.stdin.readline():
                    return
                whole = sum(len(osc_parts[pip]) == parts for pip, parts in osc_expected.items())
                print(json.dumps({"artnet": dict(universes["artnet"]), "sacn": dict(universes["sacn"]),
                                  "osc_whole": whole, "osc_seen": len(osc_expected),
                                  "first_arrival_ns": first_arrival_ns}), flush=True)
                first_arrival_ns = None
                universes = {"artnet": Counter(), "sacn": Counter()}
                osc_parts.clear()
                osc_expected.clear()
                continue
            name, sink = sinks[source.fileno()]
            while True:
                try:
                    data = sink.recv(65536)
                except BlockingIOError:
                    break
                if first_arrival_ns is None:
                    first_arrival_ns = time.monotonic_ns()
                if name == "artnet":
                    universes[name][ARTNET_PORT_ADDRESS.unpack_from(data, ARTNET_PORT_ADDRESS_AT)[0]] += 1
                elif name == "sacn":
                    universes[name][SACN_UNIVERSE.unpack_from(data, SACN_UNIVERSE_AT)[0]] += 1
                else:
                    pip, part, parts = osc_frame_parts(data)
                    osc_parts[pip].add(part)
                    osc_expected[pip] = parts


if __name__ == "__main__":
    main()
