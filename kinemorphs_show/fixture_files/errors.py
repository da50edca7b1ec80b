"""The one error a fixture file can give, and the mode choice both formats share."""

from collections.abc import Sequence
from os import PathLike


class FixtureFileError(ValueError):
    """A fixture file that cannot give a fixture type. str() is one line: the file, then what
    is wrong or missing; the show-file reader prefixes its own file, line and field."""

    def __init__(self, path: str | PathLike, problem: str):
        super().__init__(f"{path}: {problem}")
        self.path = str(path)
        self.problem = problem


def chosen_mode(path: str | PathLike, mode_names: Sequence[Sequence[str]], wanted: str | None) -> int:
    """The index of the mode called wanted (any of a mode's names matches); with no name
    given, the only mode. mode_names[i] holds mode i's names, its main name first."""
    listed = ", ".join(repr(names[0]) for names in mode_names)
    if wanted is None:
        if len(mode_names) == 1:
            return 0
        raise FixtureFileError(path, f"has {len(mode_names)} modes, say which with mode = one of {listed}")
    for index, names in enumerate(mode_names):
        if wanted in names:
            return index
    raise FixtureFileError(path, f"has no mode {wanted!r} (modes: {listed})")
