"""The gallery page in a real headless Chromium (Debian's, never a downloaded one).

Builds the site from the module under test, loads it from a local file and
checks the cards, the family filter, the search, the lazy drawing and the
moving markers. Screenshots and the page's size and paint timings are written
to tests/artifacts/.
"""

import json
import math
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import kinemorphs

REPO = Path(__file__).resolve().parents[1]
ARTIFACTS = Path(__file__).resolve().parent / "artifacts"
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")

if CHROMIUM is None:
    pytest.skip("no Chromium binary found", allow_module_level=True)
# CI installs the test extra, so there a missing playwright is a failure, not a skip.
if not os.environ.get("CI"):
    pytest.importorskip("playwright")
from playwright.sync_api import sync_playwright  # noqa: E402

CATALOGUE = kinemorphs.catalogue()
NAMES = [entry["name"] for entry in CATALOGUE]


def group_of(name):
    return "rudiments" if callable(getattr(kinemorphs, name, None)) else name.split("_", 1)[0]


@pytest.fixture(scope="module")
def site(tmp_path_factory):
    folder = tmp_path_factory.mktemp("site")
    result = subprocess.run([sys.executable, str(REPO / "gallery" / "build_gallery.py"),
                             str(folder)], capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, result.stderr
    return folder / "index.html"


@pytest.fixture(scope="module")
def page(site):
    ARTIFACTS.mkdir(exist_ok=True)
    with sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=CHROMIUM, args=["--no-sandbox"])
        tab = browser.new_page(viewport={"width": 1400, "height": 1000})
        errors = []
        tab.on("pageerror", lambda error: errors.append(str(error)))
        tab.goto(site.as_uri())
        tab.wait_for_selector("body[data-ready]", timeout=60_000)
        tab.errors = errors
        yield tab
        browser.close()
    assert not errors


def record_metrics(**values):
    """Merge figures into tests/artifacts/gallery_metrics.json (reported, never asserted)."""
    path = ARTIFACTS / "gallery_metrics.json"
    metrics = json.loads(path.read_text()) if path.exists() else {}
    path.write_text(json.dumps(metrics | values, indent=2))


def settle(page):
    """Let queued filtering and a marker update run (two animation frames)."""
    page.evaluate("() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")


def visible_ids(page):
    return page.evaluate("() => [...document.querySelectorAll('.card:not([hidden])')].map(c => c.id)")


def set_filters(page, search="", family=""):
    page.fill("#search", search)
    page.select_option("#family", family)
    settle(page)


def test_page_is_self_contained_and_reports_its_timings(page, site):
    html = site.read_text(encoding="utf-8")
    assert not re.search(r"""(src|href)\s*=\s*["']?(https?:)?//""", html)
    assert list(site.parent.iterdir()) == [site]
    timings = page.evaluate("""() => Object.fromEntries(
        performance.getEntriesByType('paint').map(e => [e.name, e.startTime])
        .concat(performance.getEntriesByName('gallery-ready').map(e => [e.name, e.startTime])))""")
    assert {"first-paint", "first-contentful-paint", "gallery-ready"} <= set(timings)
    (ARTIFACTS / "gallery_metrics.json").unlink(missing_ok=True)
    record_metrics(page_bytes=site.stat().st_size, patterns=len(CATALOGUE), timings_ms=timings)
    page.screenshot(path=str(ARTIFACTS / "gallery_top.png"))


def test_one_card_per_pattern_with_its_facts(page):
    cards = page.evaluate("""() => [...document.querySelectorAll('.card')].map(c => [
        c.id, c.querySelector('h2').textContent, c.dataset.group,
        c.querySelector('.facts').textContent, c.querySelector('.desc').textContent])""")
    assert len(cards) == len(CATALOGUE)
    for (card_id, title, group, facts, description), entry in zip(cards, CATALOGUE):
        period = entry["period_pips"]
        beats = period / 64
        beats_text = f"{beats:g} {'beat' if beats == 1 else 'beats'}"
        axes = "1 axis" if entry["dimensions"] == 1 else f"{entry['dimensions']} axes"
        assert (card_id, title, group) == (entry["name"], entry["name"], group_of(entry["name"]))
        assert facts == f"{period} pips · {beats_text} · {axes}"
        assert description == entry["description"]
    assert page.text_content("#count") == f"{len(CATALOGUE)} of {len(CATALOGUE)} patterns"


def test_decoded_rows_match_the_module(page):
    """The drawing data round-trips every row of a spread of patterns to within quantisation."""
    step = max(1, len(NAMES) // 40)
    chosen = NAMES[:15] + NAMES[15::step] + NAMES[-1:]
    decoded = page.evaluate("""(names) => names.map(name => {
        const p = gallery.data.patterns.find(q => q.name === name);
        return [p.period, p.axes.map(a => a && Array.from(a))];
    })""", chosen)
    quant = page.evaluate("() => gallery.data.quant")
    for name, (period, axes) in zip(chosen, decoded):
        rows = [kinemorphs.sample(name, pip).as_tuple() for pip in range(period)]
        for axis in range(3):
            column = [row[axis] for row in rows]
            if axes[axis] is None:
                assert not any(column), (name, axis)
                continue
            worst = max(abs(q / quant - v) for q, v in zip(axes[axis], column))
            assert worst <= 0.5 / quant + 1e-12, (name, axis, worst)


def test_family_filter(page):
    options = page.evaluate("() => [...document.querySelectorAll('#family option')].map(o => o.value)")
    groups = sorted({group_of(name) for name in NAMES} - {"rudiments"})
    assert options == ["", "rudiments", *groups]
    last = group_of(NAMES[-1])
    for family in ["rudiments", "lfo", last]:
        set_filters(page, family=family)
        expected = [name for name in NAMES if group_of(name) == family]
        assert visible_ids(page) == expected
        assert page.text_content("#count") == f"{len(expected)} of {len(NAMES)} patterns"
    page.screenshot(path=str(ARTIFACTS / f"gallery_family_{last}.png"))
    # From choosing "all" again to the next frame after every card is shown.
    filter_ms = page.evaluate("""() => new Promise(done => {
        const start = performance.now(), family = document.getElementById('family');
        family.value = '';
        family.dispatchEvent(new Event('change'));
        requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now() - start)));
    })""")
    assert len(visible_ids(page)) == len(NAMES)
    record_metrics(show_all_cards_ms=round(filter_ms, 1))
    set_filters(page, family="rudiments")
    page.evaluate("() => window.scrollTo(0, 0)")
    settle(page)
    page.screenshot(path=str(ARTIFACTS / "gallery_rudiments.png"))
    set_filters(page)
    assert len(visible_ids(page)) == len(NAMES)


@pytest.mark.parametrize("query", ["lfo_breathe", "ORBIT", "helix", "  two   beat ", "zz_no_such"])
def test_search(page, query):
    set_filters(page, search=query)
    words = query.lower().split()
    expected = [entry["name"] for entry in CATALOGUE
                if all(w in (entry["name"] + " " + entry["description"]).lower() for w in words)]
    assert visible_ids(page) == expected
    if query.strip() in NAMES:
        assert query.strip() in expected
    set_filters(page)


def test_search_within_a_family(page):
    set_filters(page, search="roll", family="rudiments")
    assert visible_ids(page) == [n for n in NAMES[:15] if "roll" in n]
    page.screenshot(path=str(ARTIFACTS / "gallery_search.png"))
    set_filters(page)


def marker_state(page, name):
    return page.evaluate("""(name) => {
        const p = gallery.data.patterns.find(q => q.name === name);
        return {pip: gallery.pip, seconds: gallery.seconds, bpm: gallery.bpm, row: p.row,
                period: p.period, drawn: !!p.canvases, transform: p.marker.style.transform};
    }""", name)


def marker_xy(transform):
    match = re.match(r"translate\(([-\d.]+)px, ([-\d.]+)px\)", transform)
    return float(match[1]), float(match[2])


def test_time_maps_to_pips_as_a_caller_maps_it(page):
    cases = [[0.1, 120], [0.7, 97.3], [12.345, 128], [59.99, 174], [3600.5, 60], [1e-9, 1]]
    pips = page.evaluate("(cases) => cases.map(([s, b]) => gallery.pipAt(s, b))", cases)
    assert pips == [math.floor(s * b / 60 * 64) for s, b in cases]
    rows = page.evaluate("() => [gallery.wrapPip(-1, 160), gallery.wrapPip(1000, 768)]")
    assert rows == [159, 232]


def test_markers_move_along_the_paths_at_the_chosen_tempo(page):
    page.evaluate("() => window.scrollTo(0, 0)")
    page.fill("#bpm", "45")
    page.wait_for_timeout(400)
    geometry = page.evaluate("() => gallery.geometry")
    inner = geometry["plot"] - 2 * geometry["pad"]
    before = marker_state(page, "circle")
    page.wait_for_timeout(500)
    after = marker_state(page, "circle")
    assert before["drawn"] and after["pip"] > before["pip"]
    assert after["transform"] != before["transform"]
    for state in (before, after):
        assert state["bpm"] == 45
        assert state["pip"] == math.floor(state["seconds"] * 45 / 60 * 64)
        assert state["row"] == state["pip"] % state["period"]
        x, y, _ = kinemorphs.sample("circle", state["pip"]).as_tuple()
        left, top = marker_xy(state["transform"])
        assert left == pytest.approx(geometry["pad"] + (x + 1) / 2 * inner, abs=1.0)
        assert top == pytest.approx(geometry["pad"] + (1 - y) / 2 * inner, abs=1.0)
    page.click("#play")          # pause: the clock and the markers stop
    page.wait_for_timeout(100)   # the frame after the click may still show the pip reached at the click
    held = marker_state(page, "circle")
    page.wait_for_timeout(300)
    assert marker_state(page, "circle")["pip"] == held["pip"]
    page.click("#play")
    page.fill("#bpm", "120")


def test_cards_are_drawn_only_near_the_viewport(page):
    drawn = page.evaluate("() => gallery.data.patterns.filter(p => p.canvases).map(p => p.name)")
    assert 0 < len(drawn) < 80 and NAMES[0] in drawn
    page.evaluate("() => window.scrollTo(0, document.body.scrollHeight)")
    page.wait_for_function(f"() => gallery.data.patterns[{len(NAMES) - 1}].canvases !== null")
    settle(page)
    drawn = page.evaluate("() => gallery.data.patterns.filter(p => p.canvases).map(p => p.name)")
    assert NAMES[-1] in drawn and NAMES[0] not in drawn and len(drawn) < 80
    page.screenshot(path=str(ARTIFACTS / "gallery_bottom.png"))
    page.evaluate("() => window.scrollTo(0, 0)")
