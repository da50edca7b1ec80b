from dataclasses import replace
from fractions import Fraction

import pytest

from kinemorphs_show.layout import Layout, LayoutSpread, placements
from kinemorphs_show.mapping import FULL_16_BIT, Aim, dmx_value, fixture_channels, limit_aim
from kinemorphs_show.rig import GENERIC_16BIT, BoxLimits, ConeLimits, Fixture


def row(count: int, spacing_m: float = 1.0) -> list[Fixture]:
    return [Fixture(f"f{i}", GENERIC_16BIT, 1, 1 + 4 * i, position_m=((i - (count - 1) / 2) * spacing_m, 2.0, 5.0),
                    groups=("left" if i < count / 2 else "right",))
            for i in range(count)]


LAYOUTS = [
    Layout(spread_pips=Fraction(64)),
    Layout(spread_pips=Fraction(128), blocks=3),
    Layout(by="distance", spread_pips=Fraction(64), origin_m=(0.0, 2.0)),
    Layout(by="angle", spread_pips=Fraction(64), origin_m=(0.0, -4.0)),
]


@pytest.mark.parametrize("layout", LAYOUTS)
def test_layouts_do_not_depend_on_fixture_count(layout):
    # Four fixtures stand at ranks 0, 1/3, 2/3 and 1, which seven fixtures share at every second place.
    four = placements(layout, row(4, spacing_m=2.0))
    seven = placements(layout, row(7, spacing_m=1.0))
    assert four == seven[::2]


@pytest.mark.parametrize("count", [2, 4, 5, 8, 12])
def test_mirrored_layouts_are_symmetric(count):
    placed = placements(Layout(spread_pips=Fraction(64), mirror=True, wings=2), row(count))
    for left, right in zip(placed, reversed(placed)):
        assert left.offset_pips == right.offset_pips
    if count % 2 == 0:
        assert [p.mirrored for p in placed] == [False] * (count // 2) + [True] * (count // 2)


@pytest.mark.parametrize("count", [4, 8, 12])
@pytest.mark.parametrize("mirror", [False, True])
def test_every_wing_spans_the_whole_spread_whatever_the_count(count, mirror):
    offsets = [p.offset_pips for p in placements(Layout(spread_pips=Fraction(64), wings=2, mirror=mirror), row(count))]
    first, second = offsets[:count // 2], offsets[count // 2:]
    assert first[0] == 0 and first[-1] == 64
    assert second == (first[::-1] if mirror else first)


@pytest.mark.parametrize("count, wings", [(1, 1), (3, 1), (4, 1), (8, 2)])
def test_cycle_spread_sits_heads_evenly_over_one_cycle(count, wings):
    layout = Layout(spread_pips=Fraction(128), spread=LayoutSpread.CYCLE, wings=wings)
    offsets = [p.offset_pips for p in placements(layout, row(count))]
    per_wing = count // wings
    assert offsets == [Fraction(128 * (index % per_wing), per_wing) for index in range(count)]


def test_plain_spread_runs_from_zero_to_the_spread():
    assert [p.offset_pips for p in placements(Layout(spread_pips=Fraction(48)), row(5))] == [0, 12, 24, 36, 48]


def test_group_layout_spreads_each_group_alike():
    offsets = [p.offset_pips for p in placements(Layout(by="group", spread_pips=Fraction(32)), row(6))]
    assert offsets == [0, 16, 32, 0, 16, 32]


def test_shuffle_is_a_seeded_permutation():
    layout = Layout(by="shuffle", spread_pips=Fraction(70), seed=7)
    offsets = [p.offset_pips for p in placements(layout, row(8))]
    assert sorted(offsets) == [0, 10, 20, 30, 40, 50, 60, 70]
    assert offsets == [p.offset_pips for p in placements(layout, row(8))]
    assert offsets != [p.offset_pips for p in placements(replace(layout, seed=8), row(8))]


FIXTURE = Fixture("f", GENERIC_16BIT, 1, 10)


@pytest.mark.parametrize("angle, value", [(-270.0, 0), (270.0, FULL_16_BIT), (0.0, 32768), (135.0, 49151),
                                          (-300.0, 0), (300.0, FULL_16_BIT)])
def test_16_bit_pan_values_split_into_coarse_and_fine(angle, value):
    channels = fixture_channels(FIXTURE, Aim(angle, 0.0))
    assert channels[10] * 256 + channels[11] == value
    assert set(channels) == {10, 11, 12, 13}


@pytest.mark.parametrize("angle", [-270.0, -100.3, -0.01, 0.0, 12.345, 269.99])
@pytest.mark.parametrize("full_scale", [FULL_16_BIT, 255])
def test_invert_mirrors_exactly(angle, full_scale):
    assert dmx_value(angle, 540.0, full_scale, False) + dmx_value(angle, 540.0, full_scale, True) == full_scale


def test_eight_bit_profile_uses_one_channel_per_axis():
    profile = replace(GENERIC_16BIT, pan_fine_channel=0, tilt_fine_channel=0, tilt_channel=2, channel_count=2)
    fixture = Fixture("f", profile, 1, 100, invert_tilt=True)
    assert fixture_channels(fixture, Aim(270.0, -135.0)) == {100: 255, 101: 255}


def test_swap_and_fixed_channels():
    from kinemorphs_show.mapping import AxisMapping, aim_for

    fixture = Fixture("f", GENERIC_16BIT, 1, 1, swap_pan_tilt=True, home_deg=(5.0, 10.0), fixed_channels=((6, 200),))
    aim = aim_for(fixture, AxisMapping(z=6), (30.0, 20.0), (0.5, -1.0, 1.0))
    assert (aim.pan_deg, aim.tilt_deg) == (5.0 - 20.0, 10.0 + 15.0)
    assert fixture_channels(fixture, aim)[6] == 255  # z drives channel 6 and wins over its fixed level


@pytest.mark.parametrize("limits, asked, expected, limited", [
    (BoxLimits((-90.0, 90.0), (0.0, 100.0)), (120.0, -5.0), (90.0, 0.0), True),
    (BoxLimits((-90.0, 90.0), (0.0, 100.0)), (-90.0, 100.0), (-90.0, 100.0), False),
    (ConeLimits(50.0), (30.0, 40.0), (30.0, 40.0), False),
    (ConeLimits(25.0), (30.0, 40.0), (15.0, 20.0), True),
    (None, (400.0, -200.0), (270.0, -135.0), True),  # the travel always bounds
])
def test_limits(limits, asked, expected, limited):
    fixture = replace(FIXTURE, limits=limits)
    aim, changed = limit_aim(fixture, Aim(*asked))
    assert (aim.pan_deg, aim.tilt_deg) == pytest.approx(expected, abs=1e-12)
    assert changed == limited
