"""Reading a file given by a user, within bounds: a regular file, not too large, not too deeply nested.

tomllib and json recurse once per level of nesting, so depth is checked on
the text before either parser sees it; a FIFO or a device (/dev/zero) is
refused before it is opened, so reading can neither block nor grow without end.
"""

import os
import re
import stat
from pathlib import Path

SHOW_FILE_MAX_BYTES = 1024 * 1024  # a thousand fixtures take some 150 KiB
PATTERN_FILE_MAX_BYTES = 4 * 1024 * 1024  # 65536 rows of x, y, z with room to spare
MAX_NESTING = 32
OPENERS, CLOSERS = "[{", "]}"
SIGNIFICANT = re.compile(r"[\[\]{}\"'#\\]")


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
        raise InputLimitError(f"larger than {max_bytes // 1024} KiB")
    return data.decode("utf-8")


def check_nesting(text: str, limit: int = MAX_NESTING) -> None:
    """Raise InputLimitError (naming the 1-based line) where brackets and braces nest deeper than
    limit. Quoted strings are skipped roughly (basic and literal quotes, backslash escapes in basic
    ones, TOML comments), which is enough to bound what the parsers will recurse into."""
    depth = 0
    quote = ""
    skip_to = 0
    for match in SIGNIFICANT.finditer(text):
        index, char = match.start(), match.group()
        if index < skip_to:
            continue
        if quote:
            if char == "\\" and quote == '"':
                skip_to = index + 2
            elif char == quote:
                quote = ""
        elif char in "\"'":
            quote = char
        elif char == "#":
            end = text.find("\n", index)
            skip_to = len(text) if end < 0 else end
        elif char in OPENERS:
            depth += 1
            if depth > limit:
                raise InputLimitError(f"line {text.count(chr(10), 0, index) + 1}: nested deeper than {limit} levels")
        elif char in CLOSERS:
            depth = max(0, depth - 1)
