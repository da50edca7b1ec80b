"""Move real fixtures with kinemorphs patterns: a show file, a live clock, cues and outputs.

The computations (layouts, mappings, cues, crossfades, feasibility) are pure
functions of the exact show position (a rational number of pips), the tempo
and the show's data; only the clock, the engine's cue state and slew memory,
and the outputs hold state.
"""
