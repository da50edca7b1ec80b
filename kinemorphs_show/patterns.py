"""The patterns a show can use: every built-in plus the show's own, read as exact tables."""

import json
import math
from dataclasses import dataclass
from fractions import Fraction
from functools import cache
from pathlib import Path

import kinemorphs

from kinemorphs_show.input_limits import PATTERN_FILE_MAX_BYTES, check_nesting, read_bounded_text

Displacement = tuple[float, float, float]


@dataclass(frozen=True, eq=False)
class PatternSet:
    """A PatternLibrary (the show's patterns first, then the built-ins) and each name's period."""

    library: kinemorphs.PatternLibrary
    periods: dict[str, int]

    def names(self) -> tuple[str, ...]:
        return tuple(self.periods)


def pattern_set(user_patterns: list[kinemorphs.SampledPattern]) -> PatternSet:
    """Raises the module's ValueError when the patterns cannot form a library."""
    library = kinemorphs.PatternLibrary(patterns=user_patterns)
    return PatternSet(library, {info["name"]: info["period_pips"] for info in library.catalogue()})


# Longer than any float needs (17 significant digits and an exponent): a 400-digit value is refused
# before it becomes a huge integer or an infinity.
MAX_NUMBER_TEXT = 32


def read_pattern_file(path: Path, name: str, description: str) -> kinemorphs.SampledPattern:
    """A pattern from a CSV file (rows of x, y, z; a header row is allowed) or a JSON file
    (a list of [x, y, z] rows, or an object with "samples"), read within bounds (a regular
    file of at most PATTERN_FILE_MAX_BYTES, nested at most MAX_NESTING deep, numbers
    written in at most MAX_NUMBER_TEXT characters). Raises ValueError or OSError."""
    text = read_bounded_text(path, PATTERN_FILE_MAX_BYTES)
    if path.suffix.lower() == ".json":
        check_nesting(text)
        try:
            data = json.loads(text, parse_int=sample_value, parse_float=sample_value, parse_constant=sample_value)
        except RecursionError:
            raise ValueError("nested too deeply") from None
        rows = data.get("samples") if isinstance(data, dict) else data
        if not isinstance(rows, list) or not all(isinstance(row, list) for row in rows):
            raise ValueError('expected a list of [x, y, z] rows or {"samples": [...]}')
    else:
        import csv  # only for a show with a CSV pattern file

        rows = [row for row in csv.reader(text.splitlines()) if row and not row[0].lstrip().startswith("#")]
        if rows and not is_number(rows[0][0]):
            rows = rows[1:]
        rows = [[sample_value(value) for value in row] for row in rows]
    if any(len(row) != 3 or not all(isinstance(value, float) for value in row) for row in rows):
        raise ValueError("every sample needs exactly three numbers x, y, z")
    return kinemorphs.SampledPattern(name, description, [tuple(row) for row in rows])


def sample_value(text: str) -> float:
    """A number from its text, refusing text too long to be a sample (the module checks the range)."""
    if len(text.strip()) > MAX_NUMBER_TEXT:
        raise ValueError(f"a number written in more than {MAX_NUMBER_TEXT} characters: {text[:MAX_NUMBER_TEXT]}...")
    return float(text)


def is_number(text: str) -> bool:
    try:
        sample_value(text)
    except ValueError:
        return False
    return True


@cache
def pattern_table(patterns: PatternSet, name: str) -> tuple[Displacement, ...]:
    """One displacement per pip over the pattern's period, exactly as the module samples it."""
    return tuple(patterns.library.sample(name, pip).as_tuple() for pip in range(patterns.periods[name]))


def sample_pattern(patterns: PatternSet, name: str, pattern_pip: int) -> Displacement:
    """The displacement at any pip (Python integers: no 32-bit limit, wrapped here)."""
    table = pattern_table(patterns, name)
    return table[pattern_pip % len(table)]


def sample_between(patterns: PatternSet, name: str, position: Fraction | int) -> Displacement:
    """The displacement at an exact, possibly fractional pattern position: the two pips around
    it blended by the fraction, so at a whole pip it is the module's sample bit for bit."""
    pip = math.floor(position)
    here = sample_pattern(patterns, name, pip)
    fraction = position - pip
    if not fraction:
        return here
    there = sample_pattern(patterns, name, pip + 1)
    weight = float(fraction)
    return tuple(a + (b - a) * weight for a, b in zip(here, there))


@cache
def peak_steps(patterns: PatternSet, name: str, stride: int = 1) -> Displacement:
    """Per axis, the largest change between two table rows `stride` pips apart, around the
    loop: stride 1 gives the pattern's largest per-pip step."""
    table = pattern_table(patterns, name)
    period = len(table)
    return tuple(
        max(abs(table[(pip + stride) % period][axis] - table[pip][axis]) for pip in range(period))
        for axis in range(3)
    )
