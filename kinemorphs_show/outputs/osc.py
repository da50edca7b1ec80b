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
"""

import re
import socket
import struct
from functools import cache
from typing import TYPE_CHECKING

from kinemorphs_show.osc_namespace import OSC_ROOT

from .failure_report import FailureReport
from .destination import OutputDestination
from .options import DEFAULT_OSC_MAX_DATAGRAM

if TYPE_CHECKING:
    from kinemorphs_show.engine import FixtureFrame, Frame

# The smallest datagram that holds a frame message and a fixture; the largest UDP over IPv4 carries.
SMALLEST_DATAGRAM = 64
LARGEST_DATAGRAM = 65507
UNSAFE_NAME_CHARACTERS = re.compile(r"[^A-Za-z0-9_.\-]")
OSC_ALIGNMENT = 4
# "#bundle" and the time tag 1, which OSC defines as "immediately".
BUNDLE_HEADER = b"#bundle\x00" + struct.pack(">Q", 1)
ELEMENT_SIZE = struct.Struct(">i")


def osc_string(text: str) -> bytes:
    """An OSC string: UTF-8, NUL-terminated, padded to a multiple of four bytes."""
    data = text.encode() + b"\x00"
    return data + b"\x00" * (-len(data) % OSC_ALIGNMENT)


FRAME_ADDRESS_AND_TAGS = osc_string(f"{OSC_ROOT}/frame") + osc_string(",hsii")
PIP = struct.Struct(">q")
PART = struct.Struct(">ii")
XYZ_TAGS = osc_string(",fff")
PAN_TILT_TAGS = osc_string(",ff")
LIMITED_TAGS = osc_string(",i")
SIZE_SCALE_TAGS = osc_string(",f")


def osc_name(fixture_name: str) -> str:
    return UNSAFE_NAME_CHARACTERS.sub("_", fixture_name)


@cache
def fixture_encoder(fixture_name: str) -> tuple[struct.Struct, bytes, bytes, bytes, bytes]:
    """How a fixture's four messages are packed, as bundle elements, in one call; made once per name.

    Each element is its size, then the address and type tags (fixed per name),
    then the values, so the whole block is one struct with the fixed parts as
    byte strings.
    """
    prefix = f"{OSC_ROOT}/fixture/{osc_name(fixture_name)}"
    heads = []
    for address, tags, values_size in ((f"{prefix}/xyz", XYZ_TAGS, 12), (f"{prefix}/pan_tilt", PAN_TILT_TAGS, 8),
                                       (f"{prefix}/limited", LIMITED_TAGS, 4),
                                       (f"{prefix}/size_scale", SIZE_SCALE_TAGS, 4)):
        message_head = osc_string(address) + tags
        heads.append(ELEMENT_SIZE.pack(len(message_head) + values_size) + message_head)
    layout = ">{}sfff{}sff{}si{}sf".format(*(len(head) for head in heads))
    return struct.Struct(layout), heads[0], heads[1], heads[2], heads[3]


def element(message: bytes) -> bytes:
    return ELEMENT_SIZE.pack(len(message)) + message


def fixture_elements(fixture: "FixtureFrame") -> bytes:
    """A fixture's four messages as bundle elements (size-prefixed)."""
    packer, xyz, pan_tilt, limited, size_scale = fixture_encoder(fixture.name)
    return packer.pack(xyz, fixture.x, fixture.y, fixture.z, pan_tilt, fixture.pan_deg, fixture.tilt_deg,
                       limited, int(fixture.limited), size_scale, getattr(fixture, "size_scale", 1.0))


def frame_element(pip: int, cue: str, part: int, parts: int) -> bytes:
    return element(FRAME_ADDRESS_AND_TAGS + PIP.pack(pip) + osc_string(cue) + PART.pack(part, parts))


def frame_bundles(frame: "Frame", max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM) -> list[bytes]:
    """The frame as bundles of at most max_datagram bytes each, every one led by the frame message.

    Raises ValueError when one fixture's messages cannot fit in a datagram, and
    struct.error or OverflowError for a value the wire types cannot hold.
    """
    # The part numbers take the same room whatever they are, so the header size is known up front.
    room = max_datagram - len(BUNDLE_HEADER) - len(frame_element(frame.pip, frame.cue, 0, 0))
    groups: list[list[bytes]] = [[]]
    used = 0
    for fixture in frame.fixtures:
        block = fixture_elements(fixture)
        if len(block) > room:
            raise ValueError(f"fixture {fixture.name!r} needs {len(block)} bytes of OSC, more than a "
                             f"{max_datagram}-byte datagram holds with the frame message")
        if used + len(block) > room:
            groups.append([])
            used = 0
        groups[-1].append(block)
        used += len(block)
    parts = len(groups)
    return [BUNDLE_HEADER + frame_element(frame.pip, frame.cue, number, parts) + b"".join(group)
            for number, group in enumerate(groups, start=1)]


class OscOutput:
    def __init__(self, destination: OutputDestination, max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM) -> None:
        if not SMALLEST_DATAGRAM <= max_datagram <= LARGEST_DATAGRAM:
            raise ValueError(f"the OSC datagram size must be {SMALLEST_DATAGRAM} to {LARGEST_DATAGRAM} bytes, "
                             f"not {max_datagram}")
        self.destination = destination
        self.gone = False
        self.report = FailureReport(str(destination))
        self._max_datagram = max_datagram
        self._socket: socket.socket | None = None
        self._address: tuple = ()

    async def open(self) -> None:
        """Resolve the host and open a socket; ValueError for a host that does not resolve."""
        try:
            family, kind, protocol, _, address = socket.getaddrinfo(
                self.destination.host, self.destination.port, type=socket.SOCK_DGRAM)[0]
        except socket.gaierror as error:
            raise ValueError(f"cannot resolve {self.destination.host!r} ({error})") from None
        self._socket = socket.socket(family, kind, protocol)
        self._socket.setblocking(False)
        self._address = address

    def send(self, frame: "Frame") -> str | None:
        assert self._socket is not None, "send before open"
        try:
            for bundle in frame_bundles(frame, self._max_datagram):
                self._socket.sendto(bundle, self._address)
        except (OSError, ValueError, OverflowError, struct.error) as error:
            return self.report.failed(error)
        self.report.succeeded()
        return None

    async def close(self) -> None:
        if self._socket is not None:
            self._socket.close()
