"""Per-fixture positions over OSC for visuals software, through python-osc.

Each frame goes out as one bundle (time tag "immediately") so a receiver
never mixes fixtures from two frames:

    /kinemorphs/frame                  i pip, s cue
    /kinemorphs/fixture/NAME/xyz       f x, f y, f z      displacement in [-1, 1]
    /kinemorphs/fixture/NAME/pan_tilt  f pan, f tilt      degrees from the centre of travel
    /kinemorphs/fixture/NAME/limited   i 0 or 1           1 while slew or limits hold it back

NAME is the fixture's name with every character outside letters, digits,
'_', '-' and '.' replaced by '_' (OSC gives '/', '*', '?', '[', '{' and spaces
meanings of their own).
"""

import re
import socket
from functools import cache
from typing import TYPE_CHECKING

from pythonosc.parsing.osc_types import IMMEDIATELY, write_date, write_float, write_int, write_string

from .failure_report import FailureReport
from .destination import OutputDestination

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

OSC_ROOT = "/kinemorphs"
UNSAFE_NAME_CHARACTERS = re.compile(r"[^A-Za-z0-9_.\-]")
BUNDLE_TAG = write_string("#bundle")
XYZ_TAGS = write_string(",fff")
PAN_TILT_TAGS = write_string(",ff")
LIMITED_TAGS = write_string(",i")
FRAME_TAGS = write_string(",is")


def osc_name(fixture_name: str) -> str:
    return UNSAFE_NAME_CHARACTERS.sub("_", fixture_name)


@cache
def fixture_addresses(fixture_name: str) -> tuple[bytes, bytes, bytes]:
    """The encoded xyz, pan_tilt and limited addresses of a fixture, made once per name."""
    prefix = f"{OSC_ROOT}/fixture/{osc_name(fixture_name)}"
    return write_string(f"{prefix}/xyz"), write_string(f"{prefix}/pan_tilt"), write_string(f"{prefix}/limited")


def frame_bundle(frame: "Frame") -> bytes:
    """The frame as one OSC bundle datagram.

    Messages are encoded with python-osc's type writers directly: its message
    and bundle builders parse every datagram back after building it, which
    costs ten times as much at 64 fixtures.
    """
    messages = [write_string(f"{OSC_ROOT}/frame") + FRAME_TAGS + write_int(frame.pip) + write_string(frame.cue)]
    for fixture in frame.fixtures:
        xyz, pan_tilt, limited = fixture_addresses(fixture.name)
        messages.append(xyz + XYZ_TAGS + write_float(fixture.x) + write_float(fixture.y) + write_float(fixture.z))
        messages.append(pan_tilt + PAN_TILT_TAGS + write_float(fixture.pan_deg) + write_float(fixture.tilt_deg))
        messages.append(limited + LIMITED_TAGS + write_int(int(fixture.limited)))
    return BUNDLE_TAG + write_date(IMMEDIATELY) + b"".join(write_int(len(m)) + m for m in messages)


class OscOutput:
    def __init__(self, destination: OutputDestination) -> None:
        self.destination = destination
        self.report = FailureReport(str(destination))
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

    def send(self, frame: "Frame") -> None:
        assert self._socket is not None, "send before open"
        try:
            self._socket.sendto(frame_bundle(frame), self._address)
        except OSError as error:
            self.report.failed(error)
        else:
            self.report.succeeded()

    async def close(self) -> None:
        if self._socket is not None:
            self._socket.close()
