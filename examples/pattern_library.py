"""Build a PatternLibrary with a pattern of your own and list it.

    .venv/bin/python examples/pattern_library.py

A user pattern is a table of one (x, y, z) per pip over one period. The
library resolves its own names first and every built-in name after them, and
its listing shows the built-in patterns followed by yours.
"""

import math

import kinemorphs

# A two-beat lopsided ellipse: wide in x, shallow in y, a little depth.
PERIOD = 2 * kinemorphs.PIPS_PER_BEAT
samples = []
for pip in range(PERIOD):
    angle = 2 * math.pi * pip / PERIOD
    samples.append((round(0.9 * math.cos(angle), 6),
                    round(0.3 * math.sin(angle), 6),
                    round(0.2 * math.sin(2 * angle), 6)))

wide_ellipse = kinemorphs.SampledPattern(
    "wide_ellipse", "Two-beat wide ellipse with a depth ripple", samples)
library = kinemorphs.PatternLibrary([wide_ellipse])

listing = library.catalogue()
builtin_count = len(kinemorphs.catalogue())
print(f"{len(listing)} patterns: {builtin_count} built in, {len(listing) - builtin_count} of mine")
print(f"{'name':<16} {'period':>6} {'beats':>5} {'axes':>4}  description")
for entry in listing[builtin_count:]:
    beats = entry["period_pips"] / kinemorphs.PIPS_PER_BEAT
    print(f"{entry['name']:<16} {entry['period_pips']:>6} {beats:>5g} "
          f"{entry['dimensions']:>4}  {entry['description']}")

print("\nSampling by name through the library:")
for name, pip in [("wide_ellipse", 0), ("wide_ellipse", 32), ("wide_ellipse", -32),
                  ("circle", 16)]:
    x, y, z = library.sample(name, pip).as_tuple()
    print(f"  {name:<13} pip {pip:>4}: ({x:+.3f}, {y:+.3f}, {z:+.3f})")

# A built-in name can only be restated exactly, never redefined.
try:
    kinemorphs.PatternLibrary([kinemorphs.SampledPattern("circle", "my circle", samples)])
except ValueError as error:
    print(f"\nRedefining a built-in name is refused: {error}")
