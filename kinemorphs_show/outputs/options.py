"""The show's settings that shape what the outputs send, gathered once from the show."""

from dataclasses import dataclass

from kinemorphs_show.timing import DEFAULT_FRAME_RATE

DEFAULT_SACN_PRIORITY = 100
# Art-Net port-address the show's universe 1 goes to (net 0, sub-net 0, universe 1).
DEFAULT_ARTNET_BASE = 1
# An Ethernet MTU of 1500 less the IPv4 (20) and UDP (8) headers: no fragmentation on a LAN.
DEFAULT_OSC_MAX_DATAGRAM = 1472
DEFAULT_SOURCE_NAME = "kinemorphs-show"


@dataclass(frozen=True)
class OutputOptions:
    frame_rate: float = DEFAULT_FRAME_RATE
    sacn_priority: int = DEFAULT_SACN_PRIORITY
    artnet_base: int = DEFAULT_ARTNET_BASE
    osc_max_datagram: int = DEFAULT_OSC_MAX_DATAGRAM
    source_name: str = DEFAULT_SOURCE_NAME

    @classmethod
    def of_show(cls, show) -> "OutputOptions":
        return cls(frame_rate=show.frame_rate,
                   sacn_priority=getattr(show, "sacn_priority", DEFAULT_SACN_PRIORITY),
                   artnet_base=getattr(show, "artnet_base", DEFAULT_ARTNET_BASE),
                   osc_max_datagram=getattr(show, "osc_max_datagram", DEFAULT_OSC_MAX_DATAGRAM),
                   source_name=show.title or DEFAULT_SOURCE_NAME)
