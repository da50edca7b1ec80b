"""Whether this run may meet a partial catalogue.

The generator leaves tables out only on explicit request: families named in
KINEMORPHS_CATALOGUE_FAMILIES, which ./dev hands to the build. The tests read
the same variable, so in a full build a missing table fails the test that
needs it instead of skipping it.
"""

import os

import pytest

REQUESTED_FAMILIES = os.environ.get("KINEMORPHS_CATALOGUE_FAMILIES", "")
PARTIAL_BUILD = bool(REQUESTED_FAMILIES)


def not_built(what):
    """Skips the test in a partial build; fails it in a full one."""
    if PARTIAL_BUILD:
        pytest.skip(f"{what} is not in this build (families {REQUESTED_FAMILIES})")
    pytest.fail(f"{what} is missing from the full catalogue")
