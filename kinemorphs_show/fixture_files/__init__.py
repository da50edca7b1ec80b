"""Fixture types read from the files lighting tools exchange: GDTF and the Open Fixture
Library's JSON. FIXTURE_FILE_READERS is the one place a format is registered, keyed by the
show file's profile field (`gdtf = "..."`, `ofl = "..."`)."""

from kinemorphs_show.fixture_files.errors import FixtureFileError
from kinemorphs_show.fixture_files.gdtf import read_gdtf
from kinemorphs_show.fixture_files.ofl import read_ofl

FIXTURE_FILE_READERS = {"gdtf": read_gdtf, "ofl": read_ofl}

__all__ = ["FIXTURE_FILE_READERS", "FixtureFileError", "read_gdtf", "read_ofl"]
