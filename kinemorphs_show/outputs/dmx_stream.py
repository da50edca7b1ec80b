"""DMX universes over UDP, one datagram per universe per frame: what Art-Net and sACN share.

A protocol (outputs/artnet, outputs/sacn) says which universes it can carry,
where each goes (the node's address, or a multicast group) and what its packet
and closing packets are; this keeps the socket, the per-universe sequence
numbers and the failure reporting. Each frame's 512 bytes per universe go out
as they are, with no per-channel work in Python.
"""

import socket
from typing import TYPE_CHECKING, Protocol

from .destination import OutputDestination
from .failure_report import FailureReport

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

# Multicast stays on the local segment, as DMX receivers expect.
MULTICAST_HOPS = 1


class UniversePackets(Protocol):
    protocol: str

    def check_universe(self, universe: int) -> None: ...          # ValueError when it cannot be carried
    def group(self, universe: int) -> str | None: ...             # a multicast group, or None for the host
    def packet(self, universe: int, sequence: int, data: bytes) -> bytes: ...
    def closing_packets(self, universe: int, sequence: int, data: bytes) -> list[bytes]: ...


class DmxStreamOutput:
    def __init__(self, destination: OutputDestination, packets: UniversePackets) -> None:
        self.destination = destination
        self.gone = False
        self.report = FailureReport(str(destination))
        self._packets = packets
        self._socket: socket.socket | None = None
        self._host_address: tuple = ()
        self._sequences: dict[int, int] = {}
        self._last_data: dict[int, bytes] = {}
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

    def _address(self, universe: int) -> tuple:
        group = self._packets.group(universe)
        return self._host_address if group is None else (group, self.destination.port)

    def send(self, frame: "Frame") -> str | None:
        assert self._socket is not None, "send before open"
        refused = []
        try:
            for universe, data in frame.universes.items():
                if self._refusal(universe) is not None:
                    refused.append(universe)
                    continue
                sequence = self._sequences.get(universe, 0)
                self._socket.sendto(self._packets.packet(universe, sequence, data), self._address(universe))
                self._sequences[universe] = sequence + 1
                self._last_data[universe] = data
        except OSError as error:
            return self.report.failed(error)
        self.report.succeeded()
        if refused:
            return "; ".join(self._refused[universe] for universe in refused)
        return None

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
                for packet in self._packets.closing_packets(universe, self._sequences[universe], data):
                    self._socket.sendto(packet, self._address(universe))
        except OSError as error:
            self.report.failed(error)
        finally:
            self._socket.close()
