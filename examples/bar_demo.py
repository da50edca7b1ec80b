"""Sample a few patterns over one bar (four beats) and print them."""

import kinemorphs

PATTERNS = ["bounce", "circle", "helix", "tobrin_background", "single_paradiddle"]
STEP = kinemorphs.PIPS_PER_BEAT // 8  # one thirty-second note

print(f"{'pip':>4}  " + "  ".join(f"{name:^26}" for name in PATTERNS))
for pip in range(0, 4 * kinemorphs.PIPS_PER_BEAT + 1, STEP):
    cells = []
    for name in PATTERNS:
        x, y, z = getattr(kinemorphs, name)(pip).as_tuple()
        cells.append(f"{x:+.3f} {y:+.3f} {z:+.3f}".center(26))
    print(f"{pip:>4}  " + "  ".join(cells))
