"""What the rhythmic catalogue families depict: onsets where their rhythms
put them, decaying echoes, migrating accents, gapped grids and bursts."""

from functools import cache

import numpy as np
import pytest

import kinemorphs
from catalogue_scope import not_built

NAMES = {info["name"]: info["period_pips"] for info in kinemorphs.catalogue()}


@cache
def rows(name):
    if name not in NAMES:
        not_built(name)
    return np.array([kinemorphs.sample(name, pip).as_tuple() for pip in range(NAMES[name])])


def family(prefix):
    return [name for name in NAMES if name.startswith(prefix)]


def peaks(signal, floor=0.02):
    """Pips of the strict local maxima above `floor` of a periodic signal."""
    before, after = np.roll(signal, 1), np.roll(signal, -1)
    return [int(k) for k in np.flatnonzero((signal > before) & (signal >= after) & (signal > floor))]


def clusters(positions, gap):
    """Splits sorted peak positions wherever neighbours lie more than `gap` apart."""
    groups = [[positions[0]]]
    for p in positions[1:]:
        if p - groups[-1][-1] <= gap:
            groups[-1].append(p)
        else:
            groups.append([p])
    return groups


# Standard Euclidean patterns, one character per grid step.
EUCLID = {
    "rhythm_euclid_3_8": ("x..x..x.", 1),
    "rhythm_euclid_5_12": ("x..x.x..x.x.", 1),
    "rhythm_euclid_7_16": ("x..x.x.x..x.x.x.", 2),
    "rhythm_euclid_5_16": ("x...x..x..x..x..", 2),
}


@pytest.mark.parametrize("name", EUCLID)
def test_euclidean_onsets_sit_on_the_grid_and_change_sides(name):
    pattern, bars = EUCLID[name]
    a = rows(name)
    bar = len(a) // bars
    expected = [round(b * bar + s * bar / len(pattern)) for b in range(bars)
                for s, c in enumerate(pattern) if c == "x"]
    onsets = peaks(np.abs(a[:, 0]), 0.1)
    assert onsets == expected
    sides = np.sign(a[onsets, 0])
    if bars == 1:  # alternate onset by onset
        assert all(sides[i] != sides[i + 1] for i in range(len(sides) - 1))
    else:  # the repeat moves to the other side
        half = len(onsets) // 2
        assert set(sides[:half]) == {1.0} and set(sides[half:]) == {-1.0}


@pytest.mark.parametrize("name, axis, count", [
    ("rhythm_three_two", 0, 3), ("rhythm_three_two", 1, 2),
    ("rhythm_five_four", 0, 10), ("rhythm_five_four", 1, 8),
    ("rhythm_seven_four", 0, 14), ("rhythm_seven_four", 1, 8),
    ("rhythm_three_four_five", 0, 3), ("rhythm_three_four_five", 1, 4),
    ("rhythm_three_four_five", 2, 5),
])
def test_cross_rhythms_peak_at_exact_fractions_of_the_loop(name, axis, count):
    a = rows(name)
    period = len(a)
    assert peaks(np.abs(a[:, axis]), 0.1) == [round(i * period / count) for i in range(count)]


@pytest.mark.parametrize("name, accents", [
    ("rhythm_group_332", [0, 3, 6, 8, 11, 14]),
    ("rhythm_group_223", [0, 2, 4, 7, 9, 11]),
])
def test_grouped_eighths_accent_every_group_start_alternately(name, accents):
    a = rows(name)
    onsets = peaks(np.abs(a[:, 0]), 0.1)
    assert onsets == [32 * e for e in accents]
    assert all(a[p, 0] * a[q, 0] < 0 for p, q in zip(onsets, onsets[1:]))


def test_no_rhythm_table_opens_at_rest():
    for name in family("rhythm_"):
        assert np.any(rows(name)[0] != 0.0), name


@pytest.mark.parametrize("name", family("echo_"))
def test_echoes_decay_and_keep_their_spacing_kind(name):
    a = rows(name)
    kind = name.split("_")[1]
    count = int(name.split("_")[2]) + 1
    magnitude = np.abs(a[:, 0])
    gaps = []
    for half, sign in ((range(0, 256), -1), (range(256, 512), 1)):
        onsets = [p for p in peaks(magnitude, 0.001) if p in half]
        assert len(onsets) == count
        assert all(np.sign(a[p, 0]) == sign for p in onsets)  # the answer turns the other way
        levels = magnitude[onsets]
        assert np.all(np.diff(levels) < 0)
        gaps.append(np.diff(onsets))
    call_gaps, answer_gaps = gaps
    if kind == "regular":
        assert max(call_gaps) - min(call_gaps) <= 1 and max(answer_gaps) - min(answer_gaps) <= 1
    expected = {"shrinking": (-1, -1), "expanding": (1, 1), "crossed": (-1, 1)}.get(kind)
    if expected:
        assert np.all(np.sign(np.diff(call_gaps)) == expected[0])
        assert np.all(np.sign(np.diff(answer_gaps)) == expected[1])


@pytest.mark.parametrize("name", family("accent_walk_"))
def test_accent_motif_migrates_over_a_steady_pulse_grid(name):
    pulses, step = map(int, name.split("_")[2:])
    a = rows(name)
    bar = 256
    pulse_pips = [b * bar + i * bar / pulses for b in range(4) for i in range(pulses)]
    assert peaks(a[:, 2], 0.01) == [round(p) for p in pulse_pips]
    for b in range(4):
        strongest = b * bar + int(np.argmax(a[b * bar:(b + 1) * bar, 0]))
        assert round((strongest - b * bar) * pulses / bar) % pulses == (b * step) % pulses


@pytest.mark.parametrize("name", family("ladder_"))
def test_ladder_regions_take_their_density_and_open_with_an_accent(name):
    densities = list(map(int, name.split("_")[1:]))
    a = rows(name)
    sways, dips = peaks(np.abs(a[:, 0]), 0.05), peaks(np.abs(a[:, 1]), 0.01)
    for r, density in enumerate(densities):
        assert len([p for p in sways if 128 * r <= p < 128 * (r + 1)]) == density
        strongest = max((p for p in dips if 128 * r <= p < 128 * (r + 1)), key=lambda p: abs(a[p, 1]))
        assert strongest == 128 * r
    accent_depths = a[[0, 128, 256, 384], 2]
    assert np.all(np.diff(accent_depths) > 0)


@pytest.mark.parametrize("name", family("necklace_"))
def test_necklace_word_and_complement_fill_even_slots_with_rising_depth(name):
    a = rows(name)
    slots = peaks(np.abs(a[:, 0]), 0.05)
    spacing = np.diff(slots + [slots[0] + 512])
    assert spacing.max() - spacing.min() <= 1
    accents = [p for p in slots if a[p, 0] < 0]
    assert slots[0] == 0 and accents[0] == 0
    assert np.all(np.diff(a[accents, 2]) > 0)
    assert all(a[p, 2] == 0.0 and a[p, 1] > 0 for p in slots if a[p, 0] > 0)


@pytest.mark.parametrize("name", family("triplet_"))
def test_triplet_grid_has_gaps_answered_off_grid_or_rotated(name):
    a = rows(name)
    slot = 64 / 3
    onsets = peaks(np.abs(a[:, 0]), 0.05)
    first = [p for p in onsets if p < 256]
    assert all(abs(p / slot - round(p / slot)) * slot <= 0.5 for p in onsets)
    assert 0 < len(first) < 12
    slots_first = {round(p / slot) for p in first}
    slots_second = {round(p / slot) - 12 for p in onsets if p >= 256}
    if name.endswith("_answer"):
        answers = peaks(a[:, 2], 0.1)
        assert answers and all(p >= 256 and p % 16 == 0 and p % 64 for p in answers)
        assert slots_second == slots_first
    else:
        rotations = [r for r in range(1, 12) if {(s - r) % 12 for s in slots_first} == slots_second]
        assert rotations and slots_second != slots_first


@pytest.mark.parametrize("number", range(1, 9))
def test_canon_depth_lane_imitates_the_lateral_motif_closer_or_later(number):
    offsets = {}
    for timing in ("close", "late"):
        a = rows(f"canon_0{number}_{timing}")
        lateral = [p for p in peaks(np.abs(a[:, 0]), 0.02) if p < 240]
        depth = [p for p in peaks(a[:, 2], 0.02) if p < 240]
        offset = depth[0] - lateral[0]
        assert offset > 0
        assert all(d - offset in lateral for d in depth)
        offsets[timing] = offset
        # The lanes swap for the second half: depth leads on the downbeat of it.
        assert a[256, 2] > 0 and a[256, 0] == 0.0
    assert offsets["late"] > offsets["close"]


@pytest.mark.parametrize("name", family("dialogue_"))
def test_dialogue_groups_open_strongest_after_a_late_pickup(name):
    groups = list(map(int, name.split("_")[1:]))
    a = rows(name)
    assert len(a) == 32 * sum(groups)
    starts = np.cumsum([0] + groups[:-1]) * 32
    ends = np.cumsum(groups) * 32
    strength = np.abs(a).max(axis=1)
    onsets = peaks(strength)
    for start, end in zip(starts, ends):
        assert max((p for p in onsets if start <= p < end), key=lambda p: strength[p]) == start
        assert a[end - 16, 1] > 0 and a[end - 16, 2] < 0


@pytest.mark.parametrize("name", family("burst_"))
def test_bursts_keep_their_subdivisions_and_end_with_a_settling_accent(name):
    counts = list(map(int, name.split("_")[1:]))
    a = rows(name)
    strength = np.abs(a).max(axis=1)
    found = clusters(peaks(strength, 0.05), 55)
    assert [len(c) for c in found] == counts + [1]
    settle = found[-1][0]
    assert settle > 384 and strength[settle] == strength.max() and a[settle, 1] < 0


@pytest.mark.parametrize("name", family("packet_"))
def test_packets_are_separate_windows_of_oscillation(name):
    count = int(name.rsplit("_", 1)[1])
    a = rows(name)
    moving = np.abs(a[:, 0]) > 0
    moving = moving | np.roll(moving, 1) | np.roll(moving, -1)  # bridge a carrier's zero crossing
    assert np.count_nonzero(moving & ~np.roll(moving, 1)) == count
    if "_cascading_" in name:  # each packet of the cascade is smaller than the one before
        slot = 512 / count
        levels = [np.abs(np.roll(a[:, 0], -round(i * slot) + round(slot / 2))[:round(slot)]).max()
                  for i in range(count)]
        assert np.all(np.diff(levels) < 0)
