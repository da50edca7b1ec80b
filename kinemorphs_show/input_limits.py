"""Reading a file given by a user, within bounds: a regular file, not too large, not too deeply nested.

tomllib and json recurse once per level of nesting, so depth is checked on
the text before either parser sees it; a FIFO or a device (/dev/zero) is
refused before it is opened, so reading can neither block nor grow without end.
"""

import os
import stat
from pathlib import Path

SHOW_FILE_MAX_BYTES = 4 * 1024 * 1024
PATTERN_FILE_MAX_BYTES = 16 * 1024 * 1024
MAX_NESTING = 32
OPENERS, CLOSERS = "[{", "]}"


class InputLimitError(ValueError):
    pass


def read_bounded_text(path: Path, max_bytes: int) -> str:
    """The file's UTF-8 text. Raises InputLimitError for what is not a regular file or is larger
    than max_bytes, OSError or UnicodeDecodeError when it cannot be read."""
    if not stat.S_ISREG(os.stat(path).st_mode):
        raise InputLimitError("not a regular file")
    # O_NONBLOCK: should the path be swapped for a FIFO after the check, opening it does not wait.
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
    with os.fdopen(fd, "rb") as file:
        if not stat.S_ISREG(os.fstat(file.fileno()).st_mode):
            raise InputLimitError("not a regular file")
        data = file.read(max_bytes + 1)
    if len(data) > max_bytes:
        raise InputLimitError(f"larger than {max_bytes // (1024 * 1024)} MiB")
    return data.decode("utf-8")


def check_nesting(text: str, limit: int = MAX_NESTING) -> None:
    """Raise InputLimitError (naming the 1-based line) where brackets and braces nest deeper than
    limit. Quoted strings are skipped roughly (basic and literal quotes, backslash escapes in basic
    ones, TOML comments), which is enough to bound what the parsers will recurse into."""
    depth = 0
    line = 1
    quote = ""
    index = 0
    length = len(text)
    while index < length:
        char = text[index]
        if char == "\n":
            line += 1
        if quote:
            if char == "\\" and quote == '"':
                index += 1
            elif char == quote:
                quote = ""
        elif char in "\"'":
            quote = char
        elif char == "#":
            end = text.find("\n", index)
            index = length if end < 0 else end
            continue
        elif char in OPENERS:
            depth += 1
            if depth > limit:
                raise InputLimitError(f"line {line}: nested deeper than {limit} levels")
        elif char in CLOSERS:
            depth = max(0, depth - 1)
        index += 1
