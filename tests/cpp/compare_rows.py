"""Compares the catalogue rows of two builds table by table.

usage: compare_rows.py ROWS_A ROWS_B CATALOGUE_DATA_HPP

Prints "identical" or, for each table whose rows differ, its name, how many
values differ and the largest distance in units in the last place; exits 1
when any table differs.
"""

import re
import struct
import sys

RECORD = re.compile(r'\{"([a-z0-9_]+)",.*?sample_catalogue_row<(\d+), (\d+)>', re.S)


def ulp_distance(a: float, b: float) -> int:
    def ordered(value: float) -> int:
        bits = struct.unpack("<q", struct.pack("<d", value))[0]
        return bits if bits >= 0 else -(bits & 0x7FFFFFFFFFFFFFFF)

    return abs(ordered(a) - ordered(b))


def main(path_a: str, path_b: str, header: str) -> int:
    with open(path_a, "rb") as file_a, open(path_b, "rb") as file_b:
        rows_a, rows_b = file_a.read(), file_b.read()
    if rows_a == rows_b:
        print(f"rows identical: {len(rows_a)} bytes")
        return 0
    if len(rows_a) != len(rows_b):
        print(f"rows differ in size: {len(rows_a)} and {len(rows_b)} bytes")
        return 1
    with open(header, encoding="utf-8") as text:
        records = RECORD.findall(text.read())
    for name, first_row, period in records:
        start, count = int(first_row) * 3, int(period) * 3
        values_a = struct.unpack_from(f"<{count}d", rows_a, start * 8)
        values_b = struct.unpack_from(f"<{count}d", rows_b, start * 8)
        distances = [ulp_distance(a, b) for a, b in zip(values_a, values_b) if a != b]
        if distances:
            print(f"{name}: {len(distances)} of {count} values differ, at most {max(distances)} ulp")
    return 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
