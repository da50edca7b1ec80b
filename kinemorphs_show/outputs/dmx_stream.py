"""DMX universes over UDP, one datagram per universe per frame: what Art-Net and sACN share.

A protocol (outputs/artnet, outputs/sacn) says which universes it can carry,
where each goes (the node's address, or a multicast group) and what its packet
and closing packets are; this keeps the socket, the per-universe sequence
numbers and the failure reporting. Each universe's packet is built once; a frame
only writes its sequence byte and its 512 slots into it (straight from the
engine's universes array) and sends it, with no per-channel work in Python.
"""

import socket
from collections.abc import Iterator, Mapping
from typing import TYPE_CHECKING, Protocol

import numpy as np

from kinemorphs_show.frame import DmxUniverses
from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE

from .destination import OutputDestination
from .failure_report import FailureReport
from .udp import PeerSender

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

# Multicast stays on the local segment, as DMX receivers expect.
MULTICAST_HOPS = 1


class UniversePackets(Protocol):
    protocol: str
    multicast: bool     # each universe to its own group (group()), not to the destination's host
    sequence_at: int    # where a packet's sequence byte and its 512 slots sit
    data_at: int

    def check_universe(self, universe: int) -> None: ...          # ValueError when it cannot be carried
    def group(self, universe: int) -> str | None: ...             # a multicast group, or None for the host
    def packet(self, universe: int, sequence: int, data: bytes) -> bytes: ...
    def sequence_byte(self, sequence: int) -> int: ...
    def closing_packets(self, universe: int, sequence: int, data: bytes) -> list[bytes]: ...


class DmxStreamOutput:
    def __init__(self, destination: OutputDestination, packets: UniversePackets) -> None:
        self.destination = destination
        self.gone = False
        self.report = FailureReport(str(destination))
        self._packets = packets
        self._socket: socket.socket | None = None
        self._host_address: tuple = ()
        self._peer: PeerSender | None = None     # unicast: the one node every universe goes to
        self._sequences: dict[int, int] = {}
        self._last_data: dict[int, bytes | memoryview] = {}
        self._built: dict[int, bytearray] = {}    # per universe its packet, rewritten in place each frame
        self._refused: dict[int, str] = {}

    async def open(self) -> None:
        """Resolve the host and open the socket; ValueError for a host that does not resolve."""
        if self.destination.host:
            try:
                family, kind, protocol, _, address = socket.getaddrinfo(
                    self.destination.host, self.destination.port, type=socket.SOCK_DGRAM)[0]
            except socket.gaierror as error:
                raise ValueError(f"cannot resolve {self.destination.host!r} ({error})") from None
            self._host_address = address
        else:
            family, kind, protocol = socket.AF_INET, socket.SOCK_DGRAM, 0
        self._socket = socket.socket(family, kind, protocol)
        self._socket.setblocking(False)
        if family == socket.AF_INET:
            self._socket.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, MULTICAST_HOPS)
            # Art-Net nodes are often addressed by a subnet's broadcast address (2.255.255.255).
            self._socket.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        if not self._packets.multicast:
            self._peer = PeerSender(self._socket, self._host_address)

    def _send(self, packet: bytes | bytearray, universe: int) -> None:
        assert self._socket is not None, "send before open"
        if self._peer is not None:
            self._peer.send(packet)
        else:
            self._socket.sendto(packet, (self._packets.group(universe), self.destination.port))

    def send(self, frame: "Frame") -> str | None:
        assert self._socket is not None, "send before open"
        refused = []
        try:
            for universe, data in universe_slots(frame.universes):
                if self._refusal(universe) is not None:
                    refused.append(universe)
                    continue
                sequence = self._sequences.get(universe, 0)
                self._send(self._packet(universe, sequence, data), universe)
                self._sequences[universe] = sequence + 1
                self._last_data[universe] = data
        except OSError as error:
            return self.report.failed(error)
        self.report.succeeded()
        if refused:
            return "; ".join(self._refused[universe] for universe in refused)
        return None

    def _packet(self, universe: int, sequence: int, data: bytes | memoryview) -> bytearray:
        packet = self._built.get(universe)
        if packet is None:
            packet = self._built[universe] = bytearray(self._packets.packet(universe, 0, bytes(len(data))))
        packet[self._packets.sequence_at] = self._packets.sequence_byte(sequence)
        packet[self._packets.data_at:] = data
        return packet

    def _refusal(self, universe: int) -> str | None:
        """Why a universe cannot be sent (said once on the console), or None."""
        if universe in self._refused:
            return self._refused[universe]
        if universe in self._sequences:
            return None
        try:
            self._packets.check_universe(universe)
        except ValueError as error:
            self._refused[universe] = str(error)
            try:
                print(f"{self.destination}: {error}; not sent", file=self.report.stream, flush=True)
            except (OSError, ValueError):
                pass
            return str(error)
        return None

    async def close(self) -> None:
        if self._socket is None:
            return
        try:
            for universe, data in self._last_data.items():
                for packet in self._packets.closing_packets(universe, self._sequences[universe], bytes(data)):
                    self._send(packet, universe)
        except OSError as error:
            self.report.failed(error)
        finally:
            self._socket.close()


def universe_slots(universes: Mapping[int, bytes]) -> Iterator[tuple[int, bytes | memoryview]]:
    """Each universe's number and 512 slots: rows of the engine's array as they are, without a copy."""
    if isinstance(universes, DmxUniverses):
        slots = memoryview(np.ascontiguousarray(universes.array, dtype=np.uint8).reshape(-1))
        for row, number in enumerate(universes.numbers):
            yield number, slots[row * DMX_CHANNELS_PER_UNIVERSE:(row + 1) * DMX_CHANNELS_PER_UNIVERSE]
        return
    for number, data in universes.items():
        if len(data) != DMX_CHANNELS_PER_UNIVERSE:
            raise ValueError(f"universe {number} has {len(data)} slots, not {DMX_CHANNELS_PER_UNIVERSE}")
        yield number, data
