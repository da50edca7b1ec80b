"""Find the line of a key in TOML source text, so errors can point at it.

tomllib gives values without positions. The show file is plain TOML written
by hand (table headers, arrays of tables, `key = value` lines), so scanning
the lines for headers and keys finds each field's line; a key inside an
inline table or a multi-line value is reported at the line that opens it.
"""

import re

KeyPath = tuple[str | int, ...]

# Matched without backtracking over the same characters twice, so a hostile line stays linear.
KEY = re.compile(r"[A-Za-z0-9_\-\"'. ]+")


def header_of(line: str) -> tuple[str, bool] | None:
    """The dotted name of a [table] or [[array]] header line, and whether it is an array entry."""
    stripped = line.strip()
    if not stripped.startswith("["):
        return None
    is_array = stripped.startswith("[[")
    opener, closer = ("[[", "]]") if is_array else ("[", "]")
    end = stripped.find("]", len(opener))
    if end < 0 or not stripped.startswith(closer, end):
        return None
    rest = stripped[end + len(closer):].lstrip()
    name = stripped[len(opener):end].strip()
    if not name or (rest and not rest.startswith("#")):
        return None
    return name, is_array


def key_of(line: str) -> str | None:
    """The (possibly dotted or quoted) key of a `key = value` line."""
    key, equals, _ = line.partition("=")
    key = key.strip()
    return key if equals and key and KEY.fullmatch(key) else None


def split_dotted(text: str) -> tuple[str, ...]:
    return tuple(part.strip().strip("\"'") for part in text.split("."))


def key_lines(text: str) -> dict[KeyPath, int]:
    """The 1-based line where each table and key first appears, keyed by its path
    (array-of-tables entries by index: ('fixtures', 2, 'address'))."""
    lines: dict[KeyPath, int] = {}
    array_counts: dict[tuple[str, ...], int] = {}
    current: KeyPath = ()
    for number, line in enumerate(text.splitlines(), start=1):
        header = header_of(line)
        if header:
            current = resolve_table(split_dotted(header[0]), array_counts, is_array=header[1])
            note(lines, current, number)
            continue
        key = key_of(line)
        if key:
            note(lines, current + split_dotted(key), number)
    return lines


def note(lines: dict[KeyPath, int], path: KeyPath, number: int) -> None:
    """The line where path first appears, and where each table it implies (a.b for a.b.c) does."""
    for end in range(1, len(path) + 1):
        lines.setdefault(path[:end], number)


def resolve_table(names: tuple[str, ...], array_counts: dict, is_array: bool) -> KeyPath:
    """The path of a table header: names that continue the current array-of-tables entry keep
    its index, and a new [[array]] entry gets the next index."""
    path: KeyPath = ()
    for depth, name in enumerate(names):
        path += (name,)
        if depth == len(names) - 1 and is_array:
            index = array_counts.get(names, -1) + 1
            array_counts[names] = index
            # Nested arrays restart their count within each new parent entry.
            for key in [key for key in array_counts if len(key) > len(names) and key[:len(names)] == names]:
                del array_counts[key]
            return path + (index,)
        if names[:depth + 1] in array_counts:
            path += (array_counts[names[:depth + 1]],)
    return path


def line_of(lines: dict[KeyPath, int], path: KeyPath) -> int | None:
    """The line of the longest prefix of path that appears in the source."""
    for end in range(len(path), 0, -1):
        if path[:end] in lines:
            return lines[path[:end]]
    return None
