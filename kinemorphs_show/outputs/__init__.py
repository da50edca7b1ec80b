"""Where frames go: DMX over Art-Net or sACN, OSC, or a terminal preview."""

from collections.abc import Sequence
from typing import TYPE_CHECKING, Protocol

from .destination import (
    ACCEPTED_FORMS, DEFAULT_PORTS, PREVIEW, OutputKind, OutputDestination, is_multicast, parse_output_destination,
)
from .options import OutputOptions

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

__all__ = ["ACCEPTED_FORMS", "DEFAULT_PORTS", "PREVIEW", "Output", "OutputKind", "OutputDestination",
           "OutputOptions", "open_output", "parse_output_destination", "parse_output_destinations"]


class Output(Protocol):
    """A destination for frames.

    open() resolves the address and opens sockets (ValueError when the host does
    not resolve); send() never raises: it returns None when the whole frame
    left, otherwise a short reason, and reports an outage once while it keeps
    trying every frame; gone is True once the output's reader went away for good
    (the preview's pipe closed), which ends the run; close() releases sockets.
    """

    destination: OutputDestination
    gone: bool

    async def open(self) -> None: ...
    def send(self, frame: "Frame") -> str | None: ...
    async def close(self) -> None: ...


def parse_output_destinations(texts: Sequence[str]) -> list[OutputDestination]:
    return [parse_output_destination(text) for text in texts]


def open_output(destination: OutputDestination, options: OutputOptions = OutputOptions()) -> Output:
    """Make the output for destination; its open() must be awaited before the first send().

    The protocol libraries are imported here, so a missing optional dependency
    surfaces as ModuleNotFoundError only for the outputs actually used.
    """
    if destination.kind is OutputKind.PREVIEW:
        from .preview import PreviewOutput
        return PreviewOutput()
    if destination.kind is OutputKind.OSC:
        from .osc import OscOutput
        return OscOutput(destination, options.osc_max_datagram)
    from .dmx_stream import DmxStreamOutput
    if destination.kind is OutputKind.ARTNET:
        from .artnet import ArtNetPackets
        return DmxStreamOutput(destination, ArtNetPackets(options.artnet_base))
    from .sacn import SacnPackets
    return DmxStreamOutput(destination, SacnPackets(options.source_name, options.sacn_priority,
                                                    multicast=is_multicast(destination.host)))
