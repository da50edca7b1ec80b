"""Measures of how a catalogue table reads as motion, shared by the motion tests.

Every function takes a table as rows of (x, y, z) and returns plain numbers, so
the same measures can be printed for any table while authoring one.
"""

import itertools
import math
import re

import numpy as np

# Tables of different periods are compared after stretching both onto this
# many rows: the comparison is of shapes in time, not of tempo.
COMMON_ROWS = 1024
PIPS_PER_BEAT = 64
_SIGN_CHOICES = np.array(list(itertools.product((1.0, -1.0), repeat=3)))


def as_array(rows):
    return np.asarray(rows, dtype=float)


def resampled(rows, count=COMMON_ROWS):
    """The closed loop through `rows`, linearly interpolated at `count` even phases."""
    table = as_array(rows)
    period = len(table)
    position = np.arange(count) * period / count
    row = np.floor(position).astype(int)
    share = (position - row)[:, None]
    return table[row % period] * (1.0 - share) + table[(row + 1) % period] * share


def spread(rows):
    """RMS distance of the rows from their mean: the size of the motion."""
    table = as_array(rows)
    return math.sqrt(np.mean(np.sum((table - table.mean(axis=0)) ** 2, axis=1)))


def fast_share(rows, cycles_per_beat):
    """The share of the motion's energy (about its mean) in components faster
    than `cycles_per_beat`."""
    table = as_array(rows)
    power = np.sum(np.abs(np.fft.rfft(table - table.mean(axis=0), axis=0)) ** 2, axis=1)
    power[1:] *= 2.0  # each positive frequency stands for its negative twin too
    cycles = np.arange(len(power)) * PIPS_PER_BEAT / len(table)
    total = power.sum()
    return float(power[cycles > cycles_per_beat].sum() / total) if total > 0 else 0.0


def downbeat_share(rows):
    """How far the half beat from pip 0 travels, against the average half beat."""
    speed = speeds(rows)
    half = PIPS_PER_BEAT // 2
    return float(speed[:half].sum() / (speed.sum() * half / len(speed)))


def motion_distance(rows_a, rows_b, front_only=False):
    """How far apart two loops are as motions, relative to their size.

    The smallest RMS distance between the rows of `a` and those of `b` under
    any circular shift, time reversal, mirror of any axis and x/y swap,
    divided by the RMS size of the two motions. `front_only` drops depth,
    comparing what a viewer in front (or a pan/tilt head) sees.
    """
    a, b = resampled(rows_a), resampled(rows_b)
    if front_only:
        a[:, 2] = 0.0
        b[:, 2] = 0.0
    count = len(a)
    spectrum_a = np.conj(np.fft.rfft(a, axis=0))
    energy = np.sum(a * a) + np.sum(b * b)
    best = math.inf
    for reversed_, swapped in itertools.product((False, True), repeat=2):
        candidate = b[::-1] if reversed_ else b
        if swapped:
            candidate = candidate[:, [1, 0, 2]]
        # overlap[s, axis] = sum over k of a[k, axis] * candidate[k + s, axis]
        overlap = np.fft.irfft(spectrum_a * np.fft.rfft(candidate, axis=0), n=count, axis=0)
        best = min(best, energy - 2.0 * np.max(overlap @ _SIGN_CHOICES.T))
    size = math.sqrt(0.5 * (spread(a) ** 2 + spread(b) ** 2))
    return math.sqrt(max(best, 0.0) / count) / size


def recipe_of(name):
    """The name with its numbers removed: tables sharing it come from one recipe."""
    return re.sub(r"_?\d+", "", name)


def steps(rows):
    """steps[k] = row k+1 - row k, across the loop seam at the end."""
    table = as_array(rows)
    return np.roll(table, -1, axis=0) - table


def _moving_axes(step):
    """Per axis, its top speed and whether it carries a real part of the motion."""
    top = np.abs(step).max(axis=0)
    return top, top >= 0.2 * top.max()


def worst_snap(rows):
    """(ratio, pip, axis) of the step most larger than both of its neighbours.

    Only steps of at least a quarter of their axis's top speed count, so the
    slow turn of a lane at rest does not.
    """
    step = steps(rows)
    top, moving = _moving_axes(step)
    size = np.abs(step)
    neighbour = np.maximum(np.roll(size, 1, axis=0), np.roll(size, -1, axis=0))
    counted = (size >= 0.25 * np.where(top > 0, top, 1.0)) & moving
    ratio = np.where(counted, size / np.maximum(neighbour, 1e-15), 0.0)
    pip, axis = np.unravel_index(np.argmax(ratio), ratio.shape)
    return float(ratio[pip, axis]), int(pip), "xyz"[axis]


def worst_kink(rows):
    """(share, pip, axis): the largest change of one axis's velocity within a
    pip, as a share of that axis's top speed (1 for a start from rest at top
    speed, 2 for a reversal at top speed)."""
    step = steps(rows)
    top, moving = _moving_axes(step)
    change = np.abs(step - np.roll(step, 1, axis=0)) / np.where(top > 0, top, 1.0)
    change = np.where(moving, change, 0.0)
    pip, axis = np.unravel_index(np.argmax(change), change.shape)
    return float(change[pip, axis]), int(pip), "xyz"[axis]


def speeds(rows):
    return np.linalg.norm(steps(rows), axis=1)


def worst_spike(rows):
    """(ratio, pip): the pip's speed against the median speed of the beat around
    it (two pips either side left out, so a spike of a few pips stands out).
    The median is floored at a quarter of the mean speed, so starts from a
    hold are not counted."""
    speed = speeds(rows)
    period = len(speed)
    half = PIPS_PER_BEAT // 2
    around = np.r_[np.arange(-half, -2), np.arange(3, half + 1)]
    window = speed[(np.arange(period)[:, None] + around[None, :]) % period]
    baseline = np.maximum(np.median(window, axis=1), 0.25 * speed.mean())
    ratio = speed / baseline
    pip = int(np.argmax(ratio))
    return float(ratio[pip]), pip


def longest_stall(rows):
    """The longest run of pips (wrapping round the loop) whose speed stays below
    a tenth of the table's mean speed."""
    slow = speeds(rows) < 0.1 * speeds(rows).mean()
    if slow.all():
        return len(slow)
    start = int(np.argmin(slow))  # a moving pip: runs never wrap past it
    longest = run = 0
    for still in np.roll(slow, -start):
        run = run + 1 if still else 0
        longest = max(longest, run)
    return longest


def radial_crests(rows, share=0.04):
    """How many times the distance from the loop's centre rises to a crest at
    least `share` of the mean distance above the troughs on both sides."""
    table = as_array(rows)[:, :2]
    radius = np.linalg.norm(table - table.mean(axis=0), axis=1)
    return len(prominent_peaks(radius, share * radius.mean()))


def prominent_peaks(values, prominence):
    """Indices of the local maxima of a closed lane that stand at least
    `prominence` above the lowest value between them and any higher peak
    (or the whole loop's minimum for the highest)."""
    values = np.asarray(values, dtype=float)
    count = len(values)
    peaks = [k for k in range(count)
             if values[k] > values[k - 1] and values[k] >= values[(k + 1) % count]]
    found = []
    for k in peaks:
        lowest = {}
        for direction in (1, -1):
            low = values[k]
            j = k
            for _ in range(count - 1):
                j = (j + direction) % count
                if values[j] > values[k]:
                    break
                low = min(low, values[j])
            lowest[direction] = low
        if values[k] - max(lowest.values()) >= prominence:
            found.append(k)
    return found
