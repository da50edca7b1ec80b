import pytest

from catalogue_scope import PARTIAL_BUILD
from catalogue_summary import GOLDEN, summary_lines


@pytest.mark.skipif(not GOLDEN.exists(), reason="no golden summary recorded yet")
@pytest.mark.skipif(PARTIAL_BUILD, reason="the summary covers the full catalogue")
def test_every_table_matches_its_recorded_summary():
    expected = GOLDEN.read_text().splitlines()
    actual = summary_lines()
    changed = sorted(set(expected) ^ set(actual))
    assert changed == [], "tables changed; rerun tests/catalogue_summary.py if intended"
    assert actual == expected
