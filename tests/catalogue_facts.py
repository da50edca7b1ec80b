"""Per-family facts of the built-in catalogue, and a checker for them.

Run as a script (`python tests/catalogue_facts.py [family ...]`) to print the
measured facts of the families present beside the expected ones.
"""

import math
import sys
from collections import defaultdict
from typing import NamedTuple

import kinemorphs


class Facts(NamedTuple):
    records: int
    # Largest component magnitude per table. Equal ends: every table reaches
    # exactly that value; otherwise the smallest and largest table peaks,
    # cut (not rounded) to four decimals.
    peak: tuple
    starts_at_origin: int
    # Family-wide minimum and maximum of each axis, rounded to three decimals.
    x: tuple
    y: tuple
    z: tuple


FACTS = {
    'lfo': Facts(16, (0.75, 0.85), 7, (-0.84, 0.804), (-0.85, 0.727), (0.0, 0.0)),
    'rhythm': Facts(12, (0.7, 0.85), 0, (-0.8, 0.85), (-0.7, 0.85), (0.0, 0.55)),
    'rudiment': Facts(4, (0.82, 0.82), 0, (-0.82, 0.82), (-0.426, 0.0), (0.0, 0.0)),
    'ease': Facts(4, (0.65, 0.8), 1, (-0.78, 0.8), (0.0, 0.0), (0.0, 0.0)),
    'akwf': Facts(4, (0.85, 0.85), 0, (-0.85, 0.85), (0.0, 0.0), (0.0, 0.0)),
    'groove': Facts(4, (0.6488, 1.0), 0, (-0.307, 1.0), (-0.429, 0.486), (0.0, 0.0)),
    'path': Facts(8, (0.72, 0.82), 2, (-0.82, 0.82), (-0.82, 0.82), (-0.48, 0.48)),
    'wave': Facts(16, (0.82, 0.82), 11, (-0.82, 0.82), (0.0, 0.0), (0.0, 0.0)),
    'env': Facts(16, (0.7, 0.82), 16, (0.0, 0.0), (-0.82, 0.5), (0.0, 0.0)),
    'seq': Facts(16, (0.82, 0.82), 8, (-0.82, 0.82), (-0.287, 0.287), (0.0, 0.0)),
    'noise': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.82, 0.82), (-0.516, 0.464)),
    'orbit': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.655, 0.652), (0.0, 0.0)),
    'weave': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.666, 0.666), (0.0, 0.0)),
    'polar': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.82, 0.82), (0.0, 0.0)),
    'spiro': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.82, 0.82), (0.0, 0.0)),
    'space': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.82, 0.82), (-0.574, 0.574)),
    'mech': Facts(16, (0.82, 0.82), 1, (-0.82, 0.82), (-0.82, 0.82), (-0.41, 0.41)),
    'euclid': Facts(16, (0.75, 0.75), 0, (-0.562, 0.75), (-0.32, 0.0), (0.0, 0.0)),
    'poly': Facts(16, (0.52, 0.52), 0, (-0.403, 0.403), (-0.52, 0.0), (0.0, 0.22)),
    'meter': Facts(16, (0.72, 0.72), 0, (-0.72, 0.72), (-0.33, 0.0), (0.0, 0.05)),
    'swing': Facts(16, (0.585, 0.585), 0, (-0.422, 0.585), (-0.216, 0.0), (0.0, 0.09)),
    'stick': Facts(16, (0.74, 0.74), 0, (-0.74, 0.74), (-0.34, 0.0), (0.0, 0.0)),
    'gesture': Facts(16, (0.82, 0.82), 6, (-0.82, 0.82), (-0.82, 0.82), (-0.82, 0.82)),
    'ribbon': Facts(16, (0.82, 0.82), 0, (-0.82, 0.82), (-0.764, 0.764), (-0.258, 0.258)),
    'contour': Facts(16, (0.8199, 0.82), 0, (-0.82, 0.82), (-0.593, 0.603), (-0.148, 0.094)),
    'silhouette': Facts(16, (0.8199, 0.82), 0, (-0.82, 0.82), (-0.698, 0.687), (-0.079, 0.081)),
    'spline': Facts(16, (0.8197, 0.82), 1, (-0.82, 0.82), (-0.82, 0.82), (-0.634, 0.728)),
    'tour': Facts(16, (0.82, 0.82), 0, (-0.615, 0.82), (-0.503, 0.524), (-0.191, 0.191)),
    'scan': Facts(16, (0.82, 0.82), 0, (-0.82, 0.804), (-0.779, 0.82), (-0.121, 0.31)),
    'reach': Facts(16, (0.8199, 0.82), 16, (-0.82, 0.82), (-0.741, 0.683), (-0.393, 0.393)),
    'surface': Facts(16, (0.82, 0.82), 0, (-0.721, 0.82), (-0.785, 0.785), (-0.776, 0.776)),
    'braid': Facts(16, (0.8198, 0.82), 0, (-0.82, 0.82), (-0.813, 0.813), (-0.413, 0.422)),
    'arm': Facts(16, (0.8199, 0.82), 0, (-0.82, 0.82), (-0.82, 0.172), (-0.177, 0.176)),
    'dwell': Facts(16, (0.8199, 0.82), 0, (-0.761, 0.82), (-0.761, 0.82), (-0.461, 0.512)),
    'packet': Facts(16, (0.8196, 0.82), 0, (-0.82, 0.82), (-0.276, 0.276), (-0.347, 0.347)),
    'canon': Facts(16, (0.279, 0.3109), 0, (-0.279, 0.251), (-0.311, 0.03), (0.0, 0.258)),
    'echo': Facts(16, (0.2489, 0.31), 0, (-0.31, 0.241), (-0.266, 0.26), (-0.072, 0.22)),
    'ladder': Facts(16, (0.32, 0.32), 0, (-0.31, 0.29), (-0.32, 0.05), (0.0, 0.32)),
    'necklace': Facts(16, (0.248, 0.248), 0, (-0.248, 0.102), (-0.096, 0.022), (0.0, 0.159)),
    'accent': Facts(16, (0.2561, 0.3139), 0, (-0.256, 0.314), (-0.118, 0.01), (0.0, 0.154)),
    'triplet': Facts(16, (0.2945, 0.2945), 0, (-0.294, 0.187), (-0.192, 0.032), (0.0, 0.207)),
    'dialogue': Facts(16, (0.32, 0.32), 0, (-0.31, 0.29), (-0.32, 0.135), (-0.041, 0.32)),
    'burst': Facts(16, (0.288, 0.288), 0, (-0.279, 0.267), (-0.288, 0.24), (-0.072, 0.189)),
    'beat': Facts(1088, (0.1552, 0.92), 2, (-0.856, 0.856), (-0.92, 0.707), (-0.601, 0.92)),
}


def family_of(name):
    return name.split("_", 1)[0]


def catalogue_tables():
    """name -> (info, rows) for every catalogue record present, in catalogue order."""
    tables = {}
    for info in kinemorphs.catalogue()[15:]:
        sample = kinemorphs.sample
        name = info["name"]
        tables[name] = (info, [sample(name, pip).as_tuple() for pip in range(info["period_pips"])])
    return tables


def cut4(value):
    return math.floor(value * 10000 + 1e-9) / 10000


def measure(tables):
    """Measured facts per family, over the tables given."""
    by_family = defaultdict(list)
    for name, (info, rows) in tables.items():
        by_family[family_of(name)].append(rows)
    measured = {}
    for family, family_tables in by_family.items():
        peaks = [max(abs(v) for row in rows for v in row) for rows in family_tables]
        axes = [[v[a] for rows in family_tables for v in rows] for a in range(3)]
        measured[family] = dict(
            records=len(family_tables),
            peaks=(min(peaks), max(peaks)),
            starts_at_origin=sum(rows[0] == (0.0, 0.0, 0.0) for rows in family_tables),
            ranges=[(min(values), max(values)) for values in axes],
        )
    return measured


def mismatches(family, measured):
    """The facts that a complete family misses, as readable lines."""
    facts = FACTS[family]
    problems = []
    low, high = measured["peaks"]
    if facts.peak[0] == facts.peak[1]:
        if not low == high == facts.peak[0]:
            problems.append(f"peaks {low!r}..{high!r}, every table must reach exactly {facts.peak[0]}")
    elif (cut4(low), cut4(high)) != facts.peak:
        problems.append(f"peaks {low!r}..{high!r} cut to {cut4(low)}..{cut4(high)}, expected {facts.peak}")
    if measured["starts_at_origin"] != facts.starts_at_origin:
        problems.append(f"{measured['starts_at_origin']} tables start at the origin, expected {facts.starts_at_origin}")
    for axis, expected, (lo, hi) in zip("xyz", (facts.x, facts.y, facts.z), measured["ranges"]):
        if expected == (0.0, 0.0):
            if (lo, hi) != (0.0, 0.0):
                problems.append(f"{axis} must stay exactly 0, spans {lo!r}..{hi!r}")
        elif (round(lo, 3), round(hi, 3)) != expected:
            problems.append(f"{axis} spans {lo!r}..{hi!r}, rounds to {round(lo, 3)}..{round(hi, 3)}, expected {expected}")
    return problems


if __name__ == "__main__":
    wanted = set(sys.argv[1:])
    measured = measure(catalogue_tables())
    for family, values in measured.items():
        if wanted and family not in wanted:
            continue
        complete = values["records"] == FACTS[family].records
        print(f"{family}: {values['records']}/{FACTS[family].records} tables")
        for line in mismatches(family, values) if complete else ["(incomplete, facts not checked)"]:
            print("   ", line)
