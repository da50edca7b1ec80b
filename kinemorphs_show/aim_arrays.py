"""aiming.solve_aim for many heads at once on numpy arrays: the same candidates, the same
preference, the same results (to rounding), one call per frame for the whole rig."""

import numpy as np

from kinemorphs_show.aiming import AXIS_TOLERANCE, MIN_FOCUS_DISTANCE_M, RANGE_TOLERANCE_DEG


def solve_aims(positions_m, inverted, pan_zero_deg, focus_m, previous, pan_ranges, tilt_ranges):
    """Per head i: positions_m[i] (3), inverted[i], pan_zero_deg[i], focus_m[i] (3, or one
    point for all), previous[i] = (pan, tilt), pan_ranges[i] and tilt_ranges[i] = (low, high).
    Returns (pan_deg, tilt_deg, reachable), each of shape (heads,)."""
    positions = np.asarray(positions_m, dtype=float)
    count = len(positions)
    focus = np.broadcast_to(np.asarray(focus_m, dtype=float), positions.shape)
    up = np.where(np.asarray(inverted, dtype=bool), -1.0, 1.0)
    pan_zero = np.broadcast_to(np.asarray(pan_zero_deg, dtype=float), (count,))
    previous = np.broadcast_to(np.asarray(previous, dtype=float), (count, 2))
    pan_low, pan_high = np.broadcast_to(np.asarray(pan_ranges, dtype=float), (count, 2)).T
    tilt_low, tilt_high = np.broadcast_to(np.asarray(tilt_ranges, dtype=float), (count, 2)).T
    previous_pan, previous_tilt = previous[:, 0], previous[:, 1]

    dx, dy, dz = (focus - positions).T
    distance = np.sqrt(dx * dx + dy * dy + dz * dz)
    horizontal = np.hypot(dx, dy)
    off_axis = np.degrees(np.arctan2(horizontal, up * dz))
    on_axis = horizontal <= AXIS_TOLERANCE * distance
    heading = np.degrees(np.arctan2(dx, dy))
    pan_for_positive_tilt = np.remainder(up * (heading - pan_zero) + 180.0, 360.0) - 180.0

    # Enough whole turns either side to cover every range, plus one beyond (as pan_turns does).
    widest = float(np.max(np.abs(np.concatenate([pan_low, pan_high])), initial=0.0))
    turns = np.arange(-int(np.ceil(widest / 360.0)) - 2, int(np.ceil(widest / 360.0)) + 3) * 360.0
    pans = np.concatenate([pan_for_positive_tilt[:, None] + turns,
                           pan_for_positive_tilt[:, None] + 180.0 + turns], axis=1)
    tilts = np.concatenate([np.repeat(off_axis[:, None], len(turns), axis=1),
                            np.repeat(-off_axis[:, None], len(turns), axis=1)], axis=1)
    free_pan = np.clip(previous_pan, pan_low, pan_high)
    pans = np.where(on_axis[:, None], free_pan[:, None], pans)

    def outside(values, low, high):
        beyond = np.maximum(np.maximum(low[:, None] - values, values - high[:, None]), 0.0)
        return np.where(beyond > RANGE_TOLERANCE_DEG, beyond, 0.0)

    over = outside(pans, pan_low, pan_high) + outside(tilts, tilt_low, tilt_high)
    pan_move = np.abs(pans - previous_pan[:, None])
    tilt_move = np.abs(tilts - previous_tilt[:, None])
    order = np.lexsort((pans, tilts < 0, pan_move + tilt_move, np.maximum(pan_move, tilt_move), over), axis=1)
    best = order[:, 0]
    rows = np.arange(count)
    best_pan, best_tilt = pans[rows, best], tilts[rows, best]
    reachable = (over[rows, best] == 0.0) & (distance >= MIN_FOCUS_DISTANCE_M)

    too_close = distance < MIN_FOCUS_DISTANCE_M
    best_pan = np.where(too_close, previous_pan, best_pan)
    best_tilt = np.where(too_close, previous_tilt, best_tilt)
    return (np.clip(best_pan, pan_low, pan_high), np.clip(best_tilt, tilt_low, tilt_high), reachable)
