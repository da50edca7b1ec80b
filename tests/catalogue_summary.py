"""Per-table summary figures of the built-in catalogue, kept as a golden file.

`python tests/catalogue_summary.py` rewrites tests/data/catalogue_summary.tsv
from the installed module. Do that only when a table is meant to change: the
test compares the module against the committed file, so an accidental change
of any table's content is noticed.
"""

from pathlib import Path

import kinemorphs

GOLDEN = Path(__file__).parent / "data" / "catalogue_summary.tsv"
HEADER = "name\tperiod\tdims\t" + "\t".join(f"{a}_{s}" for a in "xyz" for s in ("min", "max", "mean"))


def summary_lines():
    lines = [HEADER]
    for info in kinemorphs.catalogue()[15:]:
        name, period = info["name"], info["period_pips"]
        rows = [kinemorphs.sample(name, pip).as_tuple() for pip in range(period)]
        figures = []
        for axis in range(3):
            values = [row[axis] for row in rows]
            figures += [min(values), max(values), sum(values) / period]
        lines.append("\t".join([name, str(period), str(info["dimensions"])] +
                               [f"{v:.9f}".replace("-0.000000000", "0.000000000") for v in figures]))
    return lines


if __name__ == "__main__":
    GOLDEN.write_text("\n".join(summary_lines()) + "\n")
    print(f"wrote {GOLDEN}")
