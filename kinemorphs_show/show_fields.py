"""Typed reading of show-file fields, each failure naming file, line and field."""

import math
from dataclasses import dataclass
from fractions import Fraction
from pathlib import Path

from kinemorphs_show.source_lines import KeyPath, line_of

REQUIRED = object()


class ShowFileError(Exception):
    """A show file that cannot be used; str() names the file, the line and the field."""

    def __init__(self, path: Path, line: int | None, field: str, message: str) -> None:
        self.path, self.line, self.field, self.message = path, line, field, message
        where = f"{path}:{line}" if line else str(path)
        super().__init__(f"{where}: {field}: {message}" if field else f"{where}: {message}")


@dataclass(frozen=True)
class Source:
    path: Path
    lines: dict[KeyPath, int]


def field_name(path: KeyPath) -> str:
    """('fixtures', 2, 'address') -> 'fixtures[2].address'."""
    text = ""
    for part in path:
        text += f"[{part}]" if isinstance(part, int) else (f".{part}" if text else part)
    return text


def fail(source: Source, path: KeyPath, message: str) -> ShowFileError:
    return ShowFileError(source.path, line_of(source.lines, path), field_name(path), message)


def check_known(source: Source, table: dict, path: KeyPath, known: tuple[str, ...]) -> None:
    for key in table:
        if key not in known:
            raise fail(source, path + (key,), f"unknown field; expected one of {', '.join(known)}")


def is_number(value) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def read(source: Source, table: dict, path: KeyPath, key: str, default=REQUIRED):
    if key in table:
        return table[key]
    if default is REQUIRED:
        raise fail(source, path + (key,), "missing")
    return default


def read_number(source: Source, table: dict, path: KeyPath, key: str, default=REQUIRED,
                low: float = -math.inf, high: float = math.inf, above_low: bool = False) -> float:
    value = read(source, table, path, key, default)
    in_range = low < value <= high if above_low else low <= value <= high
    if not is_number(value) or not math.isfinite(value) or not in_range:
        bound = f"above {low:g}" if above_low else f"at least {low:g}"
        span = bound if high == math.inf else f"{bound} and at most {high:g}"
        raise fail(source, path + (key,), f"must be a number {span}, got {value!r}")
    return float(value)


def read_integer(source: Source, table: dict, path: KeyPath, key: str, default=REQUIRED,
                 low: int = -2**31, high: int = 2**31 - 1) -> int:
    value = read(source, table, path, key, default)
    if not isinstance(value, int) or isinstance(value, bool) or not low <= value <= high:
        raise fail(source, path + (key,), f"must be an integer from {low} to {high}, got {value!r}")
    return value


def read_text(source: Source, table: dict, path: KeyPath, key: str, default=REQUIRED,
              choices: tuple[str, ...] = ()) -> str:
    value = read(source, table, path, key, default)
    if not isinstance(value, str) or (choices and value not in choices):
        expected = f"one of {', '.join(choices)}" if choices else "a string"
        raise fail(source, path + (key,), f"must be {expected}, got {value!r}")
    return value


def read_bool(source: Source, table: dict, path: KeyPath, key: str, default: bool = False) -> bool:
    value = read(source, table, path, key, default)
    if not isinstance(value, bool):
        raise fail(source, path + (key,), f"must be true or false, got {value!r}")
    return value


def read_numbers(source: Source, table: dict, path: KeyPath, key: str, count: int,
                 default=REQUIRED) -> tuple[float, ...]:
    value = read(source, table, path, key, default)
    if not (isinstance(value, (list, tuple)) and len(value) == count
            and all(is_number(item) and math.isfinite(item) for item in value)):
        raise fail(source, path + (key,), f"must be a list of {count} numbers, got {value!r}")
    return tuple(float(item) for item in value)


def read_texts(source: Source, table: dict, path: KeyPath, key: str) -> tuple[str, ...]:
    value = read(source, table, path, key, [])
    if not isinstance(value, list) or not all(isinstance(item, str) for item in value):
        raise fail(source, path + (key,), f"must be a list of strings, got {value!r}")
    return tuple(value)


def read_table(source: Source, table: dict, path: KeyPath, key: str) -> dict:
    value = read(source, table, path, key, {})
    if not isinstance(value, dict):
        raise fail(source, path + (key,), "must be a table")
    return value


def read_tables(source: Source, document: dict, key: str) -> list[dict]:
    value = document.get(key, [])
    if not isinstance(value, list) or not all(isinstance(item, dict) for item in value):
        raise fail(source, (key,), f"must be written as [[{key}]] tables")
    return value


def read_ratio(source: Source, table: dict, path: KeyPath, key: str, default=REQUIRED,
               allow_zero: bool = False) -> Fraction:
    """A positive (or, if allowed, zero) exact ratio: an integer, a decimal number or a string 'a/b'."""
    value = read(source, table, path, key, default)
    try:
        if isinstance(value, bool) or not isinstance(value, (int, float, str, Fraction)):
            raise ValueError
        # str() keeps a decimal such as 0.75 exact (3/4) rather than its binary approximation.
        ratio = Fraction(value if isinstance(value, (int, Fraction)) else str(value).strip())
    except (ValueError, ZeroDivisionError):
        ratio = Fraction(-1)
    if ratio < 0 or (ratio == 0 and not allow_zero):
        kind = "a ratio of at least 0" if allow_zero else "a positive ratio"
        raise fail(source, path + (key,), f"must be {kind} such as 2, 0.75 or \"3/4\", got {value!r}")
    return ratio
