"""By-name sampling against its floor: the same call shape with nothing behind it.

The floor is a one-function pybind11 extension (benchmarks/sample_floor.cpp)
taking a text view and a 32-bit pip and returning a new three-double class
instance, compiled here with the compiler and pybind11 of this environment,
optimised as the module is but with pybind11's default configuration (its
own text-view conversion, subinterpreter support on): the cost of such a
call as pybind11 gives it. Both sides run the same loop over the same
names and pips, so the ratio by-name/floor is what the lookup and sampling
add to what any such call costs. The goal is at most 1.10.

Run inside the project environment: python benchmarks/bench_by_name.py [--short]
"""

import importlib
import random
import subprocess
import sys
import sysconfig
import tempfile
import time
import timeit
from pathlib import Path

import pybind11

import kinemorphs

# --short (CI): a few loops, only to prove the benchmark runs; the figures mean nothing then.
SHORT = "--short" in sys.argv[1:]
CALLS = 200 if SHORT else 20_000     # calls per timed loop: short, so that many loops interleave
REPEATS = 3 if SHORT else 61         # best of this many loops is reported
SOURCE = Path(__file__).with_name("sample_floor.cpp")
FLAGS = ["-O3", "-DNDEBUG", "-std=c++20", "-fPIC", "-shared", "-fvisibility=hidden",
         "-ffp-contract=off", "-fno-fast-math"]


def build_floor(folder):
    target = Path(folder) / ("sample_floor" + sysconfig.get_config_var("EXT_SUFFIX"))
    subprocess.run(["c++", *FLAGS, f"-I{pybind11.get_include()}",
                    f"-I{sysconfig.get_paths()['include']}", str(SOURCE), "-o", str(target)],
                   check=True)
    # The folder is temporary: import the freshly built module from it.
    sys.path.insert(0, str(folder))
    try:
        return importlib.import_module("sample_floor")
    finally:
        sys.path.remove(str(folder))


def ns_per_call(function, name, pips):
    # Processor time, not wall time: on a shared machine it is what the
    # loop itself used.
    timer = timeit.Timer("for pip in pips: function(name, pip)", timer=time.process_time,
                         globals={"function": function, "name": name, "pips": pips})
    return timer.timeit(number=1) / len(pips) * 1e9


def best_pair(native, floor, name, pips):
    """Best of REPEATS loops each, the two sides alternating loop by loop so
    that a change of machine load hits both alike."""
    native_ns, floor_ns = [], []
    for _ in range(REPEATS):
        native_ns.append(ns_per_call(native, name, pips))
        floor_ns.append(ns_per_call(floor, name, pips))
    return min(native_ns), min(floor_ns)


def main():
    rng = random.Random(2024)
    pips = [rng.randrange(-2**31, 2**31) for _ in range(CALLS)]
    with tempfile.TemporaryDirectory() as folder:
        floor = build_floor(folder)
        cases = [("rudiment by str", "five_stroke_roll"), ("catalogue by str", "lfo_breathe"),
                 ("catalogue by str", "beat_dembow_push_ricochet"),
                 ("catalogue by bytes", b"beat_dembow_push_ricochet")]
        print(f"{CALLS} calls per loop, best of {REPEATS}\n")
        print(f"{'call':<20}{'name':<28}{'by-name ns':>11}{'floor ns':>10}{'ratio':>8}")
        for label, name in cases:
            native, base = best_pair(kinemorphs.sample, floor.sample, name, pips)
            shown = name if isinstance(name, str) else repr(name)
            print(f"{label:<20}{shown[:27]:<28}{native:>11.1f}{base:>10.1f}{native / base:>8.2f}")


if __name__ == "__main__":
    sys.exit(main())
