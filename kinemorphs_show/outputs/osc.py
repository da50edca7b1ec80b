"""Per-fixture positions over OSC for visuals software, encoded here, sent over UDP.

Each frame goes out as one or more bundles (time tag "immediately"), each
no larger than the show's `osc_max_datagram` (default 1472 bytes, an
Ethernet MTU less the IP and UDP headers, so nothing is fragmented). Every
bundle starts with the frame message, so a receiver can join the parts of a
frame and knows when it has them all; a fixture's messages are never split
across bundles:

    /kinemorphs/frame                    h pip, s cue, i part, i parts    part counts from 1
    /kinemorphs/fixture/NAME/xyz         f x, f y, f z      displacement in [-1, 1]
    /kinemorphs/fixture/NAME/pan_tilt    f pan, f tilt      degrees from the centre of travel
    /kinemorphs/fixture/NAME/limited     i 0 or 1           1 while slew or limits hold it back
    /kinemorphs/fixture/NAME/size_scale  f scale            1 at full size; less while the cue is
                                                            reduced so the fixture can follow it

The pip is a 64-bit integer (`h`), so it cannot overflow in any run. NAME is
the fixture's name with every character outside letters, digits, '_', '-'
and '.' replaced by '_' (OSC gives '/', '*', '?', '[', '{' and spaces
meanings of their own). A frame that cannot be encoded (a fixture whose
messages alone exceed the datagram size, a value no float32 holds) is
reported like a failed send.

The fixtures' messages are laid out once per rig in one buffer, addresses and
type tags included; each frame writes only the values into it (big-endian
float32 and int32, straight from the frame's arrays) and sends slices of it
at boundaries worked out once per frame-message size.
"""

import re
import socket
import struct
from collections.abc import Iterator, Sequence
from typing import TYPE_CHECKING

import numpy as np

from kinemorphs_show.frame import FixtureFrames, fixture_arrays
from kinemorphs_show.osc_namespace import OSC_ROOT

from .destination import OutputDestination
from .failure_report import FailureReport
from .udp import PeerSender
from .options import DEFAULT_OSC_MAX_DATAGRAM

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

# The smallest datagram that holds a frame message and a fixture; the largest UDP over IPv4 carries.
SMALLEST_DATAGRAM = 64
LARGEST_DATAGRAM = 65507
UNSAFE_NAME_CHARACTERS = re.compile(r"[^A-Za-z0-9_.\-]")
OSC_ALIGNMENT = 4
# "#bundle" and the time tag 1, which OSC defines as "immediately".
BUNDLE_HEADER = b"#bundle\x00" + struct.pack(">Q", 1)
ELEMENT_SIZE = struct.Struct(">i")
PIP = struct.Struct(">q")
PART = struct.Struct(">ii")
# A fixture's messages in wire order: address suffix, type tags. The floats of all of them, in
# order, are x, y, z, pan, tilt, size_scale; the one int is limited.
FIXTURE_MESSAGES = (("xyz", ",fff"), ("pan_tilt", ",ff"), ("limited", ",i"), ("size_scale", ",f"))
FLOATS_PER_FIXTURE = 6
WIRE_FLOAT = np.dtype(">f4")
FLOAT32_MAX = float(np.finfo(np.float32).max)
WIRE_INT = np.dtype(">i4")
VALUE_BYTES = 4
# Frame-message sizes whose datagram boundaries are remembered (one per cue-label length in play).
REMEMBERED_SPLITS = 64


def osc_string(text: str) -> bytes:
    """An OSC string: UTF-8, NUL-terminated, padded to a multiple of four bytes."""
    data = text.encode() + b"\x00"
    return data + b"\x00" * (-len(data) % OSC_ALIGNMENT)


FRAME_ADDRESS_AND_TAGS = osc_string(f"{OSC_ROOT}/frame") + osc_string(",hsii")


def osc_name(fixture_name: str) -> str:
    return UNSAFE_NAME_CHARACTERS.sub("_", fixture_name)


class FixtureMessages:
    """Every fixture's four messages, as bundle elements, in one buffer laid out once for a rig.

    Each frame overwrites only the values; a fixture's block is its elements
    back to back, and a datagram carries whole blocks.
    """

    def __init__(self, names: Sequence[str]) -> None:
        template = bytearray()
        float_offsets: list[int] = []
        int_offsets: list[int] = []
        self.block_ends: list[int] = []
        self.longest_block = (0, "")
        for name in names:
            block_start = len(template)
            prefix = f"{OSC_ROOT}/fixture/{osc_name(name)}"
            for suffix, tags in FIXTURE_MESSAGES:
                head = osc_string(f"{prefix}/{suffix}") + osc_string(tags)
                values = len(tags) - 1
                template += ELEMENT_SIZE.pack(len(head) + values * VALUE_BYTES) + head
                offsets = int_offsets if tags == ",i" else float_offsets
                offsets.extend(range(len(template), len(template) + values * VALUE_BYTES, VALUE_BYTES))
                template += bytes(values * VALUE_BYTES)
            self.block_ends.append(len(template))
            self.longest_block = max(self.longest_block, (len(template) - block_start, name))
        self.names = tuple(names)
        self.buffer = np.frombuffer(bytes(template), dtype=np.uint8).copy()
        self._view = memoryview(self.buffer)
        # Every OSC element is padded to 4 bytes, so every value sits on a 4-byte word of the buffer:
        # a frame writes whole words, not bytes.
        self._floats = self.buffer.view(WIRE_FLOAT)
        self._ints = self.buffer.view(WIRE_INT)
        self._float_words = np.array(float_offsets, dtype=np.intp) // VALUE_BYTES
        self._int_words = np.array(int_offsets, dtype=np.intp) // VALUE_BYTES
        self._values = np.empty((len(self.names), FLOATS_PER_FIXTURE))
        self._splits: dict[int, list[memoryview] | str] = {}

    def write(self, fixtures: FixtureFrames) -> None:
        """Put a frame's values in place; OverflowError for a finite value no float32 holds."""
        values = self._values
        values[:, 0:3] = fixtures.displacement
        values[:, 3] = fixtures.pan_deg
        values[:, 4] = fixtures.tilt_deg
        values[:, 5] = fixtures.size_scale
        if np.max(np.abs(values), initial=0.0) <= FLOAT32_MAX:   # every frame a show sends (NaN is not)
            wire = values.astype(WIRE_FLOAT)
        else:
            with np.errstate(over="ignore"):
                wire = values.astype(WIRE_FLOAT)
            if np.any(np.isinf(wire) & np.isfinite(values)):
                raise OverflowError("a fixture value is too large for an OSC float")
        self._floats[self._float_words] = wire.reshape(-1)
        self._ints[self._int_words] = fixtures.limited

    def parts(self, room: int) -> list[memoryview]:
        """The buffer cut into runs of whole blocks of at most room bytes each (at least one, maybe empty).

        ValueError when one fixture's block alone exceeds room.
        """
        split = self._splits.get(room)
        if split is None:
            if len(self._splits) >= REMEMBERED_SPLITS:
                self._splits.clear()
            split = self._splits[room] = self._split(room)
        if isinstance(split, str):
            raise ValueError(split)
        return split

    def _split(self, room: int) -> list[memoryview] | str:
        size, name = self.longest_block
        if size > room:
            return f"fixture {name!r} needs {size} bytes of OSC, more than the datagram holds with the frame message"
        parts, start, end = [], 0, 0
        for block_end in self.block_ends:
            if block_end - start > room:
                parts.append(self._view[start:end])
                start = end
            end = block_end
        parts.append(self._view[start:end])
        return parts


class FrameEncoder:
    """A rig's frames as OSC bundles; keeps the rig's message layout between frames."""

    def __init__(self, max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM) -> None:
        self.max_datagram = max_datagram
        self._messages = FixtureMessages(())

    def bundles(self, frame: "Frame") -> Iterator[tuple[bytes, memoryview]]:
        """Each bundle of the frame as its head (header and frame message) and its fixtures' bytes.

        The fixtures' bytes are a view of a buffer the next frame overwrites.
        Raises ValueError when one fixture's messages cannot fit in a datagram,
        and struct.error or OverflowError for a value the wire types cannot hold.
        """
        fixtures = fixture_arrays(frame.fixtures)
        if fixtures.names is not self._messages.names and tuple(fixtures.names) != self._messages.names:
            self._messages = FixtureMessages(fixtures.names)
        frame_message = FRAME_ADDRESS_AND_TAGS + PIP.pack(frame.pip) + osc_string(frame.cue)
        element_size = len(frame_message) + PART.size
        parts = self._messages.parts(self.max_datagram - len(BUNDLE_HEADER) - ELEMENT_SIZE.size - element_size)
        self._messages.write(fixtures)
        head = BUNDLE_HEADER + ELEMENT_SIZE.pack(element_size) + frame_message
        count = len(parts)
        for number, part in enumerate(parts, start=1):
            yield head + PART.pack(number, count), part


def frame_bundles(frame: "Frame", max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM) -> list[bytes]:
    """The frame as bundles of at most max_datagram bytes each, every one led by the frame message."""
    return [head + part for head, part in FrameEncoder(max_datagram).bundles(frame)]


class OscOutput:
    def __init__(self, destination: OutputDestination, max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM) -> None:
        if not SMALLEST_DATAGRAM <= max_datagram <= LARGEST_DATAGRAM:
            raise ValueError(f"the OSC datagram size must be {SMALLEST_DATAGRAM} to {LARGEST_DATAGRAM} bytes, "
                             f"not {max_datagram}")
        self.destination = destination
        self.gone = False
        self.report = FailureReport(str(destination))
        self._encoder = FrameEncoder(max_datagram)
        self._socket: socket.socket | None = None
        self._peer: PeerSender | None = None

    async def open(self) -> None:
        """Resolve the host and open a socket; ValueError for a host that does not resolve."""
        try:
            family, kind, protocol, _, address = socket.getaddrinfo(
                self.destination.host, self.destination.port, type=socket.SOCK_DGRAM)[0]
        except socket.gaierror as error:
            raise ValueError(f"cannot resolve {self.destination.host!r} ({error})") from None
        self._socket = socket.socket(family, kind, protocol)
        self._socket.setblocking(False)
        self._peer = PeerSender(self._socket, address)

    def send(self, frame: "Frame") -> str | None:
        assert self._peer is not None, "send before open"
        try:
            for head, part in self._encoder.bundles(frame):
                self._peer.send(head + part)
        except (OSError, ValueError, OverflowError, struct.error) as error:
            return self.report.failed(error)
        self.report.succeeded()
        return None

    async def close(self) -> None:
        if self._socket is not None:
            self._socket.close()
