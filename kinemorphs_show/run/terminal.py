"""The terminal while a show runs: keys one by one, and the mode put back on every way out."""

import termios
import tty
from collections.abc import Iterator
from contextlib import contextmanager


@contextmanager
def keys_read_one_by_one(fd: int) -> Iterator[None]:
    """Put the terminal in cbreak mode (keys arrive unbuffered, no echo) and restore echo and
    canonical mode afterwards, whatever ended the run."""
    saved = termios.tcgetattr(fd)
    tty.setcbreak(fd)
    try:
        yield
    finally:
        try:
            termios.tcsetattr(fd, termios.TCSADRAIN, saved)
        except (termios.error, OSError):
            # After SIGHUP the terminal may be gone; there is nothing left to restore.
            pass
