"""Sample a few patterns over one bar (four beats) and print them.

    .venv/bin/python examples/bar_demo.py [PATTERN ...]

Rows fall every thirty-second note, halfway between the grid lines: the
stroke rudiments start each stroke at rest on the grid, so that is where
their motion shows.
"""

import argparse

import kinemorphs

DEFAULT_PATTERNS = ["bounce", "circle", "helix", "tobrin_background", "single_paradiddle"]
STEP = kinemorphs.PIPS_PER_BEAT // 8  # one thirty-second note
BAR = 4 * kinemorphs.PIPS_PER_BEAT


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("patterns", nargs="*", default=DEFAULT_PATTERNS, metavar="PATTERN",
                        help="built-in pattern names (default: a few rudiments)")
    args = parser.parse_args()
    for name in args.patterns:
        try:
            kinemorphs.sample(name, 0)
        except ValueError as error:
            parser.error(str(error))

    print(f"{'pip':>4}  " + "  ".join(f"{name:^26}" for name in args.patterns))
    for pip in range(STEP // 2, BAR, STEP):
        cells = []
        for name in args.patterns:
            x, y, z = kinemorphs.sample(name, pip).as_tuple()
            cells.append(f"{x:+.3f} {y:+.3f} {z:+.3f}".center(26))
        print(f"{pip:>4}  " + "  ".join(cells))


if __name__ == "__main__":
    main()
