"""Every beat gesture shows its groove, readably.

Every table is big enough to read, slow enough for a moving head to follow
and moves on the loop's downbeat. Within one gesture no two grooves may draw
the same motion, the parts that set two grooves apart must move the tables
where those parts play, lifts go toward -y, alternating gestures keep the
downbeat's step at the loop point, and the slalom travels in S curves with
snares cutting back against it.
"""

import itertools
import math

import numpy as np
import pytest

import kinemorphs
import beat_scores
import motion_checks as motion

SCORES = beat_scores.load()
GESTURES = [info["name"][len("beat_four_floor_"):] for info in kinemorphs.catalogue()
            if info["name"].startswith("beat_four_floor_")]

# How far apart two motions must be, as a share of the larger one's peak
# component, held over a sixteenth note. A tenth of a motion's own size for a
# sixteenth (110-125 ms at 120-136 BPM, about the time the eye needs to
# register a change of motion) is the least a viewer reliably picks out
# between two movers running side by side; below it two grooves read as one
# motion.
DISTINCT_SHARE = 0.1
SIXTEENTH = 16


@pytest.fixture(scope="module")
def tables():
    if not GESTURES:
        pytest.skip("beat family not built")
    return {(key, gesture): np.array([kinemorphs.sample(f"beat_{key}_{gesture}", pip).as_tuple()
                                      for pip in range(period)])
            for key, (period, _) in SCORES.items() for gesture in GESTURES}


# A moving head follows a few turns a beat; faster wiggles (above four
# cycles a beat, 8 Hz at 120 BPM, near what DMX refresh carries) blur into
# scribble, so they may carry only a trace of a table's motion.
FOLLOWABLE_CYCLES_PER_BEAT = 4
FAST_SHARE = 0.05
# A motion a viewer reads from across a room: 0.15 of the field RMS about its
# mean, about 10 degrees of a moving head's pan on a 540-degree fixture.
READABLE_SPREAD = 0.15
# The loop's beat one is where a viewer expects the music to land: its first
# half beat travels at least a fifth as far as an average half beat.
DOWNBEAT_SHARE = 0.2


@pytest.mark.parametrize("gesture", GESTURES)
def test_every_table_is_readable_followable_and_moves_on_the_downbeat(tables, gesture):
    faults = []
    for key in SCORES:
        rows = tables[key, gesture]
        if motion.spread(rows) < READABLE_SPREAD:
            faults.append((key, "too small", round(motion.spread(rows), 3)))
        fast = motion.fast_share(rows, FOLLOWABLE_CYCLES_PER_BEAT)
        if fast > FAST_SHARE:
            faults.append((key, "buzzes", round(fast, 3)))
        if motion.downbeat_share(rows) < DOWNBEAT_SHARE:
            faults.append((key, "still on the downbeat", round(motion.downbeat_share(rows), 3)))
    assert faults == []


def sustained_distances(a, b):
    """Per pip: the distance between the tables averaged over the sixteenth
    that starts there, both tiled to a common period, as a share of the
    larger peak component."""
    period = math.lcm(len(a), len(b))
    gap = np.linalg.norm(np.tile(a, (period // len(a), 1)) - np.tile(b, (period // len(b), 1)), axis=1)
    windows = np.convolve(np.concatenate([gap, gap[:SIXTEENTH - 1]]), np.ones(SIXTEENTH) / SIXTEENTH, "valid")
    return windows / max(np.abs(a).max(), np.abs(b).max())


def loop_distance(a, b):
    """The RMS distance between the tables over the whole loop, both tiled to
    a common period, as a share of the larger one's RMS size."""
    period = math.lcm(len(a), len(b))
    gap = np.tile(a, (period // len(a), 1)) - np.tile(b, (period // len(b), 1))
    return math.sqrt(np.mean(np.sum(gap ** 2, axis=1))) / max(motion.spread(a), motion.spread(b))


@pytest.mark.parametrize("gesture", GESTURES)
def test_no_two_grooves_draw_the_same_motion(tables, gesture):
    """Two grooves differ for at least a sixteenth somewhere, and over the
    whole loop by a tenth of their size: a single flick apart is not a groove
    of its own."""
    close = []
    for a, b in itertools.combinations(SCORES, 2):
        first, second = tables[a, gesture], tables[b, gesture]
        moment = float(sustained_distances(first, second).max())
        whole = loop_distance(first, second)
        if min(moment, whole) < DISTINCT_SHARE:
            close.append((a, b, round(moment, 3), round(whole, 3)))
    assert close == []


def kick_snare_hits(key):
    """(pip, loudest velocity) of the kick and snare hits, onsets within 12
    pips of a hit's start joined to it."""
    _, lanes = SCORES[key]
    onsets = sorted(hit for lane in ("kick", "snare", "clap") for hit in lanes.get(lane, []))
    hits = []
    for pip, velocity in onsets:
        if hits and pip - hits[-1][0] < 12:
            hits[-1][1] = max(hits[-1][1], velocity)
        else:
            hits.append([pip, velocity])
    return hits


# Grooves that differ in one lane only: that lane alone must move the table,
# from a sixteenth before to a beat after the notes the two grooves do not
# share (a gesture may lean into a note as well as answer it).
SINGLE_LANE_CONTRASTS = [("house_classic", "house_shuffle", "hat"),
                         ("amen_four_bar", "amen_no_ghosts", "snare"),
                         ("son_clave_32", "son_clave_23", "clave")]


@pytest.mark.parametrize("gesture", GESTURES)
@pytest.mark.parametrize("first, second, lane", SINGLE_LANE_CONTRASTS)
def test_the_lane_that_sets_two_grooves_apart_shows_where_it_plays(tables, gesture, first, second, lane):
    period = SCORES[first][0]
    played = [set(SCORES[key][1].get(lane, [])) for key in (first, second)]
    unshared = sorted(float(p) for p, _ in played[0] ^ played[1])
    around_unshared = np.zeros(period, bool)
    for pip in unshared:
        around_unshared[[(int(pip) + d) % period for d in range(-SIXTEENTH, 64)]] = True
    distances = sustained_distances(tables[first, gesture], tables[second, gesture])
    assert distances[around_unshared].max() >= DISTINCT_SHARE


@pytest.mark.parametrize("gesture", GESTURES)
def test_contrasting_grooves_differ_in_the_motion_itself(tables, gesture):
    """Whatever the timing: under any shift, reversal or mirror the two
    motions stay apart, so a 3-2 clave does not draw the 2-3 clave's motion
    one bar later."""
    close = [(first, second, round(distance, 3)) for first, second, _ in SINGLE_LANE_CONTRASTS
             if (distance := motion.motion_distance(tables[first, gesture], tables[second, gesture])) < DISTINCT_SHARE]
    assert close == []


def side(x):
    return math.copysign(1.0, x)


@pytest.mark.parametrize("gesture", ["step", "flutter", "dive"])
def test_the_downbeat_steps_across_from_the_hit_before_it(tables, gesture):
    """With an odd number of kick and snare hits one pair must share a side;
    it must not be the last hit and the downbeat, or the loop point loses its
    step."""
    same_side = []
    for key in SCORES:
        hits = kick_snare_hits(key)
        # A ghost's small step is masked by the hats around it.
        if len(hits) < 2 or hits[0][0] != 0 or hits[-1][1] < 0.5:
            continue
        x = tables[key, gesture][:, 0]
        if side(x[0]) == side(x[int(hits[-1][0])]):
            same_side.append((key, len(hits)))
    assert same_side == []


def lone_hits(key, lane):
    """Pips of a lane's onsets with no kick or snare of another lane within a beat before."""
    _, lanes = SCORES[key]
    others = [p for name in ("kick", "snare", "clap") if name != lane for p, _ in lanes.get(name, [])]
    return [int(p) for p, _ in lanes[lane] if all(not 0 <= p - q < 64 for q in others)]


# (gesture, groove, lane, sign of y around that lane's lone hits): kicks
# press down (+y), snares lift (-y).
VERTICAL = [
    ("step", "dnb_two_step", "kick", 1), ("step", "dnb_two_step", "snare", -1),
    ("surge", "dnb_two_step", "snare", -1),
    ("recoil", "four_floor", "kick", 1),
    ("spring", "four_floor", "kick", 1),
    ("slalom", "four_floor", "kick", -1),
]


@pytest.mark.parametrize("gesture, key, lane, sign", VERTICAL)
def test_vertical_moves_follow_the_lift_toward_negative_y(tables, gesture, key, lane, sign):
    y = tables[key, gesture][:, 1]
    period = len(y)
    hits = lone_hits(key, lane)
    assert hits
    # The largest excursion from the table's mean height, from half a
    # sixteenth before a hit (gestures may lean into it) to a dotted
    # sixteenth after, before the next backbeat can take over.
    excursions = []
    for pip in hits:
        window = np.array([y[(pip + d) % period] for d in range(-8, 24)]) - y.mean()
        excursions.append(window[np.argmax(np.abs(window))])
    assert all(math.copysign(1.0, e) == sign for e in excursions)


@pytest.mark.parametrize("key", sorted(SCORES))
def test_the_pendulum_hangs_lowest_at_the_centre_of_its_swing(tables, key):
    x, y = tables[key, "pendulum"][:, 0], tables[key, "pendulum"][:, 1]
    assert np.corrcoef(np.abs(x), y)[0, 1] < -0.5


@pytest.mark.parametrize("key", sorted(SCORES))
def test_the_slalom_travels_in_s_curves_not_along_a_line(tables, key):
    path = tables[key, "slalom"][:, [0, 2]]
    spread = np.linalg.svd(path - path.mean(axis=0), compute_uv=False)
    assert spread[1] >= 0.3 * spread[0]


def test_slalom_snares_cut_back_against_the_travel(tables):
    """A snare on a beat meets the sway at a centre crossing, where a plain
    crossing runs straight through; there the snare must hold the mover back
    against its travel, by at least a tenth of the table's peak."""
    checked = 0
    for key, (period, lanes) in SCORES.items():
        x = tables[key, "slalom"][:, 0]
        peak = np.abs(tables[key, "slalom"]).max()
        for pip in lone_hits(key, "snare") if "snare" in lanes else []:
            if pip % 64:
                continue
            before, after = x[(pip - 16) % period], x[(pip + 16) % period]
            lag = x[pip] - (before + after) / 2
            assert lag * (after - before) < 0 and abs(lag) >= DISTINCT_SHARE * peak, (key, pip)
            checked += 1
    assert checked > 20
