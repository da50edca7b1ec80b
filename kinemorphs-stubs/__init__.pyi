"""Integer-pip rhythmic position functions

Where should the mover be at this point in the music? Positions are integer
pips, ``PIPS_PER_BEAT`` (64) to a beat; answers are ``Offset3`` displacements
whose ``x`` (lateral, + to the right), ``y`` (vertical; lifts go towards -y)
and ``z`` (depth) lie in [-1, 1]. Every pattern is a pure, periodic function
of the pip: the same pip always gives the same bits, negative pips run the
pattern backwards, and tempo never enters a pattern.

A pip is a signed 32-bit integer, -2147483648 to 2147483647; anything outside
that range, and any float (3.0 included), is refused with ``TypeError``. Map a
clock to pips by flooring, ``pip = math.floor((seconds - beat_zero_seconds) *
bpm / 60 * PIPS_PER_BEAT)``; for a clock that may run past the range (194 days
at 120 BPM), reduce the pip modulo a multiple of the pattern's ``period_pips``
first: a pattern gives the same value at ``pip`` and ``pip % period_pips``.

Bad input raises ``ValueError`` (a pip outside a recording ``IndexError``)
with a fixed message; an argument of the wrong type raises ``TypeError``.
"""

from collections.abc import Sequence
from typing import Final, SupportsFloat, SupportsIndex, TypedDict, type_check_only

# Pips are 32-bit integers. The module refuses floats for every pip (3.0
# included), so pips are typed as SupportsIndex: int, bool and anything with
# __index__. Floating arguments go through the float protocol.
_Float = SupportsFloat | SupportsIndex

PIPS_PER_BEAT: Final = 64
"""Pips per beat: the grid of every position (one beat 64, a bar of four 256)."""

@type_check_only
class _PatternInfo(TypedDict):
    """One entry of a listing, keys in this order."""

    name: str
    description: str
    period_pips: int
    """The period in pips (64 to 1024 built in, 1 to 65535 for your own)."""
    dimensions: int
    """How many leading axes may move: 1 is x alone, 2 is x and y, 3 is all three."""

class SampledRecording:
    """A captured multi-axis motion on the pip grid: one row of named axis values per pip.

    Row ``r`` belongs to pip ``start_pip + r``. Unlike a pattern a recording
    does not repeat: ``sample`` outside the recorded pips raises ``IndexError``.
    ``bpm`` and ``beat_zero_seconds`` say where the grid lies in time; sampling
    uses the pip alone.
    """

    def __init__(
        self,
        name: str,
        dimensions: Sequence[str],
        samples: Sequence[Sequence[_Float]],
        bpm: _Float,
        beat_zero_seconds: _Float = 0.0,
        start_pip: SupportsIndex = 0,
    ) -> None:
        """Validate and copy a take: ``samples`` holds one row per pip, one value per axis.

        ``name`` and every axis name follow the identifier rule: 1 to 128
        bytes, a lower-case ASCII letter first, then lower-case letters,
        digits and underscores. Values lie within [-1, 1]; a recording holds
        at most 8388608 values (rows times axes) and its last pip,
        ``start_pip + rows - 1``, must stay below 2147483647.

        The checks run in this order, each raising ``ValueError``:

        - "Invalid identifier": the name breaks the identifier rule;
        - "A finite positive BPM and beat origin are required": ``bpm`` is not
          finite and above zero, or ``beat_zero_seconds`` is not finite;
        - "Empty recording or recording resource limit exceeded": no axes, no
          rows, more than 8388608 values, or a last pip past 2147483646;
        - "Invalid identifier" / "Duplicate axis": an axis name breaks the
          rule, or repeats an earlier one;
        - "Ragged recording": a row's length differs from the number of axes;
        - "Invalid sample": a value is NaN, infinite or outside [-1, 1].
        """

    @property
    def name(self) -> str:
        """The recording's name."""

    @property
    def dimensions(self) -> list[str]:
        """The axis names in row order (a new list on every access)."""

    @property
    def sample_count(self) -> int:
        """The number of rows, one per pip."""

    @property
    def bpm(self) -> float:
        """The tempo the take was captured at, in beats per minute."""

    @property
    def beat_zero_seconds(self) -> float:
        """The time of beat zero (pip 0) on the capturing clock, in seconds."""

    @property
    def start_pip(self) -> int:
        """The pip of the first row."""

    def sample(self, pip: SupportsIndex) -> list[float]:
        """The row at ``pip``: one value per axis, in axis order (a new list).

        Raises ``IndexError`` "Pip outside non-looping recording" for a pip
        before ``start_pip`` or after ``start_pip + sample_count - 1``.
        """

class Offset3:
    """A displacement: ``x`` lateral (+ to the right), ``y`` vertical (a lift goes towards -y),
    ``z`` depth, each within [-1, 1].

    A pattern with ``dimensions`` n moves only the first n of them and leaves
    the rest exactly 0. Instances come only from sampling calls; they are
    read-only and compare by identity.
    """

    # Calling Offset3() raises TypeError: there is no constructor.
    @property
    def x(self) -> float:
        """Lateral component: positive to the right."""

    @property
    def y(self) -> float:
        """Vertical component: a lift goes towards negative y."""

    @property
    def z(self) -> float:
        """Depth component (front to back)."""

    def as_tuple(self) -> tuple[float, float, float]:
        """``(x, y, z)`` as a new tuple."""

class SampledPattern:
    """Your own periodic pattern: one ``(x, y, z)`` per pip over one period, repeating forever."""

    def __init__(self, name: str, description: str, samples: Sequence[Sequence[_Float]]) -> None:
        """Validate and copy a table of 1 to 65535 samples, each exactly three numbers (x, y, z).

        The period is the number of samples. A row that is not exactly three
        numbers raises ``TypeError``. The checks run in this order, each
        raising ``ValueError``:

        - "Invalid pattern name": ``name`` is not 1 to 128 bytes of lower-case
          ASCII letters, digits and underscores beginning with a letter;
        - "A pattern requires 1..65535 samples (one per pip)";
        - "Pattern samples must be finite and within [-1, 1]".
        """

    @property
    def name(self) -> str:
        """The pattern's name."""

    @property
    def description(self) -> str:
        """The pattern's description, as given."""

    @property
    def period_pips(self) -> int:
        """The period in pips: the number of samples."""

    def sample(self, pip_count: SupportsIndex) -> Offset3:
        """The sample at ``pip_count`` wrapped into the period (pip -1 is the last sample)."""

class PatternLibrary:
    """Your patterns beside the built-in ones: your names resolve first, every built-in name after them."""

    def __init__(self, patterns: Sequence[SampledPattern] = ...) -> None:
        """Gather copies of ``patterns`` (default: none), checked one by one in order.

        A pattern may bear a built-in name only by restating that pattern
        exactly (same description, period and values); it is then dropped.
        Raises ``ValueError``:

        - "Too many patterns": more than 1024 patterns;
        - "Duplicate pattern name: " followed by the name;
        - "Pattern pack is too large": more than 1048576 samples in all;
        - "Cannot override default pattern: " followed by the name: a built-in
          name with anything but an exact restatement.
        """

    def sample(self, name: str, pip_count: SupportsIndex) -> Offset3:
        """Sample a pattern of the library, or else a built-in pattern, by exact name.

        Raises ``ValueError`` "Unknown kinemorph: " followed by the name when
        neither knows it.
        """

    def catalogue(self) -> list[_PatternInfo]:
        """Every built-in pattern, as ``catalogue()`` lists them, then the library's own in order."""

def sample(name: str, pip_count: SupportsIndex) -> Offset3:
    """Sample any of the 1731 built-in patterns (the fifteen rudiments and the catalogue) by exact name.

    The pip wraps into the pattern's period. Raises ``ValueError``
    "Unknown kinemorph: " followed by the name for a name that is not built in
    (names are case-sensitive and never trimmed).
    """

def catalogue() -> list[_PatternInfo]:
    """Every built-in pattern as a new list of dicts with ``name``, ``description``,
    ``period_pips`` and ``dimensions``: the fifteen rudiments first, then the
    1716 catalogue patterns from ``lfo_breathe`` to ``beat_dembow_push_ricochet``.
    """

# The fifteen rudiments: each takes its pip by position only.
def bounce(arg0: SupportsIndex, /) -> Offset3:
    """"One-beat vertical bounce": a one-beat triangle wave on x (64 pips, 1 axis)."""

def sway(arg0: SupportsIndex, /) -> Offset3:
    """"Two-beat side-to-side sway": a sine on x (128 pips, 1 axis)."""

def circle(arg0: SupportsIndex, /) -> Offset3:
    """"One-beat circular orbit", starting at (0, -1) (64 pips, 2 axes)."""

def figure_eight(arg0: SupportsIndex, /) -> Offset3:
    """"Two-beat figure eight" (128 pips, 2 axes)."""

def step_touch(arg0: SupportsIndex, /) -> Offset3:
    """"Two-beat side step with a small lift": x eases between -1 and +1, y lifts to -0.35 each half beat
    (128 pips, 2 axes)."""

def box_step(arg0: SupportsIndex, /) -> Offset3:
    """"Four-beat softened square path" through the corners at (±1, ±1), one per beat (256 pips, 2 axes)."""

def helix(arg0: SupportsIndex, /) -> Offset3:
    """"Four-beat double-turn helix": two turns in x-y, one sine in z (256 pips, 3 axes)."""

def tobrin_background(arg0: SupportsIndex, /) -> Offset3:
    """"Tobrin/Quessa four-beat accented background drift" (256 pips, 2 axes)."""

def single_stroke_roll(arg0: SupportsIndex, /) -> Offset3:
    """"Alternating R/L strokes with smooth attack and decay" (64 pips, 2 axes).

    In every stroke pattern a right-hand stroke pushes x positive, a left-hand
    stroke x negative, and every stroke lifts y towards negative; each is at
    rest (0, 0, 0) at its onset.
    """

def double_stroke_roll(arg0: SupportsIndex, /) -> Offset3:
    """"RRLL strokes with a softer second motion" (64 pips, 2 axes)."""

def multiple_bounce_roll(arg0: SupportsIndex, /) -> Offset3:
    """"Decaying same-hand bounce clusters" (64 pips, 2 axes)."""

def single_paradiddle(arg0: SupportsIndex, /) -> Offset3:
    """"RLRR LRLL with accented lead strokes" (128 pips, 2 axes)."""

def flam(arg0: SupportsIndex, /) -> Offset3:
    """"Grace motion flowing into an opposite-hand primary motion" (64 pips, 2 axes)."""

def drag(arg0: SupportsIndex, /) -> Offset3:
    """"Two grace motions flowing into an opposite-hand primary motion" (64 pips, 2 axes)."""

def five_stroke_roll(arg0: SupportsIndex, /) -> Offset3:
    """"Two diddles resolving to an accented fifth motion" (128 pips, 2 axes)."""
