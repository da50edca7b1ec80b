"""E1.31 (sACN) data packets, one per universe per frame, unicast or to each universe's multicast group.

Universes run from 1 to 63999. Sent to multicast (a multicast address, or
`sacn://` without a host) each universe goes to its own group 239.255.hi.lo
(hi.lo the universe's two bytes), which is where receivers listen. Every
packet carries the show's title as source name and its priority (0-200,
default 100); on exit each universe gets three packets with the Stream
Terminated option (bit 6) so receivers release it at once instead of waiting
for their timeout. Layout (E1.31-2016, 638 bytes with 512 slots):

    root     preamble 0x0010, postamble 0, "ASC-E1.17\\0\\0\\0", flags+length, vector 4, CID (16)
    framing  flags+length, vector 2, source name (64, UTF-8, NUL padded), priority,
             sync address 0, sequence, options, universe
    DMP      flags+length, vector 2, 0xa1, first address 0, increment 1, count 513,
             start code 0, then the 512 slots
"""

import struct
import uuid

from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE

LOWEST_UNIVERSE = 1
HIGHEST_UNIVERSE = 63999
ACN_IDENTIFIER = b"ASC-E1.17\x00\x00\x00"
ROOT_VECTOR_DATA = 4
FRAMING_VECTOR_DATA = 2
DMP_VECTOR_SET_PROPERTY = 2
DMP_ADDRESS_AND_DATA_TYPE = 0xA1
SOURCE_NAME_BYTES = 64
OPTION_STREAM_TERMINATED = 0x40
TERMINATION_REPEATS = 3
PDU_FLAGS = 0x7000
ROOT_PREFIX_BYTES = 16           # preamble, postamble, ACN identifier: outside every PDU's length
FRAMING_START = 38
DMP_START = 115
SEQUENCE_SPAN = 256
HIGHEST_PRIORITY = 200
ROOT = struct.Struct(">HH12sHI16s")
FRAMING = struct.Struct(">HI64sBHBBH")
DMP = struct.Struct(">HBBHHHB")
SEQUENCE_AT = DMP_START - 4      # sequence, options, universe (2) end the framing layer
DATA_AT = DMP_START + DMP.size


def multicast_group(universe: int) -> str:
    return f"239.255.{universe >> 8}.{universe & 0xFF}"


def check_universe(universe: int) -> None:
    if not LOWEST_UNIVERSE <= universe <= HIGHEST_UNIVERSE:
        raise ValueError(f"universe {universe} cannot be sent on sACN (universes are "
                         f"{LOWEST_UNIVERSE} to {HIGHEST_UNIVERSE})")


def source_name_field(name: str) -> bytes:
    """The name as UTF-8, cut at a character boundary to leave room for the terminating NUL."""
    encoded = name.encode()[:SOURCE_NAME_BYTES - 1]
    return encoded.decode(errors="ignore").encode()


def data_packet(cid: bytes, source_name: bytes, priority: int, universe: int, sequence: int, data: bytes,
                options: int = 0) -> bytes:
    total = DMP_START + DMP.size + len(data)
    return (ROOT.pack(0x0010, 0, ACN_IDENTIFIER, PDU_FLAGS | (total - ROOT_PREFIX_BYTES), ROOT_VECTOR_DATA, cid)
            + FRAMING.pack(PDU_FLAGS | (total - FRAMING_START), FRAMING_VECTOR_DATA, source_name, priority, 0,
                           sequence % SEQUENCE_SPAN, options, universe)
            + DMP.pack(PDU_FLAGS | (total - DMP_START), DMP_VECTOR_SET_PROPERTY, DMP_ADDRESS_AND_DATA_TYPE, 0, 1,
                       len(data) + 1, 0)
            + data)


class SacnPackets:
    """The E1.31 side of a DMX stream: where each universe goes and what its packet is."""

    protocol = "sacn"
    sequence_at, data_at = SEQUENCE_AT, DATA_AT

    def __init__(self, source_name: str, priority: int, multicast: bool) -> None:
        if not 0 <= priority <= HIGHEST_PRIORITY:
            raise ValueError(f"sACN priority must be 0 to {HIGHEST_PRIORITY}, not {priority}")
        # One component identifier per run, as a source that restarts is a new source.
        self._cid = uuid.uuid4().bytes
        self._name = source_name_field(source_name)
        self._priority = priority
        self.multicast = multicast

    def check_universe(self, universe: int) -> None:
        check_universe(universe)

    def group(self, universe: int) -> str | None:
        return multicast_group(universe) if self.multicast else None

    def packet(self, universe: int, sequence: int, data: bytes) -> bytes:
        assert len(data) == DMX_CHANNELS_PER_UNIVERSE
        return data_packet(self._cid, self._name, self._priority, universe, sequence, data)

    def sequence_byte(self, sequence: int) -> int:
        return sequence % SEQUENCE_SPAN

    def closing_packets(self, universe: int, sequence: int, data: bytes) -> list[bytes]:
        return [data_packet(self._cid, self._name, self._priority, universe, sequence + repeat, data,
                            OPTION_STREAM_TERMINATED) for repeat in range(TERMINATION_REPEATS)]
