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
from typing import TYPE_CHECKING

from pythonosc.osc_bundle_builder import IMMEDIATELY, OscBundleBuilder
from pythonosc.osc_message_builder import OscMessageBuilder
from pythonosc.udp_client import UDPClient

from .failure_report import FailureReport
from .spec import OutputSpec

if TYPE_CHECKING:
    from pythonosc.osc_bundle import OscBundle

    from kinemorphs_show.engine import Frame

OSC_ROOT = "/kinemorphs"
UNSAFE_NAME_CHARACTERS = re.compile(r"[^A-Za-z0-9_.\-]")


def osc_name(fixture_name: str) -> str:
    return UNSAFE_NAME_CHARACTERS.sub("_", fixture_name)


def _message(address: str, *args: object) -> OscMessageBuilder:
    builder = OscMessageBuilder(address)
    for arg in args:
        builder.add_arg(arg)
    return builder


def frame_bundle(frame: "Frame") -> "OscBundle":
    bundle = OscBundleBuilder(IMMEDIATELY)
    bundle.add_content(_message(f"{OSC_ROOT}/frame", frame.pip, frame.cue).build())
    for fixture in frame.fixtures:
        prefix = f"{OSC_ROOT}/fixture/{osc_name(fixture.name)}"
        bundle.add_content(_message(f"{prefix}/xyz", float(fixture.x), float(fixture.y), float(fixture.z)).build())
        bundle.add_content(_message(f"{prefix}/pan_tilt", float(fixture.pan_deg), float(fixture.tilt_deg)).build())
        bundle.add_content(_message(f"{prefix}/limited", int(fixture.limited)).build())
    return bundle.build()


class OscOutput:
    def __init__(self, spec: OutputSpec) -> None:
        self.spec = spec
        self.report = FailureReport(str(spec))
        self._client: UDPClient | None = None

    async def open(self) -> None:
        """Resolve the host; ValueError for a host that does not resolve."""
        try:
            self._client = UDPClient(self.spec.host, self.spec.port)
        except socket.gaierror as error:
            raise ValueError(f"{self.spec}: cannot resolve {self.spec.host!r} ({error})") from None

    def send(self, frame: "Frame") -> None:
        assert self._client is not None, "send before open"
        try:
            self._client.send(frame_bundle(frame))
        except OSError as error:
            self.report.failed(error)
        else:
            self.report.succeeded()

    async def close(self) -> None:
        if self._client is not None:
            self._client.close()
