"""Writes what the Python module answers, for the C++ comparison.

Tab-separated lines: "pattern", name, description, period, dimensions for
every listed built-in, in listing order; then "sample", name, pip and the
three components as 16-hex-digit IEEE 754 bit patterns, for a sample of
pips of every built-in: both ends of the 32-bit range, around zero, across
the first period's ends and a few pips spread by a fixed stride.
"""

import struct
import sys

import kinemorphs

PIP_MIN = -(2**31)
PIP_MAX = 2**31 - 1


def bits(value: float) -> str:
    return f"{struct.unpack('<Q', struct.pack('<d', value))[0]:016x}"


def sample_pips(period: int, number: int) -> list[int]:
    spread = [(number * 7919 + k * 104729) % (4 * period) - 2 * period for k in range(3)]
    pips = [PIP_MIN, PIP_MAX, -period - 1, -1, 0, 1, period // 3, period - 1, period, *spread]
    return sorted(set(pips))


def main(path: str) -> None:
    listing = kinemorphs.catalogue()
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        for info in listing:
            fields = [info["name"], info["description"]]
            assert not any("\t" in f or "\n" in f for f in fields)
            out.write(f"pattern\t{fields[0]}\t{fields[1]}\t{info['period_pips']}\t{info['dimensions']}\n")
        for number, info in enumerate(listing):
            for pip in sample_pips(info["period_pips"], number):
                offset = kinemorphs.sample(info["name"], pip)
                out.write(f"sample\t{info['name']}\t{pip}\t{bits(offset.x)}\t{bits(offset.y)}\t{bits(offset.z)}\n")


if __name__ == "__main__":
    main(sys.argv[1])
