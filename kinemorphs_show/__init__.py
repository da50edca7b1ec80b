"""Move real fixtures with kinemorphs patterns: a show file, a live clock, cues and outputs.

The computations (layouts, mappings, cues, crossfades, feasibility) are pure
functions of integer pips and the show's data; only the clock, the engine's
slew memory and the outputs hold state.
"""
