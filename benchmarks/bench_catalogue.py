"""Cost of the by-name lookup, the listing and the import, as ratios.

- sample(name, pip) for the catalogue names that sort first, in the middle
  and last, against a direct call of a rudiment function (goal: <= 1.3x);
- catalogue() against a pure-Python comprehension building the same 1731
  dictionaries from prepared tuples (goal: <= 1.5x);
- resident memory and wall time that `import kinemorphs` adds to a bare
  interpreter (goals: <= 5 MiB and <= 20 ms), each measured in fresh
  subprocesses beside a baseline import of a small standard module.

Run inside the project environment: python benchmarks/bench_catalogue.py [--short]
"""

import statistics
import subprocess
import sys
import timeit

import kinemorphs

# --short (CI): a few loops, only to prove the benchmark runs; the figures mean nothing then.
SHORT = "--short" in sys.argv[1:]
CALLS = 2_000 if SHORT else 200_000
REPEATS = 2 if SHORT else 7
IMPORT_RUNS = 2 if SHORT else 15


def best(statement, namespace, number):
    return min(timeit.repeat(statement, globals=namespace, number=number, repeat=REPEATS)) / number


def by_name_costs():
    catalogue_names = sorted((e["name"] for e in kinemorphs.catalogue()[15:]), key=str.encode)
    picks = {"first": catalogue_names[0], "middle": catalogue_names[len(catalogue_names) // 2],
             "last": catalogue_names[-1]}
    namespace = {"sample": kinemorphs.sample, "bounce": kinemorphs.bounce, "pips": range(-50, 50)}
    base = best("for p in pips: bounce(p)", namespace, CALLS // 100) / 100
    print(f"{'direct bounce(pip)':<40} {base * 1e9:8.1f} ns  1.00x")
    for label, name in picks.items():
        namespace["name"] = name
        cost = best("for p in pips: sample(name, p)", namespace, CALLS // 100) / 100
        print(f"{'sample(' + name + ', pip) [' + label + ']':<40} {cost * 1e9:8.1f} ns  {cost / base:.2f}x")


def listing_costs():
    prepared = [tuple(e.values()) for e in kinemorphs.catalogue()]
    namespace = {"catalogue": kinemorphs.catalogue, "prepared": prepared}
    comprehension = ("[{'name': n, 'description': d, 'period_pips': p, 'dimensions': k}"
                     " for n, d, p, k in prepared]")
    base = best(comprehension, namespace, 50)
    cost = best("catalogue()", namespace, 50)
    print(f"{'python comprehension (1731 dicts)':<40} {base * 1e6:8.1f} us  1.00x")
    print(f"{'catalogue()':<40} {cost * 1e6:8.1f} us  {cost / base:.2f}x")


PROBE = """
import resource, sys, time
def rss_kib():
    with open('/proc/self/statm') as f:
        return int(f.read().split()[1]) * resource.getpagesize() // 1024
before = rss_kib(); start = time.perf_counter()
import {module}
elapsed = time.perf_counter() - start
print(rss_kib() - before, elapsed)
"""


def import_costs(runs=IMPORT_RUNS):
    results = {}
    for module in ("kinemorphs", "json"):
        samples = [subprocess.run([sys.executable, "-c", PROBE.replace("{module}", module)],
                                  capture_output=True, text=True, check=True).stdout.split()
                   for _ in range(runs)]
        results[module] = (statistics.median(int(s[0]) for s in samples),
                           statistics.median(float(s[1]) for s in samples))
    for module, (kib, seconds) in results.items():
        print(f"{'import ' + module:<40} {kib / 1024:8.2f} MiB RSS  {seconds * 1e3:6.2f} ms")
    ours, baseline = results["kinemorphs"], results["json"]
    print(f"{'import kinemorphs / import json':<40} {ours[0] / max(baseline[0], 1):8.2f}x RSS  "
          f"{ours[1] / baseline[1]:6.2f}x time")


if __name__ == "__main__":
    by_name_costs()
    listing_costs()
    import_costs()
