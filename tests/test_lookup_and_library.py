import math

import pytest

import kinemorphs
from rudiment_reference import RUDIMENTS

DEFAULT_NAMES = [name for name, *_ in RUDIMENTS]


def bounce_rows():
    return [kinemorphs.bounce(pip).as_tuple() for pip in range(64)]


def restated_bounce(**changes):
    fields = dict(name="bounce", description="One-beat vertical bounce", samples=bounce_rows())
    fields.update(changes)
    return kinemorphs.SampledPattern(**fields)


def user(name, count=4, value=0.25):
    return kinemorphs.SampledPattern(name, "user " + name, [(value, 0.0, 0.0)] * count)


# --- lookup by name -------------------------------------------------------------------------

@pytest.mark.parametrize("name", DEFAULT_NAMES)
def test_sample_by_name_equals_the_default_function(name):
    for pip in (-129, -1, 0, 5, 2147483647, -2147483648):
        assert kinemorphs.sample(name, pip).as_tuple() == getattr(kinemorphs, name)(pip).as_tuple()
        assert kinemorphs.sample(name=name, pip_count=pip).as_tuple() == getattr(kinemorphs, name)(pip).as_tuple()


@pytest.mark.parametrize("name", ["Bounce", "bounce ", " bounce", "boun", "", "lfo_breath", "LFO_BREATHE",
                                  "a", "zzzz"])
def test_unknown_names_report_themselves_exactly(name):
    with pytest.raises(ValueError) as caught:
        kinemorphs.sample(name, 0)
    assert str(caught.value) == "Unknown kinemorph: " + name


def test_sample_takes_bytes_and_refuses_the_pip_keyword():
    assert kinemorphs.sample(b"bounce", 3).as_tuple() == kinemorphs.bounce(3).as_tuple()
    with pytest.raises(TypeError):
        kinemorphs.sample("bounce", pip=3)


def test_catalogue_record_sampling_examples():
    rows = {pip: kinemorphs.sample("lfo_breathe", pip).as_tuple() for pip in (0, 32, 64, 192, -64, 256)}
    assert rows[0] == rows[256] == (0.0, 0.0, 0.0)
    assert rows[32] == (0.565685424949, 0.0, 0.0)
    assert rows[64] == (0.8, 0.0, 0.0)
    assert rows[192] == rows[-64] == (-0.8, 0.0, 0.0)


# --- listing ----------------------------------------------------------------------------------

def test_listing_starts_with_the_defaults_in_order():
    listing = kinemorphs.catalogue()
    assert [entry["name"] for entry in listing[:15]] == DEFAULT_NAMES
    assert listing[0] == {"name": "bounce", "description": "One-beat vertical bounce",
                          "period_pips": 64, "dimensions": 1}
    assert (listing[6]["name"], listing[6]["period_pips"], listing[6]["dimensions"]) == ("helix", 256, 3)
    assert (listing[14]["period_pips"], listing[14]["dimensions"]) == (128, 2)
    assert listing[15] == {
        "name": "lfo_breathe",
        "description": "A four-beat, single-axis sine. The quiet reference for judging busier shapes.",
        "period_pips": 256, "dimensions": 1}
    for entry in listing:
        assert list(entry) == ["name", "description", "period_pips", "dimensions"]
        assert [type(v) for v in entry.values()] == [str, str, int, int]


def test_listings_are_new_objects_every_call():
    first, second = kinemorphs.catalogue(), kinemorphs.catalogue()
    assert first == second and first is not second
    first.append("junk")
    first[0]["name"] = "changed"
    assert kinemorphs.catalogue() == second
    with pytest.raises(TypeError):
        kinemorphs.catalogue(1)


# --- PatternLibrary ---------------------------------------------------------------------------

def test_empty_library_resolves_and_lists_exactly_the_builtins():
    for library in (kinemorphs.PatternLibrary(), kinemorphs.PatternLibrary([]), kinemorphs.PatternLibrary(patterns=[])):
        assert library.catalogue() == kinemorphs.catalogue()
        for name in ("bounce", "five_stroke_roll", "lfo_breathe"):
            assert library.sample(name, -7).as_tuple() == kinemorphs.sample(name, -7).as_tuple()
        assert not hasattr(library, "patterns")


def test_user_patterns_resolve_first_and_list_after_the_builtins():
    patterns = [kinemorphs.SampledPattern("flat", "x only", [(0.5, 0.0, 0.0), (-0.5, 0.0, 0.0)]),
                kinemorphs.SampledPattern("lift", "x and y", [(0.0, 0.25, 0.0)] * 3),
                kinemorphs.SampledPattern("deep", "all", [(0.0, 0.0, -0.0), (0.0, 0.0, 0.125)])]
    library = kinemorphs.PatternLibrary(patterns)
    assert library.catalogue()[:-3] == kinemorphs.catalogue()
    assert library.catalogue()[-3:] == [
        {"name": "flat", "description": "x only", "period_pips": 2, "dimensions": 1},
        {"name": "lift", "description": "x and y", "period_pips": 3, "dimensions": 2},
        {"name": "deep", "description": "all", "period_pips": 2, "dimensions": 3}]
    assert library.sample("flat", -1).as_tuple() == (-0.5, 0.0, 0.0)
    assert library.sample(name="deep", pip_count=-2147483647).as_tuple() == (0.0, 0.0, 0.125)
    with pytest.raises(ValueError, match="^Unknown kinemorph: nothing$"):
        library.sample("nothing", 0)
    with pytest.raises(TypeError):
        library.sample("flat", 1.0)


def test_library_keeps_its_own_copies():
    mine = [user("kept")]
    library = kinemorphs.PatternLibrary(mine)
    mine.append(user("later"))
    assert mine[0].sample(0).as_tuple() == (0.25, 0.0, 0.0)  # the caller's object is intact
    assert library.catalogue()[-1]["name"] == "kept"
    with pytest.raises(ValueError):
        library.sample("later", 0)


def test_exact_restatements_are_accepted_and_dropped():
    breathe = [kinemorphs.sample("lfo_breathe", pip).as_tuple() for pip in range(256)]
    description = kinemorphs.catalogue()[15]["description"]
    library = kinemorphs.PatternLibrary([restated_bounce(),
                                         kinemorphs.SampledPattern("lfo_breathe", description, breathe)])
    assert library.catalogue() == kinemorphs.catalogue()
    assert library.sample("bounce", 16).as_tuple() == kinemorphs.bounce(16).as_tuple()


def _last_bit_changed():
    rows = bounce_rows()
    x, y, z = rows[10]
    rows[10] = (math.nextafter(x, 2.0), y, z)
    return rows


@pytest.mark.parametrize("pattern", [
    lambda: restated_bounce(description="One-beat vertical bounce."),
    lambda: restated_bounce(samples=bounce_rows() * 2),
    lambda: restated_bounce(samples=_last_bit_changed()),
], ids=["description", "length", "last bit"])
def test_inexact_restatements_are_refused(pattern):
    with pytest.raises(ValueError) as caught:
        kinemorphs.PatternLibrary([pattern()])
    assert str(caught.value) == "Cannot override default pattern: bounce"


def test_pattern_count_limit_is_checked_before_anything_else():
    kinemorphs.PatternLibrary([user(f"p{i}", 1) for i in range(1024)])
    with pytest.raises(ValueError) as caught:
        kinemorphs.PatternLibrary([user("same", 1)] * 1025)
    assert str(caught.value) == "Too many patterns"


def test_sample_total_limit_is_exactly_two_to_the_twentieth():
    big = [user(f"big{i}", 65535) for i in range(16)]
    kinemorphs.PatternLibrary(big + [user("tail", 16)])
    with pytest.raises(ValueError) as caught:
        kinemorphs.PatternLibrary(big + [user("tail", 17)])
    assert str(caught.value) == "Pattern pack is too large"


@pytest.mark.parametrize("patterns, message", [
    (lambda: [user("a"), user("b"), user("a"), user("huge", 65535)] + [user(f"h{i}", 65535) for i in range(16)],
     "Duplicate pattern name: a"),
    (lambda: [restated_bounce(), restated_bounce()], "Duplicate pattern name: bounce"),
    (lambda: [user("a"), restated_bounce(description="other"), user("a")],
     "Cannot override default pattern: bounce"),
    (lambda: [user("a"), user("lfo_breathe")], "Cannot override default pattern: lfo_breathe"),
], ids=["duplicate before size", "duplicate restatements", "override before duplicate", "catalogue name"])
def test_checks_run_pattern_by_pattern(patterns, message):
    with pytest.raises(ValueError) as caught:
        kinemorphs.PatternLibrary(patterns())
    assert str(caught.value) == message


