"""DMX universes over the network, as Art-Net or sACN (E1.31), through pyartnet.

pyartnet builds the packets and keeps the per-universe sequence numbers; this
output hands it each frame's 512 bytes per universe and sends them at once, so
the run loop's frame clock, not pyartnet's own fade timer, decides when a
packet leaves. pyartnet's periodic refresh is stopped: every frame is sent
anyway, which keeps receivers alive better than a two-second refresh.
"""

import logging
from contextlib import AsyncExitStack
from typing import TYPE_CHECKING

from pyartnet import ArtNetNode, BaseUniverse, Channel, SacnNode
from pyartnet.errors import InvalidUniverseAddressError

from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE

from .failure_report import FailureReport
from .destination import OutputKind, OutputDestination
from .options import OutputOptions

if TYPE_CHECKING:
    from kinemorphs_show.engine import Frame

# Failed sends are reported once by FailureReport; pyartnet's own logging of the
# same error from its background task would repeat it every frame.
logging.getLogger("pyartnet").addHandler(logging.NullHandler())
logging.getLogger("pyartnet").propagate = False

NODE_TYPES: dict[OutputKind, type[ArtNetNode] | type[SacnNode]] = {OutputKind.ARTNET: ArtNetNode,
                                                                  OutputKind.SACN: SacnNode}


class DmxNetworkOutput:
    def __init__(self, destination: OutputDestination, options: OutputOptions) -> None:
        frame_rate = options.frame_rate
        self.destination = destination
        self.gone = False
        self.report = FailureReport(str(destination))
        # pyartnet's fade task wakes at max_fps; frames never fade, so the rate only
        # needs to be whole and positive.
        self._node = NODE_TYPES[destination.kind].create(destination.host, destination.port, max_fps=max(1, round(frame_rate)))
        self._channels: dict[int, tuple[BaseUniverse, Channel]] = {}
        self._refused_universes: set[int] = set()
        self._stack = AsyncExitStack()

    async def open(self) -> None:
        """Resolve the host and open the socket; ValueError for a host that does not resolve."""
        await self._stack.enter_async_context(self._node)
        await self._node.stop_refresh()

    def send(self, frame: "Frame") -> str | None:
        refused = []
        try:
            for number, data in frame.universes.items():
                target = self._universe(number)
                if target is None:
                    refused.append(number)
                    continue
                universe, channel = target
                channel.set_values(data)
                universe.send_data()
        except OSError as error:
            return self.report.failed(error)
        self.report.succeeded()
        if refused:
            return f"universe {', '.join(map(str, refused))} cannot be sent on {self.destination.kind.value}"
        return None

    async def close(self) -> None:
        await self._stack.aclose()

    def _universe(self, number: int) -> tuple[BaseUniverse, Channel] | None:
        if number in self._channels:
            return self._channels[number]
        if number in self._refused_universes:
            return None
        try:
            universe = self._node.add_universe(number)
        except InvalidUniverseAddressError:
            self._refused_universes.add(number)
            print(f"{self.destination}: universe {number} cannot be sent on {self.destination.kind.value}; skipped",
                  file=self.report.stream, flush=True)
            return None
        channel = universe.add_channel(start=1, width=DMX_CHANNELS_PER_UNIVERSE)
        self._channels[number] = (universe, channel)
        return universe, channel
