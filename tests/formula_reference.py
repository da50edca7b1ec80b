"""Independent pure-Python statement of the catalogue tables given by formula.

Python floats are IEEE doubles and math.sin/cos/tanh/atan/sqrt are the
platform's, so evaluating each formula in its written grouping and rounding to
12 decimals gives the module's stored bits. `FORMULA_TABLES` maps a record
name to (period, rows function, last_unit) where `last_unit` marks tables whose
twelfth decimal may move by one unit with the maths library.
"""

import math

PI = 3.141592653589793
TWO_PI = 6.283185307179586


def stored(value):
    value = round(value, 12)
    return 0.0 if value == 0.0 else value


def rows_of(period, row):
    """Rows k = 0 .. period - 1 of row(k), three raw components each."""
    return [tuple(row(k)) for k in range(period)]


def angle(k, period):
    return (TWO_PI * k) / period


def scale_to_082(raw_rows, peak=None):
    """(raw * 0.82) / m, m the largest raw magnitude unless given."""
    if peak is None:
        peak = max(abs(v) for row in raw_rows for v in row)
    return [tuple((v * 0.82) / peak for v in row) for row in raw_rows]


# --- single curves ------------------------------------------------------------

def lfo_breathe(k):
    return (0.8 * math.sin((TWO_PI * k) / 256), 0.0, 0.0)


def lfo_flower(k):
    t = angle(k, 512)
    return (0.56 * math.cos(t) - 0.28 * math.cos(2 * t), 0.56 * math.sin(t) + 0.28 * math.sin(2 * t), 0.0)


def lfo_breathing_orbit(k):
    t = angle(k, 512)
    return (0.67 * math.cos(t) + 0.11 * math.cos(3 * t), 0.39 * math.sin(t) + 0.09 * math.sin(3 * t), 0.0)


def lfo_triplet_wobble(k):
    t = angle(k, 512)
    return ((0.85 * math.sin(12 * t)) * (0.65 - 0.3 * math.cos(t)), 0.22 * math.sin(t), 0.0)


def lfo_pendulum_dwell(k):
    t = angle(k, 512)
    return ((0.78 * math.tanh(2.8 * math.sin(t))) / math.tanh(2.8), 0.22 * math.cos(2 * t), 0.0)


def path_lissajous_2_3(k):
    t = angle(k, 512)
    return (0.78 * math.sin(2 * t), 0.68 * math.sin(3 * t), 0.0)


def path_bowed_diamond(k):
    t = angle(k, 512)
    c, s = math.cos(t), math.sin(t)
    return (0.8 * (c * c * c), 0.8 * (s * s * s), 0.0)


def path_torus_knot(k):
    t = angle(k, 1024)
    rho = 0.54 + 0.22 * math.cos(3 * t)
    return (rho * math.cos(2 * t), rho * math.sin(2 * t), 0.36 * math.sin(3 * t))


def path_woven_3d(k):
    t = angle(k, 1024)
    return (0.72 * math.sin(2 * t), 0.64 * math.sin(3 * t), 0.48 * math.sin(5 * t))


def path_orbit_dwell(k):
    t = angle(k, 512)
    phi = t - math.sin(t)
    return (0.8 * math.cos(phi), 0.6 * math.sin(phi), 0.0)


def path_crank_slider(k):
    t = angle(k, 256)
    return (0.78 * ((math.cos(t) + math.sqrt(9 - math.sin(t) * math.sin(t))) - 3), 0.3 * math.sin(t), 0.0)


def rose(period, half_turns, n):
    """theta = T*k/P with T = pi*half_turns, r = 0.82*cos(n*theta)."""
    T = PI if half_turns == 1 else TWO_PI

    def row(k):
        theta = (T * k) / period
        r = 0.82 * math.cos(n * theta)
        return (r * math.cos(theta), r * math.sin(theta), 0.0)
    return row


# --- normalised families ------------------------------------------------------

def weave(A, B):
    P = 1024
    return lambda: scale_to_082(rows_of(P, lambda k: (
        math.sin(((TWO_PI * A) * k) / P + 0.37), 0.8125 * math.sin(((TWO_PI * B) * k) / P), 0.0)))


WAVE_RAW = {
    "wave_pinched": lambda t: math.sin(t) * math.sin(t) * math.sin(t),
    "wave_shouldered": lambda t: math.sin(t) * (1 + 0.62 * math.cos(2 * t)),
    "wave_folded": lambda t: math.sin(2.2 * math.sin(t)),
    "wave_double_fold": lambda t: math.sin(3.8 * math.sin(t)),
    "wave_rounded_square": lambda t: math.tanh(2 * math.sin(t)),
    "wave_soft_rectifier": lambda t: math.sqrt(math.sin(t) * math.sin(t) + 0.13) - 0.7,
    "wave_skew_warp": lambda t: math.sin(t + 0.7 * math.sin(t)),
    "wave_shelf_wave": lambda t: math.tanh(2 * math.sin(t)) + 0.23 * math.sin(3 * t + 0.4),
    "wave_notched": lambda t: math.sin(t) - 0.36 * math.sin(3 * t) + 0.12 * math.cos(5 * t),
    "wave_bottle": lambda t: math.sin(t) / (1.45 + 0.45 * math.cos(2 * t)),
    "wave_reed": lambda t: math.sin(t) * (0.85 + 0.4 * math.cos(7 * t)),
    "wave_unequal_peaks": lambda t: 0.67 * math.sin(t) + 0.4 * math.sin(2 * t + 0.8),
    "wave_ripple_return": lambda t: math.sin(t) + 0.09 * math.sin(5 * t) * (1 + math.cos(t)),
    "wave_soft_teeth": lambda t: math.tanh(1.8 * (math.sin(t) + 0.4 * math.sin(3 * t))),
    "wave_warped_fold": lambda t: math.sin(2.6 * math.sin(t + 0.34 * math.sin(2 * t))),
}


def wave(raw):
    return lambda: scale_to_082(rows_of(512, lambda k: (raw(angle(k, 512)), 0.0, 0.0)))


# Mech tables: (row function of theta, normalised?)
MECH = {
    "mech_piston_short": (lambda t: (0.82 * ((math.cos(t) + math.sqrt(4 - math.sin(t) * math.sin(t))) - 2),
                                     0.246 * math.sin(t), 0.0), False),
    "mech_piston_long": (lambda t: (0.82 * ((math.cos(t) + math.sqrt(16 - math.sin(t) * math.sin(t))) - 4),
                                    0.205 * math.sin(2 * t), 0.0), False),
    "mech_scotch_yoke": (lambda t: (0.82 * math.cos(t), 0.287 * math.sin(t) + 0.1476 * math.sin(3 * t), 0.0), False),
    "mech_two_lobe_cam": (lambda t: (0.3 * math.sin(t), 0.2 * math.cos(t) + 0.55 * math.cos(2 * t), 0.0), True),
    "mech_three_lobe_cam": (lambda t: (0.25 * math.sin(t), 0.2 * math.cos(t) + math.cos(3 * t), 0.0), True),
    "mech_paddle": (lambda t: (math.cos(t) + 0.23 * math.cos(4 * t), math.sin(t) + 0.23 * math.sin(4 * t), 0.0), True),
    "mech_wobble_plate": (lambda t: (0.82 * math.cos(t), 0.287 * math.sin(t), 0.41 * math.sin(2 * t + 0.3)), False),
    "mech_coupled_cranks": (lambda t: (math.cos(t) + 0.35 * math.cos(3 * t + 0.6),
                                       math.sin(t) - 0.35 * math.sin(3 * t + 0.6), 0.0), True),
    "mech_crank_rocker": (lambda t: (0.82 * math.cos(t), 0.492 * math.atan(2 * math.sin(t)), 0.123 * math.cos(3 * t)), False),
    "mech_piston_balance": (lambda t: (0.82 * math.cos(t), 0.41 * math.sin(2 * t), 0.205 * math.sin(t)), False),
}


def mech(shape, normalise):
    raw = lambda: rows_of(512, lambda k: shape(angle(k, 512)))
    return (lambda: scale_to_082(raw())) if normalise else raw


SILHOUETTE = {  # a, b, c, p, q
    1: (1, 2, 3, 0.2, 0.16), 2: (1, 3, 5, 0.35, 0.12), 3: (2, 3, 4, 0.3, 0.18), 4: (2, 5, 7, 0.23, 0.16),
    5: (1, 4, 7, 0.35, 0.21), 6: (3, 4, 5, 0.28, 0.14), 7: (2, 7, 9, 0.19, 0.12), 8: (3, 5, 8, 0.3, 0.17),
    9: (1, 2, 5, 0.4, 0.22), 10: (1, 5, 8, 0.27, 0.24), 11: (2, 3, 7, 0.34, 0.2), 12: (3, 7, 10, 0.26, 0.16),
    13: (2, 4, 9, 0.33, 0.23), 14: (3, 4, 9, 0.29, 0.25), 15: (4, 5, 7, 0.25, 0.21), 16: (4, 7, 11, 0.21, 0.16),
}


def silhouette(a, b, c, p, q):
    def raw(t):
        return (math.cos(a * t) + p * math.sin(b * t + 0.3) + q * math.cos(c * t),
                0.65 * math.sin(a * t + 0.2) + q * math.sin(b * t) - p * math.cos(c * t + 0.1),
                0.12 * math.sin(t) * math.sin((a + b) * t))

    def table():
        m = max(abs(v) for j in range(2048) for v in raw((TWO_PI * j) / 2048))
        return scale_to_082(rows_of(1024, lambda k: raw(angle(k, 1024))), m)
    return table


ORBIT = [  # h, a, phi
    (2, 0.18, 0), (3, 0.22, 0), (4, 0.25, 0), (5, 0.28, 0), (6, 0.25, 0), (7, 0.2, 0), (8, 0.15, 0), (9, 0.13, 0),
    (2, 0.34, 0.5), (3, 0.31, 0.8), (4, 0.29, 1.1), (5, 0.26, 1.4), (6, 0.23, 1.7), (7, 0.2, 2.0),
    (8, 0.17, 2.3), (9, 0.14, 2.6),
]


def orbit(h, a, phi):
    def raw(t):
        return (math.cos(t) + a * math.cos(h * t + phi), 0.72 * math.sin(t) - a * math.sin((h + 1) * t - phi), 0.0)
    return lambda: scale_to_082(rows_of(512, lambda k: raw(angle(k, 512))))


def scallop(N):
    def row(k):
        t = angle(k, 1024)
        r = 0.58 + 0.24 * math.cos(N * t + 0.2 * math.sin(t))
        return (r * math.cos(t), r * math.sin(t), 0.0)
    return row


SPIRO_PEN = {(3, 1): 0.45, (4, 1): 0.6, (5, 1): 0.55, (5, 2): 1.5, (7, 2): 1.3, (7, 3): 2.1, (8, 3): 1.8, (9, 4): 3.2}


def spiro(inside, R, r):
    d = SPIRO_PEN[(R, r)]
    s = r // math.gcd(R, r)
    a = R - r if inside else R + r

    def raw(k):
        t = ((TWO_PI * s) * k) / 1024
        u = (a / r) * t
        x = a * math.cos(t) + d * math.cos(u) if inside else a * math.cos(t) - d * math.cos(u)
        return (x, a * math.sin(t) - d * math.sin(u), 0.0)
    return lambda: scale_to_082(rows_of(1024, raw))


def space_torus(p, q):
    def raw(k):
        t = angle(k, 1024)
        rho = 1.45 + 0.5 * math.cos(q * t)
        return (rho * math.cos(p * t), rho * math.sin(p * t), 1.05 * math.sin(q * t))
    return lambda: scale_to_082(rows_of(1024, raw))


def space_weave(a, b, c):
    def raw(k):
        t = angle(k, 1024)
        return (math.sin(a * t), 0.8 * math.sin(b * t + 0.4), 0.7 * math.cos(c * t + 0.7))
    return lambda: scale_to_082(rows_of(1024, raw))


SURFACE_LATITUDE = {
    "1_2_low": 0.5, "1_3_low": 0.65, "1_4_low": 0.8, "1_5_low": 0.55, "2_3_low": 0.6, "2_5_low": 0.75,
    "3_4_low": 0.5, "3_5_low": 0.7, "1_2_wide": 1.1, "1_3_wide": 1.2, "1_4_wide": 1.0, "1_5_wide": 1.25,
    "2_3_wide": 1.15, "2_5_wide": 1.0, "3_4_wide": 1.2, "3_5_wide": 1.05,
}


def surface(A, B, lat):
    def row(k):
        t = angle(k, 1024)
        rho = 1 + 0.15 * math.cos(3 * t)
        s = 0.82 / 1.15
        lam = A * t + 0.22 * math.sin(2 * t)
        phi = lat * math.sin(B * t + 0.17 * math.sin(t))
        return ((rho * s) * math.cos(phi) * math.cos(lam), (rho * s) * math.cos(phi) * math.sin(lam),
                (rho * s) * math.sin(phi))
    return row


# --- pulse scores -------------------------------------------------------------
# An event is (centre t, half-width w, (dx, dy, dz)); row k sums, in event
# order, each vector times e = cos^2((pi*u)/(2w)) where u is k - t wrapped
# into [-P/2, P/2) and |u| < w.

def score(period, events):
    def row(k):
        acc = [0.0, 0.0, 0.0]
        for t, w, vector in events:
            u = ((k - t + period / 2) % period) - period / 2
            if abs(u) < w:
                c = math.cos((PI * u) / (2 * w))
                e = c * c
                acc = [acc[i] + vector[i] * e for i in range(3)]
        return acc
    return row


def hand_of(letter):
    return 1 if letter in "Rr" else -1


def sticking_study(sticking, accents):
    P, w = 256, 28 / 3
    letters = sticking.replace(" ", "")

    def row(k):
        x = y = 0.0
        for i, letter in enumerate(letters):
            t = i * (P / 12)
            level = 1.0 if i in accents else 0.6
            u = ((k - t + P / 2) % P) - P / 2
            if abs(u) < w:
                c = math.cos((PI * u) / (2 * w))
                e = c * c
                x = x + ((hand_of(letter) * 0.82) * level) * e
                y = y - (0.42 * level) * e
        return (x, y, 0.0)
    return row


STICK = [
    "RlrrLrllLrllRlrr", "RrlrLlrlLlrlRrlr", "RllrLrrlLrrlRllr", "RrllRlrlLlrrLrlr",
    "RlrlRrllLrlrLlrr", "RrrlLlrlLllrRrlr", "RlllRrrlLrrrLllr", "RrlrRlllLlrlLrrr",
    "RlrrLlrlLrllRrlr", "RrllRllrLlrrLrrl", "RlrlLrrlLrlrRllr", "RrrlRlllLllrLrrr",
    "RrrrLrllLlllRlrr", "RrllLrrlLlrrRllr", "RlrrRlllLrllLrrr", "RrlrLllrLlrlRrrl",
]


def stick(strokes):
    events = []
    for i, letter in enumerate(strokes):
        level = 1.0 if letter.isupper() else 0.55
        events.append((32 * i, 12, ((hand_of(letter) * 0.74) * level, -(0.34 * level), 0.0)))
    return score(512, events)


def euclid(K, N):
    events = []
    for j in range(K):
        hand = 1 if j % 2 == 0 else -1
        level = 1.0 if j == 0 else 0.75
        events.append((32 * ((j * N + K - 1) // K), 24, ((hand * 0.75) * level, -(0.32 * level), 0.0)))
    return score(32 * N, events)


def meter(groups):
    events, step = [], 0
    for j, length in enumerate(groups):
        events.append((32 * step, 19.2, ((1 if j % 2 == 0 else -1) * 0.72, -0.33, 0.0)))
        events += [(32 * (step + s), 32 / 3, (0.0, -0.1134, 0.0504)) for s in range(1, length)]
        step += length
    return score(32 * step, events)


def poly(A, B):
    events = [(i * (512 / A), 22.4, (-0.52, -0.26, 0.0) if i == 0 else (-0.403, -0.169, 0.0)) for i in range(A)]
    events += [(j * (512 / B), 22.4, (0.52, -0.26, 0.22) if j == 0 else (0.403, -0.169, 0.143)) for j in range(B)]
    return score(512, events)


def swing(kind, A, B):
    events = []
    for b in range(8):
        hand = 1 if b % 2 == 0 else -1
        level = 0.9 if b in (0, 4) else 0.65
        if not (kind == "skip" and b in (2, 6)):
            events.append((64 * b, 12.8, ((hand * 0.65) * level, -0.24 * level, 0.0)))
        if kind == "shuffle" and b in (3, 7):
            events.append((64 * b + 32 * A / B, 6.4, (0.075 * 0.7, -0.15 * 0.7, 0.09 * 0.7)))
        offbeat = 64 * b + 64 * A / B
        if kind in ("push", "skip"):
            events.append((offbeat, 8, (0.075, -0.15, 0.09)))
        elif kind == "shuffle" or b >= 4:
            events.append((offbeat, 12.8, (-hand * 0.325, -0.12, 0.0)))
    return score(512, events)


# --- the registry -------------------------------------------------------------

def _direct(period, row):
    return lambda: rows_of(period, row)


def _build():
    t = {}  # name -> (period, raw table function, last_unit)
    t["lfo_breathe"] = (256, _direct(256, lfo_breathe), False)
    for name, fn in [("lfo_flower", lfo_flower), ("lfo_breathing_orbit", lfo_breathing_orbit),
                     ("lfo_triplet_wobble", lfo_triplet_wobble), ("lfo_pendulum_dwell", lfo_pendulum_dwell)]:
        t[name] = (512, _direct(512, fn), False)
    for name, period, fn in [
            ("path_lissajous_2_3", 512, path_lissajous_2_3), ("path_rose_4", 512, rose(512, 2, 2)),
            ("path_rose_5", 512, rose(512, 1, 5)), ("path_bowed_diamond", 512, path_bowed_diamond),
            ("path_orbit_dwell", 512, path_orbit_dwell), ("path_torus_knot", 1024, path_torus_knot),
            ("path_woven_3d", 1024, path_woven_3d), ("path_crank_slider", 256, path_crank_slider)]:
        t[name] = (period, _direct(period, fn), False)
    for name, raw in WAVE_RAW.items():
        t[name] = (512, wave(raw), False)
    for name, (shape, normalise) in MECH.items():
        t[name] = (512, mech(shape, normalise), False)
    for name, sticking, accents in [("rudiment_double_paradiddle", "RLRLRR LRLRLL", {0, 6}),
                                    ("rudiment_paradiddle_diddle", "RLRRLL LRLLRR", {0, 6}),
                                    ("rudiment_six_stroke", "RLLRRL LRRLLR", {0, 5, 6, 11})]:
        t[name] = (256, _direct(256, sticking_study(sticking, accents)), False)
    for A, B in [(1, 3), (1, 4), (1, 5), (2, 5), (2, 7), (3, 4), (3, 5), (3, 7),
                 (3, 8), (4, 5), (4, 7), (4, 9), (5, 6), (5, 7), (5, 8), (5, 9)]:
        t[f"weave_{A}_{B}"] = (1024, weave(A, B), False)
    for i, params in enumerate(ORBIT, 1):
        t[f"orbit_harmonic_{i:02d}"] = (512, orbit(*params), False)
    for N in (3, 6, 7, 8, 9, 10, 11, 12):
        t[f"polar_rose_{N}"] = (1024, _direct(1024, rose(1024, 1, N) if N % 2 else rose(1024, 2, N // 2)), False)
    for N in range(2, 10):
        t[f"polar_scallop_{N}"] = (1024, _direct(1024, scallop(N)), False)
    for inside in (True, False):
        for R, r in [(3, 1), (4, 1), (5, 2), (5, 1), (7, 2), (7, 3), (8, 3), (9, 4)]:
            t[f"spiro_{'inside' if inside else 'outside'}_{R}_{r}"] = (1024, spiro(inside, R, r), True)
    for p, q in [(2, 5), (2, 7), (3, 4), (3, 5), (3, 7), (4, 5), (4, 7), (5, 6)]:
        t[f"space_torus_{p}_{q}"] = (1024, space_torus(p, q), True)
    for a, b, c in [(1, 2, 3), (1, 3, 4), (2, 3, 4), (2, 3, 7), (2, 5, 7), (3, 4, 5), (3, 5, 7), (4, 5, 7)]:
        t[f"space_weave_{a}_{b}_{c}"] = (1024, space_weave(a, b, c), False)
    for i, params in SILHOUETTE.items():
        t[f"silhouette_harmonic_{i:02d}"] = (1024, silhouette(*params), True)
    for i, strokes in enumerate(STICK, 1):
        t[f"stick_study_{i:02d}"] = (512, _direct(512, stick(strokes)), False)
    for K, N in [(2, 5), (3, 7), (3, 10), (4, 9), (4, 11), (5, 9), (5, 11), (5, 13),
                 (5, 14), (6, 13), (7, 12), (7, 15), (7, 17), (8, 19), (9, 20), (11, 24)]:
        t[f"euclid_{K}_{N}"] = (32 * N, _direct(32 * N, euclid(K, N)), False)
    for A, B in [(2, 5), (2, 7), (2, 9), (3, 5), (3, 7), (3, 8), (3, 10), (4, 5),
                 (4, 7), (4, 9), (5, 6), (5, 7), (5, 8), (5, 9), (6, 7), (7, 8)]:
        t[f"poly_{A}_{B}"] = (512, _direct(512, poly(A, B)), True)
    for groups in ["2_3", "3_2", "3_2_2", "2_3_2", "3_4", "4_3", "2_2_2_3", "2_3_2_2", "3_2_3_2", "3_3_2_3",
                   "2_2_3_2_3", "3_3_3_2", "4_3_3", "3_4_4", "2_3_3_2_3", "3_3_3_4"]:
        lengths = [int(n) for n in groups.split("_")]
        t[f"meter_{groups}"] = (32 * sum(lengths), _direct(32 * sum(lengths), meter(lengths)), False)
    for A, B in [(3, 5), (2, 3), (5, 7), (3, 4)]:
        for kind in ("push", "answer", "skip", "shuffle"):
            t[f"swing_{kind}_{A}_{B}"] = (512, _direct(512, swing(kind, A, B)), False)
    for key, lat in SURFACE_LATITUDE.items():
        A, B = int(key[0]), int(key[2])
        t[f"surface_{key}"] = (1024, _direct(1024, surface(A, B, lat)), True)
    return t


FORMULA_TABLES = _build()


def reference_rows(name):
    """The stored rows of a formula table: rounded to 12 decimals, no -0.0."""
    _, table, _ = FORMULA_TABLES[name]
    return [tuple(stored(v) for v in row) for row in table()]
