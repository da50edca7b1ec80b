"""Reading a fixture file safely: regular files only, and never more than a cap."""

import os
import stat
from os import PathLike

from kinemorphs_show.fixture_files.errors import FixtureFileError


def read_regular_file(path: str | PathLike, max_bytes: int) -> bytes:
    """The file's bytes, refusing devices, FIFOs, directories and anything over max_bytes."""
    try:
        # O_NONBLOCK: opening a FIFO must not wait for a writer before we can refuse it.
        descriptor = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    except OSError as error:
        raise FixtureFileError(path, f"cannot be opened ({error.strerror})") from None
    status = os.fstat(descriptor)
    if not stat.S_ISREG(status.st_mode) or status.st_size > max_bytes:
        os.close(descriptor)
        problem = "is not a regular file" if not stat.S_ISREG(status.st_mode) else f"is larger than {max_bytes} bytes"
        raise FixtureFileError(path, problem)
    with os.fdopen(descriptor, "rb") as file:
        try:
            data = file.read(max_bytes + 1)
        except OSError as error:
            raise FixtureFileError(path, f"cannot be read ({error.strerror})") from None
    if len(data) > max_bytes:
        raise FixtureFileError(path, f"is larger than {max_bytes} bytes")
    return data
