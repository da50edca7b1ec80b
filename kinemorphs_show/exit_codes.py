"""The command line's exit codes, shared by every command."""

from enum import IntEnum


class ExitCode(IntEnum):
    OK = 0
    INFEASIBLE = 1      # `check`: some fixture cannot follow some cue at the tempo
    INVALID = 2         # a bad show file, pattern file or argument; nothing was sent
    RUN_FAILED = 3      # `run`/`render` started but did not finish as it should (a send or write failed)


# What to install when a library of the show extra is missing.
SHOW_EXTRA_HINT = "install the show extra (pip install '.[show]' from a clone)"
