"""What the keyed path families depict, beyond their per-family facts: reaches
leave and settle at the centre, tours hold at their vertices in star order,
dwell phrases hold two unequal raised poses, scans sweep their rows before
returning outside them, and ribbons wind and twist as their names say."""

import math

import pytest

import kinemorphs
from catalogue_scope import not_built

PERIODS = {info["name"]: info["period_pips"] for info in kinemorphs.catalogue()}
ORIGIN = (0.0, 0.0, 0.0)


def rows(name):
    if name not in PERIODS:
        not_built(name)
    return [kinemorphs.sample(name, pip).as_tuple() for pip in range(PERIODS[name])]


def cyclic_runs(flags):
    """(start, length) of each run of true flags, a run may wrap round the seam."""
    n = len(flags)
    if all(flags):
        return [(0, n)]
    first_false = flags.index(False)
    runs, start = [], None
    for step in range(1, n + 1):
        i = (first_false + step) % n
        if flags[i] and start is None:
            start = i
        elif not flags[i] and start is not None:
            runs.append((start, (i - start) % n))
            start = None
    return runs


def holds(table, shortest):
    """Runs of at least `shortest` rows that repeat their predecessor: (first row, rows held)."""
    still = [table[i] == table[i - 1] for i in range(len(table))]
    # A run of k repeats holds k + 1 equal rows, starting one row earlier.
    return [((start - 1) % len(table), length + 1) for start, length in cyclic_runs(still) if length >= shortest]


REACHES = [f"reach_{kind}_{n}" for n in (3, 4, 5, 7) for kind in ("scoop", "hook", "lift", "recoil")]


@pytest.mark.parametrize("name", REACHES)
def test_reaches_depart_from_and_settle_at_the_centre(name):
    table = rows(name)
    kind, count = name.split("_")[1], int(name.split("_")[2])
    excursions = cyclic_runs([row != ORIGIN for row in table])
    assert len(excursions) == count
    assert all(length < len(table) / count for _, length in excursions)
    for start, length in excursions:
        path = [table[(start + i) % len(table)] for i in range(length)]
        tip = max(path, key=lambda row: math.hypot(*row))
        reach = math.hypot(*tip)
        assert reach > 0.3
        along = [sum(a * b for a, b in zip(row, tip)) / reach for row in path]
        if kind == "recoil":  # springs back past the centre
            assert min(along) < -0.15 * reach
        else:
            assert min(along) > -0.05 * reach
        if kind == "lift":  # rises on the way out, sinks on the way back
            assert max(row[2] for row in path) > 0.1 and min(row[2] for row in path) < -0.05
        if kind in ("scoop", "hook"):  # out and back along different sides
            area = sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(path, path[1:]))
            assert abs(area) > 0.02 * reach * reach


TOURS = [(5, 2), (7, 2), (7, 3), (8, 3), (9, 2), (9, 4), (10, 3), (11, 2), (11, 3), (11, 4),
         (12, 5), (13, 2), (13, 3), (13, 4), (13, 5), (14, 3)]


@pytest.mark.parametrize("vertices, skip", TOURS)
def test_tours_hold_at_every_vertex_in_star_order(vertices, skip):
    table = rows(f"tour_{vertices}_{skip}")
    held = holds(table, 8)
    assert len(held) == vertices
    points = [table[start] for start, _ in held]
    assert len(set(points)) == vertices
    lengths = [length for _, length in held]
    assert all(lengths[i] > lengths[i + 1] * 2 if i % 2 == 0 else lengths[i] * 2 < lengths[i + 1]
               for i in range(vertices - 1))
    cx = sum(p[0] for p in points) / vertices
    cy = sum(p[1] for p in points) / vertices
    order = sorted(range(vertices), key=lambda i: math.atan2(points[i][1] - cy, points[i][0] - cx))
    rank = {visit: position for position, visit in enumerate(order)}
    steps = {(rank[(i + 1) % vertices] - rank[i]) % vertices for i in range(vertices)}
    assert steps in ({skip}, {vertices - skip})


@pytest.mark.parametrize("number", range(1, 17))
def test_dwell_phrases_hold_two_unequal_raised_poses(number):
    table = rows(f"dwell_phrase_{number:02d}")
    held = holds(table, 16)
    assert len(held) == 3
    home = next(h for h in held if h[0] + h[1] > len(table) or h[0] == 0)
    first, second = sorted((h for h in held if h != home), key=lambda h: h[0])
    assert first[1] != second[1]
    for start, length in (first, second):
        assert (length - 1) % 16 == 0  # a whole number of quarter beats
        assert table[start][1] < table[home[0]][1] - 0.3  # raised: up is -y
    assert len({table[first[0]], table[second[0]], table[home[0]]}) == 3


@pytest.mark.parametrize("name", [f"scan_{style}_{n}" for n in (3, 4, 5, 6) for style in ("flat", "depth")])
def test_scans_sweep_their_rows_then_return_outside_them(name):
    table = rows(name)
    count = int(name.split("_")[2])
    plateaus = sorted((start, length) for start, length in cyclic_runs(
        [table[i][1] == table[i - 1][1] for i in range(len(table))]) if length >= 64)
    assert len(plateaus) == count
    heights = [table[start][1] for start, _ in plateaus]
    assert heights == sorted(heights, reverse=True)
    sweeps = [table[start + length - 1][0] - table[start][0] for start, length in plateaus]
    assert all(s > 0 if i % 2 == 0 else s < 0 for i, s in enumerate(sweeps))
    row_xs = [table[(start + i) % len(table)][0] for start, length in plateaus for i in range(length)]
    if count % 2 == 0:  # ends on the left and returns round that side
        assert min(row[0] for row in table) < min(row_xs) - 0.1
    else:  # ends on the right and returns over the top
        assert max(row[1] for row in table) > heights[0] + 0.1
    if name.startswith("scan_depth"):
        depths = [table[start + length // 2][2] for start, length in plateaus]
        assert depths == sorted(depths, reverse=True) and max(row[2] for row in table) > depths[0] + 0.1


@pytest.mark.parametrize("name", [f"ribbon_{a}_{b}_{kind}" for kind in ("slim", "deep")
                                  for a, b in ((1, 2), (1, 3), (1, 4), (1, 5), (2, 3), (2, 5), (3, 4), (3, 5))])
def test_ribbons_wind_round_the_spine_and_twist_through_depth(name):
    table = rows(name)
    laps, weaves = int(name.split("_")[1]), int(name.split("_")[2])
    turning = sum(math.remainder(math.atan2(b[1], b[0]) - math.atan2(a[1], a[0]), math.tau)
                  for a, b in zip(table, table[1:] + table[:1]))
    assert round(turning / math.tau) == laps
    depth_signs = [row[2] > 0 for row in table if row[2] != 0.0]
    assert sum(a != b for a, b in zip(depth_signs, depth_signs[1:] + depth_signs[:1])) == 2 * weaves
