"""Each authored table reads as the motion its name and description promise.

The family facts bind a table's extremes; these tests look at the motion in
between, as a viewer would: two names must not give the same motion, a
glide must not twitch, a table must show what its words name, and a lift
goes toward -y as it does everywhere in this module. The `beat` family and
the tables given by formula are left out (the formula tables must keep their
bits, whatever they draw).
"""

import itertools
import math

import numpy as np
import pytest

import kinemorphs
import motion_checks as motion
from catalogue_facts import catalogue_tables, family_of
from formula_reference import FORMULA_TABLES

# Two motions closer than this share of their own RMS size look the same: at
# a 0.8 reach it is about 0.03 of the field, a few degrees of a moving head's
# pan, well inside what an eye tells apart when the two play side by side.
SAME_MOTION = 0.05

# Families drawn as continuous glides, holds and eased moves rather than as
# hits on a rhythm grid.
GLIDING_FAMILIES = {
    "lfo", "ease", "path", "wave", "env", "seq", "noise", "orbit", "weave", "polar", "spiro",
    "space", "mech", "gesture", "ribbon", "contour", "silhouette", "spline", "tour", "scan",
    "reach", "surface", "braid", "arm", "dwell", "packet",
}
# Of those, the ones that keep moving all the time: no holds, no cusps, no
# rings or oscillation packets, so a burst of speed can only be a twitch.
FLOWING_FAMILIES = {"noise", "ribbon", "surface", "braid", "arm"}
# Families promising motion throughout: a stall is a fault there.
NEVER_STILL_FAMILIES = {"noise", "ribbon", "surface", "braid", "arm", "contour", "spline"}

# A single step this much longer than both of its neighbours is a snap: in a
# glide neighbouring steps differ by a few percent.
SNAP_RATIO = 1.3
# A glide's velocity changes by less than a third of its top speed from one
# pip to the next (8 ms at 120 BPM); a full-size wave of eighth-note
# triplets, the quickest swing a glide draws, changes by 2*pi/21.3 = 0.29.
# A reversal at top speed changes by 2 and a start from rest at top speed by
# 1: both read as hits.
KINK_SHARE = 1.0 / 3.0
# A pip moving more than 2.2 times as far as the median pip of the beat
# around it is a twitch: a flowing motion speeds up over several pips.
SPIKE_RATIO = 2.2
# Longer than a beat below a tenth of the mean speed is a stall.
LONGEST_STALL = 64

# The bounces of ease_rebound are impacts: reversing at speed is the motion
# its curve names.
IMPACT_TABLES = {"ease_rebound"}

# Records whose words name a vertical direction, with the sign of y their
# largest vertical excursion from the first row must take. A lift, rise,
# high arc or hop goes toward -y; a scoop, duck, bow or heel tap goes low,
# toward +y.
VERTICAL_WORDS = {
    "env_lift_hold_drop": -1, "env_rising_echo": -1, "mech_cam_return": -1,
    "gesture_high_arc": -1, "gesture_zigzag_lift": -1, "gesture_hop_answer": -1,
    "gesture_low_scoop": +1, "gesture_duck_sway": +1, "gesture_bow_turn": +1,
    "gesture_heel_toe": +1,
    **{f"dwell_phrase_{i:02d}": -1 for i in range(1, 17)},
}


@pytest.fixture(scope="module")
def tables():
    return {name: (info, np.asarray(rows)) for name, (info, rows) in catalogue_tables().items()
            if family_of(name) != "beat"}


def authored(name):
    return name not in FORMULA_TABLES


CATALOGUE_NAMES = [info["name"] for info in kinemorphs.catalogue()[15:]]
NON_BEAT_FAMILIES = sorted({family_of(name) for name in CATALOGUE_NAMES} - {"beat"})


def names_of(families):
    """Authored records of `families`, in catalogue order."""
    return [name for name in CATALOGUE_NAMES if family_of(name) in families and authored(name)]


@pytest.mark.parametrize("family", NON_BEAT_FAMILIES)
def test_no_two_tables_of_a_family_are_one_motion(tables, family):
    members = [n for n in tables if family_of(n) == family]
    same = []
    for a, b in itertools.combinations(members, 2):
        if not (authored(a) or authored(b)):
            continue
        distance = motion.motion_distance(tables[a][1], tables[b][1])
        # Tables from one recipe (names differing only in numbers) must also
        # differ from the front: a depth ramp alone does not tell them apart.
        if motion.recipe_of(a) == motion.recipe_of(b):
            distance = min(distance, motion.motion_distance(tables[a][1], tables[b][1], front_only=True))
        if distance < SAME_MOTION:
            same.append(f"{a} ~ {b}: {distance:.4f}")
    assert same == []


def test_the_distance_sees_through_shift_reversal_mirror_and_swap():
    k = np.arange(256)
    rows = np.stack([np.sin(2 * np.pi * k / 256) ** 3, 0.4 * np.sin(4 * np.pi * k / 256 + 0.3),
                     0.1 * np.cos(2 * np.pi * k / 256)], axis=1)
    moved = np.roll(rows[::-1], 77, axis=0)[:, [1, 0, 2]] * [1, -1, -1]
    assert motion.motion_distance(rows, moved) < 1e-9
    assert motion.motion_distance(rows, rows * [1, 0.5, 1]) > SAME_MOTION
    stretched = motion.resampled(rows, 512)  # the same motion over a longer period
    assert motion.motion_distance(rows, stretched) < 1e-3


@pytest.mark.parametrize("name", names_of(GLIDING_FAMILIES))
def test_glides_have_no_snap_kink_or_spike(tables, name):
    rows = tables[name][1]
    problems = []
    ratio, pip, axis = motion.worst_snap(rows)
    if ratio > SNAP_RATIO:
        problems.append(f"{axis} snaps at pip {pip}: {ratio:.2f} times its neighbouring steps")
    share, pip, axis = motion.worst_kink(rows)
    if share > KINK_SHARE and name not in IMPACT_TABLES:
        problems.append(f"{axis} changes velocity by {share:.2f} of its top speed at pip {pip}")
    if family_of(name) in FLOWING_FAMILIES and name not in IMPACT_TABLES:
        ratio, pip = motion.worst_spike(rows)
        if ratio > SPIKE_RATIO:
            problems.append(f"speed spikes to {ratio:.2f} times the beat around pip {pip}")
    assert problems == []


@pytest.mark.parametrize("rows, fault", [
    (np.c_[np.abs(np.linspace(-0.8, 0.8, 256)), np.zeros((256, 2))], "kink"),  # reversal at speed
    (np.c_[np.sin(np.linspace(0, 2 * np.pi, 256, endpoint=False)) +
           np.where(np.arange(256) >= 100, 0.05, 0.0), np.zeros((256, 2))], "snap"),
])
def test_the_glide_measures_catch_their_faults(rows, fault):
    assert {"kink": motion.worst_kink, "snap": motion.worst_snap}[fault](rows)[0] > 1.0
    smooth = np.c_[np.sin(np.linspace(0, 2 * np.pi, 256, endpoint=False)), np.zeros((256, 2))]
    assert motion.worst_snap(smooth)[0] < 1.05 and motion.worst_kink(smooth)[0] < 0.05
    assert motion.worst_spike(smooth)[0] < 1.2


# The elastic ring rings through its loop rather than fading into a hold.
@pytest.mark.parametrize("name", names_of(NEVER_STILL_FAMILIES) + ["ease_elastic"])
def test_continuous_motions_never_stall_for_a_beat(tables, name):
    assert motion.longest_stall(tables[name][1]) <= LONGEST_STALL


def test_the_anticipation_winds_up_visibly(tables):
    # A wind-up of a tenth of the reach reads as a plain bell.
    x = tables["ease_anticipate"][1][:, 0]
    assert -x.min() >= 0.25 * x.max()


# A cascade's next, quicker packet follows on from the one before; starting
# from a standstill it would snap in at several times the speed around it.
CASCADE_SPIKE = 4.0


@pytest.mark.parametrize("name", [n for n in names_of({"packet"}) if "cascading" in n])
def test_cascades_follow_on_without_a_snap(tables, name):
    assert motion.worst_spike(tables[name][1])[0] < CASCADE_SPIKE


RIPPLE_PATHS = [name for name in names_of({"noise"}) if name.startswith("noise_ripple_")]


@pytest.mark.parametrize("name", RIPPLE_PATHS)
def test_ripple_paths_show_their_ripple(tables, name):
    # An oval's distance from its centre has two crests; a ripple has more.
    assert motion.radial_crests(tables[name][1]) >= 3


def echo_voices(rows):
    """The call (from pip 0) and the answer (from the middle) as two halves of
    the loop, each starting an eighth before its source gesture."""
    lead = motion.PIPS_PER_BEAT // 2
    rolled = np.roll(rows, lead, axis=0)
    half = len(rows) // 2
    return rolled[:half], rolled[half:]


@pytest.mark.parametrize("name", names_of({"echo"}))
def test_every_echo_is_visible_and_the_source_is_a_gesture(tables, name):
    echoes = int(name.rsplit("_", 1)[1])
    for voice in echo_voices(tables[name][1]):
        reach = np.linalg.norm(voice, axis=1)
        # Each echo stands out by at least a tenth of its source: below that
        # it disappears into the swell of the one before.
        peaks = motion.prominent_peaks(np.r_[reach, 0.0], 0.1 * reach.max())
        assert len(peaks) == echoes + 1
        # The source lasts at least a thirty-second note at half its height;
        # shorter, it is a flick rather than a call.
        source = peaks[0]
        above = reach >= 0.5 * reach[source]
        start, end = source, source
        while start > 0 and above[start - 1]:
            start -= 1
        while end + 1 < len(above) and above[end + 1]:
            end += 1
        assert end - start + 1 >= 8
        # Each echo points its own way in the front view, so the card shows
        # one ray per gesture and three echoes are told from six.
        angles = np.degrees([math.atan2(voice[k, 1], voice[k, 0]) for k in peaks])
        turns = np.abs((np.diff(angles) + 180.0) % 360.0 - 180.0)
        assert turns.min() >= 4.0


def test_echo_calls_and_answers_point_in_several_directions(tables):
    def direction(voice):
        reach = np.linalg.norm(voice, axis=1)
        return voice[np.argmax(reach)] / reach.max()

    pairs = [tuple(direction(v) for v in echo_voices(rows))
             for name, (_, rows) in tables.items() if family_of(name) == "echo"]
    for call, answer in pairs:
        assert np.dot(call, answer) < math.cos(math.radians(60))  # a differently directed answer
    distinct_calls = []
    for call, _ in pairs:
        if all(np.dot(call, seen) < math.cos(math.radians(20)) for seen in distinct_calls):
            distinct_calls.append(call)
    assert len(distinct_calls) >= 4, "the echo tables all call the same way"


@pytest.mark.parametrize("name", sorted(VERTICAL_WORDS))
def test_lifts_go_toward_negative_y(tables, name):
    y = tables[name][1][:, 1] - tables[name][1][0, 1]
    largest = y[np.argmax(np.abs(y))]
    assert np.sign(largest) == VERTICAL_WORDS[name]


def test_motion_lists_name_real_records(tables):
    assert IMPACT_TABLES | set(VERTICAL_WORDS) <= set(tables)
