"""Art-Net 4 ArtDmx packets, one per universe per frame, to one node (unicast).

A show's universe u goes to the Art-Net port-address `artnet_base + u - 1`
(default base 1: universe u is port-address u). A port-address is 15 bits:
net (7 bits) · 256 + sub-net (4 bits) · 16 + universe (4 bits), so port-address
1 is net 0, sub-net 0, universe 1, and port-address 300 is net 1, sub-net 2,
universe 12. Packet layout (all after the 8-byte ID, per Art-Net 4):

    "Art-Net\\0"  OpCode 0x5000 (little-endian)  ProtVer 14 (big-endian)
    Sequence (1-255, wraps past 0)  Physical 0  SubUni (low byte)  Net (high 7 bits)
    Length 512 (big-endian)  then the 512 DMX slots
"""

import struct

from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE

ARTNET_ID = b"Art-Net\x00"
OP_DMX = 0x5000
PROTOCOL_VERSION = 14
HIGHEST_PORT_ADDRESS = 0x7FFF
ID_AND_OPCODE = ARTNET_ID + struct.pack("<H", OP_DMX) + struct.pack(">H", PROTOCOL_VERSION)
ADDRESS_AND_LENGTH = struct.Struct(">BBBBH")   # sequence, physical, sub-uni, net, length
SEQUENCE_AT = len(ID_AND_OPCODE)
DATA_AT = SEQUENCE_AT + ADDRESS_AND_LENGTH.size
# Sequence 0 means "not sequenced" to a receiver, so the count runs 1..255.
SEQUENCE_SPAN = 255


def port_address(universe: int, base: int) -> int:
    """The Art-Net port-address a show universe goes to; ValueError when it does not fit 15 bits."""
    address = base + universe - 1
    if not 0 <= address <= HIGHEST_PORT_ADDRESS:
        raise ValueError(f"universe {universe} would be Art-Net port-address {address}, "
                         f"outside 0 to {HIGHEST_PORT_ADDRESS} (artnet_base {base})")
    return address


def dmx_packet(address: int, sequence: int, data: bytes) -> bytes:
    """An ArtDmx packet; sequence is any count (the packet carries 1..255)."""
    assert len(data) == DMX_CHANNELS_PER_UNIVERSE
    return (ID_AND_OPCODE
            + ADDRESS_AND_LENGTH.pack(sequence_byte(sequence), 0, address & 0xFF, address >> 8, len(data))
            + data)


def sequence_byte(sequence: int) -> int:
    return sequence % SEQUENCE_SPAN + 1


class ArtNetPackets:
    """The Art-Net side of a DMX stream: where each universe goes and what its packet is."""

    protocol = "artnet"
    multicast = False   # Art-Net goes to the node's own address
    sequence_at, data_at = SEQUENCE_AT, DATA_AT

    def __init__(self, base: int) -> None:
        if not 0 <= base <= HIGHEST_PORT_ADDRESS:
            raise ValueError(f"the Art-Net base port-address must be 0 to {HIGHEST_PORT_ADDRESS}, not {base}")
        self._base = base

    def check_universe(self, universe: int) -> None:
        port_address(universe, self._base)

    def group(self, universe: int) -> str | None:
        return None

    def packet(self, universe: int, sequence: int, data: bytes) -> bytes:
        return dmx_packet(port_address(universe, self._base), sequence, data)

    def sequence_byte(self, sequence: int) -> int:
        return sequence_byte(sequence)

    def closing_packets(self, universe: int, sequence: int, data: bytes) -> list[bytes]:
        return []
