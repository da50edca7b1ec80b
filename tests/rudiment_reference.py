"""Independent pure-Python statement of the fifteen rudiments.

Python floats are IEEE doubles and math.sin/cos are the platform's, so these
give the same bits as the module when the module keeps the written grouping.
"""

import math

TWO_PI = 6.283185307179586
FOUR_PI = 12.566370614359172
PI = 3.141592653589793
HALF_PI = 1.5707963267948966


def smoothstep(s):
    return (3.0 - (s + s)) * (s * s)


def wrap(pip, period):
    r = math.fmod(pip, period)  # truncating remainder, sign of the dividend
    r = int(r)
    return r + period if r < 0 else r


def bounce(pip):
    w = wrap(pip, 64)
    return (1.0 - (abs(w * 0.015625 - 0.5) * 4.0), 0.0, 0.0)


def sway(pip):
    a = (wrap(pip, 128) * 0.0078125) * TWO_PI
    return (math.sin(a), 0.0, 0.0)


def circle(pip):
    a = (wrap(pip, 64) * 0.015625) * TWO_PI - HALF_PI
    return (math.cos(a), math.sin(a), 0.0)


def figure_eight(pip):
    a = (wrap(pip, 128) * 0.0078125) * TWO_PI
    return (math.sin(a), math.sin(a + a), 0.0)


def step_touch(pip):
    start, end = (-1.0, 0.0, 1.0, 0.0), (0.0, 1.0, 0.0, -1.0)
    w = wrap(pip, 128)
    k, s = w // 32, (w % 32) * 0.03125
    e = smoothstep(s)
    return (e * (end[k] - start[k]) + start[k], -(math.sin(s * PI) * 0.35), 0.0)


def box_step(pip):
    corners = [(-1.0, -1.0), (1.0, -1.0), (1.0, 1.0), (-1.0, 1.0)]
    w = wrap(pip, 256)
    k, s = w // 64, (w % 64) * 0.015625
    (xs, ys), (xe, ye) = corners[k], corners[(k + 1) % 4]
    e = smoothstep(s)
    return ((xe - xs) * e + xs, (ye - ys) * e + ys, 0.0)


def helix(pip):
    c = wrap(pip, 256) * 0.00390625
    a = c * FOUR_PI
    return (math.cos(a), math.sin(a), math.sin(c * TWO_PI))


TOBRIN_KEYFRAMES = [
    (0, 0, 0), (23, 2, -1), (33, 13, -8), (49, 5, -4), (87, -3, 2), (100, -14, 9),
    (118, -5, 5), (154, 1, 0), (169, 12, 10), (187, 4, 5), (215, -2, -2),
    (228, -10, -9), (243, -3, -3), (256, 0, 0),
]


def _tobrin_table():
    keys = [(pip, n / 14, m / 10) for pip, n, m in TOBRIN_KEYFRAMES]
    rows, i = [], 0
    for j in range(256):
        while i + 1 < len(keys) and j > keys[i + 1][0]:
            i += 1
        (p0, x0, y0), (p1, x1, y1) = keys[i], keys[i + 1]
        f = smoothstep(float(j - p0) / float(p1 - p0))
        rows.append(((x1 - x0) * f + x0, (y1 - y0) * f + y0, 0.0))
    return rows


_TOBRIN = _tobrin_table()


def tobrin_background(pip):
    return _TOBRIN[wrap(pip, 256)]


def _strokes(period, table):
    def pattern(pip):
        sx = sy = 0.0
        w = wrap(pip, period)
        for onset, hand, amplitude, duration in table:
            local = wrap(w - onset, period)
            env = 0.0
            if local < duration:
                v = math.sin((local / duration) * PI)
                env = (v * amplitude) * v
            sx = sx + (hand * env)
            sy = sy - (env * 0.72)
        return (min(max(sx, -1.0), 1.0), min(max(sy, -1.0), 1.0), 0.0)

    return pattern


def _sticking(hands, amplitudes, spacing, duration):
    return [(spacing * n, 1 if h == "R" else -1, a, duration)
            for n, (h, a) in enumerate(zip(hands, amplitudes))]


single_stroke_roll = _strokes(64, _sticking("RLRLRLRL", [0.92] * 8, 8, 8))
double_stroke_roll = _strokes(64, _sticking("RRLLRRLL", [0.88, 0.72] * 4, 8, 8))
multiple_bounce_roll = _strokes(64, [
    (0, 1, 0.92, 6), (6, 1, 0.68, 6), (12, 1, 0.48, 6), (18, 1, 0.32, 6),
    (32, -1, 0.92, 6), (38, -1, 0.68, 6), (44, -1, 0.48, 6), (50, -1, 0.32, 6)])
single_paradiddle = _strokes(128, _sticking(
    "RLRRLRLLRLRRLRLL", [1.0, 0.72, 0.72, 0.72] * 4, 8, 8))
flam = _strokes(64, [(0, -1, 0.34, 10), (5, 1, 0.9, 14), (32, 1, 0.34, 10), (37, -1, 0.9, 14)])
drag = _strokes(64, [(0, -1, 0.28, 8), (5, -1, 0.32, 8), (10, 1, 0.88, 14),
                     (32, 1, 0.28, 8), (37, 1, 0.32, 8), (42, -1, 0.88, 14)])
five_stroke_roll = _strokes(128, [
    (0, 1, 0.72, 9), (8, 1, 0.62, 9), (16, -1, 0.72, 9), (24, -1, 0.62, 9), (36, 1, 1.0, 14),
    (64, -1, 0.72, 9), (72, -1, 0.62, 9), (80, 1, 0.72, 9), (88, 1, 0.62, 9), (100, -1, 1.0, 14)])

# name, period, dimensions, function — in registry order
RUDIMENTS = [
    ("bounce", 64, 1, bounce),
    ("sway", 128, 1, sway),
    ("circle", 64, 2, circle),
    ("figure_eight", 128, 2, figure_eight),
    ("step_touch", 128, 2, step_touch),
    ("box_step", 256, 2, box_step),
    ("helix", 256, 3, helix),
    ("tobrin_background", 256, 2, tobrin_background),
    ("single_stroke_roll", 64, 2, single_stroke_roll),
    ("double_stroke_roll", 64, 2, double_stroke_roll),
    ("multiple_bounce_roll", 64, 2, multiple_bounce_roll),
    ("single_paradiddle", 128, 2, single_paradiddle),
    ("flam", 64, 2, flam),
    ("drag", 64, 2, drag),
    ("five_stroke_roll", 128, 2, five_stroke_roll),
]
