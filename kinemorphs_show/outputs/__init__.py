"""Where frames go: DMX over Art-Net or sACN, OSC, or a terminal preview."""

from collections.abc import Sequence
from typing import TYPE_CHECKING, Protocol

from kinemorphs_show.showfile import DEFAULT_FRAME_RATE

from .spec import ACCEPTED_FORMS, DEFAULT_PORTS, PREVIEW, OutputKind, OutputSpec, parse_output_spec

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

__all__ = ["ACCEPTED_FORMS", "DEFAULT_PORTS", "PREVIEW", "Output", "OutputKind", "OutputSpec",
           "open_output", "parse_output_spec", "parse_output_specs"]


class Output(Protocol):
    """A destination for frames.

    open() resolves the address and opens sockets (ValueError when the host does
    not resolve); send() never raises for a receiver that is gone: it reports
    the outage once and keeps trying every frame; close() releases sockets.
    """

    spec: OutputSpec

    async def open(self) -> None: ...
    def send(self, frame: "Frame") -> None: ...
    async def close(self) -> None: ...


def parse_output_specs(texts: Sequence[str]) -> list[OutputSpec]:
    return [parse_output_spec(text) for text in texts]


def open_output(spec: OutputSpec, frame_rate: float = DEFAULT_FRAME_RATE) -> Output:
    """Make the output for spec; its open() must be awaited before the first send().

    The protocol libraries are imported here, so a missing optional dependency
    surfaces as ModuleNotFoundError only for the outputs actually used.
    """
    if spec.kind is OutputKind.PREVIEW:
        from .preview import PreviewOutput
        return PreviewOutput()
    if spec.kind is OutputKind.OSC:
        from .osc import OscOutput
        return OscOutput(spec)
    from .dmx_network import DmxNetworkOutput
    return DmxNetworkOutput(spec, frame_rate)
