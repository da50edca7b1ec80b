"""Per-call cost of the native sampling calls against pure-Python lookups.

Each native call is timed beside a Python baseline of the same shape: a
callable of one pip that does a modulo table lookup (or a row slice for the
recording) and returns a fresh result. Both sides run the same loop over the
same pip sequence, so loop overhead is identical; the ratio native/baseline
below 1 means the native call is cheaper than the Python lookup. The pattern
baselines hand back a stored tuple, while the native calls build a new
Offset3 object each time; the recording baseline, like the native call,
builds a new list.

Run inside the project environment: python benchmarks/bench_sampling.py
"""

import random
import sys
import timeit

import kinemorphs

# --short (CI): a few loops, only to prove the benchmark runs; the figures mean nothing then.
SHORT = "--short" in sys.argv[1:]
CALLS = 2_000 if SHORT else 200_000  # pips per timed loop
REPEATS = 2 if SHORT else 7          # best of this many loops is reported
PERIOD = 256         # helix's period; the user pattern uses the same length
AXES = 3
ROWS = 4096

rng = random.Random(2024)
PATTERN_PIPS = [rng.randrange(-2**31, 2**31) for _ in range(CALLS)]
RECORDING_PIPS = [rng.randrange(ROWS) for _ in range(CALLS)]

# (a) A rudiment against a module-level function reading a table of tuples.
HELIX_TABLE = [kinemorphs.helix(pip).as_tuple() for pip in range(PERIOD)]


def python_helix(pip):
    return HELIX_TABLE[pip % PERIOD]


# (b) A user pattern against a Python class with the same bound-method shape.
class PythonPattern:
    def __init__(self, samples):
        self._samples = list(samples)

    def sample(self, pip_count):
        samples = self._samples
        return samples[pip_count % len(samples)]


# (c) A recording against a Python class keeping the same flat row-major block.
class PythonRecording:
    def __init__(self, axes, rows, start_pip=0):
        self._axes = axes
        self._values = [value for row in rows for value in row]
        self._rows = len(rows)
        self._start = start_pip

    def sample(self, pip):
        row = pip - self._start
        if row < 0 or row >= self._rows:
            raise IndexError("Pip outside non-looping recording")
        axes = self._axes
        return self._values[row * axes:(row + 1) * axes]


def best_ns_per_call(function, pips):
    timer = timeit.Timer("for pip in pips: function(pip)",
                         globals={"function": function, "pips": pips})
    return min(timer.repeat(repeat=REPEATS, number=1)) / len(pips) * 1e9


def main():
    pattern = kinemorphs.SampledPattern("bench", "", HELIX_TABLE)
    rows = [[((r * 7 + a * 13) % 200 - 100) / 100 for a in range(AXES)] for r in range(ROWS)]
    recording = kinemorphs.SampledRecording("bench", [f"a{i}" for i in range(AXES)], rows, 120.0)
    python_recording = PythonRecording(AXES, rows)

    # Both sides must answer identically, or the comparison means nothing.
    for pip in PATTERN_PIPS[:1000]:
        assert pattern.sample(pip).as_tuple() == python_helix(pip)
    for pip in RECORDING_PIPS[:1000]:
        assert recording.sample(pip) == python_recording.sample(pip)

    cases = [
        ("helix(pip)", kinemorphs.helix, python_helix, PATTERN_PIPS),
        ("SampledPattern.sample", pattern.sample, PythonPattern(HELIX_TABLE).sample,
         PATTERN_PIPS),
        ("SampledRecording.sample", recording.sample, python_recording.sample,
         RECORDING_PIPS),
    ]
    empty_loop = best_ns_per_call(lambda pip: None, PATTERN_PIPS)
    print(f"{CALLS} calls per loop, best of {REPEATS}; "
          f"a Python call to a no-op lambda costs {empty_loop:.1f} ns in this loop\n")
    print(f"{'call':<26}{'native ns':>11}{'python ns':>11}{'native/python':>15}")
    for label, native, baseline, pips in cases:
        native_ns = best_ns_per_call(native, pips)
        baseline_ns = best_ns_per_call(baseline, pips)
        print(f"{label:<26}{native_ns:>11.1f}{baseline_ns:>11.1f}"
              f"{native_ns / baseline_ns:>15.2f}")


if __name__ == "__main__":
    main()
